#include "ArchiveRunStore.h"

#include "Archive.h"
#include "DataSetStore.h"
#include "DecodeMemoryImage.h"
#include "LiveRun.h"

#include <QDir>

#include <cmath>

namespace tc4dl::recorder {

ArchiveRunStore::ArchiveRunStore(QString path, Clock& clock)
    : m_path(std::move(path)),
      m_clock(clock)
{
}

ArchiveRunStore::~ArchiveRunStore() = default;

QString ArchiveRunStore::sourceOf(const QString& meter)
{
    return QStringLiteral("record ") + meter;
}

QString ArchiveRunStore::description() const
{
    return QStringLiteral("the archive ") + QDir::toNativeSeparators(m_path);
}

StoreOutcome ArchiveRunStore::commit(const LiveRun& run)
{
    if (!m_archive) {
        archive::Archive::Opened opened = archive::Archive::open(m_path, m_clock);
        if (!opened.archive)
            return { false, opened.error };
        m_archive = std::move(opened.archive);
    }
    const MemoryImage image = run.memoryImage();
    DataSetStore store;
    // The run's own start is in its bytes; `now` only stands in for fields it cannot lack.
    const DecodeOutcome decoded = decodeMemoryImage(image, QDateTime::currentDateTime(), store);
    if (decoded.result != LoadResult::Success || store.setCount() != 1)
        return { false,
            QStringLiteral("the run of %1 could not be laid out as a data set").arg(run.meter()) };
    const QString source = sourceOf(run.meter());
    const archive::AddOutcome added = m_archive->add(store, image, source);
    if (!added.ok) {
        // The next attempt opens the archive again: a file moved or replaced meanwhile is found.
        m_archive.reset();
        return { false, added.error };
    }
    archive::ArchiveFilter sameStart;
    sameStart.fromSerial = store.startTime(0);
    sameStart.toSerial = store.startTime(0);
    std::vector<qint64> older;
    for (const archive::ArchivedSet& s : m_archive->list(sameStart)) {
        const bool ours = s.source.split(QStringLiteral("; ")).contains(source);
        if (ours && s.interval == run.interval() && s.celsius == run.celsius()
            && s.samples != run.sampleCount())
            older.push_back(s.id);
    }
    QString error;
    if (!older.empty() && !m_archive->remove(older, &error)) {
        m_archive.reset();
        return { false, error };
    }
    return { true, {} };
}

} // namespace tc4dl::recorder
