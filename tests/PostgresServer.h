#pragma once

// A real PostgreSQL 15 server of the test's own: a cluster made by initdb in a temporary folder
// (as the unprivileged user when the suite runs as root), listening on a Unix socket in that
// folder and on 127.0.0.1 at a free port, every login by scram-sha-256 password. The passwords
// are in a temporary .pgpass that PGPASSFILE names, as a lab's users keep theirs.

#include "RealParts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <atomic>
#include <memory>

namespace realparts {

class PostgresServer {
public:
    // The roles every cluster has, each with its password in the .pgpass (but `stranger`,
    // whose line there is wrong).
    struct Role {
        const char* name;
        const char* password;
        const char* inPgpass;
    };
    static constexpr Role kRoles[] = {
        { "admin", "admin-pw", "admin-pw" },
        { "writer", "writer-pw", "writer-pw" },
        { "ada", "ada-pw", "ada-pw" }, // a second writer, on another "machine"
        { "reader", "reader-pw", "reader-pw" }, // may only read
        { "guest", "guest-pw", "guest-pw" }, // may connect, but not create tables
        { "stranger", "stranger-pw", "not-the-password" },
    };

    PostgresServer() = default;
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;
    ~PostgresServer() { stop(); }

    // Empty when the server runs; else why it could not be started.
    QString start()
    {
        const QString bin = QStringLiteral("/usr/lib/postgresql/15/bin/");
        if (!QFile::exists(bin + QStringLiteral("initdb")))
            return QStringLiteral("PostgreSQL 15 is not installed (Debian postgresql)");
        if (!m_dir.isValid() || !handToUnprivileged(m_dir.path()))
            return QStringLiteral("no folder for the server");
        const QString pwfile = m_dir.filePath(QStringLiteral("admin.pw"));
        if (!writeFile(pwfile, QByteArray(kRoles[0].password) + '\n', 0644))
            return QStringLiteral("cannot write the admin password");
        QString said;
        if (!run(bin + QStringLiteral("initdb"),
                { QStringLiteral("-D"), dataFolder(), QStringLiteral("-U"), QStringLiteral("admin"),
                    QStringLiteral("--pwfile=") + pwfile, QStringLiteral("--auth=scram-sha-256"),
                    QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C") },
                &said))
            return QStringLiteral("initdb failed: ") + said;
        QFile::remove(pwfile);
        // Another program may take the port first: asked again a few times.
        for (int attempt = 0; attempt < 3 && !m_running; ++attempt) {
            m_port = freeLoopbackPort();
            said = restart();
        }
        if (!m_running)
            return QStringLiteral("pg_ctl start failed: ") + said;
        QByteArray pgpass;
        for (const Role& role : kRoles)
            pgpass += QByteArray("*:*:*:") + role.name + ':' + role.inPgpass + '\n';
        if (!writeFile(pgpassFile(), pgpass, 0600))
            return QStringLiteral("cannot write the .pgpass");
        qputenv("PGPASSFILE", QFile::encodeName(pgpassFile()));
        qunsetenv("PGPASSWORD");
        QStringList sql;
        for (const Role& role : kRoles)
            if (QLatin1String(role.name) != QLatin1String("admin"))
                sql << QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'")
                           .arg(QLatin1String(role.name), QLatin1String(role.password));
        // The writers share what either of them makes through the group they are in.
        sql << QStringLiteral("CREATE ROLE lab_writers NOLOGIN")
            << QStringLiteral("GRANT lab_writers TO writer, ada");
        return admin(QStringLiteral("postgres"), sql);
    }

    // A new database, with the rights a lab gives: writer and ada (lab_writers) may make and
    // write the archive, reader may read what they make, guest may only connect.
    QString newDatabase(QString* name)
    {
        *name = QStringLiteral("lab%1").arg(++m_databases);
        QString why = admin(
            QStringLiteral("postgres"), { QStringLiteral("CREATE DATABASE %1").arg(*name) });
        if (why.isEmpty())
            why = admin(*name,
                { QStringLiteral("GRANT USAGE, CREATE ON SCHEMA public TO lab_writers"),
                    QStringLiteral("GRANT USAGE ON SCHEMA public TO reader, guest"),
                    QStringLiteral("ALTER DEFAULT PRIVILEGES FOR ROLE writer, ada IN SCHEMA "
                                   "public GRANT SELECT ON TABLES TO reader"),
                    QStringLiteral("ALTER DEFAULT PRIVILEGES FOR ROLE writer, ada IN SCHEMA "
                                   "public GRANT SELECT, INSERT, UPDATE, DELETE ON TABLES TO "
                                   "lab_writers") });
        return why;
    }

    // Runs `sql` as the cluster's superuser in `database`: empty, or the first failure.
    QString admin(const QString& database, const QStringList& sql)
    {
        const QString connection = QStringLiteral("pg-admin-%1").arg(s_connections.fetch_add(1));
        QString why;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
            db.setConnectOptions(QStringLiteral("host=%1 port=%2 user=admin dbname=%3")
                                     .arg(m_dir.path())
                                     .arg(m_port)
                                     .arg(database));
            if (!db.open()) {
                why = db.lastError().text();
            } else {
                QSqlQuery q(db);
                for (const QString& statement : sql)
                    if (why.isEmpty() && !q.exec(statement))
                        why = statement + QStringLiteral(": ") + q.lastError().text();
            }
        }
        QSqlDatabase::removeDatabase(connection);
        return why;
    }

