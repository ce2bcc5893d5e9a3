#pragma once

#include "Clock.h"
#include "Prompter.h"
#include "RoutedSerialPort.h"
#include "Settings.h"
#include "Workspace.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>

namespace tc4dl {

class AlarmNotifier;

// What the main window is given from outside: time, the Settings, every question a person
// answers, the serial transports and the port list. The program passes the real ones, tests
// their own.
struct MainWindowDeps {
    Clock* clock = nullptr;
    SettingsStore* settings = nullptr;
    Prompter* prompter = nullptr;
    RoutedSerialPort::Factory portFactory;
    std::function<QStringList()> listPorts;
    // Real timers in the program; in tests the handlers are called by the test.
    bool liveTimers = true;
    std::function<void()> beep; // default: the system's beep
    // Shows the help page; false when it could not (default: the program's help window).
    std::function<bool(const QString& path)> openHelp;
    // The program's folder (graph template, save dialogs; default: the program file's) and
    // the user's data folder (the template when the program's folder is not writable).
    QString programFolder;
    QString dataFolder;
    // Where the file dialogs start before the user chose any folder (default: the user's
    // documents folder).
    QString documentsFolder;
    // Closes the start-up splash, if it is still there. Called on the first showing before
    // anything that may ask or tell: the splash stays on top and would cover a message.
    std::function<void()> closeSplash;
    // The regional settings text files follow: the system's, unless a test chooses.
    QLocale locale = QLocale::system();
    // The real-time journal (default: in the user's data folder).
    QString journalFile;
    // The archive of data sets (empty: the Settings' choice or the default file) and whether
    // downloads and opened files are added to it at all.
    QString archiveFile;
    bool archiveAdds = true;
    // Where live alarms are told outside the window (default: the desktop's notifications).
    AlarmNotifier* notifier = nullptr;
};

// Gives every part left empty its default, but `openHelp`, which needs the window.
void fillDefaults(MainWindowDeps& deps);

// What the main window's workspace is given of them, with the link's status texts.
[[nodiscard]] WorkspaceDeps workspaceDeps(const MainWindowDeps& deps, LinkTexts texts);

} // namespace tc4dl
