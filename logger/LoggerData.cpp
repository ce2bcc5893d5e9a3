#include "LoggerData.h"

#include "Clock.h"
#include "CollectionFile.h"
#include "LiveSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tc4dl {

namespace {

// `path` with "-<tag>" after its base name: "DataSetsTemp.tmp" becomes "DataSetsTemp-<tag>.tmp".
QString taggedPath(const QString& path, const QString& tag)
{
    const QFileInfo info(path);
    return info.dir().filePath(
        QStringLiteral("%1-%2.%3").arg(info.completeBaseName(), tag, info.suffix()));
}

} // namespace

LoggerData::LoggerData(Clock& clock, LiveSession& session, const QString& programFolder,
    const QString& userDataFolder, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_session(session),
      m_transferFile(
          programFolder.isEmpty() ? QString() : transferFilePath(programFolder, userDataFolder))
{
    if (m_transferFile.isEmpty())
        return;
    m_receivedImage
        = QFileInfo(m_transferFile).dir().filePath(QString::fromLatin1(kReceivedImageName));
    // A second running program must not overwrite the first one's memory, nor read it.
    (void)QDir().mkpath(QFileInfo(m_transferFile).absolutePath());
    m_transferLock = std::make_unique<QLockFile>(m_transferFile + QStringLiteral(".lock"));
    // Held as long as this program runs; only a lock whose process is gone is stale.
    m_transferLock->setStaleLockTime(0);
    if (m_transferLock->tryLock(0))
        return;
    // Locked by another running program, or a folder without the right to lock in.
    m_transferLock.reset();
    const QString pid = QString::number(QCoreApplication::applicationPid());
    m_transferFile = taggedPath(m_transferFile, pid);
    m_receivedImage = taggedPath(m_receivedImage, pid);
    m_ownTransferFile = true;
}

LoggerData::~LoggerData()
{
    // A load still running gives the device back with its driver.
    delete m_driver.data();
    if (m_ownTransferFile)
        QFile::remove(m_transferFile);
}

QString LoggerData::receivedImagePath(const QDateTime& at) const
{
    if (m_receivedImage.isEmpty())
        return {};
    const QString stamped
        = taggedPath(m_receivedImage, at.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    // Two fixes within one second keep two files as well.
    QString path = stamped;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = taggedPath(stamped, QString::number(n));
    return path;
}

LeaseOptions LoggerData::downloadLeaseOptions()
{
    LeaseOptions options;
    // The download waits for a running tick like the set-up commands do: bounded, so that a
    // load asked for from inside a tick cannot wait for ever.
    options.tickWaitMs = 2500;
    options.receiverWaitMs = 3000;
    options.settleMs = 500;
    options.returnPauseMs = 1000;
    return options;
}

bool LoggerData::startLoad()
{
    if (loading())
        return false;
    LoadReport report;
    if (!m_session.link().meterConnected())
        report.failure = LoadReport::Failure::NotConnected;
    else if (m_session.decoder().state().meterRecording)
        report.failure = LoadReport::Failure::MeterRecording;
    std::unique_ptr<DeviceLease> lease;
    if (report.failure == LoadReport::Failure::None) {
        lease = m_session.borrowDevice(downloadLeaseOptions());
        if (!lease) {
            report.failure = LoadReport::Failure::Refused;
            report.refusal = m_session.lastRefusal();
        }
    }
    if (!lease) {
        report.result = LoadResult::SizeRejected;
        finishLoad(report);
        return false;
    }
    // Each attempt starts from an empty image, and a fix applies only to the last load.
    m_failed.reset();
    m_download = std::make_unique<MemoryDownload>();
    ExchangeMachine machine = ExchangeMachine::of(*m_download);
    machine.cancel = [this](qint64 now) { return m_download->cancel(now); };
    auto* driver = new ExchangeDriver(m_clock, std::move(lease), std::move(machine), this);
    m_driver = driver;
    connect(driver, &ExchangeDriver::stepped, this,
        [this] { Q_EMIT loadProgress(m_download->received(), m_download->total()); });
    connect(driver, &ExchangeDriver::finished, this, &LoggerData::onTransferEnded);
    driver->start();
    return true;
}

void LoggerData::stopLoad()
{
    if (m_driver)
        m_driver->stop();
}

void LoggerData::onTransferEnded(ExchangeDriver::Ending ending)
{
    m_driver->deleteLater();
    m_driver.clear();
    LoadReport report;
    report.result = m_download->result();
    report.total = m_download->total();
    report.counters = m_download->counters();
    if (ending == ExchangeDriver::Ending::PortError) {
        report.failure = LoadReport::Failure::PortError;
        if (report.result == LoadResult::Success)
            report.result = LoadResult::TransferIncomplete;
    } else if (ending == ExchangeDriver::Ending::Stopped || m_download->cancelled()) {
        report.failure = LoadReport::Failure::Stopped;
        if (report.result == LoadResult::Success)
            report.result = LoadResult::TransferIncomplete;
    }
    MemoryImage image = m_download->takeImage();
    m_download.reset();
    if (report.failure == LoadReport::Failure::None && report.result == LoadResult::Success) {
        report.received = image.data();
        decodeInto(std::move(image), report, true);
    }
    finishLoad(report);
}

void LoggerData::decodeInto(MemoryImage image, LoadReport& report, bool fromDownload)
{
    report.decode = decodeMemoryImage(image, m_clock.now(), m_store);
    report.result = report.decode.result;
    if (report.result == LoadResult::DataError) {
        if (fromDownload)
            m_failed = Failed { std::move(image), report.decode };
        return;
    }
    if (report.result != LoadResult::Success)
        return;
    report.fromDownload = fromDownload;
    m_collection = collectionBytes(image);
    if (!m_transferFile.isEmpty()
        && !writeTransferFile(m_collection, m_transferFile, &report.error))
        report.failure = LoadReport::Failure::TransferFile;
}

void LoggerData::finishLoad(const LoadReport& report)
{
    Q_EMIT loadFinished(report);
}

LoadReport LoggerData::openCollectionFile(const QString& path)
{
    LoadReport report;
    MemoryImage image;
    const CollectionRead read = readCollectionFile(path, image);
    if (read.status != CollectionRead::Status::Read) {
        report.failure = LoadReport::Failure::FileUnreadable;
        report.result = LoadResult::NoData;
        report.error = read.error;
        return report;
    }
    decodeInto(std::move(image), report, false);
    return report;
}

LoadReport LoggerData::openImage(MemoryImage image)
{
    LoadReport report;
    decodeInto(std::move(image), report, false);
    return report;
}

LoadReport LoggerData::fixError()
{
    LoadReport report;
    if (!m_failed) {
        report.result = LoadResult::NoData;
        return report;
    }
    Failed failed = std::move(*m_failed);
    m_failed.reset();
    // The sets after the bad one are lost to this program, not to the user.
    const QString keep = receivedImagePath(m_clock.now());
    if (!keep.isEmpty()) {
        if (writeReceivedImage(failed.image, keep, &report.receivedImageError))
            report.receivedImage = keep;
    }
    report.result = cutBeforeBadSet(failed.image, failed.outcome);
    if (report.result != LoadResult::Success)
        return report;
    decodeInto(std::move(failed.image), report, true);
    m_failed.reset(); // a cut image that still fails is not offered again
    return report;
}

} // namespace tc4dl
