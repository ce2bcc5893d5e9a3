#include "LiveBoard.h"

#include "DateTimeSerial.h"
#include "HistoryThinning.h"
#include "LiveJson.h"
#include "MeterValues.h"

#include <algorithm>

namespace tc4dl::live {

struct LiveBoard::Meter {
    QString name;
    std::array<QString, kChannels> names;
    bool connected = false;
    std::deque<LiveSample> kept;
    alarm::RateOfChange rate;
    std::optional<bool> rateCelsius;
    QStringList alarms;
};

LiveBoard::LiveBoard(QObject* parent)
    : LiveFeed(parent)
{
    qRegisterMetaType<LiveEvent>();
}

LiveBoard::~LiveBoard() = default;

LiveBoard::Meter& LiveBoard::meterLocked(const QString& name)
{
    for (const auto& m : m_meters) {
        if (m->name == name)
            return *m;
    }
    m_meters.push_back(std::make_unique<Meter>());
    m_meters.back()->name = name;
    return *m_meters.back();
}

const LiveBoard::Meter* LiveBoard::findLocked(const QString& name) const
{
    for (const auto& m : m_meters) {
        if (m->name == name)
            return m.get();
    }
    return nullptr;
}

void LiveBoard::addMeter(const QString& meter)
{
    const QMutexLocker lock(&m_mutex);
    (void)meterLocked(meter);
}

void LiveBoard::setChannelNames(const QString& meter, const std::array<QString, kChannels>& names)
{
    const QMutexLocker lock(&m_mutex);
    meterLocked(meter).names = names;
}

void LiveBoard::addReading(const QString& meter, const LiveSample& sample)
{
    QByteArray status;
    {
        const QMutexLocker lock(&m_mutex);
        Meter& m = meterLocked(meter);
        if (!m.connected) {
            m.connected = true;
            status = statusEventJson(meter, true, sample.serial);
        }
        // The rate follows a unit switch: its samples are carried over, not thrown away.
        if (m.rateCelsius && *m.rateCelsius != sample.celsius)
            m.rate.convertUnit(sample.celsius);
        m.rateCelsius = sample.celsius;
        std::array<float, kChannels> values = sample.values;
        for (std::size_t c = 0; c < kChannels; ++c) {
            if (sample.states[c] != ChannelState::Value)
                values[c] = kNullValue; // left out of the rate, as "OL" is
        }
        m.rate.add(sample.serial, values);
        m.kept.push_back(sample);
        const double oldest = sample.serial - kKeptMinutes * 60.0 * kSecondDays;
        while (!m.kept.empty() && (m.kept.front().serial < oldest || m.kept.size() > kMaxKept))
            m.kept.pop_front();
    }
    if (!status.isEmpty())
        Q_EMIT published({ LiveEvent::Kind::Status, status });
    Q_EMIT published({ LiveEvent::Kind::Reading, readingEventJson(meter, sample) });
}

void LiveBoard::setConnected(const QString& meter, bool connected)
{
    QByteArray status;
    {
        const QMutexLocker lock(&m_mutex);
        Meter& m = meterLocked(meter);
        if (m.connected == connected)
            return;
        m.connected = connected;
        const std::optional<double> last
            = m.kept.empty() ? std::nullopt : std::optional<double>(m.kept.back().serial);
        status = statusEventJson(meter, connected, last);
    }
    Q_EMIT published({ LiveEvent::Kind::Status, status });
}

void LiveBoard::alarmChanged(const QString& meter, const AlarmChange& change)
{
    {
        const QMutexLocker lock(&m_mutex);
        QStringList& alarms = meterLocked(meter).alarms;
        alarms.removeAll(change.alarm);
        if (change.raised)
            alarms.append(change.alarm);
    }
    Q_EMIT published({ LiveEvent::Kind::Alarm, alarmEventJson(meter, change) });
}

QList<MeterView> LiveBoard::meters() const
{
    const QMutexLocker lock(&m_mutex);
    QList<MeterView> views;
    views.reserve(static_cast<qsizetype>(m_meters.size()));
    for (const auto& m : m_meters) {
        MeterView v;
        v.name = m->name;
        v.connected = m->connected;
        if (!m->kept.empty())
            v.last = m->kept.back();
        for (int c = 0; c < kChannels; ++c)
            v.rates[static_cast<std::size_t>(c)] = m->rate.perMinute(c);
        v.alarms = m->alarms;
        v.names = m->names;
        views.append(v);
    }
    return views;
}

std::optional<QList<LiveSample>> LiveBoard::history(
    const QString& meter, double fromSerial, int maxPoints) const
{
    std::vector<LiveSample> window;
    {
        const QMutexLocker lock(&m_mutex);
        const Meter* m = findLocked(meter);
        if (!m)
            return std::nullopt;
        const auto first = std::lower_bound(m->kept.begin(), m->kept.end(), fromSerial,
            [](const LiveSample& s, double t) { return s.serial < t; });
        // Copied while locked and thinned after: a day copies in well under a millisecond, and
        // the recording only waits for that when it hands over a reading at the same moment.
        window.assign(first, m->kept.end());
    }
    return thinHistory(window, maxPoints);
}

} // namespace tc4dl::live
