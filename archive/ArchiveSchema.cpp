#include "ArchiveSchema.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

namespace tc4dl::archive {

namespace {

// The table as each version made it; SQLite keeps the text as written, and ALTER TABLE ADD
// COLUMN inserts the new columns after the last one.
const char* const kSetsV1 = "CREATE TABLE sets (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                            "start REAL NOT NULL, interval INTEGER NOT NULL, "
                            "samples INTEGER NOT NULL, celsius INTEGER NOT NULL, "
                            "sha256 BLOB NOT NULL, data BLOB NOT NULL, added INTEGER NOT NULL, "
                            "source TEXT NOT NULL, UNIQUE (start, interval, samples, celsius, "
                            "sha256))";
const char* const kSetsV1Migrated
    = "CREATE TABLE sets (id INTEGER PRIMARY KEY AUTOINCREMENT, "
      "start REAL NOT NULL, interval INTEGER NOT NULL, samples INTEGER NOT NULL, "
      "celsius INTEGER NOT NULL, sha256 BLOB NOT NULL, data BLOB NOT NULL, "
      "added INTEGER NOT NULL, source TEXT NOT NULL, last_seen INTEGER NOT NULL DEFAULT 0, "
      "note TEXT NOT NULL DEFAULT '', UNIQUE (start, interval, samples, celsius, sha256))";
const char* const kSetsV2 = "CREATE TABLE sets ("
                            " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                            " start REAL NOT NULL,"
                            " interval INTEGER NOT NULL,"
                            " samples INTEGER NOT NULL,"
                            " celsius INTEGER NOT NULL,"
                            " sha256 BLOB NOT NULL,"
                            " data BLOB NOT NULL,"
                            " added INTEGER NOT NULL,"
                            " source TEXT NOT NULL,"
                            " last_seen INTEGER NOT NULL,"
                            " note TEXT NOT NULL DEFAULT '',"
                            " UNIQUE (start, interval, samples, celsius, sha256))";
const char* const kIndexByStart = "CREATE INDEX sets_by_start ON sets (start)";
// Version 3 renames the table (SQLite then quotes the new name in the stored text, which the
// comparison ignores) and adds its columns after the last one, as ALTER TABLE does.
const char* const kAddedInV3[] = {
    "kind TEXT NOT NULL DEFAULT 'logger'",
    "meter TEXT NOT NULL DEFAULT ''",
    "machine TEXT NOT NULL DEFAULT ''",
    "user_name TEXT NOT NULL DEFAULT ''",
};
const char* const kIndexByStartV3 = "CREATE INDEX sets_by_start ON set_data (start)";
// A serial (days since 1899-12-30) or a moment in milliseconds as SQL's timestamp text, without
// a fraction of a second where there is none.
#define TC4DL_SERIAL_TEXT(x)                                                                       \
    "rtrim(rtrim(strftime('%Y-%m-%d %H:%M:%f', " x " + 2415018.5), '0'), '.')"
#define TC4DL_MS_TEXT(x)                                                                           \
    "rtrim(rtrim(strftime('%Y-%m-%d %H:%M:%f', " x " / 1000.0, 'unixepoch'), '0'), '.')"
const char* const kSetsView = "CREATE VIEW sets AS SELECT id, " TC4DL_SERIAL_TEXT(
    "start") " AS start, interval AS interval_s, samples, CASE celsius WHEN 1 THEN 'C' WHEN 0 "
             "THEN 'F' END AS unit, kind, meter, " TC4DL_MS_TEXT(
                 "added") " AS added, " TC4DL_MS_TEXT("last_seen") " AS last_seen, source, note, "
                                                                   "lower(hex(sha256)) AS sha256, "
                                                                   "machine, user_name FROM "
                                                                   "set_data";
const char* const kReadings = "CREATE TABLE readings ("
                              " set_id INTEGER NOT NULL,"
                              " sample INTEGER NOT NULL,"
                              " time TEXT NOT NULL,"
                              " t1 REAL, t2 REAL, t3 REAL, t4 REAL,"
                              " t1_ol INTEGER NOT NULL, t2_ol INTEGER NOT NULL,"
                              " t3_ol INTEGER NOT NULL, t4_ol INTEGER NOT NULL,"
                              " PRIMARY KEY (set_id, sample)) WITHOUT ROWID";

// The objects SQLite makes itself beside them: the AUTOINCREMENT counter always, ANALYZE's
// statistics when someone ran it (they only steer the query planner).
struct Allowed {
    const char* type;
    const char* name;
    const char* sql; // null: any of the version's table forms; "" : none stored
    bool required;
};
constexpr std::array kAllowedV2 {
    Allowed { "table", "sets", nullptr, true },
    Allowed { "table", "sqlite_sequence", "CREATE TABLE sqlite_sequence(name,seq)", true },
    Allowed { "index", "sqlite_autoindex_sets_1", "", true },
    Allowed { "index", "sets_by_start", kIndexByStart, false },
    Allowed { "table", "sqlite_stat1", "CREATE TABLE sqlite_stat1(tbl,idx,stat)", false },
    Allowed {
        "table", "sqlite_stat4", "CREATE TABLE sqlite_stat4(tbl,idx,neq,nlt,ndlt,sample)", false },
};
constexpr std::array kAllowedV3 {
    Allowed { "table", "set_data", nullptr, true },
    Allowed { "table", "sqlite_sequence", "CREATE TABLE sqlite_sequence(name,seq)", true },
    Allowed { "index", "sqlite_autoindex_set_data_1", "", true },
    Allowed { "index", "sets_by_start", kIndexByStartV3, false },
    Allowed { "view", "sets", kSetsView, true },
    Allowed { "table", "readings", kReadings, true },
    Allowed { "table", "sqlite_stat1", "CREATE TABLE sqlite_stat1(tbl,idx,stat)", false },
    Allowed {
        "table", "sqlite_stat4", "CREATE TABLE sqlite_stat4(tbl,idx,neq,nlt,ndlt,sample)", false },
};

constexpr int kNamedAtMost = 5;
constexpr int kNameLength = 60;

// Runs of blanks as one, none beside brackets and commas, no quotes around names.
QString normalized(const QString& sql)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    static const QRegularExpression beside(QStringLiteral(" ?([(),]) ?"));
    QString s = sql.trimmed();
    s.remove(u'"');
    s.replace(blanks, QStringLiteral(" "));
    s.replace(beside, QStringLiteral("\\1"));
    return s;
}

// A version 2 table as version 3 leaves it.
QString asV3(const char* v2)
{
    QString sql = QString::fromLatin1(v2);
    sql.replace(QStringLiteral("CREATE TABLE sets ("), QStringLiteral("CREATE TABLE set_data ("));
    QStringList added;
    for (const char* column : kAddedInV3)
        added << QString::fromLatin1(column);
    const qsizetype unique = sql.lastIndexOf(QStringLiteral("UNIQUE"));
    sql.insert(unique, added.join(QStringLiteral(", ")) + QStringLiteral(", "));
    return sql;
}

QStringList tableForms(int version)
{
    if (version == 1)
        return { normalized(QString::fromLatin1(kSetsV1)) };
    if (version == 2)
        return { normalized(QString::fromLatin1(kSetsV2)),
            normalized(QString::fromLatin1(kSetsV1Migrated)) };
    return { normalized(asV3(kSetsV2)), normalized(asV3(kSetsV1Migrated)) };
}

QString named(const SchemaObject& o)
{
    QString name = o.name;
    if (name.size() > kNameLength)
        name = name.left(kNameLength) + QStringLiteral("…");
    return o.type + QLatin1Char(' ') + name;
}

} // namespace

