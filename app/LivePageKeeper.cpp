#include "LivePageKeeper.h"

#include "AccessToken.h"
#include "AlarmRelay.h"
#include "DateTimeSerial.h"
#include "SessionSamples.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace tc4dl {

WorkspaceFeed::WorkspaceFeed(
    Workspace& workspace, live::LiveBoard& board, QString meter, QObject* parent)
    : QObject(parent),
      m_workspace(workspace),
      m_board(board),
      m_meter(std::move(meter))
{
    m_board.addMeter(m_meter);
    showNames();
    connect(
        &m_workspace.channels(), &alarm::ChannelConfig::changed, this, &WorkspaceFeed::showNames);
    connect(&m_workspace, &Workspace::frameDecoded, this, [this](const LiveReading& reading) {
        m_board.addReading(
            m_meter, live::sampleOf(toDateTimeSerial(m_workspace.clock().now()), reading));
    });
    connect(
        &m_workspace.alarms(), &LiveAlarms::noticed, this, [this](const alarm::AlarmEvent& event) {
            if (const std::optional<live::AlarmChange> change = live::alarmChangeOf(event))
                m_board.alarmChanged(m_meter, *change);
        });
    connect(&m_workspace, &Workspace::sampled, this, [this](const TickCheck& check, double) {
        if (check.linkLost)
            m_board.setConnected(m_meter, false);
    });
    connect(
        &m_workspace, &Workspace::connectionReported, this, [this](const ConnectionReport& report) {
            // Connected again shows with the next reading, which the page then has.
            if (!report.connected())
                m_board.setConnected(m_meter, false);
        });
}

void WorkspaceFeed::showNames()
{
    std::array<QString, live::kChannels> names;
    for (int c = 0; c < live::kChannels; ++c)
        names[static_cast<std::size_t>(c)] = m_workspace.channels().name(c);
    m_board.setChannelNames(m_meter, names);
}

LivePageKeeper::LivePageKeeper(Workspace& workspace, QString tokenFile, QObject* parent)
    : QObject(parent),
      m_workspace(workspace),
      m_tokenFile(std::move(tokenFile)),
      m_feed(workspace, m_board, kDesktopMeterName),
      m_server(m_board, workspace.clock())
{
}

LivePageKeeper::~LivePageKeeper()
{
    m_server.stop();
}

std::optional<QHostAddress> LivePageKeeper::addressOf(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return QHostAddress(QHostAddress::LocalHost);
    QHostAddress address;
    if (!address.setAddress(t))
        return std::nullopt;
    return address;
}

std::optional<QByteArray> LivePageKeeper::token(QString* why) const
{
    if (QFileInfo::exists(m_tokenFile))
        return live::readTokenFile(m_tokenFile, why);
    // Made once: the file is the user's alone from its first byte, and a file that appeared
    // meanwhile is not written over.
    (void)QDir().mkpath(QFileInfo(m_tokenFile).absolutePath());
    QFile file(m_tokenFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        if (why)
            *why = file.errorString();
        return std::nullopt;
    }
    const QByteArray token = live::makeToken();
    if (file.write(token + '\n') != token.size() + 1 || !file.flush()) {
        if (why)
            *why = file.errorString();
        file.close();
        file.remove();
        return std::nullopt;
    }
    file.close();
    return token;
}

LivePageKeeper::Problem LivePageKeeper::apply(const LivePageSettings& settings, QString* detail)
{
    m_server.stop();
    if (!settings.on)
        return Problem::None;
    const std::optional<QHostAddress> address = addressOf(settings.address);
    if (!address) {
        if (detail)
            *detail = settings.address;
        return Problem::NotAnAddress;
    }
    live::ServerSettings server;
    server.address = *address;
    server.port = static_cast<quint16>(std::clamp(settings.port, 1, 65535));
    if (!address->isLoopback()) {
        std::optional<QByteArray> token = this->token(detail);
        if (!token)
            return Problem::NoToken;
        server.token = *token;
    }
    if (!m_server.start(server, detail))
        return Problem::CannotListen;
    return Problem::None;
}

} // namespace tc4dl
