#include "RecordPage.h"

#include "DateTimeSerial.h"
#include "MeterState.h"

namespace tc4dl::cli {

namespace {

live::LiveSample sampleOf(const recorder::KeptReading& reading)
{
    live::LiveSample s;
    s.serial = toDateTimeSerial(reading.time);
    s.celsius = reading.celsius;
    for (int c = 0; c < live::kChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        if (reading.noValue(c))
            s.states[i] = live::ChannelState::NoValue;
        else if (reading.overLimit(c))
            s.states[i] = live::ChannelState::OverLimit;
        else {
            s.states[i] = live::ChannelState::Value;
            s.values[i] = static_cast<float>(reading.value(c).value_or(0.0));
        }
    }
    return s;
}

} // namespace

RecordPage::RecordPage(
    live::LiveBoard& board, const std::vector<recorder::MeterState*>& meters, QObject* parent)
    : QObject(parent),
      m_board(board)
{
    for (const recorder::MeterState* meter : meters)
        follow(*meter);
}

void RecordPage::follow(const recorder::MeterState& meter)
{
    const QString name = meter.name();
    m_board.addMeter(name);
    std::array<QString, live::kChannels> names;
    for (int c = 0; c < live::kChannels; ++c)
        names[static_cast<std::size_t>(c)] = meter.channelName(c);
    m_board.setChannelNames(name, names);
    connect(&meter, &recorder::MeterState::readingKept, this,
        [this, name](const recorder::KeptReading& r) { m_board.addReading(name, sampleOf(r)); });
    connect(&meter, &recorder::MeterState::connectionChanged, this,
        [this, name](bool connected) { m_board.setConnected(name, connected); });
    connect(&meter, &recorder::MeterState::alarmNoticed, this,
        [this, name](const recorder::AlarmNotice& notice) {
            // The page says a lost link from the connection, not as one more alarm.
            if (notice.alarm == QLatin1String(recorder::kLinkLostAlarm))
                return;
            m_board.alarmChanged(
                name, { toDateTimeSerial(notice.time), notice.alarm, notice.value, notice.raised });
        });
}

} // namespace tc4dl::cli
