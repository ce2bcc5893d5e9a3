#pragma once

#include "Alarm.h"
#include "LiveFeed.h"

#include <QMutex>

#include <deque>
#include <memory>
#include <vector>

namespace tc4dl::live {

// The live feed kept in memory: what an adapter hands over from a meter's live session (each
// kept reading, the alarms, the link's state) is kept here for the server: the present state of
// every meter, its rate of change over the last minute, the alarms in force and the readings of
// the last day. Written from the recording's thread, read from the server's; one short lock.
class LiveBoard final : public LiveFeed {
    Q_OBJECT
public:
    static constexpr int kKeptMinutes = 1440;
    // Beyond a day of one reading a second nothing more is kept, however fast readings come.
    static constexpr std::size_t kMaxKept = 2 * 86400;

    explicit LiveBoard(QObject* parent = nullptr);
    ~LiveBoard() override;

    // A meter on the page, in the order added; adding it again changes nothing.
    void addMeter(const QString& meter);
    // The channels' names as a person reads them; empty ones read "T1".."T4".
    void setChannelNames(const QString& meter, const std::array<QString, kChannels>& names);
    // A kept reading: the meter is connected again if it was not.
    void addReading(const QString& meter, const LiveSample& sample);
    // The link to the meter was lost (or came back without a reading yet).
    void setConnected(const QString& meter, bool connected);
    void alarmChanged(const QString& meter, const AlarmChange& change);

    [[nodiscard]] QList<MeterView> meters() const override;
    [[nodiscard]] std::optional<QList<LiveSample>> history(
        const QString& meter, double fromSerial, int maxPoints) const override;

private:
    struct Meter;
    Meter& meterLocked(const QString& name);
    [[nodiscard]] const Meter* findLocked(const QString& name) const;

    mutable QMutex m_mutex;
    std::vector<std::unique_ptr<Meter>> m_meters;
};

} // namespace tc4dl::live
