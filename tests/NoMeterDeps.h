#pragma once

// The main window's dependencies for tests that need no meter: one serial port, "ttyS0", that
// cannot be opened, no live timers, no sound, and the program's folders where the test says.

#include "MainWindowParts.h"
#include "ManualClock.h"
#include "RecordingSettingsStore.h"
#include "ScriptedPrompter.h"
#include "SimulatedSerialPort.h"

#include <memory>

namespace tc4dl::testing {

inline MainWindowDeps noMeterDeps(ManualClock& clock, RecordingSettingsStore& store,
    ScriptedPrompter& prompter, const QString& programFolder, const QString& dataFolder)
{
    MainWindowDeps deps;
    deps.clock = &clock;
    deps.settings = &store;
    deps.prompter = &prompter;
    deps.liveTimers = false;
    deps.listPorts = [] { return QStringList { QStringLiteral("ttyS0") }; };
    deps.beep = [] {};
    deps.portFactory = [&clock](const QString&) -> std::unique_ptr<SerialPort> {
        auto port = std::make_unique<SimulatedSerialPort>(clock);
        port->setOpenFails(true);
        return port;
    };
    deps.programFolder = programFolder;
    deps.dataFolder = dataFolder;
    // The file dialogs' first folder: the test's own, never the user's documents.
    deps.documentsFolder = dataFolder;
    return deps;
}

} // namespace tc4dl::testing
