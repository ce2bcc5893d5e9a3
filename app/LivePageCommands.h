#pragma once

#include "LivePageKeeper.h"
#include "MessageTable.h"

#include <QObject>
#include <QPointer>

class QAction;
class QWidget;

namespace tc4dl {

class Prompter;
class TfrmLivePage;
class Workspace;

// The live page in the main window: started at the program's start when the Settings have it
// on, its settings dialog from its menu item (what the user applies is kept in the Settings),
// and a page that cannot start said once, plainly, through the prompter.
class LivePageCommands final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Workspace* workspace = nullptr;
        Prompter* prompter = nullptr;
        QWidget* window = nullptr; // the dialog's parent
        QAction* menuItem = nullptr; // Real Time > Live page on the network
        QString tokenFile; // the page's key, in the user's data folder
    };
    explicit LivePageCommands(Parts parts, QObject* parent = nullptr);
    ~LivePageCommands() override;

    // The Settings' page, once the windows are up.
    void startAtLaunch();
    // The settings dialog.
    void openSettings();
    // Puts `settings` in use and, when they are, keeps them; false when the page could not
    // start (said).
    bool apply(const LivePageSettings& settings);

    [[nodiscard]] LivePageKeeper& keeper() { return m_keeper; }
    [[nodiscard]] const LivePageSettings& inUse() const { return m_inUse; }

private:
    [[nodiscard]] QString problemText(
        LivePageKeeper::Problem problem, const LivePageSettings& s, const QString& detail) const;

    Parts m_parts;
    MessageTable m_texts;
    LivePageKeeper m_keeper;
    LivePageSettings m_inUse;
    QPointer<TfrmLivePage> m_dialog;
};

} // namespace tc4dl
