#include "ArchiveDialect.h"

#include "ArchiveDb.h"
#include "ArchiveReadings.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <array>

namespace tc4dl::archive {

namespace {

// At most this many objects of a schema are read: this program makes a handful, so a schema
// with more holds foreign ones whichever they are.
constexpr int kObjectsRead = 64;

// ---- SQLite ----------------------------------------------------------------------------------

// SQLite's primary result codes that have a kind of their own.
enum SqliteCode {
    kPerm = 3,
    kBusy = 5,
    kLocked = 6,
    kReadOnly = 8,
    kIoErr = 10,
    kCorrupt = 11,
    kFull = 13,
    kCantOpen = 14,
    kAuth = 23,
    kNotADb = 26,
};

class SqliteDialect final : public ArchiveDialect {
public:
    QStringList beginRead() const override { return { QStringLiteral("BEGIN") }; }
    QStringList beginWrite() const override { return { QStringLiteral("BEGIN IMMEDIATE") }; }

    bool readSchema(const Archive::Impl& impl, SchemaSeen* seen, ArchiveError* error) const override
    {
        QSqlQuery q(impl.db());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
            *error = impl.errorOf(q.lastError());
            return false;
        }
        seen->version = q.value(0).toInt();
        // Names and definitions cut short: a longer one is no object of this program's anyway.
        if (!q.exec(QStringLiteral("SELECT type, substr(name, 1, 200), substr(tbl_name, 1, 200), "
                                   "substr(sql, 1, 2000) FROM sqlite_master LIMIT %1")
                        .arg(kObjectsRead))) {
            *error = impl.errorOf(q.lastError());
            return false;
        }
        seen->objects.clear();
        while (q.next())
            seen->objects.push_back({ q.value(0).toString(), q.value(1).toString(),
                q.value(2).toString(), q.value(3).toString() });
        return true;
    }

    bool schemaCookie(const Archive::Impl& impl, int* cookie, ArchiveError* error) const override
    {
        QSqlQuery q(impl.db());
        if (!q.exec(QStringLiteral("PRAGMA schema_version")) || !q.next()) {
            if (error)
                *error = impl.errorOf(q.lastError());
            return false;
        }
        *cookie = q.value(0).toInt();
        return true;
    }

    QStringList foreignObjects(const SchemaSeen& seen) const override
    {
        return sqliteForeignObjects(seen);
    }
    QStringList createStatements() const override { return sqliteCreateStatements(); }
    QStringList migrateStatements(int from) const override { return sqliteMigrateStatements(from); }
    QString versionStatement(int version) const override
    {
        return QStringLiteral("PRAGMA user_version = %1").arg(version);
    }

    bool nextId(const Archive::Impl&, qint64* id, ArchiveError*) const override
    {
        *id = 0; // AUTOINCREMENT: never an id again that a set had, none for a rolled back add
        return true;
    }
    QString holds(const QString& haystack, const QString& needle) const override
    {
        return QStringLiteral("instr(%1, %2) > 0").arg(haystack, needle);
    }
    QString timeText(const QString& column) const override { return column; }

    bool integrityCheck(
        const Archive::Impl& impl, QStringList* faults, ArchiveError* error) const override
    {
        QSqlQuery q(impl.db());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("PRAGMA integrity_check"))) {
            *error = impl.errorOf(q.lastError());
            return false;
        }
        while (q.next())
            if (const QString line = q.value(0).toString(); line != QLatin1String("ok"))
                *faults << line;
        return true;
    }

    ArchiveError errorOf(const QSqlError& e, const QString& path) const override
    {
        return sqliteErrorOf(e, path);
    }
};

// ---- PostgreSQL ------------------------------------------------------------------------------

// The tables and view as this program makes them, and as the catalogue then lists their
// columns (name, type, "not null").
const char* const kPgMeta = "CREATE TABLE archive_meta (version integer NOT NULL, "
                            "last_id bigint NOT NULL)";
const char* const kPgSetData
    = "CREATE TABLE set_data (id bigint PRIMARY KEY, start double precision NOT NULL, "
      "interval integer NOT NULL, samples integer NOT NULL, celsius integer NOT NULL, "
      "sha256 bytea NOT NULL, data bytea NOT NULL, added bigint NOT NULL, source text NOT NULL, "
      "last_seen bigint NOT NULL, note text NOT NULL DEFAULT '', "
      "kind text NOT NULL DEFAULT 'logger', meter text NOT NULL DEFAULT '', "
      "machine text NOT NULL DEFAULT '', user_name text NOT NULL DEFAULT '', "
      "CONSTRAINT set_data_identity UNIQUE (start, interval, samples, celsius, sha256))";
