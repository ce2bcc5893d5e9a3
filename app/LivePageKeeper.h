#pragma once

#include "LiveBoard.h"
#include "LivePageServer.h"
#include "Settings.h"

#include <QObject>
#include <QString>

#include <optional>

namespace tc4dl {

class Workspace;

// The adapter from the workspace to the live page's board: every decoded frame as a reading,
// every alarm raised and cleared (a rule, an open probe) as a change, a lost link as the meter
// no longer connected, the channels' names as the channel settings give them.
class WorkspaceFeed final : public QObject {
    Q_OBJECT
public:
    WorkspaceFeed(
        Workspace& workspace, live::LiveBoard& board, QString meter, QObject* parent = nullptr);

private:
    void showNames();

    Workspace& m_workspace;
    live::LiveBoard& m_board;
    QString m_meter;
};

// The live page the desktop program serves from its own readings, as the Settings turn it on:
// the board the workspace's readings fill and the server that shows it, kept for as long as
// the program runs. Any address beyond this computer needs the page's token; it is made once
// and kept in a file of its own in the user's data folder (readable by the user alone), never
// in the Settings.
class LivePageKeeper final : public QObject {
    Q_OBJECT
public:
    // Why the page did not start.
    enum class Problem { None, NotAnAddress, NoToken, CannotListen };

    LivePageKeeper(Workspace& workspace, QString tokenFile, QObject* parent = nullptr);
    ~LivePageKeeper() override;

    // Puts `settings` in use: the page stops and, when they turn it on, starts on their address
    // and port. Anything but None leaves it off, with the reason's details in `detail`.
    Problem apply(const LivePageSettings& settings, QString* detail);
    [[nodiscard]] bool running() const { return m_server.isRunning(); }
    // The addresses a person opens, with the token where one is needed.
    [[nodiscard]] QStringList urls() const { return m_server.urls(); }
    [[nodiscard]] const QString& tokenFile() const { return m_tokenFile; }
    [[nodiscard]] live::LiveBoard& board() { return m_board; }
    [[nodiscard]] live::LivePageServer& server() { return m_server; }

    // The token a network address needs: the one kept in the token file, or, when there is
    // none yet, a new one made and kept there. None, with the reason in `why`, when the file
    // cannot be read (or others may read it) or cannot be written.
    [[nodiscard]] std::optional<QByteArray> token(QString* why) const;
    // 127.0.0.1, ::1 and "localhost": this computer alone, no token needed.
    [[nodiscard]] static std::optional<QHostAddress> addressOf(const QString& text);

private:
    Workspace& m_workspace;
    QString m_tokenFile;
    live::LiveBoard m_board;
    WorkspaceFeed m_feed;
    live::LivePageServer m_server;
};

} // namespace tc4dl
