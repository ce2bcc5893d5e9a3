#pragma once

#include "Archive.h"

#include <QObject>
#include <QString>

#include <memory>
#include <utility>

namespace tc4dl {

namespace recorder {
class LiveRun;
}

class Clock;
class DataSetStore;
class MemoryImage;

// The program's one open archive: opened at its first use from the path the Settings chose,
// and kept open until the program ends or the user chooses another file. Adds never fail what
// brought the sets: a failure is reported once per archive file (addFailed) and otherwise only
// remembered.
class ArchiveKeeper final : public QObject {
    Q_OBJECT
public:
    using Archive = archive::Archive;
    using ArchiveError = archive::ArchiveError;

    ArchiveKeeper(Clock& clock, QString path, bool addsEnabled, QObject* parent = nullptr);
    ~ArchiveKeeper() override;

    [[nodiscard]] const QString& path() const { return m_path; }
    // Whether sets are added now: switched on, and not forbidden for this run.
    [[nodiscard]] bool addsEnabled() const { return m_addsEnabled && !m_addsForbidden; }
    // The user's switch (the Settings' value).
    [[nodiscard]] bool addsSwitchedOn() const { return m_addsEnabled; }
    void setAddsEnabled(bool on) { m_addsEnabled = on; }
    // No adds in this run whatever the switch says (the command line's choice).
    void forbidAdds() { m_addsForbidden = true; }

    // Makes the archive at `path` the one in use, made anew when there is no file. A file there
    // that is no archive of this program is refused, never moved aside: the user chose it. On
    // failure the archive in use stays and `*error` says why. Whoever shows the old archive
    // hears of the switch (switched()) before it is closed.
    bool switchTo(const QString& path, ArchiveError* error = nullptr);
    // Copies every set of the archive in use into the archive at `path` (a file or a server,
    // whose sets stay as they are there), then makes that one the archive in use. The archive
    // before is left as it was. When the copy fails nothing is switched and the outcome says
    // why.
    archive::CopyOutcome copyAndSwitchTo(const QString& path);

    // The archive, opened now if it was not; null when it cannot be opened (openError()). A
    // path that is not a full one (a Settings value written by hand) is refused: it would name
    // another file in every folder the program starts in.
    [[nodiscard]] Archive* archive();
    [[nodiscard]] const ArchiveError& openError() const { return m_openError; }
    // Where a damaged file at the path was moved before a new archive was begun, and where a
    // journal beside it that was not its own was set aside; said by the first window that
    // opens, then forgotten.
    [[nodiscard]] QString takeMovedAside();
    [[nodiscard]] std::pair<QString, QString> takeJournalSetAside();

    // Adds the store's sets unless adds are switched off. Returns whether they are stored.
    bool add(const DataSetStore& store, const MemoryImage& image, const QString& source);
    // Stores a real-time run as it stands, in place of what was stored of it before, unless
    // adds are switched off. Returns whether it is stored.
    bool addRun(const recorder::LiveRun& run);

Q_SIGNALS:
    // Another archive is in use: archive() gives it. The one before is still open meanwhile.
    void switched();
    // The first add to this archive file that failed, and why.
    void addFailed(const tc4dl::archive::ArchiveError& reason);

private:
    void fail(const ArchiveError& reason);
    // Makes `opened` the archive in use, telling whoever shows the one before.
    void adopt(archive::Archive::Opened opened, const QString& path);

    Clock& m_clock;
    QString m_path;
    bool m_addsEnabled;
    bool m_addsForbidden = false;
    std::unique_ptr<Archive> m_archive;
    bool m_opened = false;
    ArchiveError m_openError;
    QString m_movedAside;
    QString m_journal; // the journal set aside, and where it went
    QString m_journalAside;
    bool m_failureSaid = false;
};

} // namespace tc4dl