OpenDecision decideOpen(const SchemaSeen& seen, const QStringList& foreign, const QString& path)
{
    if (seen.version == 0 && seen.objects.empty())
        return { OpenStep::Create, {} };
    if (seen.version > kSchemaVersion)
        return { OpenStep::Refuse, ArchiveError::of(ArchiveError::Kind::Newer, path) };
    if (seen.version < 1 || !foreign.isEmpty()) {
        QStringList what = foreign;
        if (seen.version < 0)
            what.prepend(QStringLiteral("user_version %1").arg(seen.version));
        return { OpenStep::Refuse,
            ArchiveError::of(ArchiveError::Kind::Foreign, path, what.join(QStringLiteral(", "))) };
    }
    return { seen.version < kSchemaVersion ? OpenStep::Migrate : OpenStep::UseAsIs, {} };
}

QStringList sqliteForeignObjects(const SchemaSeen& seen)
{
    QStringList foreign;
    int more = 0;
    const auto name = [&](const SchemaObject& o) {
        if (foreign.size() < kNamedAtMost)
            foreign << named(o);
        else
            ++more;
    };
    const bool known = seen.version >= 1 && seen.version <= kSchemaVersion;
    const QStringList forms = tableForms(seen.version);
    const std::span<const Allowed> allowedObjects = seen.version >= 3
        ? std::span<const Allowed>(kAllowedV3)
        : std::span<const Allowed>(kAllowedV2);
    std::vector<bool> present(allowedObjects.size());
    for (const SchemaObject& o : seen.objects) {
        const auto allowed
            = std::find_if(allowedObjects.begin(), allowedObjects.end(), [&](const Allowed& a) {
                  return o.type == QLatin1String(a.type) && o.name == QLatin1String(a.name);
              });
        bool ours = known && allowed != allowedObjects.end()
            && (o.type != QLatin1String("index") || o.table == setTable(seen.version));
        if (ours) {
            const QString sql = normalized(o.sql);
            ours = allowed->sql ? sql == normalized(QString::fromLatin1(allowed->sql))
                                : forms.contains(sql);
        }
        if (ours)
            present[std::size_t(allowed - allowedObjects.begin())] = true;
        else
            name(o);
    }
    // What this program always makes, missing: named like the rest.
    for (std::size_t i = 0; known && i < allowedObjects.size(); ++i)
        if (allowedObjects[i].required && !present[i])
            name(SchemaObject { QString::fromLatin1(allowedObjects[i].type),
                QString::fromLatin1(allowedObjects[i].name), {}, {} });
    if (more > 0)
        foreign << QStringLiteral("…");
    return foreign;
}

QString setTable(int version)
{
    return version >= 3 ? QStringLiteral("set_data") : QStringLiteral("sets");
}

QStringList sqliteCreateStatements()
{
    return { asV3(kSetsV2), QString::fromLatin1(kIndexByStartV3), QString::fromLatin1(kReadings),
        QString::fromLatin1(kSetsView) };
}

QStringList sqliteMigrateStatements(int from)
{
    QStringList statements;
    if (from <= 1)
        statements << QStringLiteral("ALTER TABLE sets ADD COLUMN last_seen INTEGER NOT NULL "
                                     "DEFAULT 0")
                   << QStringLiteral("ALTER TABLE sets ADD COLUMN note TEXT NOT NULL DEFAULT ''")
                   << QStringLiteral("UPDATE sets SET last_seen = added");
    if (from <= 2) {
        statements << QStringLiteral("ALTER TABLE sets RENAME TO set_data");
        for (const char* column : kAddedInV3)
            statements << QStringLiteral("ALTER TABLE set_data ADD COLUMN ")
                    + QString::fromLatin1(column);
        statements << QString::fromLatin1(kReadings) << QString::fromLatin1(kSetsView);
    }
    return statements;
}

} // namespace tc4dl::archive
