// The live session against the in-process simulated meter and a hand-moved clock: lending the
// device and getting it back however the borrower ends, the refusals, and the live link's
// commands while the device is lent.

#include "DateTimeSerial.h"
#include "LiveSession.h"
#include "ManualClock.h"
#include "QuietLinkHost.h"
#include "SimulatedMeter.h"
#include "SimulatedSerialPort.h"
#include "Ticker.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <stdexcept>

using namespace tc4dl;

namespace {

const QString kSim = QLatin1String(ports::kSimulatedMeter);

class Host final : public QuietLinkHost {
public:
    void beep() override { ++beeps; }
    int beeps = 0;
};

// The session with one simulated meter behind every port that opens, like one meter on one
// cable: Comm1 and the borrower's port reach the same meter.
struct Rig {
    Rig()
    {
        session = std::make_unique<LiveSession>(
            clock, host,
            [this](const QString& device) -> std::unique_ptr<SerialPort> {
                auto port = std::make_unique<SimulatedSerialPort>(clock, meter);
                port->setPaced(false);
                port->setOpenFails(newPortsFail || device != kSim);
                return port;
            },
            LinkTexts {}, false);
        session->link().setPortEntries({ kSim });
        session->link().setFrameObserver([this](const LiveReading&) { ++frames; });
    }
    // Scan, tick on, and the answer to the scan's closing poll taken in.
    void startConnected()
    {
        session->start();
        clock.runDue();
        QVERIFY(session->link().meterConnected());
        QVERIFY(session->mainTimer().isEnabled());
        QCOMPARE(frames, 1);
    }
    void tick()
    {
        clock.advance(1000);
        session->mainTimerTimer();
        clock.runDue();
    }
    SimulatedSerialPort* lentPort() const
    {
        return dynamic_cast<SimulatedSerialPort*>(session->comm2().implementation());
    }

    ManualClock clock;
    SimulatedMeter meter;
    Host host;
    bool newPortsFail = false;
    int frames = 0;
    std::unique_ptr<LiveSession> session;
};

LeaseOptions downloadOptions()
{
    LeaseOptions options;
    options.settleMs = 500;
    options.returnPauseMs = 1000;
    return options;
}

enum class Ending { Normal, EarlyReturn, Exception, PortError };

// What a borrower saw while it had the device.
struct Seen {
    bool lent = false;
    bool comm1Open = true;
    bool comm2Open = false;
    QString comm2Device;
    bool ticking = true;
    qint64 waiting = 0; // bytes waiting on the borrowed port after one poll
    int ownRxEvents = 0; // the borrower's own data-ready notifications
    int liveFrames = 0; // frames the live link took meanwhile
    int portErrors = 0;
};

// A borrower of the download's kind: polls once through the borrowed port, then ends as told.
void borrowAndEnd(Rig& r, Ending how, Seen& seen)
{
    std::unique_ptr<DeviceLease> lease = r.session->borrowDevice(downloadOptions());
    if (!lease)
        return;
    seen.lent = r.session->leaseHeld();
    seen.comm1Open = r.session->comm1().isActive();
    seen.comm2Open = lease->port().isActive();
    seen.comm2Device = lease->port().deviceName();
    seen.ticking = r.session->mainTimer().isEnabled();
    lease->port().setOnRxChar([&seen] { ++seen.ownRxEvents; });
    lease->port().setOnError([&seen](const PortError&) {
        ++seen.portErrors;
        return ErrorAction::Abort;
    });
    const int framesBefore = r.frames;
    QVERIFY(lease->port().writeByte('A'));
    r.clock.runDue();
    seen.waiting = lease->port().waitingCount();
    seen.liveFrames = r.frames - framesBefore;
    switch (how) {
    case Ending::Normal:
        break;
    case Ending::EarlyReturn:
        if (seen.waiting > 0)
            return;
        r.clock.pause(5000);
        break;
    case Ending::Exception:
        throw std::runtime_error("borrower failed");
    case Ending::PortError:
        // The cable comes out: the port reports, closes, and the borrower gives up silently.
        r.lentPort()->unplug();
        if (lease->port().writeByte('P'))
            r.clock.pause(5000);
        return;
    }
}

} // namespace