const char* const kPgIndexByStart = "CREATE INDEX sets_by_start ON set_data (start)";
const char* const kPgReadings
    = "CREATE TABLE readings (set_id bigint NOT NULL, sample integer NOT NULL, "
      "time timestamp without time zone NOT NULL, t1 double precision, t2 double precision, "
      "t3 double precision, t4 double precision, t1_ol boolean NOT NULL, "
      "t2_ol boolean NOT NULL, t3_ol boolean NOT NULL, t4_ol boolean NOT NULL, "
      "PRIMARY KEY (set_id, sample))";
// The same columns as SQLite's view, in PostgreSQL's own types.
const char* const kPgSetsView
    = "CREATE VIEW sets AS SELECT id, timestamp '1899-12-30' + interval '1 second' * "
      "(start * 86400) AS start, interval AS interval_s, samples, CASE celsius WHEN 1 THEN 'C' "
      "WHEN 0 THEN 'F' END AS unit, kind, meter, to_timestamp(added / 1000.0) AS added, "
      "to_timestamp(last_seen / 1000.0) AS last_seen, source, note, encode(sha256, 'hex') AS "
      "sha256, machine, user_name FROM set_data";

struct PgAllowed {
    const char* type;
    const char* name;
    const char* form; // the columns, or an index's definition from USING on
};
constexpr std::array kPgAllowed {
    PgAllowed { "table", "archive_meta", "version integer not null, last_id bigint not null" },
    PgAllowed { "table", "set_data",
        "id bigint not null, start double precision not null, interval integer not null, "
        "samples integer not null, celsius integer not null, sha256 bytea not null, "
        "data bytea not null, added bigint not null, source text not null, "
        "last_seen bigint not null, note text not null, kind text not null, "
        "meter text not null, machine text not null, user_name text not null" },
    PgAllowed { "index", "set_data_pkey", "USING btree (id)" },
    PgAllowed { "index", "set_data_identity",
        "USING btree (start, \"interval\", samples, celsius, sha256)" },
    PgAllowed { "index", "sets_by_start", "USING btree (start)" },
    PgAllowed { "table", "readings",
        "set_id bigint not null, sample integer not null, "
        "time timestamp without time zone not null, t1 double precision, "
        "t2 double precision, t3 double precision, t4 double precision, "
        "t1_ol boolean not null, t2_ol boolean not null, t3_ol boolean not null, "
        "t4_ol boolean not null" },
    PgAllowed { "index", "readings_pkey", "USING btree (set_id, sample)" },
    PgAllowed { "view", "sets",
        "id bigint, start timestamp without time zone, interval_s integer, samples integer, "
        "unit text, kind text, meter text, added timestamp with time zone, "
        "last_seen timestamp with time zone, source text, note text, sha256 text, "
        "machine text, user_name text" },
};

// The objects of the current schema that are this program's by name or hang on its tables
// (indexes, triggers, rules, row policies), each with its form; anything else in the schema
// belongs to others and is none of the archive's business.
const char* const kPgObjects
    = "WITH ours(name) AS (VALUES ('archive_meta'), ('set_data'), ('readings'), ('sets')), "
      "mine AS (SELECT c.oid, c.relname FROM pg_class c WHERE c.relnamespace = "
      "current_schema()::regnamespace AND c.relname IN (SELECT name FROM ours)) "
      "SELECT CASE c.relkind WHEN 'r' THEN 'table' WHEN 'p' THEN 'table' WHEN 'v' THEN 'view' "
      "WHEN 'i' THEN 'index' ELSE 'relation' END, c.relname, c.relname, (SELECT "
      "string_agg(a.attname || ' ' || format_type(a.atttypid, a.atttypmod) || CASE WHEN "
      "a.attnotnull THEN ' not null' ELSE '' END, ', ' ORDER BY a.attnum) FROM pg_attribute a "
      "WHERE a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped) FROM pg_class c "
      "JOIN mine ON mine.oid = c.oid "
      "UNION ALL SELECT 'index', i.relname, mine.relname, regexp_replace(pg_get_indexdef(i.oid), "
      "'^.* USING ', 'USING ') FROM pg_index x JOIN pg_class i ON i.oid = x.indexrelid JOIN "
      "mine ON mine.oid = x.indrelid "
      "UNION ALL SELECT 'trigger', t.tgname, mine.relname, '' FROM pg_trigger t JOIN mine ON "
      "mine.oid = t.tgrelid WHERE NOT t.tgisinternal "
      "UNION ALL SELECT 'rule', r.rulename, mine.relname, '' FROM pg_rewrite r JOIN mine ON "
      "mine.oid = r.ev_class WHERE r.rulename <> '_RETURN' "
      "UNION ALL SELECT 'policy', p.polname, mine.relname, '' FROM pg_policy p JOIN mine ON "
      "mine.oid = p.polrelid "
      "LIMIT 64";

