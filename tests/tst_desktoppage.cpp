// The live page the desktop program serves from its own readings: the board fed from the
// workspace (a value, "OL", no value, an alarm raised and cleared, a lost link), the page
// answering on loopback with the same values, a network address only with the page's key (kept
// in a file of the user's alone, never in the Settings), a port in use said once, and the
// settings dialog with the address and its QR code.

#include "AccessToken.h"
#include "AlarmRelay.h"
#include "HttpExchange.h"
#include "LivePageCommands.h"
#include "LivePageKeeper.h"
#include "MainWindowFixture.h"
#include "PageAddress.h"
#include "TfrmLivePage.h"
#include "WorkspaceRig.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTcpServer>
#include <QTest>

using namespace tc4dl;
using namespace tc4dl::testing;

Q_DECLARE_METATYPE(tc4dl::live::ChannelState)

namespace {

// The main window on a simulated meter that answers every poll.
struct Desk : Fixture {
    Desk()
        : Fixture({ QStringLiteral("SIMULATOR") })
    {
        meters.try_emplace(QStringLiteral("SIMULATOR"));
        window->FormShow();
        clock.runDue();
        prompter.shown.clear(); // the missing-template message of the start
        tick();
        tick();
    }
    SimulatedMeter& meter() { return meters[QStringLiteral("SIMULATOR")]; }
    LivePageKeeper& keeper() { return window->livePage().keeper(); }
    live::MeterView view() const
    {
        const QList<live::MeterView> all = window->livePage().keeper().board().meters();
        return all.isEmpty() ? live::MeterView {} : all.first();
    }
};

// A port nobody listens on now.
quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 0;
    return probe.serverPort();
}

LivePageSettings pageOn(const QString& address, quint16 port)
{
    LivePageSettings s;
    s.on = true;
    s.address = address;
    s.port = port;
    return s;
}

} // namespace

