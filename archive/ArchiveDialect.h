#pragma once

// What the archive's two database engines, SQLite and PostgreSQL, do differently: everything
// else is written once. Not for the archive's users.

#include "Archive.h"
#include "ArchiveSchema.h"

#include <QString>
#include <QStringList>

class QSqlError;

namespace tc4dl::archive {

struct ReadingsSource;

class ArchiveDialect {
public:
    virtual ~ArchiveDialect() = default;

    // The statements that begin a transaction: one snapshot for reading; for writing one that
    // no other writer of the archive runs beside.
    [[nodiscard]] virtual QStringList beginRead() const = 0;
    [[nodiscard]] virtual QStringList beginWrite() const = 0;

    // The schema's version and objects, inside the caller's transaction.
    virtual bool readSchema(
        const Archive::Impl& impl, SchemaSeen* seen, ArchiveError* error) const = 0;
    // A number that changes whenever the schema does; -1 where the engine keeps none (the
    // schema is then looked at in every transaction).
    virtual bool schemaCookie(
        const Archive::Impl& impl, int* cookie, ArchiveError* error) const = 0;
    [[nodiscard]] virtual QStringList foreignObjects(const SchemaSeen& seen) const = 0;
    [[nodiscard]] virtual QStringList createStatements() const = 0;
    [[nodiscard]] virtual QStringList migrateStatements(int from) const = 0;
    [[nodiscard]] virtual QString versionStatement(int version) const = 0;

    // The id the next set takes: 0 where the database gives it itself (then lastInsertId).
    virtual bool nextId(const Archive::Impl& impl, qint64* id, ArchiveError* error) const = 0;
    // SQL that is true where the text `haystack` holds the text `needle`.
    [[nodiscard]] virtual QString holds(const QString& haystack, const QString& needle) const = 0;
    // A reading's time column as text "yyyy-MM-dd HH:mm:ss[.zzz]".
    [[nodiscard]] virtual QString timeText(const QString& column) const = 0;
    // The engine's own check of its storage: one line per fault found.
    virtual bool integrityCheck(
        const Archive::Impl& impl, QStringList* faults, ArchiveError* error) const = 0;

    // The kind of a failure, by the engine's code; `detail` keeps its words where they matter.
    [[nodiscard]] virtual ArchiveError errorOf(const QSqlError& e, const QString& path) const = 0;
};

[[nodiscard]] const ArchiveDialect& sqliteDialect();
[[nodiscard]] const ArchiveDialect& postgresDialect();

} // namespace tc4dl::archive
