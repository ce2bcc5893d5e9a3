#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

class QAction;
class QMdiArea;

namespace tc4dl {

class DataLoggerWindow;
class MemoryImage;
class Prompter;
class Workspace;

namespace archive {
class TfrmArchive;
}

// The archive's windows in the main window: the "Archive" window from its menu item, the
// archive's settings from that window or their own item (what the user confirms there kept in
// the Settings), the archive's sets on view in a graph window of their own, and a failed add
// said once. The archive itself and its adds are the workspace's.
class ArchiveCommands final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Workspace* workspace = nullptr;
        Prompter* prompter = nullptr;
        QMdiArea* area = nullptr;
        DataLoggerWindow* graph = nullptr; // shows the archive's sets on view
        QString defaultPath; // the default archive file, which the Settings name by nothing
        QString startFolder; // where the export's file dialog starts
        QAction* menuItem = nullptr; // Data Logger > Archive
        QAction* settingsItem = nullptr; // Data Logger > Archive settings
    };
    explicit ArchiveCommands(Parts parts, QObject* parent = nullptr);
    ~ArchiveCommands() override;

    // Restores the window when it is open, otherwise opens it.
    archive::TfrmArchive* openWindow();
    // The settings dialog: OK puts the file and the switch in use and keeps them.
    void openSettings();

private:
    QString show(const std::vector<qint64>& ids, const MemoryImage& image, bool timeline);

    Parts m_parts;
    QPointer<archive::TfrmArchive> m_window;
};

} // namespace tc4dl
