#pragma once

#include "Archive.h"

#include <QString>

#include <functional>
#include <memory>

namespace tc4dl {

class DataSetStore;
class MemoryImage;

namespace archive {

// The program's one open archive: opened at its first use from the path the Settings chose,
// and kept open until the program ends. Adds never fail what brought the sets: a failure is
// handed to the reporter once per program run and otherwise only remembered.
class ArchiveKeeper {
public:
    ArchiveKeeper(QString path, bool addsEnabled);
    ~ArchiveKeeper();

    [[nodiscard]] const QString& path() const { return m_path; }
    [[nodiscard]] bool addsEnabled() const { return m_addsEnabled; }

    // The archive, opened now if it was not; null when it cannot be opened (openError()).
    [[nodiscard]] Archive* archive();
    [[nodiscard]] const QString& openError() const { return m_openError; }
    // Where a damaged file at the path was moved before a new archive was begun; said by the
    // first window that opens, then forgotten.
    [[nodiscard]] QString takeMovedAside();

    // Who hears of the first failed add (a message or the status line).
    void setReporter(std::function<void(const QString& reason)> reporter)
    {
        m_reporter = std::move(reporter);
    }
    // Adds the store's sets unless adds are switched off. Returns whether they are stored.
    bool add(const DataSetStore& store, const MemoryImage& image, const QString& source);

private:
    void fail(const QString& reason);

    QString m_path;
    bool m_addsEnabled;
    std::unique_ptr<Archive> m_archive;
    bool m_opened = false;
    QString m_openError;
    QString m_movedAside;
    bool m_failureSaid = false;
    std::function<void(const QString&)> m_reporter;
};

} // namespace archive
} // namespace tc4dl