// The first line of the server's words, without libpq's "FATAL:" or "ERROR:" before it.
QString serverWords(const QSqlError& e)
{
    const QString text = e.databaseText().trimmed().isEmpty() ? e.text() : e.databaseText();
    QString line;
    for (const QString& l : text.split(u'\n'))
        if (!l.trimmed().isEmpty()) {
            line = l.trimmed();
            break;
        }
    for (const char* mark : { "FATAL:  ", "ERROR:  " })
        if (const qsizetype at = line.lastIndexOf(QLatin1String(mark)); at >= 0)
            line = line.mid(at + qsizetype(qstrlen(mark)));
    while (line.endsWith(u'.'))
        line.chop(1);
    return line;
}

class PostgresDialect final : public ArchiveDialect {
public:
    QStringList beginRead() const override
    {
        return { QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY") };
    }
    // Writers wait for one another (and for nobody else): every add reads what the last one
    // stored, and the ids it gives follow one another.
    QStringList beginWrite() const override
    {
        return { QStringLiteral("BEGIN"),
            QStringLiteral("LOCK TABLE set_data IN SHARE ROW EXCLUSIVE MODE") };
    }

    bool readSchema(const Archive::Impl& impl, SchemaSeen* seen, ArchiveError* error) const override
    {
        QSqlQuery q(impl.db());
        q.setForwardOnly(true);
        if (!q.exec(QString::fromLatin1(kPgObjects))) {
            *error = impl.errorOf(q.lastError());
            return false;
        }
        seen->objects.clear();
        bool meta = false;
        while (q.next()) {
            seen->objects.push_back({ q.value(0).toString(), q.value(1).toString(),
                q.value(2).toString(), q.value(3).toString() });
            meta = meta
                || (seen->objects.back().type == QLatin1String("table")
                    && seen->objects.back().name == QLatin1String("archive_meta"));
        }
        seen->version = 0;
        if (!meta)
            return true;
        // One row, or it is not this program's.
        if (!q.exec(QStringLiteral("SELECT min(version), count(*) FROM archive_meta"))
            || !q.next()) {
            *error = impl.errorOf(q.lastError());
            return false;
        }
        seen->version = q.value(1).toLongLong() == 1 ? q.value(0).toInt() : -1;
        return true;
    }

    bool schemaCookie(const Archive::Impl&, int* cookie, ArchiveError*) const override
    {
        *cookie = -1;
        return true;
    }

    QStringList foreignObjects(const SchemaSeen& seen) const override
    {
        QStringList foreign;
        std::array<bool, kPgAllowed.size()> present {};
        for (const SchemaObject& o : seen.objects) {
            const auto allowed
                = std::find_if(kPgAllowed.begin(), kPgAllowed.end(), [&](const PgAllowed& a) {
                      return o.type == QLatin1String(a.type) && o.name == QLatin1String(a.name);
                  });
            if (allowed != kPgAllowed.end() && o.sql == QLatin1String(allowed->form))
                present[std::size_t(allowed - kPgAllowed.begin())] = true;
            else if (foreign.size() < 5)
                foreign << o.type + u' ' + o.name.left(60);
        }
        for (std::size_t i = 0; seen.version >= 1 && i < kPgAllowed.size(); ++i)
            if (!present[i] && foreign.size() < 5)
                foreign << QLatin1String(kPgAllowed[i].type) + u' '
                        + QLatin1String(kPgAllowed[i].name);
        return foreign;
    }
    QStringList createStatements() const override
    {
        return { QString::fromLatin1(kPgMeta),
            QStringLiteral("INSERT INTO archive_meta (version, last_id) VALUES (0, 0)"),
            QString::fromLatin1(kPgSetData), QString::fromLatin1(kPgIndexByStart),
            QString::fromLatin1(kPgReadings), QString::fromLatin1(kPgSetsView) };
    }
    // Every archive on a server was made in this version.
    QStringList migrateStatements(int) const override { return {}; }
    QString versionStatement(int version) const override
    {
        return QStringLiteral("UPDATE archive_meta SET version = %1").arg(version);
    }

    // Counted in the add's own transaction: an add rolled back gives its ids back.
    bool nextId(const Archive::Impl& impl, qint64* id, ArchiveError* error) const override
    {
        QSqlQuery q(impl.db());
        if (!q.exec(QStringLiteral(
                "UPDATE archive_meta SET last_id = greatest(last_id, (SELECT coalesce(max(id), 0) "
                "FROM set_data)) + 1 RETURNING last_id"))
            || !q.next()) {
            *error = impl.errorOf(q.lastError());
            return false;
        }
        *id = q.value(0).toLongLong();
        return true;
    }
    QString holds(const QString& haystack, const QString& needle) const override
    {
        return QStringLiteral("strpos(%1, %2) > 0").arg(haystack, needle);
    }
    QString timeText(const QString& column) const override
    {
        return QStringLiteral("to_char(%1, 'YYYY-MM-DD HH24:MI:SS.MS')").arg(column);
    }
    // The server keeps its own storage whole (and says so in its log): what is left to check
    // is the sets themselves.
    bool integrityCheck(const Archive::Impl&, QStringList*, ArchiveError*) const override
    {
        return true;
    }

    ArchiveError errorOf(const QSqlError& e, const QString& path) const override
    {
        using Kind = ArchiveError::Kind;
        const QString code = e.nativeErrorCode();
        const QString words = serverWords(e);
        // Authentication, a database or server that is not there, a connection that broke.
        if (code.isEmpty() || code.startsWith(QLatin1String("08"))
            || code.startsWith(QLatin1String("28")) || code.startsWith(QLatin1String("57P"))
            || code == QLatin1String("3D000"))
            return ArchiveError::of(Kind::CannotOpen, path, words);
        if (code == QLatin1String("55P03") || code == QLatin1String("40001")
            || code == QLatin1String("40P01") || code == QLatin1String("57014"))
            return ArchiveError::of(Kind::Busy, path);
        if (code == QLatin1String("53100"))
            return ArchiveError::of(Kind::Full, path);
        if (code == QLatin1String("25006"))
            return ArchiveError::of(Kind::ReadOnly, path);
        if (code == QLatin1String("XX001") || code == QLatin1String("XX002"))
            return ArchiveError::of(Kind::Damaged, path, words);
        return ArchiveError::of(Kind::Database, path, words);
    }
};

} // namespace

