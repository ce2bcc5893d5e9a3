#pragma once

#include "ArchiveKeeper.h"
#include "MainWindowDeps.h"
#include "OpenCollectionFile.h"
#include "Settings.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QMdiArea;

namespace tc4dl {

class Clock;
class DataLoggerWindow;
class LiveSession;
class LoggerData;
class Prompter;
struct LoadReport;

namespace archive {
class TfrmArchive;
}

// The archive in the main window: owns the open archive, adds every successful download and
// every opened collection file to it (a failure said once, the download's result untouched),
// opens the "Archive" window from its menu item, and the archive's settings from that window,
// keeping what the user confirms there in the Settings.
class ArchiveCommands final : public QObject {
    Q_OBJECT
public:
    // The archive file: the one the program was given (`deps.archiveFile`), else the Settings'
    // `ArchivePath`, else the default file in the user's data folder. The session names the
    // port a download came from. `menuItem` opens the window, `settingsItem` the settings.
    ArchiveCommands(LoggerData& data, DataLoggerWindow& window, LiveSession& session,
        QMdiArea& area, const MainWindowDeps& deps, const Settings& settings, QAction* menuItem,
        QAction* settingsItem, QObject* parent = nullptr);
    ~ArchiveCommands() override;

    [[nodiscard]] archive::ArchiveKeeper& keeper() { return m_keeper; }
    // After the Open command: a collection file that was loaded adds its sets.
    void collectionOpened(CollectionOpen opened, const QString& path);
    // Restores the window when it is open, otherwise opens it.
    archive::TfrmArchive* openWindow();
    // The settings dialog: OK puts the file and the switch in use and keeps them.
    void openSettings();

private:
    void onLoadFinished(const LoadReport& report);
    void addStore(const QString& source);
    QString show(const MemoryImage& image, bool timeline);

    LoggerData& m_data;
    DataLoggerWindow& m_logger;
    LiveSession& m_session;
    QMdiArea& m_area;
    Prompter& m_prompter;
    Clock& m_clock;
    SettingsStore& m_store;
    Settings m_kept; // the archive's values as the Settings hold them
    QString m_defaultPath;
    QString m_startFolder;
    archive::ArchiveKeeper m_keeper;
    QPointer<archive::TfrmArchive> m_window;
};

} // namespace tc4dl
