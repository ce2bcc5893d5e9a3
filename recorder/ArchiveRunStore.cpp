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

bool storeRun(archive::Archive& archive, const LiveRun& run, archive::ArchiveError* error)
{
    const MemoryImage image = run.memoryImage();
    DataSetStore store;
    // The run's own start is in its bytes; `now` only stands in for fields it cannot lack.
    const DecodeOutcome decoded = decodeMemoryImage(image, QDateTime::currentDateTime(), store);
    if (decoded.result != LoadResult::Success || store.setCount() != 1) {
        *error = archive::ArchiveError::of(
            archive::ArchiveError::Kind::OutsideImage, archive.path(), QStringLiteral("1"));
        return false;
    }
    const QString source = ArchiveRunStore::sourceOf(run.meter());
    const archive::AddOutcome added
        = archive.add(store, image, source, { QStringLiteral("live"), run.meter() });
    if (!added.ok) {
        *error = added.error;
        return false;
    }
    archive::ArchiveFilter sameStart;
    sameStart.fromSerial = store.startTime(0);
    sameStart.toSerial = store.startTime(0);
    // A failed listing is said: the commit is tried again, and the shorter versions go then.
    const std::vector<archive::ArchivedSet> same = archive.list(sameStart, error);
    if (error->failed())
        return false;
    std::vector<qint64> older;
    for (const archive::ArchivedSet& s : same) {
        const bool ours = s.source.split(QStringLiteral("; ")).contains(source);
        if (ours && s.interval == run.interval() && s.celsius == run.celsius()
            && s.samples != run.sampleCount())
            older.push_back(s.id);
    }
    return older.empty() || archive.remove(older, error);
}

StoreOutcome ArchiveRunStore::commit(const LiveRun& run)
{
    if (!m_archive) {
        archive::Archive::Opened opened = archive::Archive::open(m_path, m_clock);
        if (!opened.archive)
            return { false, archive::archiveErrorSentence(opened.error) };
        m_archive = std::move(opened.archive);
    }
    archive::ArchiveError error;
    if (!storeRun(*m_archive, run, &error)) {
        // The next attempt opens the archive again: a file moved or replaced meanwhile is found.
        m_archive.reset();
        return { false,
            error.kind == archive::ArchiveError::Kind::OutsideImage
                ? QStringLiteral("the run of %1 could not be laid out as a data set")
                      .arg(run.meter())
                : archive::archiveErrorSentence(error) };
    }
    return { true, {} };
}

} // namespace tc4dl::recorder
