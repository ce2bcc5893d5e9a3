// The installed program: `cmake --install` into a fresh prefix gives a tree whose programs run
// and find their shipped files there, and whose desktop files pass the desktop's validators.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
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
                 "share/icons/hicolor/256x256/apps/tc4dl.png", "share/man/man1/tc4dl-cli.1" })
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
        const Run r
            = run(installed(QStringLiteral("bin/tc4dl")), { QStringLiteral("--paths") }, m_env);
        QCOMPARE(r.exitCode, 0);
        const QString share
            = QFileInfo(installed(QStringLiteral("share/tc4dl"))).canonicalFilePath();
        QVERIFY2(r.out.contains(QStringLiteral("Graph template: ") + share
                     + QStringLiteral("/template/graph.ghf")),
            qPrintable(r.out));
        QVERIFY2(r.out.contains(
                     QStringLiteral("Help page: ") + share + QStringLiteral("/TC4DLHELP.htm")),
            qPrintable(r.out));
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
