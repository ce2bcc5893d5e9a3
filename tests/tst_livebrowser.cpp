// The live page as a person sees it: headless Chromium (Debian's) opens the page that
// `tc4dl-cli serve` serves on a simulated meter on a pseudo-terminal, on a phone's screen and on
// a desktop's, in English and in German. The values shown are the meter's; a value the meter
// changes is on the page within two seconds without a reload; an alarm is red; a lost link says
// since when. Screenshots go to TC4DL_SCREENSHOT_DIR when it is set.

#include "CliProcess.h"
#include "Clock.h"
#include "DevToolsBrowser.h"
#include "PtyMeterServer.h"
#include "RealParts.h"
#include "SimulatedMeter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <memory>

using namespace tc4dl;

namespace {

QString js(const QString& meter, const QString& channel, const QString& part)
{
    return QStringLiteral("(function(){var e=document.querySelector('[data-meter=\"%1\"] "
                          "[data-ch=\"%2\"] %3');return e?e.textContent:null;})()")
        .arg(meter, channel, part);
}

} // namespace

class TestLiveBrowser : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void pageFollowsTheMeter_data();
    void pageFollowsTheMeter();

private:
    QString text(const QString& expression)
    {
        return m_browser.evaluate(m_tab, expression).toString();
    }
    void shoot(const QString& name);

    SystemClock m_clock;
    SimulatedMeter m_meter;
    std::unique_ptr<PtyMeterServer> m_pty;
    QProcess m_serve;
    QString m_url;
    devtools::Browser m_browser;
    QString m_tab;
};

void TestLiveBrowser::initTestCase()
{
    if (!PtyMeterServer::isSupported())
        QSKIP("no pseudo-terminals on this system");
    m_meter.setTemperature(0, 23.4);
    m_meter.setTemperature(1, 48.0);
    m_meter.setOverRange(2, true);
    m_meter.setTemperature(3, 61.8);
    m_pty = std::make_unique<PtyMeterServer>(m_clock, m_meter);
    m_pty->setPaced(false);
    QVERIFY2(m_pty->start(), qPrintable(m_pty->errorString()));

    const quint16 port = realparts::freeLoopbackPort();
    m_serve.setProcessChannelMode(QProcess::SeparateChannels);
    m_serve.start(QStringLiteral(TC4DL_CLI),
        { QStringLiteral("serve"), QStringLiteral("--port"), m_pty->devicePath(),
            QStringLiteral("--name"), QStringLiteral("oven"), QStringLiteral("--http"),
            QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--alarm"),
            QStringLiteral("T1>150") });
    QVERIFY(m_serve.waitForStarted(10000));
    // Served by this test's own event loop: the meter answers while we wait.
    QVERIFY2(QTest::qWaitFor(
                 [&] { return m_serve.canReadLine() || m_serve.state() == QProcess::NotRunning; },
                 20000),
        "tc4dl-cli serve named no address");
    const QString line = QString::fromUtf8(m_serve.readLine()).trimmed();
    QVERIFY2(line.startsWith(QStringLiteral("Live page: http://127.0.0.1:")),
        qPrintable(line + QString::fromUtf8(m_serve.readAllStandardError())));
    m_url = line.mid(QStringLiteral("Live page: ").size());

    QString why;
    if (!m_browser.start(&why))
        TC4DL_REAL_PART_MISSING(why);
}

void TestLiveBrowser::cleanupTestCase()
{
    m_browser.stop();
    if (m_serve.state() != QProcess::NotRunning) {
        m_serve.terminate();
        if (!m_serve.waitForFinished(5000))
            m_serve.kill();
    }
}

void TestLiveBrowser::shoot(const QString& name)
{
    const QByteArray png = m_browser.screenshot(m_tab);
    QVERIFY2(png.startsWith("\x89PNG"), "a screenshot came");
    const QString folder = qEnvironmentVariable("TC4DL_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QFile file(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(png);
}

void TestLiveBrowser::pageFollowsTheMeter_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("mobile");
    QTest::addColumn<QString>("language");
    QTest::newRow("phone-en") << 390 << 844 << true << "en-GB,en;q=0.9";
    QTest::newRow("phone-de") << 390 << 844 << true << "de-DE,de;q=0.9,en;q=0.5";
    QTest::newRow("desktop-en") << 1366 << 768 << false << "en-US";
    QTest::newRow("desktop-de") << 1366 << 768 << false << "de";
}

