#include "IntervalInput.h"
#include "LoggerImages.h"
#include "SetupExchange.h"
#include "SetupMessages.h"

#include <QMap>
#include <QTest>

#include <deque>

using namespace tc4dl;

namespace {

const QByteArray kReply = QByteArray::fromHex("00130004151405090000");

QByteArray headerBlock(qint64 lastAddress, int sets)
{
    QByteArray b(256, '\0');
    b[13] = 0x00;
    b[14] = 0x02;
    loggerimages::setHeader(b, sets, lastAddress);
    return b.left(65);
}

// Runs an exchange against a meter that answers the n-th written byte (from 0) with the
// scripted bytes, 20 ms later.
struct Run {
    SetupExchange exchange;
    QMap<int, QByteArray> answers;
    std::deque<std::pair<qint64, QByteArray>> inbox;
    qint64 now = 0;
    qint64 wakeAt = -1;
    QByteArray written;
    QList<qint64> writeTimes;
    QList<PortAction::Kind> discards;

    explicit Run(SetupExchange e)
        : exchange(std::move(e))
    {
    }

    void apply(const ExchangeStep& step)
    {
        for (const PortAction& a : step.actions) {
            if (a.kind != PortAction::Kind::Write) {
                discards << a.kind;
                continue;
            }
            const auto it = answers.constFind(static_cast<int>(written.size()));
            written.append(a.byte);
            writeTimes.append(now);
            if (it != answers.cend() && !it->isEmpty())
                inbox.emplace_back(now + 20, *it);
        }
        wakeAt = step.wakeAtMs;
    }

    void run()
    {
        apply(exchange.start(now));
        while (!exchange.finished() && now < 60000) {
            if (!inbox.empty() && inbox.front().first <= wakeAt) {
                now = inbox.front().first;
                const QByteArray bytes = inbox.front().second;
                inbox.pop_front();
                apply(exchange.feed(bytes, now));
            } else {
                now = wakeAt;
                apply(exchange.wake(now));
            }
        }
        QVERIFY(exchange.finished());
    }
};

} // namespace

