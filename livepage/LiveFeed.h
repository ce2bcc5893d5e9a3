#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace tc4dl::live {

inline constexpr int kChannels = 4;

// What a channel of one reading holds. "OL" and no value are kept apart, as the meter keeps
// them: an open or over-range probe is not a channel that has nothing to say.
enum class ChannelState : quint8 { Value, OverLimit, NoValue };

// One reading as the meter measured it, at the computer's local wall-clock time (a date-time
// serial).
struct LiveSample {
    double serial = 0.0;
    bool celsius = true;
    std::array<float, kChannels> values {}; // degrees; meaningful where the state is Value
    std::array<ChannelState, kChannels> states { ChannelState::NoValue, ChannelState::NoValue,
        ChannelState::NoValue, ChannelState::NoValue };
    bool operator==(const LiveSample&) const = default;
};

// An alarm raised or cleared: its name as the command line writes it ("T1>150", "T3 OL") and
// the reading that raised or cleared it (none for an open probe).
struct AlarmChange {
    double serial = 0.0;
    QString alarm;
    std::optional<double> value;
    bool raised = true;
};

// One meter as the page shows it now.
struct MeterView {
    QString name;
    bool connected = false;
    std::optional<LiveSample> last;
    // Degrees per minute over the last 60 s; none while too few readings.
    std::array<std::optional<double>, kChannels> rates {};
    QStringList alarms; // in force, in the order raised
    std::array<QString, kChannels> names; // as a person reads them: the user's or "T1".."T4"
};

// What the feed tells the pages that follow it, already as the JSON they receive: one event per
// kept reading, per alarm raised or cleared and per change of a meter's connection.
struct LiveEvent {
    enum class Kind { Reading, Alarm, Status };
    Kind kind = Kind::Reading;
    QByteArray json;
};

// The readings the live page shows, as the server reads them. The recorder and the desktop
// program each plug in through a small adapter. The server reads from a thread of its own, so
// that no client can slow the recording: every function here may be called from any thread,
// and `published` may be emitted from any thread.
class LiveFeed : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    [[nodiscard]] virtual QList<MeterView> meters() const = 0;
    // The readings kept since `fromSerial`, thinned to at most `maxPoints`; none when there is
    // no such meter.
    [[nodiscard]] virtual std::optional<QList<LiveSample>> history(
        const QString& meter, double fromSerial, int maxPoints) const = 0;

Q_SIGNALS:
    void published(const tc4dl::live::LiveEvent& event);
};

} // namespace tc4dl::live

Q_DECLARE_METATYPE(tc4dl::live::LiveEvent)