class TestDesktopPage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void theBoardHasWhatTheWorkspaceDecodes_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<live::ChannelState>("state"); // of T1 afterwards
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QStringList>("alarms"); // in force afterwards
        QTest::addColumn<int>("alarmEvents"); // published while the step ran
        using S = live::ChannelState;
        QTest::newRow("a value") << "value" << S::Value << 23.4 << true << QStringList() << 0;
        // T1 is watched: "OL" on it opens its probe alarm.
        QTest::newRow("OL") << "OL" << S::OverLimit << 0.0 << true << QStringList { "T1 OL" } << 1;
        QTest::newRow("no value") << "no value" << S::NoValue << 0.0 << true << QStringList() << 0;
        QTest::newRow("an alarm raised")
            << "raise" << S::Value << 120.0 << true << QStringList { "T1>100" } << 1;
        QTest::newRow("an alarm raised and cleared")
            << "raise and clear" << S::Value << 20.0 << true << QStringList() << 2;
        QTest::newRow("an open probe: no value")
            << "open" << S::NoValue << 0.0 << true << QStringList { "T1 OL" } << 1;
        QTest::newRow("a lost link") << "lost" << S::Value << 23.4 << false << QStringList() << 0;
    }
    void theBoardHasWhatTheWorkspaceDecodes()
    {
        QFETCH(QString, step);
        QFETCH(live::ChannelState, state);
        QFETCH(double, value);
        QFETCH(bool, connected);
        QFETCH(QStringList, alarms);
        QFETCH(int, alarmEvents);
        Desk d;
        Workspace& ws = d.window->workspace();
        alarm::ChannelSet set;
        set[0].name = QStringLiteral("Ofen");
        set[0].highOn = true;
        set[0].high = 100.0;
        ws.channels().setChannels(set);
        d.meter().setTemperature(0, 23.4);
        d.tick();
        d.tick();
        QSignalSpy events(&d.keeper().board(), &live::LiveFeed::published);
        if (step == u"OL") {
            d.meter().setOverRange(0, true);
        } else if (step == u"no value") {
            // A frame that marks T1 without a value, as the decoder hands it on.
            LiveReading r;
            r.statusA = 0x80; // Celsius
            r.current = { 23.4f, 20.0f, 20.0f, 20.0f };
            r.noValueMarks[0] = 0x01;
            Q_EMIT ws.frameDecoded(r);
        } else if (step.startsWith(u"raise")) {
            d.meter().setTemperature(0, 120.0);
        } else if (step == u"open") {
            d.meter().setChannelOpen(0, true);
        } else if (step == u"lost") {
            d.meter().setSilent(true);
            for (int i = 0; i < 5; ++i)
                d.tick();
        }
        if (step != u"no value") {
            d.tick();
            d.tick();
        }
        if (step == u"raise and clear") {
            d.meter().setTemperature(0, 20.0);
            d.tick();
            d.tick();
        }
        const live::MeterView v = d.view();
        QCOMPARE(v.name, kDesktopMeterName);
        QCOMPARE(v.names[0], QStringLiteral("Ofen"));
        QCOMPARE(v.names[1], QStringLiteral("T2"));
        QVERIFY(v.last.has_value());
        QCOMPARE(v.last->states[0], state);
        if (state == live::ChannelState::Value)
            QCOMPARE(qRound(v.last->values[0] * 10.0f), qRound(value * 10.0));
        QCOMPARE(v.connected, connected);
        QCOMPARE(v.alarms, alarms);
        int seen = 0;
        for (const QList<QVariant>& e : events)
            seen += e.at(0).value<live::LiveEvent>().kind == live::LiveEvent::Kind::Alarm;
        QCOMPARE(seen, alarmEvents);
    }

    // The page on a free loopback port answers with the values the window shows.
    void thePageAnswersWithTheSameValues()
    {
        Desk d;
        d.meter().setTemperature(0, 61.8);
        d.meter().setOverRange(2, true);
        d.tick();
        d.tick();
        const quint16 port = freePort();
        QVERIFY(port != 0);
        QVERIFY(d.window->livePage().apply(pageOn(QStringLiteral("127.0.0.1"), port)));
        QVERIFY(d.keeper().running());
        QVERIFY(d.prompter.shown.isEmpty());
        const httpexchange::Reply r
            = httpexchange::exchange(port, httpexchange::get("/api/current"));
        QCOMPARE(r.status, 200);
        const QJsonObject meter = QJsonDocument::fromJson(r.body)
                                      .object()
                                      .value(QStringLiteral("meters"))
                                      .toArray()
                                      .at(0)
                                      .toObject();
        QCOMPARE(meter.value(QStringLiteral("name")).toString(), kDesktopMeterName);
        QCOMPARE(meter.value(QStringLiteral("connected")).toBool(), true);
        QCOMPARE(meter.value(QStringLiteral("T1")).toDouble(), 61.8);
        QVERIFY(meter.value(QStringLiteral("T3")).isNull());
        QCOMPARE(meter.value(QStringLiteral("ol")).toArray(), QJsonArray { QStringLiteral("T3") });
        // Kept for the next start, the key nowhere.
        QCOMPARE(d.store.values[QStringLiteral("LivePageOn")], 1);
        QCOMPARE(d.store.values[QStringLiteral("LivePagePort")], int(port));
        QCOMPARE(d.store.texts[QStringLiteral("LivePageAddress")], QStringLiteral("127.0.0.1"));
        // Off again: nothing listens.
        QVERIFY(d.window->livePage().apply(LivePageSettings {}));
        QVERIFY(!d.keeper().running());
        QCOMPARE(httpexchange::exchange(port, httpexchange::get("/api/current"), 1000).status, 0);
    }

    // Beyond this computer only with the key, from a file of the user's alone.
    void aNetworkAddressNeedsTheKey_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("tokenFile"); // "new", "kept", "readable", "unwritable"
        QTest::addColumn<int>("problem");
        using P = LivePageKeeper::Problem;
        QTest::newRow("loopback: no key") << "127.0.0.1"
                                          << "new" << int(P::None);
        QTest::newRow("every network: a key made") << "0.0.0.0"
                                                   << "new" << int(P::None);
        QTest::newRow("every network: the key kept") << "0.0.0.0"
                                                     << "kept" << int(P::None);
        QTest::newRow("a key others may read") << "0.0.0.0"
                                               << "readable" << int(P::NoToken);
        QTest::newRow("no place for the key") << "0.0.0.0"
                                              << "unwritable" << int(P::NoToken);
        QTest::newRow("not an address") << "ofen.local"
                                        << "new" << int(P::NotAnAddress);
    }
    void aNetworkAddressNeedsTheKey()
    {
        QFETCH(QString, address);
        QFETCH(QString, tokenFile);
        QFETCH(int, problem);
        WorkspaceRig rig;
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("data/livepage.token"));
        const QByteArray kept = "kept-key-of-the-test-0123456789";
        if (tokenFile == u"kept" || tokenFile == u"readable") {
            QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("data"))));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(kept + '\n');
            f.close();
            f.setPermissions(tokenFile == u"kept"
                    ? QFileDevice::ReadOwner | QFileDevice::WriteOwner
                    : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
        } else if (tokenFile == u"unwritable") {
            QFile blocker(dir.filePath(QStringLiteral("data")));
            QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        }
        LivePageKeeper keeper(rig.ws(), path);
        const quint16 port = freePort();
        QString detail;
        QCOMPARE(int(keeper.apply(pageOn(address, port), &detail)), problem);
        QCOMPARE(keeper.running(), problem == int(LivePageKeeper::Problem::None));
        if (!keeper.running()) {
            QVERIFY(!detail.isEmpty());
            return;
        }
        const bool network = address != u"127.0.0.1";
        QCOMPARE(QFileInfo::exists(path), network);
        const httpexchange::Reply open
            = httpexchange::exchange(port, httpexchange::get("/api/current"));
        QCOMPARE(open.status, network ? 401 : 200);
        if (!network)
            return;
        QFile f(path);
        QVERIFY(!(f.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)));
        const std::optional<QByteArray> token = live::readTokenFile(path, nullptr);
        QVERIFY(token && token->size() >= live::kMinTokenLength);
        if (tokenFile == u"kept")
            QCOMPARE(*token, kept);
        QCOMPARE(httpexchange::exchange(port,
                     httpexchange::get("/api/current", "Authorization: Bearer " + *token + "\r\n"))
                     .status,
            200);
        QVERIFY(keeper.urls().first().contains(QString::fromLatin1("token=" + *token)));
        // Made once: the next start uses the same key.
        LivePageKeeper again(rig.ws(), path);
        QVERIFY(again.token(nullptr) == token);
    }

    // A port another program holds: said once, plainly; the page is off and not kept on.
    void aPortInUseIsSaidOnce()
    {
        Desk d;
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::LocalHost));
        QVERIFY(
            !d.window->livePage().apply(pageOn(QStringLiteral("127.0.0.1"), holder.serverPort())));
        QVERIFY(!d.keeper().running());
        QCOMPARE(d.prompter.shown.size(), 1);
        QVERIFY2(d.prompter.shown.first().startsWith(
                     QStringLiteral("Die Live-Seite kann nicht auf 127.0.0.1, Port %1 lauschen")
                         .arg(holder.serverPort())),
            qPrintable(d.prompter.shown.first()));
        QVERIFY(!d.store.values.count(QStringLiteral("LivePageOn")));
    }

    // The Settings' item: Apply shows the address and its QR code, OK keeps them.
    void theDialogShowsTheAddressAndItsCode_data()
    {
        QTest::addColumn<bool>("ok"); // OK after Apply, or Cancel
        QTest::newRow("Apply, then OK") << true;
        QTest::newRow("Apply, then Cancel: what was applied stays") << false;
    }
    void theDialogShowsTheAddressAndItsCode()
    {
        QFETCH(bool, ok);
        Desk d;
        const quint16 port = freePort();
        QString shown;
        bool coded = false;
        d.dialogs = [&](QDialog& dialog) {
            auto* page = qobject_cast<TfrmLivePage*>(&dialog);
            if (!page)
                return int(QDialog::Rejected);
            if (page->addressesLabel()->text() != QStringLiteral("Die Live-Seite ist aus."))
                return int(QDialog::Rejected);
            page->onBox()->setChecked(true);
            page->portField()->setValue(port);
            if (!page->applyNow())
                return int(QDialog::Rejected);
            shown = page->addressesLabel()->text();
            coded = !page->codeLabel()->pixmap().isNull();
            if (ok)
                page->accept();
            return ok ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
        d.window->action(QStringLiteral("LivePage1"))->trigger();
        QCOMPARE(shown, QStringLiteral("http://127.0.0.1:%1/").arg(port));
        QVERIFY(coded);
        QVERIFY(d.keeper().running());
        QCOMPARE(d.store.values[QStringLiteral("LivePageOn")], 1);
        QCOMPARE(d.window->action(QStringLiteral("LivePage1"))->text(),
            QStringLiteral("&Live-Seite im Netz..."));
    }

    void theCodeReadsAsModules()
    {
        const QImage image = qrImage("http://192.168.1.20:8080/?token=abc", 3);
        QVERIFY(!image.isNull());
        const std::optional<live::QrCode> code
            = live::QrCode::encode("http://192.168.1.20:8080/?token=abc");
        QVERIFY(code);
        QCOMPARE(image.width(), (code->size() + 8) * 3);
        // The finder pattern's corner is dark, the quiet zone light.
        QCOMPARE(image.pixelIndex(4 * 3, 4 * 3), 0);
        QCOMPARE(image.pixelIndex(1, 1), 1);
        QVERIFY(qrImage(QByteArray(8000, 'x'), 3).isNull());
    }
};

QTEST_MAIN(TestDesktopPage)
#include "tst_desktoppage.moc"
