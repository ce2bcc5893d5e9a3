#pragma once

#include "AlarmOptions.h"
#include "LiveBoard.h"
#include "MeterConnection.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <optional>

namespace tc4dl::cli {

// One meter's live session feeding the live page: each reading into the board, the alarms of
// --alarm raised and cleared on it, a lost link said. The thin adapter that `record --http`
// and the desktop program follow.
class MeterFeed final : public QObject {
    Q_OBJECT
public:
    MeterFeed(QString name, live::LiveBoard& board, const AlarmOptions& alarms,
        QObject* parent = nullptr);

    // Finds the meter (as `monitor` does) and starts polling; Ok or the exit code, said on `err`.
    int start(const QString& port, bool demo, QTextStream& err);
    void stop();
    [[nodiscard]] const QString& name() const { return m_name; }

private:
    void onReading(const LiveReading& reading);
    void onTick(const TickCheck& check);

    QString m_name;
    live::LiveBoard& m_board;
    MeterConnection m_meter;
    alarm::AlarmMonitor m_alarms;
    std::optional<bool> m_celsius;
};

// `tc4dl-cli serve`: the live page over the meters' live sessions, until Ctrl-C or SIGTERM.
int runServe(
    QCoreApplication& app, const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace tc4dl::cli
