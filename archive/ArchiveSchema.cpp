#include "ArchiveSchema.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

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

// The objects SQLite makes itself beside them: the AUTOINCREMENT counter always, ANALYZE's
// statistics when someone ran it (they only steer the query planner).
struct Allowed {
    const char* type;
    const char* name;
    const char* sql; // null: any of the version's table forms; "" : none stored
    bool required;
};
constexpr std::array kAllowed {
    Allowed { "table", "sets", nullptr, true },
    Allowed { "table", "sqlite_sequence", "CREATE TABLE sqlite_sequence(name,seq)", true },
    Allowed { "index", "sqlite_autoindex_sets_1", "", true },
    Allowed { "index", "sets_by_start", kIndexByStart, false },
    Allowed { "table", "sqlite_stat1", "CREATE TABLE sqlite_stat1(tbl,idx,stat)", false },
    Allowed {
        "table", "sqlite_stat4", "CREATE TABLE sqlite_stat4(tbl,idx,neq,nlt,ndlt,sample)", false },
};

constexpr int kNamedAtMost = 5;
constexpr int kNameLength = 60;

// Runs of blanks as one, none beside brackets and commas.
QString normalized(const QString& sql)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    static const QRegularExpression beside(QStringLiteral(" ?([(),]) ?"));
    QString s = sql.trimmed();
    s.replace(blanks, QStringLiteral(" "));
    s.replace(beside, QStringLiteral("\\1"));
    return s;
}

QStringList tableForms(int version)
{
    if (version == 1)
        return { normalized(QString::fromLatin1(kSetsV1)) };
    return { normalized(QString::fromLatin1(kSetsV2)),
        normalized(QString::fromLatin1(kSetsV1Migrated)) };
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
    std::array<bool, kAllowed.size()> present {};
    for (const SchemaObject& o : seen.objects) {
        const auto allowed = std::find_if(kAllowed.begin(), kAllowed.end(), [&](const Allowed& a) {
            return o.type == QLatin1String(a.type) && o.name == QLatin1String(a.name);
        });
        bool ours = known && allowed != kAllowed.end()
            && (o.type != QLatin1String("index") || o.table == QLatin1String("sets"));
        if (ours) {
            const QString sql = normalized(o.sql);
            ours = allowed->sql ? sql == normalized(QString::fromLatin1(allowed->sql))
                                : forms.contains(sql);
        }
        if (ours)
            present[std::size_t(allowed - kAllowed.begin())] = true;
        else
            name(o);
    }
    // What this program always makes, missing: named like the rest.
    for (std::size_t i = 0; known && i < kAllowed.size(); ++i)
        if (kAllowed[i].required && !present[i])
            name(SchemaObject { QString::fromLatin1(kAllowed[i].type),
                QString::fromLatin1(kAllowed[i].name), {}, {} });
    if (more > 0)
        foreign << QStringLiteral("…");
    return foreign;
}

QStringList sqliteCreateStatements()
{
    return { QString::fromLatin1(kSetsV2), QString::fromLatin1(kIndexByStart) };
}

QStringList sqliteMigrateStatements(int from)
{
    QStringList statements;
    if (from <= 1)
        statements << QStringLiteral("ALTER TABLE sets ADD COLUMN last_seen INTEGER NOT NULL "
                                     "DEFAULT 0")
                   << QStringLiteral("ALTER TABLE sets ADD COLUMN note TEXT NOT NULL DEFAULT ''")
                   << QStringLiteral("UPDATE sets SET last_seen = added");
    return statements;
}

} // namespace tc4dl::archive
