#include "ControlStates.h"
#include "LiveLink.h"
#include "ManualClock.h"
#include "ScriptedPort.h"

#include <QTest>

#include <optional>

using tc4dl::LiveLink;
using tc4dl::TickCheck;

namespace {

QString dev(const QString& entry)
{
    return tc4dl::ports::deviceNameFor(entry);
}

// A MeterFrame in Celsius with T1 = `t1Tenths`.
QByteArray frame(int t1Tenths = 0)
{
    QByteArray f(tc4dl::kFrameLength, '\0');
    f[0] = '\x02';
    f[1] = '\x80';
    f[7] = static_cast<char>((t1Tenths >> 8) & 0xff);
    f[8] = static_cast<char>(t1Tenths & 0xff);
    f[44] = '\x03';
    return f;
}

// The link's host as the main window builds it: the reports go through the window's control
// states, and the switches they turn are recorded.
class RecordingHost final : public tc4dl::LinkHost, public tc4dl::ControlSwitches {
public:
    void connectionChanged(const tc4dl::ConnectionReport& report) override
    {
        states.connectionChanged(report);
    }
    void setRunEnabled(bool enabled) override { record(run, enabled); }
    void setStopEnabled(bool enabled) override { record(stop, enabled); }
    void setDataLoggerEnabled(bool enabled) override { record(dataLogger, enabled); }
    void setStatusText(const QString& d, const QString& s) override
    {
        device = d;
        state = s;
        ++calls;
    }
    void setNoConnectionVisible(bool visible) override { record(noConnection, visible); }
    void setClearEnabled(bool enabled) override { record(clear, enabled); }
    void selectPortEntry(int index) override { selected << index; }
    void beep() override { ++beeps; }

    // Forgets what was set so far.
    void forget()
    {
        run = stop = dataLogger = noConnection = clear = std::nullopt;
        device.clear();
        state.clear();
        calls = 0;
        selected.clear();
        running = false;
        beeps = 0;
    }

    std::optional<bool> run, stop, dataLogger, noConnection, clear;
    QString device, state;
    int calls = 0;
    QList<int> selected;
    bool running = false;
    int beeps = 0;
    tc4dl::ControlStates states { *this, [this] { return running; } };

private:
    void record(std::optional<bool>& what, bool value)
    {
        what = value;
        ++calls;
    }
};

const tc4dl::LinkTexts kTexts { QStringLiteral("On Connection"), QStringLiteral("Off Connection") };

// The link with everything it talks to; every listed port opens.
struct Rig {
    explicit Rig(const QStringList& entries)
    {
        for (const QString& e : entries)
            port.addDevice(dev(e));
        link.setPortEntries(entries);
        link.setFrameObserver([this](const tc4dl::LiveReading&) { ++frames; });
    }
    tc4dl::ManualClock clock;
    ScriptedPort port { clock };
    RecordingHost host;
    tc4dl::LiveDecoder decoder;
    LiveLink link { port, clock, host, decoder, kTexts };
    int frames = 0;
};

// Scans with the meter answering on the first port, then forgets the host's record.
void startConnected(Rig& rig)
{
    rig.port.answer(dev(rig.link.portEntries().at(0)), 'K', "0740");
    rig.link.runIdentificationScan();
    QVERIFY(rig.link.meterConnected());
    rig.host.forget();
}

// Scans with no meter answering: the first port ends up open and polled.
void startNotConnected(Rig& rig)
{
    rig.link.runIdentificationScan();
    QVERIFY(!rig.link.meterConnected());
    QVERIFY(rig.port.isActive());
    rig.host.forget();
}

} // namespace

class TestLiveLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void identificationScan_data()
    {
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("closed"); // entries that fail to open
        QTest::addColumn<QString>("writeFails"); // entries that cannot be written
        QTest::addColumn<QString>("answers"); // entry=answer, in order per entry
        QTest::addColumn<bool>("connected");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("lastPort");
        QTest::addColumn<QString>("asked"); // identify bytes written per entry

        // clang-format off
        QTest::newRow("meter on the second port")
            << "A B" << "" << "" << "B=0740abcd" << true << 740 << 1 << "1 1";
        QTest::newRow("other answer: asked again, then B")
            << "A B" << "" << "" << "A=ABCDEFGH B=0740" << true << 740 << 1 << "2 1";
        QTest::newRow("other answer twice, then the meter on B")
            << "A B" << "" << "" << "A=ABCDEFGH A=ABCDEFGH B=0740" << true << 740 << 1 << "2 1";
        QTest::newRow("other answer on every port")
            << "A B" << "" << "" << "A=ABCDEFGH A=ABCDEFGH B=ABCDEFGH B=ABCDEFGH"
            << false << 740 << 0 << "2 2";
        QTest::newRow("model code split over two answers of one port")
            << "A B" << "" << "" << "A=xx74 A=0yyy" << true << 740 << 0 << "2 0";
        QTest::newRow("split 735 on the second port")
            << "A B" << "" << "" << "B=abc7 B=35zz" << true << 735 << 1 << "1 2";
        QTest::newRow("no model code pieced from two ports")
            << "A B" << "" << "" << "A=xx74 B=0yyy" << false << 740 << 0 << "2 2";
        QTest::newRow("no model code pieced from a third answer")
            << "A" << "" << "" << "A=xx12 A=xx74 A=0yyy" << false << 740 << 0 << "2";
        QTest::newRow("both model codes")
            << "A B" << "" << "" << "A=xx73 A=5740" << true << 740 << 0 << "2 0";
        QTest::newRow("model code after other bytes")
            << "A B" << "" << "" << "A=x735" << true << 735 << 0 << "1 0";
        QTest::newRow("four bytes of an answer count")
            << "A B" << "" << "" << "A=abcd7400 A=abcd7400 B=abcd7350 B=abcd7350"
            << false << 740 << 0 << "2 2";
        QTest::newRow("short answers are not kept")
            << "A B" << "" << "" << "A=x74 B=0abc" << false << 740 << 0 << "1 2";
        QTest::newRow("short second answer ends the port")
            << "A B" << "" << "" << "A=xx74 A=0 B=0740" << true << 740 << 1 << "2 1";
        QTest::newRow("no ports") << "" << "" << "" << "" << false << 740 << 0 << "";
        QTest::newRow("port that does not open")
            << "A B" << "A" << "" << "B=0740" << true << 740 << 1 << "0 1";
        QTest::newRow("port that cannot be written")
            << "A B" << "" << "A" << "B=0740" << true << 740 << 1 << "0 1";
        QTest::newRow("model 735") << "A" << "" << "" << "A=M735" << true << 735 << 0 << "1";
        QTest::newRow("junk, then the next port")
            << "A B C" << "" << "" << "A=ABCD B=0740" << true << 740 << 1 << "2 1 0";
        // clang-format on
    }
    void identificationScan()
    {
        QFETCH(QString, entries);
        QFETCH(QString, closed);
        QFETCH(QString, writeFails);
        QFETCH(QString, answers);
        QFETCH(bool, connected);
        QFETCH(int, model);
        QFETCH(int, lastPort);
        QFETCH(QString, asked);

        const QStringList list = entries.split(' ', Qt::SkipEmptyParts);
        Rig rig(list);
        for (const QString& e : closed.split(' ', Qt::SkipEmptyParts))
            rig.port.addDevice(dev(e), false);
        for (const QString& e : writeFails.split(' ', Qt::SkipEmptyParts))
            rig.port.setWriteFails(dev(e), true);
        for (const QString& a : answers.split(' ', Qt::SkipEmptyParts))
            rig.port.answer(dev(a.section('=', 0, 0)), 'K', a.section('=', 1).toLatin1());
        rig.link.runIdentificationScan();

        QCOMPARE(rig.link.meterConnected(), connected);
        QCOMPARE(rig.link.meterModel(), model);
        QCOMPARE(rig.link.lastConnectedPort(), lastPort);
        QStringList identifies;
        for (const QString& e : list)
            identifies << QString::number(rig.port.written(dev(e)).count('K'));
        QCOMPARE(identifies.join(' '), asked);
        QVERIFY(!rig.link.receiverBusy());
        QVERIFY(!rig.link.pollSending());
        if (connected) {
            QCOMPARE(rig.port.deviceName(), dev(list.at(lastPort)));
            QCOMPARE(rig.link.storedModel(), model);
        }
        if (list.isEmpty())
            QVERIFY(rig.port.log.filter("write").isEmpty());
    }

    void scanEndWhenFound()
    {
        Rig rig({ "A", "B" });
        rig.port.answer(dev("B"), 'K', "0740");
        rig.link.setStoredModel(735);
        rig.link.runIdentificationScan();

        QCOMPARE(rig.host.run, true);
        QCOMPARE(rig.host.stop, false);
        QCOMPARE(rig.host.noConnection, false);
        QCOMPARE(rig.host.device, dev("B"));
        QCOMPARE(rig.host.state, kTexts.connected);
        QCOMPARE(rig.host.selected, (QList<int> { 0, 1 }));
        QCOMPARE(rig.link.storedModel(), 740);
        QCOMPARE(rig.link.lastConnectedPort(), 1);
        // Opened again with the receive handler, its input dropped, a first poll sent.
        const QString b = dev("B");
        QCOMPARE(rig.port.log.mid(rig.port.log.size() - 4),
            (QStringList { "close " + b, "open " + b, "discard " + b, "write " + b + " A" }));
        QVERIFY(rig.port.hasRxHandler());
        QCOMPARE(rig.port.written(b), QByteArray("KA"));
        QCOMPARE(rig.link.counters().polls, quint64(1));
    }

    void scanEndWhenNotFound_data()
    {
        QTest::addColumn<int>("storedModel");
        QTest::addColumn<int>("lastPort");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("portAfter");
        QTest::newRow("stored model and port") << 735 << 1 << 735 << 1;
        QTest::newRow("stored model not known") << 0 << 0 << 740 << 0;
        QTest::newRow("stored model 999") << 999 << 1 << 740 << 1;
        QTest::newRow("port just beyond the list") << 740 << 2 << 740 << 0;
        QTest::newRow("port far beyond the list") << 735 << 7 << 735 << 0;
    }
    void scanEndWhenNotFound()
    {
        QFETCH(int, storedModel);
        QFETCH(int, lastPort);
        QFETCH(int, model);
        QFETCH(int, portAfter);
        const QStringList entries { "A", "B" };
        Rig rig(entries);
        rig.link.setStoredModel(storedModel);
        rig.link.setLastConnectedPort(lastPort);
        rig.link.runIdentificationScan();

        const QString device = dev(entries.at(portAfter));
        QVERIFY(!rig.link.meterConnected());
        QCOMPARE(rig.link.meterModel(), model);
        QCOMPARE(rig.link.lastConnectedPort(), portAfter);
        QCOMPARE(rig.host.selected.last(), portAfter);
        QCOMPARE(rig.host.noConnection, true);
        QCOMPARE(rig.host.device, device);
        QCOMPARE(rig.host.state, kTexts.disconnected);
        QCOMPARE(rig.host.run, std::nullopt);
        QCOMPARE(rig.port.log.mid(rig.port.log.size() - 3),
            (QStringList { "open " + device, "discard " + device, "write " + device + " A" }));
        QVERIFY(rig.port.hasRxHandler());
    }

    void answerWait_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("found");
        QTest::newRow("at once") << 0 << true;
        QTest::newRow("at 300 ms") << 300 << true;
        QTest::newRow("at 400 ms") << 400 << false;
    }
    void answerWait()
    {
        QFETCH(int, delayMs);
        QFETCH(bool, found);
        Rig rig({ "A" });
        rig.port.answer(dev("A"), 'K', "0740", delayMs);
        rig.link.runIdentificationScan();
        QCOMPARE(rig.link.meterConnected(), found);
        QVERIFY(rig.clock.tickMs() > 300);
    }

    void secondScanReadsTheAnswerItself()
    {
        // The receive handler attached by the first scan must not take the answer away.
        Rig rig({ "A" });
        startNotConnected(rig);
        rig.port.answer(dev("A"), 'K', "0740");
        rig.link.runIdentificationScan();
        QVERIFY(rig.link.meterConnected());
    }

    void receiveEventTakesAtMost256Bytes()
    {
        Rig rig({ "A" });
        startNotConnected(rig);
        QByteArray stream;
        for (int k = 0; k < 7; ++k)
            stream += frame(k);
        rig.port.receive(stream, false);
        rig.port.notify();
        QCOMPARE(rig.frames, 5);
        QCOMPARE(rig.port.waitingCount(), qint64(7 * 45 - 256));
        QCOMPARE(rig.link.receiveText().size(), 256 - 5 * 45);
        rig.port.notify();
        QCOMPARE(rig.frames, 7);
        QCOMPARE(rig.port.waitingCount(), qint64(0));
        QVERIFY(rig.link.receiveText().isEmpty());
        QCOMPARE(rig.decoder.state().currentValues[0], 0.6f);
        QCOMPARE(rig.link.counters().reader.frames, quint64(7));
    }

    void receiverBusyOnlyWhileTheHandlerRuns()
    {
        Rig rig({ "A" });
        startNotConnected(rig);
        QList<bool> inside; // busy while each of two frames of one event is decoded
        rig.link.setFrameObserver([&](const auto&) { inside << rig.link.receiverBusy(); });
        rig.port.receive(frame() + frame());
        QCOMPARE(inside, (QList<bool> { true, true }));
        QVERIFY(!rig.link.receiverBusy());
        rig.port.setReadFails(true);
        rig.port.receive(frame());
        QVERIFY(!rig.link.receiverBusy());
        QCOMPARE(rig.link.counters().reader.frames, quint64(2));
    }

    void connectActions_data()
    {
        QTest::addColumn<bool>("running");
        QTest::newRow("real-time recording stopped") << false;
        QTest::newRow("real-time recording runs") << true;
    }
    void connectActions()
    {
        QFETCH(bool, running);
        Rig rig({ "A" });
        startNotConnected(rig);
        rig.host.running = running;
        rig.port.receive(frame(234));
        QVERIFY(rig.link.meterConnected());
        QVERIFY(rig.link.frameArrived());
        QCOMPARE(rig.host.dataLogger, true);
        QCOMPARE(rig.host.run, !running);
        QCOMPARE(rig.host.stop, running);
        QCOMPARE(rig.host.clear, !running);
        QCOMPARE(rig.host.noConnection, false);
        QCOMPARE(rig.host.device, dev("A"));
        QCOMPARE(rig.host.state, kTexts.connected);
        QCOMPARE(rig.decoder.state().currentValues[0], 23.4f);
        // Only the first frame brings the link up.
        rig.host.forget();
        rig.port.receive(frame(235));
        QCOMPARE(rig.host.calls, 0);
    }

    void lostLink()
    {
        Rig rig({ "A" });
        startConnected(rig);
        // After a successful scan the first frame skips the connect actions; a frame restarts
        // the count of silent ticks.
        QVERIFY(!rig.link.checkFrameArrived().linkLost);
        QVERIFY(!rig.link.checkFrameArrived().linkLost);
        rig.port.receive(frame(11));
        QCOMPARE(rig.host.calls, 0);
        QVERIFY(rig.link.checkFrameArrived().frameArrived);
        const QByteArray f = frame(50);
        rig.port.receive(f.left(10));
        QVERIFY(!rig.link.checkFrameArrived().linkLost);
        QVERIFY(!rig.link.checkFrameArrived().linkLost);
        QCOMPARE(rig.host.calls, 0);
        const TickCheck third = rig.link.checkFrameArrived();
        QVERIFY(third.linkLost && !third.frameArrived);
        QCOMPARE(rig.host.run, false);
        QCOMPARE(rig.host.stop, false);
        QCOMPARE(rig.host.dataLogger, false);
        QCOMPARE(rig.host.noConnection, true);
        QCOMPARE(rig.host.device, dev("A"));
        QCOMPARE(rig.host.state, kTexts.disconnected);
        QVERIFY(!rig.link.meterConnected());
        QVERIFY(rig.link.receiveText().isEmpty());
        QVERIFY(rig.port.isActive()); // losing the link keeps the port

        // While not connected the actions repeat every third silent tick; waiting bytes stay.
        rig.host.forget();
        rig.port.receive(f.left(10));
        QVERIFY(!rig.link.checkFrameArrived().linkLost);
        QVERIFY(!rig.link.checkFrameArrived().linkLost);
        QVERIFY(rig.link.checkFrameArrived().linkLost);
        QCOMPARE(rig.host.state, kTexts.disconnected);
        QCOMPARE(rig.host.dataLogger, false);
        QCOMPARE(rig.host.noConnection, true);
        QCOMPARE(rig.link.receiveText(), f.left(10));
        QCOMPARE(rig.link.counters().linkLosses, quint64(2));

        // The rest of the frame brings the link back.
        rig.port.receive(f.mid(10));
        QVERIFY(rig.link.meterConnected());
        QCOMPARE(rig.host.state, kTexts.connected);
        const TickCheck back = rig.link.checkFrameArrived();
        QVERIFY(back.frameArrived && !back.linkLost);
        QCOMPARE(rig.decoder.state().currentValues[0], 5.0f);
    }

    void pollIsAnsweredByAFrame()
    {
        Rig rig({ "A" });
        startNotConnected(rig);
        rig.port.answer(dev("A"), 'A', frame(111), 40);
        rig.link.sendPoll();
        QVERIFY(!rig.link.frameArrived());
        rig.clock.advance(100);
        QVERIFY(rig.link.meterConnected());
        QVERIFY(rig.link.checkFrameArrived().frameArrived);
        QCOMPARE(rig.decoder.state().currentValues[0], 11.1f);
        QCOMPARE(rig.link.counters().polls, quint64(2)); // the scan's and this one
    }

    void pollSendingFlag()
    {
        Rig rig({ "A" });
        startNotConnected(rig);
        std::optional<bool> inside;
        rig.port.onWrite = [&](char) { inside = rig.link.pollSending(); };
        rig.link.sendPoll();
        QCOMPARE(inside, true);
        QVERIFY(!rig.link.pollSending());
        QCOMPARE(
            rig.port.written(dev("A")), QByteArray("KAA")); // identify, scan-end poll, this poll

        rig.port.setWriteFails(dev("A"), true);
        rig.link.sendPoll();
        QVERIFY(!rig.link.pollSending());
        QCOMPARE(rig.link.counters().polls, quint64(2));

        rig.port.setWriteFails(dev("A"), false);
        QVERIFY(rig.port.setActive(false));
        // A port that closed by itself (a vanished device) is opened again, once, and polled.
        rig.link.sendPoll();
        QVERIFY(rig.port.isActive());
        QCOMPARE(rig.link.counters().reopenAttempts, quint64(1));
        QCOMPARE(rig.link.counters().polls, quint64(3));
    }

    // Only a device that was open is opened again when it closes: a port that never opened
    // (missing, or held by another program) is left alone even once it could be had.
    void reopenOnlyAVanishedDevice_data()
    {
        QTest::addColumn<bool>("openedAtStart");
        QTest::addColumn<bool>("reopened");
        QTest::newRow("open, then vanished") << true << true;
        QTest::newRow("never opened") << false << false;
    }
    void reopenOnlyAVanishedDevice()
    {
        QFETCH(bool, openedAtStart);
        QFETCH(bool, reopened);
        Rig rig({ "A" });
        rig.port.addDevice(dev("A"), openedAtStart);
        rig.link.runIdentificationScan();
        QCOMPARE(rig.port.isActive(), openedAtStart);
        if (openedAtStart) {
            rig.link.sendPoll();
            QVERIFY(rig.port.setActive(false)); // the device goes away
        }
        rig.port.addDevice(dev("A"), true); // and can be had now
        for (int tick = 0; tick < 3; ++tick)
            rig.link.sendPoll();
        QCOMPARE(rig.port.isActive(), reopened);
        QCOMPARE(rig.link.counters().reopenAttempts, quint64(reopened ? 1 : 0));
    }

    void sendKey_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("writeFails");
        QTest::addColumn<bool>("sent");
        QTest::newRow("connected") << true << false << true;
        QTest::newRow("not connected") << false << false << false;
        QTest::newRow("connected, write fails") << true << true << false;
    }
    void sendKey()
    {
        QFETCH(bool, connected);
        QFETCH(bool, writeFails);
        QFETCH(bool, sent);
        Rig rig({ "A" });
        connected ? startConnected(rig) : startNotConnected(rig);
        rig.port.setWriteFails(dev("A"), writeFails);
        const QByteArray before = rig.port.written(dev("A"));
        const qint64 t0 = rig.clock.tickMs();
        QCOMPARE(rig.link.sendKey(tc4dl::bytes::kHold), sent);
        QCOMPARE(rig.port.written(dev("A")), before + (sent ? "H" : ""));
        QCOMPARE(rig.host.beeps, sent ? 1 : 0);
        QCOMPARE(rig.link.counters().keysSent, quint64(sent ? 1 : 0));
        QCOMPARE(rig.clock.tickMs(), t0); // nothing to wait for
    }

    void sendKeyWaits()
    {
        Rig rig({ "A" });
        startConnected(rig);
        // From inside the receive handler: up to 3 s for the receiver, then the key goes out.
        qint64 waited = -1;
        rig.link.setFrameObserver([&](const auto&) {
            const qint64 t0 = rig.clock.tickMs();
            QVERIFY(rig.link.sendKey(tc4dl::bytes::kUnit));
            waited = rig.clock.tickMs() - t0;
        });
        rig.port.receive(frame());
        QVERIFY2(waited >= 3000 && waited < 3100, qPrintable(QString::number(waited)));
        QVERIFY(rig.port.written(dev("A")).endsWith('C'));

        // While the poll is being written: a pause of 100 ms.
        waited = -1;
        rig.port.onWrite = [&](char byte) {
            if (byte != tc4dl::bytes::kPoll || waited >= 0)
                return;
            const qint64 t0 = rig.clock.tickMs();
            QVERIFY(rig.link.sendKey(tc4dl::bytes::kT1T2));
            waited = rig.clock.tickMs() - t0;
        };
        rig.link.sendPoll();
        QVERIFY2(waited > 100 && waited < 1000, qPrintable(QString::number(waited)));
        QVERIFY(rig.port.written(dev("A")).endsWith("AT"));
        QCOMPARE(rig.host.beeps, 2);
    }
};

QTEST_GUILESS_MAIN(TestLiveLink)
#include "tst_livelink.moc"
