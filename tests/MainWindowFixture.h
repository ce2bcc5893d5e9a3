#pragma once

// The main window with everything it needs, all under the test's control: a hand-moved
// clock, in-process simulated meters by device name, scripted message boxes and dialogs, and
// recorded Settings.

#include "DesktopNotifier.h"
#include "MainWindowParts.h"
#include "ManualClock.h"
#include "RecordingSettingsStore.h"
#include "ScriptedPrompter.h"
#include "SimulatedMeter.h"
#include "SimulatedSerialPort.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QTemporaryDir>

#include <map>

namespace tc4dl::testing {

// The window with everything it needs, all under the test's control.
struct Fixture {
    // `programFolder`: where the program keeps its files (the transfer file); empty: the
    // test program's folder. The real-time journal goes to `journalFile`, by default into a
    // folder of the fixture's own.
    explicit Fixture(QStringList portEntries, std::map<QString, qint32> stored = {},
        QString programFolder = {}, const QString& journalFile = {},
        AlarmNotifier* notifier = nullptr)
        : entries(std::move(portEntries))
    {
        store.values = std::move(stored);
        MainWindowDeps deps;
        deps.clock = &clock;
        deps.settings = &store;
        deps.prompter = &prompter;
        deps.liveTimers = false;
        // Alarms never reach the desktop of the person running the tests.
        deps.notifier = notifier ? notifier : &silentNotifier;
        deps.listPorts = [this] { return entries; };
        deps.beep = [this] { ++beeps; };
        deps.programFolder = std::move(programFolder);
        // The file dialogs' first folder: the fixture's own, never the user's documents.
        deps.documentsFolder = documentsDir.path();
        deps.journalFile = journalFile.isEmpty()
            ? journalDir.filePath(QStringLiteral("realtime.journal"))
            : journalFile;
        // The archive of downloaded and opened sets: the fixture's own, never the user's.
        deps.archiveFile = archiveFile();
        deps.closeSplash = [this] {
            if (closeSplash)
                closeSplash();
        };
        // Modal dialogs are expected here: those the test does not answer are cancelled.
        prompter.dialogs = [this](QDialog& dialog) {
            ++dialogsShown;
            return dialogs ? dialogs(dialog) : int(QDialog::Rejected);
        };
        deps.portFactory = [this](const QString& device) -> std::unique_ptr<SerialPort> {
            auto port = std::make_unique<SimulatedSerialPort>(clock, meterFor(device));
            port->setPaced(false);
            port->setOpenFails(!meters.count(device));
            return port;
        };
        window = new TfrmMain(std::move(deps));
    }
    ~Fixture() { delete window; }

    SimulatedMeter& meterFor(const QString& device)
    {
        const auto it = meters.find(device);
        return it == meters.end() ? absent : it->second;
    }
    // One main tick a second later, and the meter's answer to its poll.
    void tick(int ms = 1000)
    {
        clock.advance(ms);
        window->MainTimerTimer();
        clock.runDue();
    }
    [[nodiscard]] QString archiveFile() const
    {
        return journalDir.filePath(QStringLiteral("archive.sqlite"));
    }
    bool enabled(const char* name) const
    {
        return window->action(QLatin1String(name))->isEnabled();
    }
    bool loggerMenuEnabled() const
    {
        return window->menu(QStringLiteral("DataLogger1"))->menuAction()->isEnabled();
    }

    struct SilentNotifier final : AlarmNotifier {
        void notify(const QString&, const QString&) override { }
    } silentNotifier;
    QTemporaryDir journalDir;
    QTemporaryDir documentsDir;
    ManualClock clock;
    RecordingSettingsStore store;
    ScriptedPrompter prompter;
    QStringList entries;
    std::map<QString, SimulatedMeter> meters;
    SimulatedMeter absent;
    int beeps = 0;
    std::function<void()> closeSplash; // what the first showing does for the splash
    // Answers the modal dialogs (none: each is cancelled).
    std::function<int(QDialog&)> dialogs;
    int dialogsShown = 0;
    TfrmMain* window = nullptr;
};

const QString kOn = QStringLiteral("Verbindung hergestellt");
const QString kOff = QStringLiteral("Verbindung aufgehoben");

} // namespace tc4dl::testing