ArchiveError sqliteErrorOf(const QSqlError& e, const QString& path)
{
    using Kind = ArchiveError::Kind;
    const QString words
        = e.databaseText().trimmed().isEmpty() ? e.text().trimmed() : e.databaseText().trimmed();
    bool numeric = false;
    const int code = e.nativeErrorCode().toInt(&numeric) & 0xFF;
    if (!numeric)
        return ArchiveError::of(Kind::Database, path, words);
    switch (code) {
    case kBusy:
    case kLocked:
        return ArchiveError::of(Kind::Busy, path);
    case kFull:
        return ArchiveError::of(Kind::Full, path);
    case kReadOnly:
        return ArchiveError::of(Kind::ReadOnly, path);
    case kNotADb:
        return ArchiveError::of(Kind::NotAnArchive, path);
    case kCorrupt:
        return ArchiveError::of(Kind::Damaged, path, words);
    case kPerm:
    case kIoErr:
    case kCantOpen:
    case kAuth:
        return ArchiveError::of(Kind::CannotOpen, path, words);
    default:
        return ArchiveError::of(Kind::Database, path, words);
    }
}

const ArchiveDialect& sqliteDialect()
{
    static const SqliteDialect dialect;
    return dialect;
}

const ArchiveDialect& postgresDialect()
{
    static const PostgresDialect dialect;
    return dialect;
}

} // namespace tc4dl::archive
