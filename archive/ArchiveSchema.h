#pragma once

// What an archive's database must hold, and what opening one does with what it found: the
// decisions every database engine shares, and the forms of the schema as SQLite keeps them.
// Not for the archive's users.

#include "ArchiveError.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tc4dl::archive {

// 1: the sets with their bytes, hash, first addition and source.
// 2: when a set was last seen again, and the user's note.
// 3: open to SQL: the stored sets as `set_data` with their kind, meter and who added them, the
//    view `sets` in plain units and times, and every sample of them in `readings`.
inline constexpr int kSchemaVersion = 3;

// The table that holds the sets' rows in a schema of `version`.
[[nodiscard]] QString setTable(int version);

// One object of a database's schema as its catalogue lists it.
struct SchemaObject {
    QString type; // "table", "index", "trigger", "view"
    QString name;
    QString table; // the table it belongs to
    QString sql; // its definition as stored (empty for one the engine made itself)
};

// One look inside a database, taken in one transaction.
struct SchemaSeen {
    int version = 0; // the schema version it carries (SQLite's user_version)
    std::vector<SchemaObject> objects;
};

enum class OpenStep {
    Create, // an empty database: make the archive in it
    Migrate, // an archive of an older version: bring it up to date
    UseAsIs, // this version's archive
    Refuse, // not an archive this program may use: leave it exactly as it is
};

struct OpenDecision {
    OpenStep step = OpenStep::Refuse;
    ArchiveError refusal; // with Refuse
};

// What opening does with `seen` at `path`, given the objects in it this program did not make
// (`foreign`, as foreignObjects names them): the same for every engine.
[[nodiscard]] OpenDecision decideOpen(
    const SchemaSeen& seen, const QStringList& foreign, const QString& path);

// The objects of `seen` that are not this program's in the version `seen` carries, each named
// as "trigger wipe" (at most a few, each shortened): SQLite's forms, compared with runs of
// blanks as one.
[[nodiscard]] QStringList sqliteForeignObjects(const SchemaSeen& seen);

// The statements that make this version's schema in an empty SQLite database, and those that
// bring version `from` up to it (the readings of the sets already there are then still to be
// written: fillReadings).
[[nodiscard]] QStringList sqliteCreateStatements();
[[nodiscard]] QStringList sqliteMigrateStatements(int from);

} // namespace tc4dl::archive
