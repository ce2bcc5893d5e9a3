#include "Workspace.h"

#include "Clock.h"
#include "MemoryImage.h"
#include "SettingsStore.h"

namespace tc4dl {

namespace {

QString archivePathFor(const WorkspaceDeps& deps, const Settings& settings)
{
    if (!deps.archiveFile.isEmpty())
        return deps.archiveFile;
    if (!settings.archivePath.isEmpty())
        return settings.archivePath;
    return archive::defaultArchivePath(deps.dataFolder);
}

} // namespace

Workspace::Workspace(WorkspaceDeps deps, QObject* parent)
    : QObject(parent),
      m_deps(std::move(deps)),
      m_settings(Settings::read(*m_deps.settings)),
      m_unit(unitOfCfDegree(m_settings.cfDegree)),
      m_states(*this, [this] { return m_recording && m_recording->active(); })
{
    Q_ASSERT(m_deps.clock && m_deps.settings && m_deps.portFactory);
    Clock& time = *m_deps.clock;
    m_session = std::make_unique<LiveSession>(
        time, static_cast<LinkHost&>(*this), m_deps.portFactory, m_deps.texts, m_deps.liveTimers);
    m_session->link().setLastConnectedPort(m_settings.lastConnectedPort);
    m_session->link().setStoredModel(m_settings.lastConnectedModel);
    m_session->link().setFrameObserver([this](const LiveReading& r) { onFrame(r); });
    connect(m_session.get(), &LiveSession::samplingPoint, this, &Workspace::onSamplingPoint);

    m_recording = std::make_unique<Recording>(time, m_settings);
    m_recording->setJournal(m_deps.journalFile);
    connectRecording();

    m_logger
        = std::make_unique<LoggerData>(time, *m_session, m_deps.programFolder, m_deps.dataFolder);
    m_openData = std::make_unique<OpenData>(time, *m_logger);
    connect(m_logger.get(), &LoggerData::loadFinished, this, [this](const LoadReport& report) {
        m_downloadDevice = m_session->comm1().deviceName();
        loggerLoaded(report,
            DataOrigin { DataOrigin::Kind::Download, m_downloadDevice, {}, {}, clock().now(),
                m_session->link().meterModel() });
    });

    m_archive = std::make_unique<ArchiveKeeper>(
        time, archivePathFor(m_deps, m_settings), m_settings.archiveEnabled);
    if (!m_deps.archiveAdds)
        m_archive->forbidAdds();
    m_runArchive = std::make_unique<RunArchive>(time, *m_archive);
    connectRunArchive();

    const AlarmSettings kept = AlarmSettings::read(*m_deps.settings);
    m_channels.setChannels(kept.channels);
    m_channels.setOutlets(kept.outlets);
    m_alarms = std::make_unique<LiveAlarms>(time, m_channels, m_deps.locale, m_unit);
    m_alarms->setSound(kept.sound);
    // A unit switch converts the limits: they are kept as converted.
    connect(&m_channels, &alarm::ChannelConfig::changed, this, &Workspace::keepChannels);
}

Workspace::~Workspace()
{
    // The logger's load gives the device back before the session goes.
    m_openData.reset();
    m_logger.reset();
    m_session.reset();
}

void Workspace::connectRecording()
{
    Recording* r = m_recording.get();
    connect(r, &Recording::started, this, [this] { m_states.recordingStarted(); });
    connect(r, &Recording::stopped, this, [this] { m_states.recordingStopped(); });
    connect(r, &Recording::interrupted, this, [this] { m_states.recordingStopped(); });
    connect(r, &Recording::ended, this, [this] { m_states.recordingEnded(meterConnected()); });
    connect(r, &Recording::restored, this, [this] { m_states.recordingRestored(); });
}

// Every real-time run goes into the archive as it is recorded, like a download.
void Workspace::connectRunArchive()
{
    Recording* r = m_recording.get();
    connect(r, &Recording::started, this, [this] {
        const Recording& run = *m_recording;
        // A run taken over as it stands (a test's starting point) has no device to name.
        if (run.origin().kind == DataOrigin::Kind::LiveRun)
            m_runArchive->begin(run.rate(), run.unit() == Unit::Celsius, run.origin().device);
    });
    connect(r, &Recording::sampleTaken, this, [this](const Recording::Sample& sample) {
        m_runArchive->take(sample.t, sample.values, m_samplingMarks);
    });
    connect(r, &Recording::stopped, this, [this] { m_runArchive->finish(); });
    connect(r, &Recording::interrupted, this, [this] { m_runArchive->finish(); });
    connect(r, &Recording::ended, this, [this] { m_runArchive->finish(); });
}

void Workspace::connectionChanged(const ConnectionReport& report)
{
    // ScanMissed leaves the connection as it was: it is not connected either.
    m_report = report;
    m_states.connectionChanged(report);
    Q_EMIT connectionReported(report);
}

void Workspace::setControl(bool ControlState::*control, bool on)
{
    if (m_controls.*control == on)
        return;
    m_controls.*control = on;
    Q_EMIT controlsChanged();
}

void Workspace::onFrame(const LiveReading& reading)
{
    if (reading.unit() != m_unit) {
        m_unit = reading.unit();
        Q_EMIT unitChanged(m_unit);
    }
    Q_EMIT frameDecoded(reading);
}

void Workspace::onSamplingPoint(const TickCheck& check, double nowSerial)
{
    m_samplingMarks = check.noValueMarks;
    m_recording->onSamplingPoint(check, nowSerial);
    m_alarms->onTick(check, nowSerial, m_unit);
    Q_EMIT sampled(check, nowSerial);
}

void Workspace::loggerLoaded(const LoadReport& report, DataOrigin origin)
{
    if (!report.loaded())
        return;
    m_openData->loggerLoaded(report, origin);
    const QByteArray& bytes = m_logger->collectionImage();
    (void)m_archive->add(
        m_logger->store(), MemoryImage(bytes, bytes.size() - 1), origin.archiveSource());
}

LoadReport Workspace::openCollectionFile(const QString& path)
{
    const LoadReport report = m_logger->openCollectionFile(path);
    loggerLoaded(
        report, DataOrigin { DataOrigin::Kind::CollectionFile, {}, path, {}, clock().now() });
    return report;
}

LoadReport Workspace::fixLoggerError()
{
    const LoadReport report = m_logger->fixError();
    // The sets kept came from the meter like any download, and are archived like one.
    loggerLoaded(report,
        DataOrigin { DataOrigin::Kind::Download, m_downloadDevice, {}, {}, clock().now(),
            m_session->link().meterModel() });
    return report;
}

QString Workspace::showArchiveSets(const std::vector<qint64>& ids, const MemoryImage& image)
{
    return m_openData->showArchive(image, ids);
}

void Workspace::stopRecording()
{
    clock().waitWhile([this] { return m_session->tickBusy(); }, kTickWaitMs);
    m_recording->stop();
}

void Workspace::keepChannels()
{
    AlarmSettings s;
    s.channels = m_channels.channels();
    s.sound = m_alarms ? m_alarms->sound() : true;
    s.outlets = m_channels.outlets();
    s.write(*m_deps.settings);
}

void Workspace::writeSettings()
{
    m_settings.lastConnectedPort = m_session->link().lastConnectedPort();
    m_settings.lastConnectedModel = m_session->link().meterModel();
    m_settings.cfDegree = cfDegreeOf(m_unit);
    m_settings.write(*m_deps.settings);
}

bool Workspace::keepArchiveSettings(bool addsOn, const std::optional<QString>& path)
{
    m_settings.archiveEnabled = addsOn;
    if (path)
        m_settings.archivePath = *path;
    return m_settings.writeArchive(*m_deps.settings);
}

} // namespace tc4dl
