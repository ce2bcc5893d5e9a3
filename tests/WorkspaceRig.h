#pragma once

// A workspace for tests of what lies on it: a hand-moved clock, recorded Settings, ports that
// never open (unless a test gives its own), no journal and an archive of the rig's own. The
// link's reports are played by the test.

#include "ManualClock.h"
#include "RecordingSettingsStore.h"
#include "ScriptedPort.h"
#include "Workspace.h"

#include <QTemporaryDir>

#include <map>
#include <memory>

namespace tc4dl::testing {

struct WorkspaceRig {
    // `given` is the test's own clock when it has one already (the graph windows' services);
    // `programFolder` where the transfer file goes (none when empty); `stored` the Settings.
    explicit WorkspaceRig(ManualClock* given = nullptr, QString programFolder = {},
        std::map<QString, qint32> stored = {})
        : clock(given ? *given : ownClock)
    {
        store.values = std::move(stored);
        WorkspaceDeps deps;
        deps.clock = &this->clock;
        deps.settings = &store;
        deps.liveTimers = false;
        deps.portFactory = [this](const QString& device) -> std::unique_ptr<SerialPort> {
            auto port = std::make_unique<ScriptedPort>(this->clock);
            if (portsOpen)
                port->addDevice(device);
            return port;
        };
        deps.programFolder = std::move(programFolder);
        deps.dataFolder = dir.path();
        deps.archiveFile = dir.filePath(QStringLiteral("archive.sqlite"));
        deps.texts = LinkTexts { QStringLiteral("on"), QStringLiteral("off") };
        workspace = std::make_unique<Workspace>(std::move(deps));
    }
    // The link as the scan found the meter (or lost it).
    void report(LinkChange change)
    {
        workspace->reportConnection(ConnectionReport { change, QStringLiteral("/dev/SIM"),
            change == LinkChange::Lost ? QStringLiteral("off") : QStringLiteral("on") });
    }
    // The live port open on a device that says nothing by itself: frames come by receive().
    ScriptedPort& openLivePort()
    {
        portsOpen = true;
        RoutedSerialPort& comm1 = workspace->session().comm1();
        comm1.setDeviceName(QStringLiteral("/dev/SIM"));
        (void)comm1.setActive(true);
        workspace->session().link().attachReceiveHandler();
        return *static_cast<ScriptedPort*>(comm1.implementation());
    }
    Workspace& ws() { return *workspace; }
    Recording& recording() { return workspace->recording(); }

    QTemporaryDir dir;
    ManualClock ownClock;
    ManualClock& clock;
    RecordingSettingsStore store;
    bool portsOpen = false;
    std::unique_ptr<Workspace> workspace;
};

} // namespace tc4dl::testing
