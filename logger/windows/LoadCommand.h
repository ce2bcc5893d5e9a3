#pragma once

#include "LoggerData.h"
#include "MessageTable.h"
#include "Prompter.h"
#include "WaitCursor.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <memory>

class QWidget;

namespace tc4dl {

class DataLoggerWindow;
class TfrmErr;
class Workspace;

// The load command of the "&Load " menu item and the Data Logger button: copies the meter's
// logger memory into the workspace's logger data and shows set 0 in the logger's graph window.
//
// It runs on events, never waiting itself: the download's progress window stays current and
// the program keeps repainting while the meter sends. After a failed attempt the error dialog
// offers "Try Again" (a whole new load), "Cancel" and, after a data error, "Fixed the error "
// (keep the sets before the bad one). The live link has the meter's device back after every
// attempt, however it ended; Cancel in the progress window stops the transfer and keeps
// nothing.
class LoadCommand final : public QObject {
    Q_OBJECT
public:
    struct Deps {
        Workspace* workspace = nullptr;
        DataLoggerWindow* window = nullptr;
        Prompter* prompter = nullptr;
        QWidget* dialogParent = nullptr; // the error dialog's
    };

    explicit LoadCommand(Deps deps, QObject* parent = nullptr);
    ~LoadCommand() override;

    // The handler. Ignored while a load runs.
    void LoadData1Click();
    [[nodiscard]] bool running() const { return m_running; }

Q_SIGNALS:
    // The command has ended, whatever the outcome.
    void finished();

private:
    void startAttempt();
    void onProgress(qint64 received, qint64 total);
    void onFinished(const LoadReport& report);
    void conclude(const LoadReport& report);
    void showLoaded(const LoadReport& report);
    void askAfterFailure(LoadResult result);
    void fixError();
    void end();
    // The hourglass while the meter is asked for its memory size (up to some seconds with
    // nothing else to show), until the progress window or the end takes over.
    [[nodiscard]] QString text(const char* id) const;

    Deps m_deps;
    MessageTable m_messages;
    std::unique_ptr<Prompter::Progress> m_progress;
    qint64 m_shownReceived = -1;
    QPointer<TfrmErr> m_errorDialog;
    QDateTime m_started;
    bool m_running = false;
    WaitCursor m_waitCursor;
};

} // namespace tc4dl
