#include "OpenData.h"

#include "Clock.h"
#include "CollectionFile.h"
#include "DecodeMemoryImage.h"
#include "LoggerData.h"
#include "MemoryImage.h"

#include <QFileInfo>

namespace tc4dl {

QString DataOrigin::archiveSource() const
{
    switch (kind) {
    case Kind::Download:
        return device.isEmpty() ? QStringLiteral("download")
                                : QStringLiteral("download %1").arg(device);
    case Kind::CollectionFile:
        return QFileInfo(file).fileName();
    case Kind::None:
    case Kind::Archive:
    case Kind::LiveRun:
        break;
    }
    return {};
}

OpenData::OpenData(Clock& clock, LoggerData& logger, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_logger(logger)
{
}

const DataSetStore& OpenData::store(Piece piece) const
{
    return piece == Piece::Logger ? m_logger.store() : m_archiveStore;
}

const QByteArray& OpenData::collectionImage(Piece piece) const
{
    return piece == Piece::Logger ? m_logger.collectionImage() : m_archiveImage;
}

const DataOrigin& OpenData::origin(Piece piece) const
{
    return piece == Piece::Logger ? m_loggerOrigin : m_archiveOrigin;
}

bool OpenData::unsaved(Piece piece) const
{
    return piece == Piece::Logger && m_loggerUnsaved;
}

void OpenData::setUnsaved(Piece piece, bool unsaved)
{
    // The archive keeps its own sets.
    if (piece != Piece::Logger || unsaved == m_loggerUnsaved)
        return;
    m_loggerUnsaved = unsaved;
    Q_EMIT unsavedChanged(piece, unsaved);
}

void OpenData::loggerLoaded(const LoadReport& report, DataOrigin origin)
{
    if (!report.loaded())
        return;
    m_loggerOrigin = std::move(origin);
    Q_EMIT changed(Piece::Logger);
    // A file's sets are kept by that file; the meter's only by the program until saved.
    setUnsaved(Piece::Logger, report.fromDownload);
}

QString OpenData::showArchive(const MemoryImage& image, std::vector<qint64> ids)
{
    DataSetStore decoded;
    const DecodeOutcome outcome = decodeMemoryImage(image, m_clock.now(), decoded);
    // Said, never left as a silent nothing: the archive handed over something that fails the
    // checks every set passed when it came in.
    if (outcome.result != LoadResult::Success)
        return outcome.badSet >= 0
            ? QStringLiteral("data set %1 fails its checks").arg(outcome.badSet + 1)
            : QStringLiteral("the sets hold no data set that can be read");
    m_archiveStore = std::move(decoded);
    m_archiveImage = collectionBytes(image);
    m_archiveOrigin
        = DataOrigin { DataOrigin::Kind::Archive, {}, {}, std::move(ids), m_clock.now() };
    Q_EMIT changed(Piece::Archive);
    return {};
}

} // namespace tc4dl
