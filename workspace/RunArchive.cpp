#include "RunArchive.h"

#include "ArchiveKeeper.h"
#include "Clock.h"
#include "DateTimeSerial.h"

#include <QFileInfo>

#include <cmath>

namespace tc4dl {

namespace {

// How far a sample may lie from its place on the grid before it is taken as a pause: half the
// rate, and a tick more for a tick that came late.
double slackDays(int rateSeconds)
{
    return (rateSeconds / 2.0 + 1.0) / 86400.0;
}

// The serial on the whole second nearest to it: where a stored set begins.
double onTheSecond(double serial)
{
    return std::round(serial * 86400.0) / 86400.0;
}

} // namespace

RunArchive::RunArchive(Clock& clock, ArchiveKeeper& keeper)
    : m_clock(clock),
      m_keeper(keeper)
{
}

QString RunArchive::meterName(const QString& device)
{
    const QString name = QFileInfo(device).fileName();
    return name.isEmpty() ? device : name;
}

void RunArchive::begin(int rateSeconds, bool celsius, const QString& device)
{
    finish();
    m_meter = meterName(device);
    m_rate = qMax(1, rateSeconds);
    m_celsius = celsius;
    m_running = true;
    m_stored = true;
    m_storedAtMs = m_clock.tickMs();
}

void RunArchive::take(double serial, const std::array<float, 4>& values, quint8 noValueMarks)
{
    if (!m_running)
        return;
    const bool offTheGrid = m_part
        && (std::abs(serial - m_part->sampleSerial(m_part->sampleCount())) > slackDays(m_rate)
            || m_part->full());
    if (offTheGrid)
        store();
    if (!m_part || offTheGrid)
        m_part.emplace(m_meter, onTheSecond(serial), m_rate, m_celsius);
    recorder::SampleCodes codes {};
    for (int c = 0; c < 4; ++c) {
        const bool none = (noValueMarks >> c) & 1U;
        codes[std::size_t(c)] = recorder::sampleCode(
            none ? std::nullopt : std::optional<float>(values[std::size_t(c)]));
    }
    m_part->append(codes);
    m_stored = false;
    if (m_clock.tickMs() - m_storedAtMs >= kCommitEveryMs)
        store();
}

void RunArchive::finish()
{
    store();
    m_running = false;
    m_part.reset();
}

void RunArchive::store()
{
    m_storedAtMs = m_clock.tickMs();
    if (m_stored || !m_part || m_part->sampleCount() == 0)
        return;
    // A failure is said once by the keeper; the next commit (a minute on, or the stop) brings
    // the whole part again.
    m_stored = m_keeper.addRun(*m_part);
}

} // namespace tc4dl