    // The URI of `database` as `role`: on the Unix socket, or on 127.0.0.1 by TCP.
    [[nodiscard]] QString socketUri(const QString& role, const QString& database) const
    {
        return QStringLiteral("postgresql://%1@/%2?host=%3&port=%4")
            .arg(role, database, m_dir.path())
            .arg(m_port);
    }
    [[nodiscard]] QString tcpUri(const QString& role, const QString& database) const
    {
        return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3")
            .arg(role)
            .arg(m_port)
            .arg(database);
    }

    [[nodiscard]] QString socketFolder() const { return m_dir.path(); }
    [[nodiscard]] quint16 port() const { return m_port; }
    [[nodiscard]] QString pgpassFile() const { return m_dir.filePath(QStringLiteral("pgpass")); }

    // Starts the cluster again on its port after stop(): empty, or why it did not start.
    QString restart()
    {
        const QString options = QStringLiteral("-k %1 -c listen_addresses=127.0.0.1 -p %2 "
                                               "-c fsync=off -c max_connections=40")
                                    .arg(m_dir.path())
                                    .arg(m_port);
        QString said;
        m_running = run(QStringLiteral("/usr/lib/postgresql/15/bin/pg_ctl"),
            { QStringLiteral("-D"), dataFolder(), QStringLiteral("-w"), QStringLiteral("-l"),
                m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-o"), options,
                QStringLiteral("start") },
            &said);
        return m_running ? QString() : said;
    }

    // Stops the server at once, as a power cut would: nothing is shut down in order.
    void stop()
    {
        if (!m_running)
            return;
        QString said;
        run(QStringLiteral("/usr/lib/postgresql/15/bin/pg_ctl"),
            { QStringLiteral("-D"), dataFolder(), QStringLiteral("-m"), QStringLiteral("immediate"),
                QStringLiteral("-w"), QStringLiteral("stop") },
            &said);
        m_running = false;
    }

private:
    [[nodiscard]] QString dataFolder() const { return m_dir.filePath(QStringLiteral("data")); }

    static bool writeFile(const QString& path, const QByteArray& bytes, int mode)
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            return false;
        f.close();
        return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
    }

    // Runs a server program as the user the server runs as; its output in `said`.
    static bool run(const QString& program, const QStringList& arguments, QString* said)
    {
        const QStringList command = asUnprivileged(program, arguments);
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        // pg_ctl leaves the server running with its output in the log: nothing holds the pipe.
        p.start(command.first(), command.mid(1));
        const bool done = p.waitForFinished(120000);
        *said = QString::fromLocal8Bit(p.readAll()).trimmed().right(600);
        return done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QTemporaryDir m_dir { QDir::tempPath() + QStringLiteral("/tc4dl-pg-XXXXXX") };
    quint16 m_port = 0;
    bool m_running = false;
    int m_databases = 0;
    static inline std::atomic<int> s_connections { 0 };
};

} // namespace realparts