Q_DECLARE_METATYPE(Ending)
Q_DECLARE_METATYPE(tc4dl::LeaseRefusal)

class TestLiveSession : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyWayOutGivesTheDeviceBack_data()
    {
        QTest::addColumn<Ending>("how");
        QTest::newRow("normal end") << Ending::Normal;
        QTest::newRow("early return") << Ending::EarlyReturn;
        QTest::newRow("exception") << Ending::Exception;
        QTest::newRow("port error") << Ending::PortError;
    }

    void everyWayOutGivesTheDeviceBack()
    {
        QFETCH(Ending, how);
        Rig r;
        r.startConnected();
        QSignalSpy held(r.session.get(), &LiveSession::leaseHeldChanged);
        const qint64 start = r.clock.tickMs();
        Seen seen;
        try {
            borrowAndEnd(r, how, seen);
        } catch (const std::runtime_error&) {
            QCOMPARE(how, Ending::Exception);
        }

        // While lent: the live port closed, the borrower's open on the same device, no tick,
        // and the bytes wait for the borrower instead of reaching the live link.
        QVERIFY(seen.lent);
        QVERIFY(!seen.comm1Open);
        QVERIFY(seen.comm2Open);
        QCOMPARE(seen.comm2Device, r.session->comm1().deviceName());
        QVERIFY(!seen.ticking);
        QCOMPARE(seen.waiting, qint64(kFrameLength));
        QVERIFY(seen.ownRxEvents > 0);
        QCOMPARE(seen.liveFrames, 0);
        QCOMPARE(seen.portErrors > 0, how == Ending::PortError);

        // Given back: the settle and return pauses passed, everything as before the lease.
        QVERIFY(r.clock.tickMs() - start >= 1500);
        QVERIFY(!r.session->leaseHeld());
        QCOMPARE(held.size(), 2);
        QCOMPARE(held.at(0).at(0).toBool(), true);
        QCOMPARE(held.at(1).at(0).toBool(), false);
        QVERIFY(!r.session->comm2().isActive());
        QVERIFY(r.session->comm1().isActive());
        QVERIFY(r.session->mainTimer().isEnabled());

        // The live link polls and decodes again and stays up.
        const int framesBefore = r.frames;
        const int pollsBefore = r.meter.pollCount();
        for (int i = 0; i < 4; ++i)
            r.tick();
        QCOMPARE(r.meter.pollCount(), pollsBefore + 4);
        QCOMPARE(r.frames, framesBefore + 4);
        QVERIFY(r.session->link().meterConnected());
        QCOMPARE(r.session->link().counters().linkLosses, 0u);

        // And the device can be lent again, without the last borrower's handler.
        if (how == Ending::PortError)
            r.lentPort()->replug();
        const int ownRxEvents = seen.ownRxEvents;
        auto again = r.session->borrowDevice(LeaseOptions {});
        QVERIFY(again);
        QVERIFY(again->port().writeByte('A'));
        r.clock.runDue();
        QCOMPARE(again->port().waitingCount(), qint64(kFrameLength));
        QCOMPARE(seen.ownRxEvents, ownRxEvents);
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<LeaseRefusal>("why");
        QTest::addColumn<int>("waitedMs"); // how long the refusal kept the caller
        QTest::newRow("already lent") << "lent" << LeaseRefusal::AlreadyLent << 0;
        QTest::newRow("from inside the tick") << "tick" << LeaseRefusal::TickBusy << 2500;
        QTest::newRow("from inside the receive handler")
            << "receiver" << LeaseRefusal::ReceiverBusy << 3000;
        // The settle pause, then the return pause of the lease given back at once.
        QTest::newRow("borrower's port does not open")
            << "no port" << LeaseRefusal::PortNotOpened << 1500;
        QTest::newRow("after the session closed") << "closed" << LeaseRefusal::Closed << 0;
    }

    void refusals()
    {
        QFETCH(QString, when);
        QFETCH(LeaseRefusal, why);
        QFETCH(int, waitedMs);
        Rig r;
        r.startConnected();

        std::unique_ptr<DeviceLease> first;
        std::unique_ptr<DeviceLease> refused;
        bool asked = false;
        qint64 waited = -1;
        auto ask = [&] {
            if (asked)
                return;
            asked = true;
            const qint64 t = r.clock.tickMs();
            refused = r.session->borrowDevice(downloadOptions());
            waited = r.clock.tickMs() - t;
        };
        if (when == QLatin1String("lent")) {
            first = r.session->borrowDevice(LeaseOptions {});
            QVERIFY(first);
            ask();
            QVERIFY(first->port().isActive()); // the first lease goes on untouched
        } else if (when == QLatin1String("tick")) {
            connect(r.session.get(), &LiveSession::samplingPoint, this, ask);
            const int polls = r.meter.pollCount();
            r.tick();
            QCOMPARE(r.meter.pollCount(), polls + 1); // the tick finished with its poll
        } else if (when == QLatin1String("receiver")) {
            r.session->link().setFrameObserver([&](const LiveReading&) { ask(); });
            r.tick();
        } else if (when == QLatin1String("no port")) {
            r.newPortsFail = true;
            ask();
        } else {
            QVERIFY(r.session->shutDown());
            ask();
        }
        QVERIFY(asked);
        QVERIFY(!refused);
        QCOMPARE(r.session->lastRefusal(), why);
        QVERIFY(waited >= waitedMs);
        QVERIFY(waited <= waitedMs + 100);
        first.reset();

        // Nothing is left lent, and the live link goes on unless it was closed.
        QVERIFY(!r.session->leaseHeld());
        const bool closed = why == LeaseRefusal::Closed;
        QCOMPARE(r.session->comm1().isActive(), !closed);
        QCOMPARE(r.session->mainTimer().isEnabled(), !closed);
        QVERIFY(!r.session->comm2().isActive());
    }

    void whileLentTheLivePortIsLeftAlone_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("stray tick") << "tick";
        QTest::newRow("meter key") << "key";
        QTest::newRow("port change") << "port";
    }

    void whileLentTheLivePortIsLeftAlone()
    {
        QFETCH(QString, command);
        Rig r;
        r.startConnected();
        const QString device = r.session->comm1().deviceName();
        QSignalSpy sampling(r.session.get(), &LiveSession::samplingPoint);
        auto run = [&]() -> bool {
            if (command == QLatin1String("tick")) {
                const int polls = r.meter.pollCount();
                r.session->mainTimerTimer();
                return r.meter.pollCount() != polls;
            }
            if (command == QLatin1String("key"))
                return r.session->sendKey('H');
            return r.session->changePort(QStringLiteral("ttyS1"), -1);
        };
        {
            std::unique_ptr<DeviceLease> lease = r.session->borrowDevice(LeaseOptions {});
            QVERIFY(lease);
            r.meter.clearReceived();
            const int missed = r.session->link().missedTicks();
            QVERIFY(!run());
            r.clock.runDue();
            // A stray tick neither samples nor counts towards losing the link.
            QCOMPARE(sampling.size(), 0);
            QCOMPARE(r.session->link().missedTicks(), missed);
            QVERIFY(r.meter.received().isEmpty());
            QCOMPARE(r.host.beeps, 0);
            QCOMPARE(r.session->comm1().deviceName(), device);
            QVERIFY(lease->port().isActive());
            QCOMPARE(lease->port().waitingCount(), qint64(0));
        }
        // With the device back the same command goes through.
        QVERIFY(run());
        if (command == QLatin1String("key"))
            QVERIFY(r.meter.received().contains('H'));
    }

    void samplingPointSitsBetweenFrameCheckAndPoll()
    {
        Rig r;
        r.startConnected();
        const int pollsBefore = r.meter.pollCount();
        int calls = 0;
        connect(r.session.get(), &LiveSession::samplingPoint, this,
            [&](const TickCheck& check, double now) {
                ++calls;
                QVERIFY(r.session->tickBusy());
                QVERIFY(check.frameArrived); // the check ran first
                QVERIFY(!r.session->link().frameArrived());
                QCOMPARE(r.meter.pollCount(), pollsBefore); // the poll comes after
                QCOMPARE(now, toDateTimeSerial(r.clock.now()));
                // The last frame's values travel with it: a sample needs nothing else.
                QVERIFY(check.values != (std::array<float, 4> {}));
                QCOMPARE(check.values, r.session->decoder().state().currentValues);
            });
        r.tick();
        QCOMPARE(calls, 1);
        QCOMPARE(r.meter.pollCount(), pollsBefore + 1);
        QVERIFY(!r.session->tickBusy());
    }

    // A meter unplugged and plugged in again on the same device comes back by itself: the
    // vanished device is tried again once a tick, and its first frame connects.
    void unpluggedMeterComesBackOnTheSameDevice()
    {
        Rig r;
        r.startConnected();
        auto* port = dynamic_cast<SimulatedSerialPort*>(r.session->comm1().implementation());
        QVERIFY(port);
        port->unplug();
        QVERIFY(!r.session->comm1().isActive());
        for (int i = 0; i < LiveLink::kMissedTickLimit + 1; ++i)
            r.tick();
        QVERIFY(!r.session->link().meterConnected());
        QCOMPARE(r.session->link().counters().linkLosses, 1u);
        // Unplugged: one quiet try a tick, nothing more.
        const quint64 tries = r.session->link().counters().reopenAttempts;
        for (int i = 0; i < 5; ++i)
            r.tick();
        QCOMPARE(r.session->link().counters().reopenAttempts, tries + 5);
        QVERIFY(!r.session->comm1().isActive());

        port->replug();
        const int framesBefore = r.frames;
        r.tick(); // reopens and polls
        QVERIFY(r.session->comm1().isActive());
        QCOMPARE(r.frames, framesBefore + 1);
        QVERIFY(r.session->link().meterConnected());
        QCOMPARE(r.session->comm1().deviceName(), kSim);
        // Open again: no more tries.
        r.tick();
        QCOMPARE(r.session->link().counters().reopenAttempts, tries + 6);
        QCOMPARE(r.frames, framesBefore + 2);
    }

    void reopenStartsTheBorrowedPortAfresh()
    {
        Rig r;
        r.startConnected();
        std::unique_ptr<DeviceLease> lease = r.session->borrowDevice(LeaseOptions {});
        QVERIFY(lease);
        QVERIFY(lease->port().writeByte('A'));
        r.clock.runDue();
        QCOMPARE(lease->port().waitingCount(), qint64(kFrameLength));
        const qint64 t = r.clock.tickMs();
        QVERIFY(lease->reopen(500));
        QVERIFY(r.clock.tickMs() - t > 500);
        QVERIFY(lease->port().isActive());
        QCOMPARE(lease->port().waitingCount(), qint64(0));
        QVERIFY(!r.session->comm1().isActive());
    }

    void tickingChosenDuringALeaseHoldsAfterIt()
    {
        Rig r;
        r.startConnected();
        {
            auto lease = r.session->borrowDevice(LeaseOptions {});
            QVERIFY(lease);
            r.session->setTicking(false);
            QVERIFY(!r.session->ticking());
        }
        QVERIFY(!r.session->mainTimer().isEnabled());
        QVERIFY(r.session->comm1().isActive());
    }

    void closingIsRefusedWhileLent()
    {
        Rig r;
        r.startConnected();
        auto lease = r.session->borrowDevice(LeaseOptions {});
        QVERIFY(!r.session->shutDown());
        lease.reset();
        QVERIFY(r.session->shutDown());
        QVERIFY(!r.session->comm1().isActive());
        QVERIFY(!r.session->mainTimer().isEnabled());
    }

    void leaseOutlivingItsSessionGivesNothingBack()
    {
        Rig r;
        r.startConnected();
        auto lease = r.session->borrowDevice(LeaseOptions {});
        QVERIFY(lease);
        r.session.reset();
        lease.reset(); // must not reach the gone session
    }
};

QTEST_MAIN(TestLiveSession)
#include "tst_livesession.moc"
