// The live link end to end over a real pseudo-terminal: the simulated meter served on a pty,
// reached through the real serial port code, as a meter on a USB adapter would be.

#include "Clock.h"
#include "ControlStates.h"
#include "LiveLink.h"
#include "LiveSession.h"
#include "PortFactory.h"
#include "PtyMeterServer.h"
#include "QtSerialPort.h"
#include "SimulatedMeter.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tc4dl;

namespace {

// The link's host as the main window builds it: the reports go through the window's control
// states.
class Host final : public LinkHost, public ControlSwitches {
public:
    void connectionChanged(const ConnectionReport& report) override
    {
        states.connectionChanged(report);
    }
    void setRunEnabled(bool e) override { runEnabled = e; }
    void setStopEnabled(bool) override { }
    void setDataLoggerEnabled(bool e) override { loggerEnabled = e; }
    void setStatusText(const QString& device, const QString& s) override
    {
        statusDevice = device;
        state = s;
    }
    void setNoConnectionVisible(bool v) override { noConnection = v; }
    void setClearEnabled(bool) override { }
    void selectPortEntry(int) override { }
    void beep() override { ++beeps; }

    bool runEnabled = false;
    bool loggerEnabled = true;
    bool noConnection = false;
    QString statusDevice;
    QString state;
    int beeps = 0;
    ControlStates states { *this, [] { return false; } };
};

} // namespace

class TestPtyLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!PtyMeterServer::isSupported())
            QSKIP("no pseudo-terminals on this system");
    }

    void scanFramesKeysLossAndReturn()
    {
        SystemClock clock;
        SimulatedMeter meter;
        PtyMeterServer server(clock, meter);
        server.setPaced(false);
        QVERIFY2(server.start(), qPrintable(server.errorString()));

        QtSerialPort port;
        Host host;
        LiveDecoder decoder;
        LiveLink link(
            port, clock, host, decoder, LinkTexts { QStringLiteral("on"), QStringLiteral("off") });
        // A missing device first: the scan skips it and finds the meter on the second entry.
        link.setPortEntries({ QStringLiteral("/dev/tc4dl-no-such-port"), server.devicePath() });

        link.runIdentificationScan();
        QVERIFY(link.meterConnected());
        QCOMPARE(link.lastConnectedPort(), 1);
        QCOMPARE(link.meterModel(), 740);
        QCOMPARE(host.state, QStringLiteral("on"));
        QCOMPARE(host.statusDevice, server.devicePath());
        QVERIFY(port.isActive());

        // The scan's closing poll brings the first frame.
        QTRY_VERIFY_WITH_TIMEOUT(link.frameArrived(), 5000);
        QVERIFY(link.checkFrameArrived().frameArrived);
        QVERIFY(decoder.state().last.celsius());

        // A key byte reaches the meter and changes what it reports.
        meter.clearReceived();
        QVERIFY(link.sendKey('H'));
        QCOMPARE(host.beeps, 1);
        QTRY_VERIFY_WITH_TIMEOUT(meter.received().contains('H'), 5000);
        link.sendPoll();
        QTRY_VERIFY_WITH_TIMEOUT(link.frameArrived(), 5000);
        QVERIFY(decoder.state().last.hold());
        (void)link.checkFrameArrived();

        // The meter falls silent: three ticks without a frame mark the link lost.
        meter.setSilent(true);
        for (int tick = 1; tick <= 3; ++tick) {
            const int polls = meter.received().count('A');
            link.sendPoll();
            QTRY_VERIFY_WITH_TIMEOUT(meter.received().count('A') > polls, 5000);
            const TickCheck check = link.checkFrameArrived();
            QCOMPARE(check.linkLost, tick == 3);
        }
        QVERIFY(!link.meterConnected());
        QCOMPARE(host.state, QStringLiteral("off"));
        QVERIFY(host.noConnection);
        QVERIFY(!host.loggerEnabled);
        QVERIFY(port.isActive()); // losing the link does not close the port

        // It answers again: the next frame brings the link up.
        meter.setSilent(false);
        link.sendPoll();
        QTRY_VERIFY_WITH_TIMEOUT(link.meterConnected(), 5000);
        QCOMPARE(host.state, QStringLiteral("on"));
        QVERIFY(host.loggerEnabled);
        QVERIFY(host.runEnabled);
        QVERIFY(link.counters().reader.frames >= 3);
    }

    void deviceLentAndGivenBack()
    {
        SystemClock clock;
        SimulatedMeter meter;
        PtyMeterServer server(clock, meter);
        server.setPaced(false);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Host host;
        LiveSession session(
            clock, host, [&clock](const QString& name) { return makeMeterPort(name, clock); },
            LinkTexts {}, false);
        session.link().setPortEntries({ server.devicePath() });
        session.start();
        QVERIFY(session.link().meterConnected());
        QTRY_VERIFY_WITH_TIMEOUT(session.link().frameArrived(), 5000);
        session.mainTimerTimer(); // takes the frame, polls again
        QTRY_VERIFY_WITH_TIMEOUT(session.link().frameArrived(), 5000);
        session.mainTimerTimer();

        {
            LeaseOptions options;
            options.settleMs = 0;
            std::unique_ptr<DeviceLease> lease = session.borrowDevice(options);
            QVERIFY(lease);
            QVERIFY(!session.comm1().isActive());
            // The same device, opened by the borrower's port once the live one let go of it.
            QCOMPARE(lease->port().deviceName(), server.devicePath());
            QVERIFY(lease->port().isActive());
            int notified = 0;
            lease->port().setOnRxChar([&notified] { ++notified; });
            QVERIFY(lease->port().writeByte('A'));
            QTRY_VERIFY_WITH_TIMEOUT(lease->port().waitingCount() >= kFrameLength, 5000);
            QVERIFY(notified > 0);
            QVERIFY(!session.link().frameArrived());
        }

        QVERIFY(session.comm1().isActive());
        QVERIFY(!session.comm2().isActive());
        QVERIFY(session.ticking());
        session.mainTimerTimer();
        QTRY_VERIFY_WITH_TIMEOUT(session.link().frameArrived(), 5000);
        QVERIFY(session.link().meterConnected());
    }

    // The meter's program ends and starts again on the same device (a fixed name in front of
    // the terminal, as a USB adapter's device keeps its name): the link takes it up again.
    void meterRestartedOnTheSameDeviceIsTakenUp()
    {
        SystemClock clock;
        SimulatedMeter meter;
        auto first = std::make_unique<PtyMeterServer>(clock, meter);
        first->setPaced(false);
        QVERIFY(first->start());
        QTemporaryDir dir;
        const QString device = dir.filePath(QStringLiteral("ttyMeter"));
        QVERIFY(QFile::link(first->devicePath(), device));

        Host host;
        LiveSession session(
            clock, host, [&clock](const QString& name) { return makeMeterPort(name, clock); },
            LinkTexts {}, false);
        session.link().setPortEntries({ device });
        session.start();
        QVERIFY(session.link().meterConnected());
        QTRY_VERIFY_WITH_TIMEOUT(session.link().frameArrived(), 5000);

        first.reset(); // the meter's program ends: the terminal hangs up
        QTRY_VERIFY_WITH_TIMEOUT(!session.comm1().isActive(), 5000);
        for (int i = 0; i < LiveLink::kMissedTickLimit + 1; ++i)
            session.mainTimerTimer();
        QVERIFY(!session.link().meterConnected());
        session.mainTimerTimer(); // nothing to open: quietly nothing
        QVERIFY(!session.comm1().isActive());

        PtyMeterServer second(clock, meter);
        second.setPaced(false);
        QVERIFY(second.start());
        QVERIFY(QFile::remove(device));
        QVERIFY(QFile::link(second.devicePath(), device));
        session.mainTimerTimer();
        QVERIFY(session.comm1().isActive());
        QTRY_VERIFY_WITH_TIMEOUT(session.link().frameArrived(), 5000);
        QVERIFY(session.link().meterConnected());
    }

    void hangupClosesThePortOnce()
    {
        SystemClock clock;
        SimulatedMeter meter;
        auto* server = new PtyMeterServer(clock, meter);
        server->setPaced(false);
        QVERIFY(server->start());
        QtSerialPort port;
        port.setDeviceName(server->devicePath());
        int errors = 0;
        port.setOnError([&errors](const PortError&) {
            ++errors;
            return ErrorAction::Abort;
        });
        port.setOnRxChar([] {});
        QVERIFY(port.setActive(true));
        delete server; // the other end goes away
        QTRY_VERIFY_WITH_TIMEOUT(!port.isActive(), 5000);
        // Give a repeating error the chance to show itself.
        for (int i = 0; i < 100; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(errors, 1);
    }
};

QTEST_GUILESS_MAIN(TestPtyLink)
#include "tst_ptylink.moc"
