#include "Recording.h"

#include "Clock.h"
#include "DateTimeSerial.h"
#include "JournalReader.h"
#include "JournalWriter.h"
#include "LiveLink.h"
#include "Settings.h"

namespace tc4dl {

Recording::Recording(Clock& clock, Settings& settings, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_settings(settings)
{
}

Recording::~Recording() = default;

int Recording::rate() const
{
    return m_settings.realTimeRate;
}

void Recording::setRate(int seconds)
{
    m_settings.realTimeRate = seconds;
}

void Recording::setUnsaved(bool unsaved)
{
    if (unsaved == m_unsaved)
        return;
    m_unsaved = unsaved;
    Q_EMIT unsavedChanged(unsaved);
}

void Recording::setJournal(const QString& path, journal::JournalSyncer::Mode mode)
{
    m_journalPath = path;
    m_journal = path.isEmpty() ? nullptr : std::make_unique<journal::JournalWriter>(mode);
}

void Recording::discardJournal()
{
    if (m_journal)
        m_journal->discard(m_journalPath);
}

void Recording::begin(int samples, Unit unit, const QString& device)
{
    m_startSerial = toDateTimeSerial(m_clock.now());
    m_samplesAsked = samples;
    m_sampleCount = 0;
    m_samples.clear();
    m_unit = unit;
    m_origin = DataOrigin { DataOrigin::Kind::LiveRun, device, {}, {}, m_clock.now() };
    if (m_journal) {
        const journal::JournalHeader header { m_startSerial, quint32(samples),
            quint32(qMax(0, rate())), cfDegreeOf(unit) };
        if (!m_journal->begin(m_journalPath, header, m_clock.tickMs()))
            qWarning("Real-time journal %s could not be written: the run is kept in memory only",
                qPrintable(m_journalPath));
    }
    m_active = true;
    Q_EMIT started();
}

void Recording::onSamplingPoint(const TickCheck& check, double nowSerial)
{
    ++m_ticksSinceSample;
    if (m_journal)
        m_journal->timePassed(m_clock.tickMs());
    if (check.frameArrived) {
        if (m_active && m_ticksSinceSample >= rate()) {
            m_ticksSinceSample = 0;
            take(Sample { nowSerial, check.values });
        }
    } else if (check.linkLost) {
        // A run pauses while the meter is silent and goes on when frames return.
        m_ticksSinceSample = 0;
    }
}

void Recording::take(const Sample& sample)
{
    m_samples.push_back(sample);
    ++m_sampleCount;
    if (m_journal)
        m_journal->append(sample, m_clock.tickMs());
    setUnsaved(true);
    const bool full = m_sampleCount >= m_samplesAsked;
    Q_EMIT sampleTaken(sample, full);
    if (full && m_active)
        stop();
}

void Recording::stop()
{
    m_active = false;
    if (m_journal)
        m_journal->finish();
    Q_EMIT stopped(toDateTimeSerial(m_clock.now()));
}

void Recording::interrupt()
{
    m_active = false;
    Q_EMIT interrupted();
}

void Recording::cleared()
{
    m_sampleCount = 0;
    m_samples.clear();
    discardJournal();
}

void Recording::end(bool keepJournal)
{
    m_active = false;
    m_sampleCount = 0;
    m_samples.clear();
    if (!keepJournal)
        discardJournal();
    Q_EMIT ended();
}

void Recording::restore(const journal::JournalContents& contents)
{
    if (!contents.usable())
        return;
    if (contents.header.samplingRate > 0)
        setRate(static_cast<int>(contents.header.samplingRate));
    m_startSerial = contents.header.startSerial;
    m_samplesAsked = static_cast<int>(
        qMax<quint32>(contents.header.samplesAsked, quint32(contents.samples.size())));
    m_samples = contents.samples;
    m_sampleCount = static_cast<int>(m_samples.size());
    m_unit = unitOfCfDegree(contents.header.unit);
    m_origin = DataOrigin { DataOrigin::Kind::LiveRun, {}, {}, {}, m_clock.now() };
    m_active = false;
    // Nothing but the journal holds these samples until the graph is saved.
    setUnsaved(true);
    Q_EMIT restored();
}

void Recording::assumeRecording(bool running, int samples)
{
    m_active = running;
    m_sampleCount = samples;
    if (running)
        Q_EMIT started();
}

} // namespace tc4dl
