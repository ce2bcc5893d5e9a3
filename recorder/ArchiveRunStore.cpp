#include "ArchiveRunStore.h"

#include "Archive.h"
#include "ArchiveErrorSentence.h"
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
            return { false, archive::archiveErrorSentence(opened.error) };
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
        return { false, archive::archiveErrorSentence(added.error) };
    }
    archive::ArchiveFilter sameStart;
    sameStart.fromSerial = store.startTime(0);
    sameStart.toSerial = store.startTime(0);
    // A failed listing is said: the commit is tried again, and the shorter versions go then.
    archive::ArchiveError error;
    const std::vector<archive::ArchivedSet> same = m_archive->list(sameStart, &error);
    if (error.failed()) {
        m_archive.reset();
        return { false, archive::archiveErrorSentence(error) };
    }
    std::vector<qint64> older;
    for (const archive::ArchivedSet& s : same) {
        const bool ours = s.source.split(QStringLiteral("; ")).contains(source);
        if (ours && s.interval == run.interval() && s.celsius == run.celsius()
            && s.samples != run.sampleCount())
            older.push_back(s.id);
    }
    if (!older.empty() && !m_archive->remove(older, &error)) {
        m_archive.reset();
        return { false, archive::archiveErrorSentence(error) };
    }
    return { true, {} };
}

} // namespace tc4dl::recorder
