// An archive on a PostgreSQL server: the connection, as libpq reads the URI, and the first look
// at the schema (made by the first writer).

#include "ArchiveDb.h"

#include <QRegularExpression>
#include <QSqlDriver>

#ifdef TC4DL_HAVE_LIBPQ
#include <libpq-fe.h>
#endif

namespace tc4dl::archive {

namespace {

// Any number will do that no other program takes for its own lock on the same database: only
// writers that make the schema take it.
constexpr qint64 kSchemaLock = 7463344108;

// A value as libpq's keyword=value strings quote it.
QString quoted(const QString& value)
{
    QString v = value;
    v.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    v.replace(QStringLiteral("'"), QStringLiteral("\\'"));
    return u'\'' + v + u'\'';
}

// The URI as libpq reads it (every form it knows, its percent escapes, its query parameters),
// as the keyword=value options Qt's driver passes on; libpq itself then finds the password
// (PGPASSWORD, PGPASSFILE, ~/.pgpass) and the TLS mode. False with the reason when libpq
// cannot read it, or it carries a password: a password is kept in .pgpass, never in a name
// that is stored in the Settings and shown.
bool connectOptions(const QString& uri, int waitMs, QString* options, ArchiveError* error)
{
    using Kind = ArchiveError::Kind;
#ifdef TC4DL_HAVE_LIBPQ
    char* message = nullptr;
    PQconninfoOption* parsed = PQconninfoParse(uri.toUtf8().constData(), &message);
    if (!parsed) {
        *error = ArchiveError::of(Kind::CannotOpen, uri,
            message ? QString::fromUtf8(message).trimmed() : QStringLiteral("out of memory"));
        PQfreemem(message);
        return false;
    }
    QStringList said;
    bool password = false;
    bool timeout = false;
    bool semicolon = false;
    for (PQconninfoOption* o = parsed; o->keyword; ++o) {
        if (!o->val)
            continue;
        const QString keyword = QString::fromUtf8(o->keyword);
        const QString value = QString::fromUtf8(o->val);
        password = password || keyword == QLatin1String("password");
        timeout = timeout || keyword == QLatin1String("connect_timeout");
        // Qt's driver turns every ';' of its options into a blank.
        semicolon = semicolon || value.contains(u';');
        said << keyword + u'=' + quoted(value);
    }
    PQconninfoFree(parsed);
    if (password) {
        *error = ArchiveError::of(Kind::PasswordInName, uri);
        return false;
    }
    if (semicolon) {
        *error = ArchiveError::of(Kind::CannotOpen, uri, QStringLiteral("a ';' in it"));
        return false;
    }
    // A server that does not answer is given up on, as a busy archive is.
    if (!timeout)
        said << QStringLiteral("connect_timeout=%1").arg(std::max(2, waitMs / 1000));
    *options = said.join(u' ');
    return true;
#else
    Q_UNUSED(uri);
    Q_UNUSED(waitMs);
    Q_UNUSED(options);
    *error = ArchiveError::of(
        Kind::CannotOpen, uri, QStringLiteral("this build has no PostgreSQL client library"));
    return false;
#endif
}

// The URI with what would be a password in it left out, for the sentences that name it.
QString withoutPassword(const QString& uri)
{
    static const QRegularExpression userInfo(
        QStringLiteral("^(postgres(?:ql)?://[^:@/?]*):[^@/?]*@"));
    static const QRegularExpression parameter(QStringLiteral("([?&]password=)[^&]*"));
    QString shown = uri;
    shown.replace(userInfo, QStringLiteral("\\1@"));
    shown.replace(parameter, QStringLiteral("\\1…"));
    return shown;
}

} // namespace

QString shownName(const QString& name)
{
    return isServerName(name) ? withoutPassword(name) : name;
}

bool openServer(const QString& uri, Archive::Access access, const OpenOptions& options,
    std::unique_ptr<Archive::Impl>* result, ArchiveError* error)
{
    using Kind = ArchiveError::Kind;
    QString connect;
    if (!connectOptions(uri, options.busyTimeoutMs, &connect, error)) {
        error->path = withoutPassword(uri);
        return false;
    }
    auto impl = std::make_unique<Archive::Impl>();
    impl->dialect = &postgresDialect();
    impl->path = uri;
    impl->readOnly = access == Archive::Access::ReadOnly;
    impl->connection = nextConnectionName();
    setAdder(*impl, options);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), impl->connection);
    if (!db.isValid()) {
        *error = ArchiveError::of(
            Kind::CannotOpen, uri, QStringLiteral("Qt's PostgreSQL driver is not installed"));
        return false;
    }
    db.setConnectOptions(connect);
    if (!db.open()) {
        *error = impl->errorOf(db.lastError());
        return false;
    }
    // A write waits for another writer as long as an SQLite archive would.
    QStringList settings { QStringLiteral("SET lock_timeout = %1").arg(options.busyTimeoutMs) };
    if (impl->readOnly)
        settings << QStringLiteral("SET default_transaction_read_only = on");
    if (!impl->execAll(settings, error))
        return false;

    // The schema is looked at (and made) under a lock of its own: two first writers at once
    // make it once.
    QStringList begin { QStringLiteral("BEGIN") };
    if (!impl->readOnly)
        begin << QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kSchemaLock);
    SchemaSeen seen;
    if (!impl->execAll(begin, error) || !impl->dialect->readSchema(*impl, &seen, error)) {
        impl->exec(QStringLiteral("ROLLBACK"), nullptr);
        return false;
    }
    OpenDecision decision = decideOpen(seen, impl->dialect->foreignObjects(seen), uri);
    // Nothing older was ever kept on a server: an older version there is someone else's.
    if (decision.step == OpenStep::Migrate)
        decision = { OpenStep::Refuse,
            ArchiveError::of(
                Kind::Foreign, uri, QStringLiteral("archive_meta version %1").arg(seen.version)) };
    bool ok = true;
    if (decision.step == OpenStep::Refuse) {
        *error = decision.refusal;
        ok = false;
    } else if (decision.step == OpenStep::Create && impl->readOnly) {
        *error = ArchiveError::of(Kind::NoArchive, uri);
        ok = false;
    } else if (decision.step == OpenStep::Create) {
        QStringList statements = impl->dialect->createStatements();
        statements << impl->dialect->versionStatement(kSchemaVersion);
        ok = impl->execAll(statements, error);
        // The privilege that is missing, by name: the server's words say where, not what.
        if (!ok && error->kind == Kind::Database
            && error->detail.startsWith(QLatin1String("permission denied for schema "))) {
            const QString schema
                = error->detail.mid(qsizetype(qstrlen("permission denied for schema ")));
            *error = ArchiveError::of(Kind::CannotCreate, uri, schema);
        }
    }
    ok = ok && impl->exec(QStringLiteral("COMMIT"), error);
    if (!ok) {
        impl->exec(QStringLiteral("ROLLBACK"), nullptr);
        return false;
    }
    impl->version = kSchemaVersion;
    *result = std::move(impl);
    return true;
}

} // namespace tc4dl::archive