class TestSetupExchange : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void intervalInput_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("minutesBcd");
        QTest::addColumn<int>("secondsBcd");
        QTest::newRow("00:00") << "00"
                               << "00" << false << 0 << 0;
        QTest::newRow("00:01") << "00"
                               << "01" << true << 0x00 << 0x01;
        QTest::newRow("59:59") << "59"
                               << "59" << true << 0x59 << 0x59;
        QTest::newRow("60:60") << "60"
                               << "60" << true << 0x60 << 0x60;
        QTest::newRow("61:00") << "61"
                               << "00" << false << 0 << 0;
        QTest::newRow("00:61") << "00"
                               << "61" << false << 0 << 0;
        QTest::newRow("one digit") << "5"
                                   << "7" << true << 0x05 << 0x07;
        QTest::newRow("99:99") << "99"
                               << "99" << false << 0 << 0;
        QTest::newRow("empty") << ""
                               << "10" << false << 0 << 0;
        QTest::newRow("sign") << "-1"
                              << "10" << false << 0 << 0;
        QTest::newRow("blank") << " 1"
                               << "10" << false << 0 << 0;
        QTest::newRow("three digits") << "001"
                                      << "10" << false << 0 << 0;
        QTest::newRow("letters") << "0a"
                                 << "10" << false << 0 << 0;
        QTest::newRow("other digits")
            << QString::fromUtf8("\u0661\u0662") << "10" << false << 0 << 0;
    }
    void intervalInput()
    {
        QFETCH(QString, minutes);
        QFETCH(QString, seconds);
        QFETCH(bool, valid);
        QFETCH(int, minutesBcd);
        QFETCH(int, secondsBcd);
        const std::optional<IntervalSetting> s = parseIntervalInput(minutes, seconds);
        QCOMPARE(s.has_value(), valid);
        if (!valid)
            return;
        QCOMPARE(int(s->minutesBcd), minutesBcd);
        QCOMPARE(int(s->secondsBcd), secondsBcd);
        // The bytes go into the frame as they are.
        Run r(SetupExchange::setRecordingInterval(s->minutesBcd, s->secondsBcd));
        r.answers = { { 0, "r" }, { 11, "r" } };
        r.run();
        QVERIFY(r.exchange.succeeded());
        QCOMPARE(
            r.written.mid(1, 10), SetupExchange::frame({ 'n', 't', s->minutesBcd, s->secondsBcd }));
        QCOMPARE(r.written.at(11), 'b');
        QCOMPARE(r.written.mid(12), SetupExchange::frame({ 'o', 'o', 't', s->secondsBcd }));
    }

    void clockFrame_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("Monday") << QDateTime(QDate(2013, 4, 15), QTime(14, 5, 9))
                                << QByteArray::fromHex("74630013020415140509");
        QTest::newRow("Sunday") << QDateTime(QDate(2026, 12, 6), QTime(0, 0, 0))
                                << QByteArray::fromHex("74630026011206000000");
        QTest::newRow("Saturday") << QDateTime(QDate(2099, 12, 12), QTime(23, 59, 59))
                                  << QByteArray::fromHex("74630099071212235959");
    }
    void clockFrame()
    {
        QFETCH(QDateTime, time);
        QFETCH(QByteArray, frame);
        QCOMPARE(SetupExchange::clockFrame(time), frame);
    }

    void setMeterClockExchange()
    {
        const QDateTime pc(QDate(2013, 4, 15), QTime(14, 5, 9));
        Run r(SetupExchange::setMeterClock(pc));
        r.answers = { { 0, "r" }, { 11, "r" }, { 21, kReply.left(8) } };
        r.run();
        QVERIFY(r.exchange.succeeded());
        QCOMPARE(
            r.written, "r" + SetupExchange::clockFrame(pc) + "t" + SetupExchange::frame({ 'i' }));
        QCOMPARE(r.exchange.timeReply()->bytes[1], quint8(0x13));
        QCOMPARE(r.discards,
            (QList<PortAction::Kind> {
                PortAction::Kind::DiscardInput, PortAction::Kind::DiscardOutput }));
        // Frame bytes go out one at a time, 50 ms apart, the first 50 ms after the ready
        // byte (which the script sends 20 ms after the first byte).
        for (int i = 1; i <= 10; ++i)
            QCOMPARE(r.writeTimes[i] - r.writeTimes[i - 1], i == 1 ? 70 : 50);
        // After the frame: 100 ms, discard, 100 ms, then the second first byte.
        QCOMPARE(r.writeTimes[11] - r.writeTimes[10], 200);
        QCOMPARE(clockSuccessMessage(QStringLiteral("ok \\n"), QStringLiteral("The time is Second"),
                     *r.exchange.timeReply()),
            QStringLiteral("ok \nToday is Day 15 of Month 04 of Year 2013\nThe time is Second 09 "
                           "of Minute 05 of Hour 14"));
    }

    void clockErrorCodes_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("endsAt"); // ms
        const QByteArray reply = kReply.left(8);
        QTest::newRow("no answer") << QByteArray() << QByteArray("r") << reply << 2 << 2500;
        QTest::newRow("two ready bytes") << QByteArray("rr") << QByteArray("r") << reply << 2 << 20;
        QTest::newRow("wrong byte") << QByteArray("x") << QByteArray("r") << reply << 3 << 20;
        QTest::newRow("second: none") << QByteArray("r") << QByteArray() << reply << 4 << -1;
        QTest::newRow("second: two") << QByteArray("r") << QByteArray("rr") << reply << 4 << -1;
        QTest::newRow("second: wrong") << QByteArray("r") << QByteArray("R") << reply << 5 << -1;
        QTest::newRow("no reply") << QByteArray("r") << QByteArray("r") << QByteArray() << 6 << -1;
        QTest::newRow("short reply")
            << QByteArray("r") << QByteArray("r") << reply.left(7) << 6 << -1;
        QTest::newRow("long reply")
            << QByteArray("r") << QByteArray("r") << kReply.left(9) << 6 << -1;
        QTest::newRow("all good") << QByteArray("r") << QByteArray("r") << reply << 0 << -1;
    }
    void clockErrorCodes()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(QByteArray, reply);
        QFETCH(int, error);
        QFETCH(int, endsAt);
        Run r(SetupExchange::setMeterClock(QDateTime(QDate(2013, 4, 15), QTime(14, 5, 9))));
        r.answers = { { 0, first }, { 11, second }, { 21, reply } };
        r.run();
        QCOMPARE(r.exchange.error(), error);
        QCOMPARE(r.exchange.succeeded(), error == 0);
        QCOMPARE(r.exchange.timeReply().has_value(), error == 0);
        if (endsAt >= 0)
            QCOMPARE(r.now, endsAt);
        if (error == 2 || error == 3)
            QCOMPARE(r.written, QByteArray("r")); // nothing more is sent
        QCOMPARE(clockFailureMessage(QStringLiteral("Fehlercode ist"), 6),
            QStringLiteral("Fehlercode ist 6"));
    }

    void twoReadyBytesFailEveryCommand_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("interval") << 0;
        QTest::newRow("erase") << 1;
        QTest::newRow("read") << 2;
    }
    void twoReadyBytesFailEveryCommand()
    {
        QFETCH(int, command);
        const SetupExchange e = command == 0 ? SetupExchange::setRecordingInterval(0, 2)
            : command == 1                   ? SetupExchange::eraseLoggerMemory()
                                             : SetupExchange::readLoggerInfo();
        Run r(e);
        r.answers = { { 0, "rr" } };
        r.run();
        QVERIFY(!r.exchange.succeeded());
        QCOMPARE(r.written.size(), 1);
        // And the same with a single ready byte succeeds as far as the meter answers.
        Run good(e);
        good.answers = { { 0, "r" }, { 11, "r" } };
        if (command == 2)
            good.answers = { { 0, "r" }, { 10, kReply.left(8) }, { 11, headerBlock(300, 1) } };
        good.run();
        QVERIFY(good.exchange.succeeded());
    }

    void eraseSendsItsFrame()
    {
        Run r(SetupExchange::eraseLoggerMemory());
        r.answers = { { 0, "r" } };
        r.run();
        QVERIFY(r.exchange.succeeded());
        QCOMPARE(r.written, QByteArray("era") + QByteArray(8, '\0'));
    }

    void readLoggerInfoExchange()
    {
        Run r(SetupExchange::readLoggerInfo());
        r.answers = { { 0, "r" }, { 10, kReply.left(8) }, { 11, headerBlock(255, 3) } };
        r.run();
        QVERIFY(r.exchange.succeeded());
        QCOMPARE(r.written, "t" + QByteArray::fromHex("69630002010428165408") + "PQ");
        QCOMPARE(r.exchange.headerBlock().size(), 65);
        const LoggerInfo info = loggerInfo(*MemoryHeader::read(r.exchange.headerBlock()));
        QCOMPARE(info.setCount, 3);
        QCOMPARE(info.intervalText, QStringLiteral("00:02(mm:ss)"));
        QCOMPARE(info.memoryAvailable, 16000);
        const MeterTime t = meterTime(*r.exchange.timeReply(), QLocale::c());
        QCOMPARE(*t.time, QDateTime(QDate(2013, 4, 15), QTime(14, 5, 9)));
    }

    void readLoggerInfoWithoutHeader()
    {
        Run r(SetupExchange::readLoggerInfo());
        r.answers = { { 0, "r" }, { 10, kReply.left(8) } };
        r.run();
        QCOMPARE(r.exchange.error(), int(SetupExchange::kNoMemoryHeader));
        QVERIFY(r.exchange.timeReply().has_value());
        // Three attempts in one 2.5 s window: the request written four times.
        QCOMPARE(r.written.count('P'), 4);
        QCOMPARE(r.now - r.writeTimes[11], 2500);
    }

    void memoryAvailable_data()
    {
        QTest::addColumn<quint32>("lastAddress");
        QTest::addColumn<qint64>("samples");
        QTest::newRow("empty memory") << quint32(255) << qint64(16000);
        QTest::newRow("zero") << quint32(0) << qint64(16032);
        QTest::newRow("one sample left") << quint32(128248) << qint64(1);
        QTest::newRow("less than one") << quint32(128255) << qint64(0);
        QTest::newRow("the top") << quint32(128256) << qint64(0);
        QTest::newRow("above the top") << quint32(128257) << qint64(0);
        QTest::newRow("largest") << quint32(0xFFFFFF) << qint64(0);
    }
    void memoryAvailable()
    {
        QFETCH(quint32, lastAddress);
        QFETCH(qint64, samples);
        QCOMPARE(tc4dl::memoryAvailable(lastAddress), samples);
    }

    void timeReplyBytes_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("day"); // as the clock message shows it
        QTest::addColumn<bool>("validTime");
        QTest::addColumn<QString>("text"); // the read-out of a reply that is not a time
        QTest::newRow("BCD") << QByteArray::fromHex("0013000415140509") << "15" << true << "";
        QTest::newRow("year 1A") << QByteArray::fromHex("001A000415140509") << "15" << true << "";
        QTest::newRow("0x80") << QByteArray::fromHex("0013000480140509") << "FFFFFF80" << false
                              << "2013-04-80 14:05:09";
        QTest::newRow("0xFF") << QByteArray::fromHex("00FF00FFFFFFFFFF") << "FFFFFFFF" << false
                              << "20FF-FF-FF FF:FF:FF";
        QTest::newRow("hex digit")
            << QByteArray::fromHex("001300041A140509") << "1A" << false << "2013-04-1A 14:05:09";
        QTest::newRow("31 April") << QByteArray::fromHex("0013000431140509") << "31" << false
                                  << "2013-04-31 14:05:09";
        QTest::newRow("hour 24") << QByteArray::fromHex("0013000415240509") << "15" << false
                                 << "2013-04-15 24:05:09";
    }
    void timeReplyBytes()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, day);
        QFETCH(bool, validTime);
        QFETCH(QString, text);
        TimeReply r;
        std::copy(reply.begin(), reply.end(), r.bytes.begin());
        const QString message = clockSuccessMessage({}, {}, r);
        QVERIFY2(message.startsWith(QStringLiteral("Today is Day ") + day + QStringLiteral(" of")),
            qPrintable(message));
        const MeterTime t = meterTime(r, QLocale::c());
        QCOMPARE(t.time.has_value(), validTime);
        if (!validTime)
            QCOMPARE(t.text, text);
        else
            QVERIFY(!t.text.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSetupExchange)
#include "tst_setupexchange.moc"
