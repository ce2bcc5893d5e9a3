#include "ArchiveKeeper.h"

#include "ArchiveRunStore.h"
#include "DataSetStore.h"
#include "LiveRun.h"
#include "MemoryImage.h"

#include <QDir>
#include <QFileInfo>

namespace tc4dl {

using archive::AddOutcome;

ArchiveKeeper::ArchiveKeeper(Clock& clock, QString path, bool addsEnabled, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_path(std::move(path)),
      m_addsEnabled(addsEnabled)
{
}

ArchiveKeeper::~ArchiveKeeper() = default;

ArchiveKeeper::Archive* ArchiveKeeper::archive()
{
    // One try per run: a file that cannot be opened now is not tried at every download.
    if (!m_opened) {
        m_opened = true;
        // A server's URI is no path; anything else must be a full one.
        if (!archive::isServerName(m_path) && QDir::isRelativePath(m_path)) {
            m_openError = ArchiveError::of(ArchiveError::Kind::RelativePath, m_path);
            return nullptr;
        }
        Archive::Opened opened = Archive::open(m_path, m_clock);
        m_archive = std::move(opened.archive);
        m_openError = opened.error;
        m_movedAside = opened.movedAside;
        if (!opened.journalSetAside.isEmpty()) {
            m_journal = m_path + QStringLiteral("-wal");
            m_journalAside = opened.journalSetAside;
        }
    }
    return m_archive.get();
}

QString ArchiveKeeper::takeMovedAside()
{
    return std::exchange(m_movedAside, QString());
}

std::pair<QString, QString> ArchiveKeeper::takeJournalSetAside()
{
    return { std::exchange(m_journal, QString()), std::exchange(m_journalAside, QString()) };
}

bool ArchiveKeeper::switchTo(const QString& path, ArchiveError* error)
{
    if (m_archive && QFileInfo(path).absoluteFilePath() == QFileInfo(m_path).absoluteFilePath())
        return true;
    // Only the program's own archive file is moved aside when it turns out damaged; a file the
    // user pointed at is first only looked at. An empty one is an archive still to be made.
    const QFileInfo info(path);
    if (info.exists() && !(info.isFile() && info.size() == 0)) {
        const Archive::Opened looked = Archive::open(path, m_clock, Archive::Access::ReadOnly);
        // A journal that is not its own is set aside by the open for writing below.
        if (!looked.archive && looked.error.kind != ArchiveError::Kind::StrayJournal) {
            if (error)
                *error = looked.error;
            return false;
        }
    }
    Archive::Opened opened = Archive::open(path, m_clock);
    if (!opened.archive) {
        if (error)
            *error = opened.error;
        return false;
    }
    adopt(std::move(opened), path);
    return true;
}

archive::CopyOutcome ArchiveKeeper::copyAndSwitchTo(const QString& path)
{
    archive::CopyOutcome outcome;
    const Archive* from = archive();
    if (!from) {
        outcome.error = m_openError;
        return outcome;
    }
    Archive::Opened target = Archive::open(path, m_clock);
    if (!target.archive) {
        outcome.error = target.error;
        return outcome;
    }
    outcome = from->copySetsTo(*target.archive);
    if (outcome.ok)
        adopt(std::move(target), path);
    return outcome;
}

void ArchiveKeeper::adopt(Archive::Opened opened, const QString& path)
{
    std::unique_ptr<Archive> before = std::exchange(m_archive, std::move(opened.archive));
    m_path = path;
    m_opened = true;
    m_openError = {};
    m_movedAside = opened.movedAside;
    m_journal = opened.journalSetAside.isEmpty() ? QString() : path + QStringLiteral("-wal");
    m_journalAside = opened.journalSetAside;
    m_failureSaid = false; // a failure of the new file is news
    Q_EMIT switched();
}

bool ArchiveKeeper::add(const DataSetStore& store, const MemoryImage& image, const QString& source)
{
    if (!addsEnabled() || store.setCount() == 0)
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

bool ArchiveKeeper::addRun(const recorder::LiveRun& run)
{
    if (!addsEnabled() || run.sampleCount() == 0)
        return false;
    Archive* open = archive();
    if (!open) {
        fail(m_openError);
        return false;
    }
    ArchiveError error;
    const bool stored = recorder::storeRun(*open, run, &error);
    if (!stored)
        fail(error);
    return stored;
}

void ArchiveKeeper::fail(const ArchiveError& reason)
{
    if (m_failureSaid)
        return;
    m_failureSaid = true;
    Q_EMIT addFailed(reason);
}

} // namespace tc4dl
