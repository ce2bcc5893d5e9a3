#include "ArchiveKeeper.h"

#include "DataSetStore.h"
#include "MemoryImage.h"

namespace tc4dl::archive {

ArchiveKeeper::ArchiveKeeper(QString path, bool addsEnabled)
    : m_path(std::move(path)),
      m_addsEnabled(addsEnabled)
{
}

ArchiveKeeper::~ArchiveKeeper() = default;

Archive* ArchiveKeeper::archive()
{
    // One try per run: a file that cannot be opened now is not tried at every download.
    if (!m_opened) {
        m_opened = true;
        Archive::Opened opened = Archive::open(m_path);
        m_archive = std::move(opened.archive);
        m_openError = opened.error;
        m_movedAside = opened.movedAside;
    }
    return m_archive.get();
}

QString ArchiveKeeper::takeMovedAside()
{
    return std::exchange(m_movedAside, QString());
}

bool ArchiveKeeper::add(const DataSetStore& store, const MemoryImage& image, const QString& source)
{
    if (!m_addsEnabled || store.setCount() == 0)
        return false;
    Archive* open = archive();
    if (!open) {
        fail(m_openError);
        return false;
    }
    const AddOutcome outcome = open->add(store, image, source);
    if (!outcome.ok)
        fail(outcome.error);
    return outcome.ok;
}

void ArchiveKeeper::fail(const QString& reason)
{
    if (m_failureSaid)
        return;
    m_failureSaid = true;
    if (m_reporter)
        m_reporter(reason);
}

} // namespace tc4dl::archive
