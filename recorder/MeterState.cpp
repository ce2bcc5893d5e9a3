#include "MeterState.h"

#include "MeterValues.h"

namespace tc4dl::recorder {

std::optional<double> KeptReading::value(int channel) const
{
    const qint16 code = codes[std::size_t(channel)];
    if (code == SampleCode::kNoValue || isOverLimit(float(code / 10.0)))
        return std::nullopt;
    return code / 10.0;
}

bool KeptReading::overLimit(int channel) const
{
    const qint16 code = codes[std::size_t(channel)];
    return code != SampleCode::kNoValue && isOverLimit(float(code / 10.0));
}

bool KeptReading::noValue(int channel) const
{
    return codes[std::size_t(channel)] == SampleCode::kNoValue;
}

MeterState::MeterState(
    QString name, std::array<QString, 4> channelNames, int everySeconds, QObject* parent)
    : QObject(parent),
      m_name(std::move(name)),
      m_channelNames(std::move(channelNames)),
      m_historyLimit(std::size_t(kHistorySeconds / std::max(everySeconds, 1)))
{
}

QString MeterState::channelName(int channel) const
{
    const QString& given = m_channelNames[std::size_t(channel)];
    return given.isEmpty() ? QStringLiteral("T%1").arg(channel + 1) : given;
}

void MeterState::setConnected(bool connected)
{
    if (connected == m_connected)
        return;
    m_connected = connected;
    Q_EMIT connectionChanged(connected);
}

void MeterState::keep(const KeptReading& reading, const std::array<std::optional<double>, 4>& rates)
{
    const bool unitSwitched = m_last && m_last->celsius != reading.celsius;
    m_last = reading;
    m_rates = rates;
    ++m_kept;
    m_history.push_back(reading);
    const QDateTime oldest = reading.time.addSecs(-kHistorySeconds);
    while (m_history.size() > m_historyLimit
        || (!m_history.empty() && m_history.front().time < oldest))
        m_history.pop_front();
    if (unitSwitched)
        Q_EMIT unitChanged(reading.celsius);
    Q_EMIT readingKept(reading);
}

void MeterState::notice(const AlarmNotice& notice)
{
    if (notice.raised && !m_alarms.contains(notice.alarm))
        m_alarms << notice.alarm;
    else if (!notice.raised)
        m_alarms.removeAll(notice.alarm);
    Q_EMIT alarmNoticed(notice);
}

void MeterState::addStored(qint64 readings)
{
    m_stored += readings;
}

} // namespace tc4dl::recorder