void TestLiveBrowser::pageFollowsTheMeter()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, mobile);
    QFETCH(QString, language);
    const bool german = language.startsWith(QStringLiteral("de"));
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    m_meter.setTemperature(0, 23.4);
    m_meter.setSilent(false);

    m_tab = m_browser.openTab();
    QVERIFY(!m_tab.isEmpty());
    QString error;
    QVERIFY2(
        m_browser.call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
            { { QStringLiteral("width"), width }, { QStringLiteral("height"), height },
                { QStringLiteral("deviceScaleFactor"), 1 }, { QStringLiteral("mobile"), mobile } },
            m_tab, 15000, &error),
        qPrintable(error));
    QVERIFY2(m_browser.call(QStringLiteral("Emulation.setUserAgentOverride"),
                 { { QStringLiteral("userAgent"), QStringLiteral("Mozilla/5.0 tc4dl-test") },
                     { QStringLiteral("acceptLanguage"), language } },
                 m_tab, 15000, &error),
        qPrintable(error));
    QVERIFY2(m_browser.call(QStringLiteral("Page.navigate"), { { QStringLiteral("url"), m_url } },
                 m_tab, 15000, &error),
        qPrintable(error));

    const QString oven = QStringLiteral("oven");
    const QString t1 = german ? QStringLiteral("23,4") : QStringLiteral("23.4");
    QTRY_COMPARE_WITH_TIMEOUT(
        text(js(oven, QStringLiteral("T1"), QStringLiteral(".num"))), t1, 10000);
    QCOMPARE(text(QStringLiteral("document.documentElement.lang")),
        german ? QStringLiteral("de") : QStringLiteral("en"));
    QCOMPARE(text(js(oven, QStringLiteral("T2"), QStringLiteral(".num"))),
        german ? QStringLiteral("48,0") : QStringLiteral("48.0"));
    QCOMPARE(text(js(oven, QStringLiteral("T3"), QStringLiteral(".num"))), QStringLiteral("OL"));
    QCOMPARE(text(js(oven, QStringLiteral("T3"), QStringLiteral(".unit"))), QString());
    QCOMPARE(text(js(oven, QStringLiteral("T4"), QStringLiteral(".num"))),
        german ? QStringLiteral("61,8") : QStringLiteral("61.8"));
    QCOMPARE(
        text(js(oven, QStringLiteral("T1"), QStringLiteral(".unit"))), QStringLiteral("\u00b0C"));
    QCOMPARE(
        text(QStringLiteral("document.querySelector('[data-meter=\"oven\"] .link').textContent")),
        german ? QStringLiteral("verbunden") : QStringLiteral("connected"));
    // The page's own address no longer shows anything but its path.
    QCOMPARE(text(QStringLiteral("location.pathname + location.search")), QStringLiteral("/"));
    // Nothing wider than the screen.
    QVERIFY(
        m_browser.evaluate(m_tab, QStringLiteral("document.documentElement.scrollWidth")).toInt()
        <= width);

    // The meter changes: the page follows without loading again.
    m_browser.evaluate(m_tab, QStringLiteral("window.tc4dlMark = 42"));
    m_meter.setTemperature(0, 48.2);
    QElapsedTimer changed;
    changed.start();
    const QString changedText = german ? QStringLiteral("48,2") : QStringLiteral("48.2");
    QTRY_COMPARE_WITH_TIMEOUT(
        text(js(oven, QStringLiteral("T1"), QStringLiteral(".num"))), changedText, 2000);
    QVERIFY(changed.elapsed() <= 2000);
    QCOMPARE(m_browser.evaluate(m_tab, QStringLiteral("window.tc4dlMark")).toInt(), 42);

    // Past the limit: the channel is red and says its limit.
    m_meter.setTemperature(0, 160.0);
    const QString tile
        = QStringLiteral("document.querySelector('[data-meter=\"oven\"] [data-ch=\"T1\"]')");
    QTRY_VERIFY_WITH_TIMEOUT(
        m_browser.evaluate(m_tab, tile + QStringLiteral(".classList.contains('alarm')")).toBool(),
        4000);
    QCOMPARE(text(QStringLiteral("getComputedStyle(") + tile
                 + QStringLiteral(".querySelector('.num')).color")),
        QStringLiteral("rgb(200, 0, 0)"));
    QCOMPARE(text(js(oven, QStringLiteral("T1"), QStringLiteral(".ch-alarm"))),
        german ? QStringLiteral("Alarm > 150,0 \u00b0C") : QStringLiteral("Alarm > 150.0 \u00b0C"));
    QTRY_COMPARE_WITH_TIMEOUT(text(js(oven, QStringLiteral("T1"), QStringLiteral(".num"))),
        german ? QStringLiteral("160,0") : QStringLiteral("160.0"), 2000);
    shoot(tag + QStringLiteral("-alarm"));

    // Back below the limit: the alarm clears.
    m_meter.setTemperature(0, 23.4);
    QTRY_VERIFY_WITH_TIMEOUT(
        !m_browser.evaluate(m_tab, tile + QStringLiteral(".classList.contains('alarm')")).toBool(),
        4000);

    // The meter falls silent: the page says since when there is no connection.
    m_meter.setSilent(true);
    const QString link
        = QStringLiteral("document.querySelector('[data-meter=\"oven\"] .link').textContent");
    const QString lost = german ? QStringLiteral("keine Verbindung seit ")
                                : QStringLiteral("no connection since ");
    QTRY_VERIFY_WITH_TIMEOUT(text(link).startsWith(lost), 8000);
    QVERIFY(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d$")).match(text(link)).hasMatch());
    QVERIFY(
        m_browser
            .evaluate(m_tab,
                QStringLiteral(
                    "document.querySelector('[data-meter=\"oven\"]').classList.contains('lost')"))
            .toBool());
    shoot(tag + QStringLiteral("-lost"));
    m_meter.setSilent(false);
    QTRY_COMPARE_WITH_TIMEOUT(
        text(link), german ? QStringLiteral("verbunden") : QStringLiteral("connected"), 8000);
    QTRY_COMPARE_WITH_TIMEOUT(
        text(js(oven, QStringLiteral("T1"), QStringLiteral(".num"))), t1, 4000);
    shoot(tag);
    m_browser.closeTab();
}

QTEST_MAIN(TestLiveBrowser)
#include "tst_livebrowser.moc"
