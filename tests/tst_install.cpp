// The installed program: `cmake --install` into a fresh prefix gives a tree whose programs run
// and find their shipped files there, and whose desktop files pass the desktop's validators;
// the Debian package of the same tree passes Debian's package checker.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
    int timeoutMs = 60000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run result;
    if (!process.waitForStarted(10000)) {
        result.err = process.errorString();
        return result;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = QStringLiteral("timed out");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

// The long options a text names: `--name` in a program's help, `\-\-name` in a manual page.
QSet<QString> longOptions(QString text)
{
    text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    static const QRegularExpression option(QStringLiteral("(?:^|[^\\w-])--([a-z][a-z-]*[a-z])"));
    QSet<QString> names;
    for (const QRegularExpressionMatch& m : option.globalMatch(text))
        names.insert(m.captured(1));
    return names;
}

QString listed(QSet<QString> names)
{
    QStringList sorted(names.begin(), names.end());
    sorted.sort();
    return sorted.join(QStringLiteral(", "));
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir m_prefix;
    QTemporaryDir m_home;
    QProcessEnvironment m_env;

    [[nodiscard]] QString installed(const QString& relative) const
    {
        return QDir(m_prefix.path()).filePath(relative);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_prefix.isValid() && m_home.isValid());
        const Run install = run(QStringLiteral(CMAKE_COMMAND),
            { QStringLiteral("--install"), QStringLiteral(TC4DL_BUILD_DIR),
                QStringLiteral("--prefix"), m_prefix.path() });
        QVERIFY2(install.exitCode == 0, qPrintable(install.out + install.err));
        // The installed programs must not lean on the user's own settings, template or data.
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("HOME"), m_home.path());
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }

    void treeHoldsEveryFile_data()
    {
        QTest::addColumn<QString>("path");
        for (const char* path : { "bin/tc4dl", "bin/tc4dl-cli", "bin/tc4dl-meter",
                 "share/tc4dl/TC4DLHELP.htm", "share/tc4dl/template/graph.ghf",
                 "share/applications/tc4dl.desktop", "share/metainfo/org.tc4dl.TC4DL.metainfo.xml",
                 "share/icons/hicolor/scalable/apps/tc4dl.svg",
                 "share/icons/hicolor/48x48/apps/tc4dl.png",
                 "share/icons/hicolor/256x256/apps/tc4dl.png", "share/man/man1/tc4dl.1.gz",
                 "share/man/man1/tc4dl-cli.1.gz", "share/man/man1/tc4dl-meter.1.gz",
                 "share/doc/tc4dl/copyright", "share/doc/tc4dl/changelog.gz",
                 "lib/systemd/system/tc4dl-record@.service",
                 "share/doc/tc4dl/examples/record.conf" })
            QTest::newRow(path) << QString::fromLatin1(path);
    }
    void treeHoldsEveryFile()
    {
        QFETCH(QString, path);
        QVERIFY2(QFileInfo(installed(path)).isFile(), qPrintable(path));
    }

    void programsTellTheirVersion_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("expected");
        QTest::newRow("tc4dl") << "bin/tc4dl"
                               << "TC4DL " TC4DL_VERSION;
        QTest::newRow("tc4dl-cli") << "bin/tc4dl-cli"
                                   << "tc4dl-cli " TC4DL_VERSION;
    }
    void programsTellTheirVersion()
    {
        QFETCH(QString, program);
        QFETCH(QString, expected);
        const Run r = run(installed(program), { QStringLiteral("--version") }, m_env);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.trimmed(), expected);
    }

    // Found in the installed tree, not beside a build: the template (so no missing-template
    // message at start) and the help page.
    void programFindsItsShippedFiles()
    {
        // Asked on a machine without a display.
        QProcessEnvironment headless = m_env;
        for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
            headless.remove(QLatin1String(name));
        const Run r
            = run(installed(QStringLiteral("bin/tc4dl")), { QStringLiteral("--paths") }, headless);
        QCOMPARE(r.exitCode, 0);
        const QString share
            = QFileInfo(installed(QStringLiteral("share/tc4dl"))).canonicalFilePath();
        QVERIFY2(r.out.contains(QStringLiteral("Graph template: ") + share
                     + QStringLiteral("/template/graph.ghf")),
            qPrintable(r.out));
        QVERIFY2(r.out.contains(
                     QStringLiteral("Help page: ") + share + QStringLiteral("/TC4DLHELP.htm")),
            qPrintable(r.out));
        // The archive lives in the per-user data folder, named so a user can find and move it.
        QVERIFY2(r.out.contains(QRegularExpression(
                     QStringLiteral("\nArchive: [^\n]*/TC4DL/TC4DL/archive\\.sqlite\n"))),
            qPrintable(r.out));
        // Once moved in the program, the archive is named where it went.
        const QString moved = m_home.filePath(QStringLiteral("Messungen/archiv.sqlite"));
        QSettings kept(
            m_home.filePath(QStringLiteral("config/TC4DL/TC4DL.conf")), QSettings::IniFormat);
        kept.setValue(QStringLiteral("ArchivePath"), moved);
        kept.sync();
        const Run again
            = run(installed(QStringLiteral("bin/tc4dl")), { QStringLiteral("--paths") }, m_env);
        kept.remove(QStringLiteral("ArchivePath"));
        kept.sync();
        QVERIFY2(again.out.contains(QStringLiteral("\nArchive: ") + moved + QStringLiteral("\n")),
            qPrintable(again.out));
    }

    void installedProgramStartsWithTheSimulatedMeter()
    {
        const QString shot = m_home.filePath(QStringLiteral("shot.png"));
        const Run r = run(installed(QStringLiteral("bin/tc4dl")),
            { QStringLiteral("--demo"), QStringLiteral("--screenshot"), shot,
                QStringLiteral("--screenshot-delay"), QStringLiteral("1") },
            m_env);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(QFileInfo(shot).size() > 0);
        // Nothing was written beside the installed programs.
        QVERIFY(!QFileInfo::exists(installed(QStringLiteral("bin/template"))));
    }

    // A manual page tells every option its program takes, and no option it does not take; a
    // new option without its description fails here.
    void manualPagesNameTheOptions_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("tc4dl") << "tc4dl" << QStringList { QString() };
        QTest::newRow("tc4dl-cli") << "tc4dl-cli"
                                   << QStringList { QString(), "monitor", "download", "sets",
                                          "export", "setup", "archive", "serve", "record" };
        QTest::newRow("tc4dl-meter") << "tc4dl-meter" << QStringList { QString() };
    }
    void manualPagesNameTheOptions()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, commands);
        QSet<QString> helped;
        for (const QString& command : commands) {
            QStringList arguments { QStringLiteral("--help") };
            if (!command.isEmpty())
                arguments.prepend(command);
            const Run help = run(installed(QStringLiteral("bin/") + program), arguments, m_env);
            QVERIFY2(help.exitCode == 0, qPrintable(command + help.err));
            helped += longOptions(help.out);
        }
        const Run page = run(QStringLiteral("gzip"),
            { QStringLiteral("-dc"),
                installed(QStringLiteral("share/man/man1/%1.1.gz").arg(program)) });
        QVERIFY2(page.exitCode == 0, qPrintable(page.err));
        // Examples may run other programs with their options.
        const QSet<QString> described
            = longOptions(page.out.section(QStringLiteral("\n.SH EXAMPLES"), 0, 0));
        QVERIFY(helped.contains(QStringLiteral("version")));
        QVERIFY2((helped - described).isEmpty(),
            qPrintable(QStringLiteral("not in the manual page: ") + listed(helped - described)));
        QVERIFY2((described - helped).isEmpty(),
            qPrintable(QStringLiteral("not an option: ") + listed(described - helped)));
    }

    // Debian's package checker finds nothing a distribution would refuse the package for. The
    // one complaint left is the maintainer's address while the build has none configured.
    void packagePassesLintian()
    {
        const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
        if (lintian.isEmpty())
            QSKIP("lintian not installed (scripts/install-deps.sh installs it)");
        QTemporaryDir packageDir;
        QVERIFY(packageDir.isValid());
        const Run cpack = run(QStringLiteral(CPACK_COMMAND),
            { QStringLiteral("--config"), QStringLiteral(TC4DL_BUILD_DIR "/CPackConfig.cmake"),
                QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"),
                packageDir.path() },
            QProcessEnvironment::systemEnvironment(), 180000);
        QVERIFY2(cpack.exitCode == 0, qPrintable(cpack.out + cpack.err));
        const QStringList debs = QDir(packageDir.path()).entryList({ QStringLiteral("*.deb") });
        QCOMPARE(debs.size(), 1);
        const Run check = run(lintian,
            { QStringLiteral("--tag-display-limit"), QStringLiteral("0"),
                QDir(packageDir.path()).filePath(debs.first()) },
            QProcessEnvironment::systemEnvironment(), 180000);
        // 0: nothing found, 2: an error found; 1 is lintian failing to check the package.
        QVERIFY2(check.exitCode == 0 || check.exitCode == 2, qPrintable(check.out + check.err));
        static const QSet<QString> maintainerAddress { QStringLiteral("bogus-mail-host"),
            QStringLiteral("bogus-mail-host-in-debian-changelog") };
        QStringList refused;
        for (const QString& line : check.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            // "E: tc4dl: tag details"
            const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            const bool counts
                = line.startsWith(QLatin1String("E:")) || line.startsWith(QLatin1String("W:"));
            if (counts && (fields.size() < 3 || !maintainerAddress.contains(fields.at(2))))
                refused << line;
        }
        QVERIFY2(refused.isEmpty(), qPrintable(refused.join(QLatin1Char('\n'))));
    }

    // The recorder's service unit is one systemd takes: its settings, its program (where this
    // install put it) and its manual page.
    void serviceUnitPassesSystemdAnalyze()
    {
        const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
        if (analyze.isEmpty())
            QSKIP("systemd-analyze not installed (scripts/install-deps.sh installs systemd)");
        const QString unit = installed(QStringLiteral("lib/systemd/system/tc4dl-record@.service"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MANPATH"), installed(QStringLiteral("share/man")));
        QTemporaryDir units;
        const QString instance = units.filePath(QStringLiteral("tc4dl-record@lab.service"));
        QVERIFY(QFile::copy(unit, instance));
        for (const QString& file : { unit, instance }) {
            const Run r = run(analyze, { QStringLiteral("verify"), file }, env);
            QVERIFY2(
                r.exitCode == 0 && r.err.trimmed().isEmpty(), qPrintable(file + r.out + r.err));
        }
        QFile text(unit);
        QVERIFY(text.open(QIODevice::ReadOnly));
        const QString content = QString::fromUtf8(text.readAll());
        QVERIFY(content.contains(QStringLiteral("ExecStart=")
            + installed(QStringLiteral("bin/tc4dl-cli"))
            + QStringLiteral(" record --config /etc/tc4dl/record-%i.conf")));
        for (const char* line : { "User=tc4dl", "SupplementaryGroups=dialout", "Restart=on-failure",
                 "NoNewPrivileges=yes", "ProtectSystem=strict", "ProtectHome=yes", "PrivateTmp=yes",
                 "ReadWritePaths=/var/lib/tc4dl" })
            QVERIFY2(content.contains(QLatin1String(line) + QLatin1Char('\n')), line);
    }

    void desktopFilesPassTheValidators_data()
    {
        QTest::addColumn<QString>("validator");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("desktop entry")
            << "desktop-file-validate"
            << QStringList { installed(QStringLiteral("share/applications/tc4dl.desktop")) };
        QTest::newRow("metainfo") << "appstreamcli"
                                  << QStringList { QStringLiteral("validate"),
                                         QStringLiteral("--no-net"),
                                         installed(QStringLiteral(
                                             "share/metainfo/org.tc4dl.TC4DL.metainfo.xml")) };
    }
    void desktopFilesPassTheValidators()
    {
        QFETCH(QString, validator);
        QFETCH(QStringList, arguments);
        const QString program = QStandardPaths::findExecutable(validator);
        if (program.isEmpty())
            QSKIP("validator not installed (scripts/install-deps.sh installs it)");
        const Run r = run(program, arguments);
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY2(!r.out.contains(QStringLiteral("hint:")), qPrintable(r.out));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
