// tc4dl-cli record as a person runs it, with real parts: a real MQTT broker (Debian's mosquitto,
// started here on 127.0.0.1 with a password file) read by mosquitto_sub, simulated meters on
// pseudo-terminals, a web receiver on loopback, a real full disk, and the faults a recorder
// lives through: the broker killed and back, a meter hung up and served again, the recorder
// killed and restarted.

#include "Archive.h"
#include "ArchiveErrorSentence.h"
#include "CliProcess.h"
#include "Clock.h"
#include "DataSetStore.h"
#include "DecodeMemoryImage.h"
#include "JournalReader.h"
#include "RealParts.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

namespace {

const QString kUser = QStringLiteral("recorder");
const QString kPassword = QStringLiteral("s3cret-for-tests");

QString program(const char* name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name),
        { QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/sbin") });
}

bool writeFile(const QString& path, const QByteArray& bytes, QFile::Permissions mode = {})
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        return false;
    f.close();
    return mode == QFile::Permissions() || f.setPermissions(mode);
}

// A mosquitto broker of our own: 127.0.0.1, a free port, a password file, no persistence.
class Broker {
public:
    explicit Broker(const QString& folder)
        : m_folder(folder)
    {
    }
    ~Broker() { kill(); }

    // Empty when it runs, else why not.
    QString start()
    {
        const QString mosquitto = program("mosquitto");
        const QString passwd = program("mosquitto_passwd");
        if (mosquitto.isEmpty() || passwd.isEmpty())
            return QStringLiteral("mosquitto is not installed");
        if (!realparts::handToUnprivileged(m_folder))
            return QStringLiteral("the broker's folder cannot be handed to an unprivileged user");
        const QString passwords = m_folder + QStringLiteral("/passwd");
        if (!QFile::exists(passwords)) {
            QProcess p;
            p.start(passwd,
                { QStringLiteral("-b"), QStringLiteral("-c"), passwords, kUser, kPassword });
            if (!p.waitForFinished(10000) || p.exitCode() != 0)
                return QStringLiteral("mosquitto_passwd failed: ")
                    + QString::fromUtf8(p.readAllStandardError());
            (void)realparts::handToUnprivileged(passwords);
        }
        if (m_port == 0)
            m_port = realparts::freeLoopbackPort();
        const QString conf = m_folder + QStringLiteral("/mosquitto.conf");
        const QByteArray text = QStringLiteral("listener %1 127.0.0.1\nallow_anonymous false\n"
                                               "password_file %2\npersistence false\n%3")
                                    .arg(m_port)
                                    .arg(passwords, m_extra)
                                    .toUtf8();
        if (!writeFile(conf, text))
            return QStringLiteral("cannot write the broker's configuration");
        (void)realparts::handToUnprivileged(conf);
        const QStringList command
            = realparts::asUnprivileged(mosquitto, { QStringLiteral("-c"), conf });
        m_process = std::make_unique<QProcess>();
        m_process->setProcessChannelMode(QProcess::MergedChannels);
        m_process->start(command.first(), command.mid(1));
        if (!m_process->waitForStarted(5000))
            return QStringLiteral("mosquitto did not start");
        // Ready once it listens.
        for (int i = 0; i < 100; ++i) {
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), m_port);
            if (probe.waitForConnected(100))
                return {};
            if (m_process->state() == QProcess::NotRunning)
                break;
            m_process->waitForReadyRead(50);
        }
        return QStringLiteral("mosquitto does not listen: ")
            + QString::fromUtf8(m_process->readAll());
    }
    void kill()
    {
        if (!m_process)
            return;
        m_process->kill();
        m_process->waitForFinished(5000);
        m_process.reset();
    }
    void setExtra(const QString& lines) { m_extra = lines; }
    [[nodiscard]] quint16 port() const { return m_port; }
    [[nodiscard]] QString url(const QString& scheme = QStringLiteral("mqtt")) const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(m_port);
    }

private:
    QString m_folder;
    QString m_extra;
    quint16 m_port = 0;
    std::unique_ptr<QProcess> m_process;
};

// mosquitto_sub printing "topic payload" lines.
class Subscriber {
public:
    void start(quint16 port, const QStringList& topics, const QStringList& extra = {})
    {
        QStringList args { QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
            QString::number(port), QStringLiteral("-u"), kUser, QStringLiteral("-P"), kPassword,
            QStringLiteral("-q"), QStringLiteral("1"), QStringLiteral("-v") };
        for (const QString& t : topics)
            args << QStringLiteral("-t") << t;
        m_process.start(program("mosquitto_sub"), args + extra);
        m_process.waitForStarted(5000);
    }
    ~Subscriber()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // Every line so far.
    QStringList lines()
    {
        m_buffer += QString::fromUtf8(m_process.readAllStandardOutput());
        return m_buffer.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QStringList linesOf(const QString& topic)
    {
        QStringList found;
        for (const QString& line : lines()) {
            if (line.startsWith(topic + QLatin1Char(' ')))
                found << line.mid(topic.size() + 1);
        }
        return found;
    }
    // True once the broker acknowledged the subscription (mosquitto_sub -d says so).
    bool subscribed()
    {
        m_debug += QString::fromUtf8(m_process.readAllStandardOutput());
        m_buffer = m_debug;
        return m_debug.contains(QStringLiteral("SUBACK"));
    }

private:
    QProcess m_process;
    QString m_buffer;
    QString m_debug;
};

tc4dl::Clock& testClock()
{
    static tc4dl::SystemClock clock;
    return clock;
}

QString meterProgram()
{
    return QStringLiteral(TC4DL_METER);
}

// The archive's sets as "source samples" lines, sorted.
QStringList archivedRuns(const QString& path)
{
    auto opened = tc4dl::archive::Archive::open(
        path, testClock(), tc4dl::archive::Archive::Access::ReadOnly);
    QStringList runs;
    if (!opened.archive)
        return { QStringLiteral("no archive: ")
            + tc4dl::archive::archiveErrorSentence(opened.error) };
    for (const auto& s : opened.archive->list())
        runs << QStringLiteral("%1 %2").arg(s.source).arg(s.samples);
    runs.sort();
    return runs;
}

// What the archive says each run is and which meter recorded it ("live alpha").
QStringList archivedKinds(const QString& path)
{
    auto opened = tc4dl::archive::Archive::open(
        path, testClock(), tc4dl::archive::Archive::Access::ReadOnly);
    QStringList kinds;
    for (const auto& s :
        opened.archive ? opened.archive->list() : decltype(opened.archive->list()) {})
        kinds << QStringLiteral("%1 %2").arg(s.kind, s.meter);
    kinds.sort();
    return kinds;
}

// T1 of every sample of the archived run of `source`, as the sets keep them.
QList<double> archivedT1(const QString& path, const QString& source)
{
    auto opened = tc4dl::archive::Archive::open(
        path, testClock(), tc4dl::archive::Archive::Access::ReadOnly);
    QList<double> values;
    for (const auto& s : opened.archive->list()) {
        if (s.source != source)
            continue;
        const auto image = opened.archive->image({ s.id });
        tc4dl::DataSetStore store;
        if (!image
            || tc4dl::decodeMemoryImage(*image, QDateTime::currentDateTime(), store).result
                != tc4dl::LoadResult::Success)
            return {};
        const auto v = store.setValues(0);
        for (std::size_t j = 0; j < v.size(); j += 4)
            values << std::round(double(v[j]) * 10.0) / 10.0;
    }
    return values;
}

int journalSamples(const QString& folder)
{
    int n = 0;
    for (const QFileInfo& f :
        QDir(folder).entryInfoList({ QStringLiteral("*.journal") }, QDir::Files))
        n += int(tc4dl::journal::readJournalFile(f.filePath()).samples.size());
    return n;
}

// One GET on the loopback: the body of a 200 answer, empty otherwise.
QByteArray httpGet(quint16 port, const QByteArray& target)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(2000))
        return {};
    socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(2000))
        answer += socket.readAll();
    answer += socket.readAll();
    const qsizetype body = answer.indexOf("\r\n\r\n");
    return answer.startsWith("HTTP/1.1 200") && body >= 0 ? answer.mid(body + 4) : QByteArray();
}

// The first meter of the page's /api/current; empty when there is none.
QJsonObject firstMeter(quint16 port)
{
    const QJsonArray meters = QJsonDocument::fromJson(httpGet(port, "/api/current"))
                                  .object()
                                  .value(QStringLiteral("meters"))
                                  .toArray();
    return meters.isEmpty() ? QJsonObject() : meters.at(0).toObject();
}

// A recorder running in the background, its standard error collected.
class Recording {
public:
    void start(const QStringList& args,
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
    {
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(TC4DL_CLI), QStringList { QStringLiteral("record") } + args);
        m_process.waitForStarted(5000);
    }
    ~Recording()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    QString err()
    {
        m_err += QString::fromUtf8(m_process.readAllStandardError());
        return m_err;
    }
    QString out()
    {
        m_out += QString::fromUtf8(m_process.readAllStandardOutput());
        return m_out;
    }
    // The exit code once it ended within `ms`; -1 otherwise.
    int finish(int ms)
    {
        // The test's own servers keep answering meanwhile.
        QDeadlineTimer deadline(ms);
        while (m_process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            m_process.waitForFinished(20);
        }
        if (m_process.state() != QProcess::NotRunning)
            return -1;
        (void)err();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    void signal(int sig) { ::kill(pid_t(m_process.processId()), sig); }
    [[nodiscard]] bool running() const { return m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
    QString m_err;
    QString m_out;
};

} // namespace

class TestRecordCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString authFile()
    {
        const QString p = path(QStringLiteral("mqtt-auth"));
        writeFile(p, QStringLiteral("user=%1\npassword=%2\n").arg(kUser, kPassword).toUtf8(),
            QFile::ReadOwner | QFile::WriteOwner);
        return p;
    }

    // A fresh folder for one case.
    QString caseFolder(const QString& name)
    {
        const QString p = path(name);
        QDir(p).removeRecursively();
        QDir().mkpath(p);
        // The broker runs as another user and must reach its folder inside.
        const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
            | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QFile::setPermissions(m_dir.path(), open);
        QFile::setPermissions(p, open);
        return p;
    }

private Q_SLOTS:
    void twoMetersGoToTheArchiveAndTheBroker()
    {
        const QString dir = caseFolder(QStringLiteral("two"));
        Broker broker(dir + QStringLiteral("/broker"));
        QDir().mkpath(dir + QStringLiteral("/broker"));
        if (const QString why = broker.start(); !why.isEmpty())
            TC4DL_REAL_PART_MISSING(why);
        Subscriber sub;
        sub.start(broker.port(), { QStringLiteral("tc4dl/#"), QStringLiteral("homeassistant/#") });
        QProcess meterA, meterB;
        const QString a = cliprocess::startMeter(
            meterA, meterProgram(), { QStringLiteral("--seed"), QStringLiteral("3") });
        const QString b = cliprocess::startMeter(
            meterB, meterProgram(), { QStringLiteral("--open-channel"), QStringLiteral("2") });
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        Recording rec;
        rec.start(
            { QStringLiteral("--port"), a + QStringLiteral("=alpha"), QStringLiteral("--port"),
                b + QStringLiteral("=beta"), QStringLiteral("--count"), QStringLiteral("4"),
                QStringLiteral("--archive"), dir + QStringLiteral("/archive.sqlite"),
                QStringLiteral("--journal"), dir + QStringLiteral("/journal"),
                QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--mqtt-auth"), authFile(),
                QStringLiteral("--channel"), QStringLiteral("alpha:T1=Oven air") });
        QCOMPARE(rec.finish(30000), 0);
        cliprocess::stopMeter(meterA);
        cliprocess::stopMeter(meterB);
        QCOMPARE(archivedRuns(dir + QStringLiteral("/archive.sqlite")),
            (QStringList { QStringLiteral("record alpha 4"), QStringLiteral("record beta 4") }));
        QCOMPARE(archivedKinds(dir + QStringLiteral("/archive.sqlite")),
            (QStringList { QStringLiteral("live alpha"), QStringLiteral("live beta") }));
        QVERIFY(QDir(dir + QStringLiteral("/journal"))
                    .entryList({ QStringLiteral("*.journal") }, QDir::Files)
                    .isEmpty());
        // The broker got every kept reading of both meters, each as stored.
        QTRY_COMPARE_WITH_TIMEOUT(
            sub.linesOf(QStringLiteral("tc4dl/alpha/reading")).size(), 4, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(
            sub.linesOf(QStringLiteral("tc4dl/beta/reading")).size(), 4, 5000);
        QList<double> published;
        for (const QString& json : sub.linesOf(QStringLiteral("tc4dl/alpha/reading"))) {
            const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
            QCOMPARE(o.value(QStringLiteral("unit")).toString(), QStringLiteral("C"));
            published << o.value(QStringLiteral("T1")).toDouble();
        }
        QCOMPARE(published,
            archivedT1(dir + QStringLiteral("/archive.sqlite"), QStringLiteral("record alpha")));
        // An open probe is no number, and not "OL".
        const QJsonObject beta = QJsonDocument::fromJson(
            sub.linesOf(QStringLiteral("tc4dl/beta/reading")).last().toUtf8())
                                     .object();
        QVERIFY(beta.value(QStringLiteral("T2")).isNull());
        QVERIFY(beta.value(QStringLiteral("ol")).toArray().isEmpty());
        // An empty message, which mosquitto_sub shows as "(null)".
        QCOMPARE(sub.linesOf(QStringLiteral("tc4dl/beta/T2")).last(), QStringLiteral("(null)"));
        QCOMPARE(
            sub.linesOf(QStringLiteral("tc4dl/alpha/status")).first(), QStringLiteral("offline"));
        QVERIFY(
            sub.linesOf(QStringLiteral("tc4dl/alpha/status")).contains(QStringLiteral("online")));
        QTRY_COMPARE_WITH_TIMEOUT(sub.linesOf(QStringLiteral("tc4dl/beta/status")).last(),
            QStringLiteral("offline"), 5000);
        const QJsonObject discovery = QJsonDocument::fromJson(
            sub.linesOf(QStringLiteral("homeassistant/sensor/tc4dl_alpha_t1/config"))
                .last()
                .toUtf8())
                                          .object();
        QCOMPARE(discovery.value(QStringLiteral("name")).toString(), QStringLiteral("Oven air"));
        QCOMPARE(discovery.value(QStringLiteral("unit_of_measurement")).toString(),
            QStringLiteral("°C"));
        // Retained: a reader that comes later still gets the last values.
        Subscriber late;
        late.start(broker.port(),
            { QStringLiteral("tc4dl/alpha/T1"), QStringLiteral("tc4dl/alpha/status") },
            { QStringLiteral("--retained-only"), QStringLiteral("-C"), QStringLiteral("2") });
        QTRY_COMPARE_WITH_TIMEOUT(late.lines().size(), 2, 5000);
        QVERIFY(late.linesOf(QStringLiteral("tc4dl/alpha/T1")).at(0).contains(QLatin1Char('.')));
    }

    void theBrokerGoesAwayAndComesBack()
    {
        const QString dir = caseFolder(QStringLiteral("restart"));
        QDir().mkpath(dir + QStringLiteral("/broker"));
        Broker broker(dir + QStringLiteral("/broker"));
        if (const QString why = broker.start(); !why.isEmpty())
            TC4DL_REAL_PART_MISSING(why);
        Subscriber first;
        first.start(broker.port(), { QStringLiteral("tc4dl/+/status") });
        // The meter answers 8 polls, then falls silent: its lost link is an alarm.
        QProcess meter;
        const QString a = cliprocess::startMeter(
            meter, meterProgram(), { QStringLiteral("--silent-after"), QStringLiteral("8") });
        QVERIFY(!a.isEmpty());
        Recording rec;
        rec.start({ QStringLiteral("--port"), a + QStringLiteral("=kiln"),
            QStringLiteral("--alarm"), QStringLiteral("T1>2000"), QStringLiteral("--archive"),
            dir + QStringLiteral("/archive.sqlite"), QStringLiteral("--journal"),
            dir + QStringLiteral("/journal"), QStringLiteral("--mqtt"), broker.url(),
            QStringLiteral("--mqtt-auth"), authFile() });
        QTRY_VERIFY_WITH_TIMEOUT(
            first.linesOf(QStringLiteral("tc4dl/kiln/status")).contains(QStringLiteral("online")),
            10000);
        broker.kill();
        // Readings go on into the journal while the broker is away, and the alarm is raised.
        QTRY_VERIFY_WITH_TIMEOUT(
            rec.err().contains(QStringLiteral(",kiln,link lost,,raised")), 20000);
        QVERIFY(rec.err().contains(QStringLiteral("cannot reach the broker")));
        QVERIFY(journalSamples(dir + QStringLiteral("/journal")) >= 5);
        QVERIFY(broker.start().isEmpty());
        Subscriber after;
        after.start(broker.port(), { QStringLiteral("tc4dl/+/alarm") }, { QStringLiteral("-d") });
        QTRY_VERIFY_WITH_TIMEOUT(after.subscribed(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(rec.err().contains(QStringLiteral("kiln publishes to")), 70000);
        QTRY_COMPARE_WITH_TIMEOUT(
            after.linesOf(QStringLiteral("tc4dl/kiln/alarm")).size(), 1, 10000);
        rec.signal(SIGTERM);
        QCOMPARE(rec.finish(20000), 143);
        cliprocess::stopMeter(meter);
        const QStringList alarms = after.linesOf(QStringLiteral("tc4dl/kiln/alarm"));
        QCOMPARE(alarms.size(), 1); // once, not again at the stop
        const QJsonObject o = QJsonDocument::fromJson(alarms.at(0).toUtf8()).object();
        QCOMPARE(o.value(QStringLiteral("alarm")).toString(), QStringLiteral("link lost"));
        QCOMPARE(o.value(QStringLiteral("state")).toString(), QStringLiteral("raised"));
        QCOMPARE(archivedRuns(dir + QStringLiteral("/archive.sqlite")).size(), 1);
    }

    // --http: the page shows what the recorder keeps of its meter (a value, an open probe, an
    // alarm in force), and a lost link as no connection.
    void theLivePageShowsWhatTheRecorderKeeps()
    {
        const QString dir = caseFolder(QStringLiteral("page"));
        QProcess meter;
        const QString a = cliprocess::startMeter(meter, meterProgram(),
            { QStringLiteral("--open-channel"), QStringLiteral("3"),
                QStringLiteral("--silent-after"), QStringLiteral("6") });
        QVERIFY(!a.isEmpty());
        const quint16 port = realparts::freeLoopbackPort();
        Recording rec;
        rec.start({ QStringLiteral("--port"), a + QStringLiteral("=oven"),
            QStringLiteral("--alarm"), QStringLiteral("T1>-100"), QStringLiteral("--no-archive"),
            QStringLiteral("--journal"), dir + QStringLiteral("/journal"), QStringLiteral("--http"),
            QStringLiteral("127.0.0.1:%1").arg(port) });
        QTRY_VERIFY_WITH_TIMEOUT(
            rec.out().contains(QStringLiteral("Live page: http://127.0.0.1:%1/").arg(port)), 10000);
        QJsonObject oven;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                oven = firstMeter(port);
                return oven.value(QStringLiteral("alarms")).toArray().size() == 1;
            }(),
            15000);
        QCOMPARE(oven.value(QStringLiteral("name")).toString(), QStringLiteral("oven"));
        QVERIFY(oven.value(QStringLiteral("T1")).isDouble());
        // An open probe shows no value, as the meter shows it; it is not "OL".
        QVERIFY(oven.value(QStringLiteral("T3")).isNull());
        QVERIFY(oven.value(QStringLiteral("ol")).toArray().isEmpty());
        QCOMPARE(oven.value(QStringLiteral("alarms")).toArray(),
            QJsonArray { QStringLiteral("T1>-100") });
        // The meter falls silent: the page says so, and no "link lost" among the channels' alarms.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                oven = firstMeter(port);
                return oven.value(QStringLiteral("connected")) == QJsonValue(false);
            }(),
            20000);
        QCOMPARE(oven.value(QStringLiteral("alarms")).toArray(),
            QJsonArray { QStringLiteral("T1>-100") });
        rec.signal(SIGTERM);
        const int code = rec.finish(20000);
        QVERIFY2(code == 143, qPrintable(QStringLiteral("exit %1: %2").arg(code).arg(rec.err())));
        cliprocess::stopMeter(meter);
    }

    void aHungUpMeterEndsItsRunAndTheNextBeginsANewOne()
    {
        const QString dir = caseFolder(QStringLiteral("hangup"));
        QDir().mkpath(dir + QStringLiteral("/broker"));
        Broker broker(dir + QStringLiteral("/broker"));
        if (const QString why = broker.start(); !why.isEmpty())
            TC4DL_REAL_PART_MISSING(why);
        Subscriber sub;
        sub.start(broker.port(),
            { QStringLiteral("tc4dl/gamma/status"), QStringLiteral("tc4dl/gamma/reading") });
        // The port is a link, as udev names an adapter: the meter behind it goes and comes back
        // on another terminal.
        const QString link = dir + QStringLiteral("/meter");
        QProcess first;
        const QString pty1 = cliprocess::startMeter(first, meterProgram(), {});
        QVERIFY(QFile::link(pty1, link));
        Recording rec;
        rec.start({ QStringLiteral("--port"), link + QStringLiteral("=gamma"),
            QStringLiteral("--archive"), dir + QStringLiteral("/archive.sqlite"),
            QStringLiteral("--journal"), dir + QStringLiteral("/journal"), QStringLiteral("--mqtt"),
            broker.url(), QStringLiteral("--mqtt-auth"), authFile() });
        QTRY_VERIFY_WITH_TIMEOUT(
            sub.linesOf(QStringLiteral("tc4dl/gamma/reading")).size() >= 2, 10000);
        cliprocess::stopMeter(first); // the terminal hangs up
        QTRY_COMPARE_WITH_TIMEOUT(sub.linesOf(QStringLiteral("tc4dl/gamma/status")).last(),
            QStringLiteral("offline"), 10000);
        // Ten seconds without a reading end the run: it is stored and its journal goes.
        QTRY_VERIFY_WITH_TIMEOUT(QDir(dir + QStringLiteral("/journal"))
                                     .entryList({ QStringLiteral("*.journal") }, QDir::Files)
                                     .isEmpty(),
            20000);
        QCOMPARE(archivedRuns(dir + QStringLiteral("/archive.sqlite")).size(), 1);
        QProcess second;
        const QString pty2 = cliprocess::startMeter(second, meterProgram(), {});
        QFile::remove(link);
        QVERIFY(QFile::link(pty2, link));
        const int before = int(sub.linesOf(QStringLiteral("tc4dl/gamma/reading")).size());
        QTRY_COMPARE_WITH_TIMEOUT(sub.linesOf(QStringLiteral("tc4dl/gamma/status")).last(),
            QStringLiteral("online"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(
            sub.linesOf(QStringLiteral("tc4dl/gamma/reading")).size() >= before + 2, 10000);
        rec.signal(SIGINT);
        QCOMPARE(rec.finish(20000), 130);
        cliprocess::stopMeter(second);
        const QStringList runs = archivedRuns(dir + QStringLiteral("/archive.sqlite"));
        QCOMPARE(runs.size(), 2);
        QVERIFY(runs.at(0).startsWith(QStringLiteral("record gamma ")));
    }

    void aKilledRecorderStoresItsJournalAtTheRestart()
    {
        const QString dir = caseFolder(QStringLiteral("killed"));
        QProcess meter;
        const QString a = cliprocess::startMeter(meter, meterProgram(), {});
        QVERIFY(!a.isEmpty());
        const QStringList args { QStringLiteral("--port"), a + QStringLiteral("=delta"),
            QStringLiteral("--archive"), dir + QStringLiteral("/archive.sqlite"),
            QStringLiteral("--journal"), dir + QStringLiteral("/journal") };
        int journalled = 0;
        {
            Recording rec;
            rec.start(args);
            QTRY_VERIFY_WITH_TIMEOUT(journalSamples(dir + QStringLiteral("/journal")) >= 3, 15000);
            rec.signal(SIGKILL);
            QCOMPARE(rec.finish(5000), -1);
            journalled = journalSamples(dir + QStringLiteral("/journal"));
        }
        // Nothing was committed before the kill: the journal alone holds the readings.
        QVERIFY(archivedRuns(dir + QStringLiteral("/archive.sqlite")).isEmpty()
            || archivedRuns(dir + QStringLiteral("/archive.sqlite"))
                   .first()
                   .startsWith(QStringLiteral("no archive")));
        Recording again;
        again.start(args + QStringList { QStringLiteral("--count"), QStringLiteral("2") });
        QCOMPARE(again.finish(20000), 0);
        cliprocess::stopMeter(meter);
        QVERIFY2(
            again.err().contains(QStringLiteral("The journal of delta")), qPrintable(again.err()));
        QStringList expected { QStringLiteral("record delta %1").arg(journalled),
            QStringLiteral("record delta 2") };
        expected.sort();
        QCOMPARE(archivedRuns(dir + QStringLiteral("/archive.sqlite")), expected);
        QVERIFY(QDir(dir + QStringLiteral("/journal"))
                    .entryList({ QStringLiteral("*.journal") }, QDir::Files)
                    .isEmpty());
    }

    void aFullDiskIsSaidAndTheArchiveKeepsWhatCameBefore()
    {
#ifdef Q_OS_UNIX
        if (!realparts::runningAsRoot() || program("unshare").isEmpty())
            TC4DL_REAL_PART_MISSING(
                QStringLiteral("a small disk of its own needs root and unshare"));
        const QString dir = caseFolder(QStringLiteral("full"));
        const QString journal = dir + QStringLiteral("/journal");
        QDir().mkpath(journal);
        QProcess meterA, meterB;
        const QString a = cliprocess::startMeter(meterA, meterProgram(), {});
        // B answers only after three polls: its run begins when the disk is already full.
        const QString b = cliprocess::startMeter(meterB, meterProgram(),
            { QStringLiteral("--silent-after"), QStringLiteral("0"),
                QStringLiteral("--resume-after"), QStringLiteral("3") });
        // A disk of 16 pages with two left: the recorder's lock and A's journal take them.
        const QString script = QStringLiteral(
            "mount -t tmpfs -o size=64k tc4dl-full \"$1\" || exit 97; "
            "dd if=/dev/zero of=\"$1/filler\" bs=4096 count=14 2>/dev/null; shift; exec \"$@\"");
        QProcess p;
        p.start(program("unshare"),
            { QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                QStringLiteral("sh"), journal, QStringLiteral(TC4DL_CLI), QStringLiteral("record"),
                QStringLiteral("--port"), a + QStringLiteral("=first"), QStringLiteral("--port"),
                b + QStringLiteral("=second"), QStringLiteral("--archive"),
                dir + QStringLiteral("/archive.sqlite"), QStringLiteral("--journal"), journal });
        QVERIFY(p.waitForFinished(30000));
        cliprocess::stopMeter(meterA);
        cliprocess::stopMeter(meterB);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        if (p.exitCode() == 97)
            TC4DL_REAL_PART_MISSING(QStringLiteral("no tmpfs could be mounted: ") + err);
        QCOMPARE(p.exitCode(), 11);
        QVERIFY2(
            err.contains(QStringLiteral("The readings of second can no longer be kept safely")),
            qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("the disk is full")), qPrintable(err));
        const QStringList runs = archivedRuns(dir + QStringLiteral("/archive.sqlite"));
        QCOMPARE(runs.size(), 1);
        QVERIFY(runs.at(0).startsWith(QStringLiteral("record first ")));
        auto opened
            = tc4dl::archive::Archive::open(dir + QStringLiteral("/archive.sqlite"), testClock());
        QVERIFY(opened.archive && opened.archive->check().ok);
#else
        QSKIP("a full disk of its own needs a mount namespace");
#endif
    }

    void hostileSettingsAreRefusedBeforeAnyPortOpens_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QStringList>("options"); // beside the file
        QTest::newRow("an unknown key")
            << QByteArray("[meter a]\nport = NOPORT\n\nbroker = x\n") << 1
            << QString("line 4: unknown setting \"broker\"") << QStringList();
        QTest::newRow("an unknown key in a group")
            << QByteArray("[meter a]\nport = NOPORT\nevery = 1\n") << 1
            << QString("\"every\" in [meter a]") << QStringList();
        QTest::newRow("a bad every") << QByteArray("every = -1\n[meter a]\nport = NOPORT\n") << 1
                                     << QString("every") << QStringList();
        QTest::newRow("a password in the URL")
            << QByteArray("mqtt = mqtt://me:pw@127.0.0.1\n[meter a]\nport = NOPORT\n") << 1
            << QString("--mqtt-auth") << QStringList();
        QTest::newRow("binary junk") << QByteArray("\x7f"
                                                   "ELF\x02\x01\x01\0\0\0",
            10) << 1 << QString("NUL")
                                     << QStringList();
        QTest::newRow("a huge file")
            << QByteArray(200 * 1024, 'a') << 1 << QString("larger than 64 KiB") << QStringList();
        QTest::newRow("seventeen meters") << [] {
            QByteArray t;
            for (int i = 0; i < 17; ++i)
                t += "[meter m" + QByteArray::number(i) + "]\nport = NOPORT" + QByteArray::number(i)
                    + "\n";
            return t;
        }() << 1 << QString("at most 16") << QStringList();
        QTest::newRow("an alarm for no meter")
            << QByteArray("alarm = oven:T1>150\n[meter a]\nport = NOPORT\n") << 1
            << QString("names no meter") << QStringList();
        QTest::newRow("a live page on the network without a token")
            << QByteArray("[meter a]\nport = NOPORT\n") << 1 << QString("--http-token-file")
            << QStringList { QStringLiteral("--http"), QStringLiteral("0.0.0.0:8080") };
        QTest::newRow("a live page on no address")
            << QByteArray("[meter a]\nport = NOPORT\n") << 1 << QString("ADDRESS:PORT")
            << QStringList { QStringLiteral("--http"), QStringLiteral("oven") };
        QTest::newRow("a good file reaches the port")
            << QByteArray("[meter a]\nport = NOPORT\n") << 3 << QString("Cannot open port")
            << QStringList();
    }
    void hostileSettingsAreRefusedBeforeAnyPortOpens()
    {
        QFETCH(QByteArray, config);
        QFETCH(int, code);
        QFETCH(QString, said);
        QFETCH(QStringList, options);
        const QString dir = caseFolder(QStringLiteral("hostile"));
        config.replace("NOPORT", (dir + QStringLiteral("/no-such-port")).toUtf8());
        const QString file = dir + QStringLiteral("/record.conf");
        QVERIFY(writeFile(file, config));
        const auto r = cliprocess::run(QStringLiteral(TC4DL_CLI),
            QStringList { QStringLiteral("record"), QStringLiteral("--config"), file,
                QStringLiteral("--journal"), dir + QStringLiteral("/journal"),
                QStringLiteral("--no-archive") }
                + options,
            QProcessEnvironment::systemEnvironment(), dir, 20000);
        QCOMPARE(r.exitCode, code);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1); // one sentence
    }

    // A broker behind TLS: reached with the certificate authority named by --mqtt-ca, and said
    // plainly (with the recording going on) when its certificate is not to be trusted.
    void aBrokerBehindTls_data()
    {
        QTest::addColumn<bool>("trusted");
        QTest::newRow("its authority named") << true;
        QTest::newRow("an authority the system does not know") << false;
    }
    void aBrokerBehindTls()
    {
        QFETCH(bool, trusted);
        const QString dir = caseFolder(QStringLiteral("tls"));
        const QString certs = dir + QStringLiteral("/broker");
        QDir().mkpath(certs);
        const QString openssl = program("openssl");
        if (openssl.isEmpty())
            TC4DL_REAL_PART_MISSING(QStringLiteral("openssl is not installed"));
        writeFile(certs + QStringLiteral("/san.cnf"), "subjectAltName=IP:127.0.0.1\n");
        const QList<QStringList> steps {
            { "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                "-keyout", "ca.key", "-out", "ca.crt", "-days", "2", "-subj",
                "/CN=tc4dl test authority" },
            { "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                "-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1" },
            { "x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key",
                "-CAcreateserial", "-out", "server.crt", "-days", "2", "-extfile", "san.cnf" },
        };
        for (const QStringList& step : steps) {
            QProcess p;
            p.setWorkingDirectory(certs);
            p.start(openssl, step);
            QVERIFY(p.waitForFinished(30000));
            QVERIFY2(p.exitCode() == 0, qPrintable(QString::fromUtf8(p.readAllStandardError())));
        }
        for (const char* f : { "ca.crt", "server.crt", "server.key" })
            (void)realparts::handToUnprivileged(certs + QLatin1Char('/') + QLatin1String(f));
        Broker broker(certs);
        broker.setExtra(
            QStringLiteral("cafile %1/ca.crt\ncertfile %1/server.crt\nkeyfile %1/server.key\n")
                .arg(certs));
        if (const QString why = broker.start(); !why.isEmpty())
            TC4DL_REAL_PART_MISSING(why);
        Subscriber sub;
        sub.start(broker.port(), { QStringLiteral("tc4dl/demo/reading") },
            { QStringLiteral("--cafile"), certs + QStringLiteral("/ca.crt") });
        QStringList args { QStringLiteral("--demo"), QStringLiteral("--count"), QStringLiteral("3"),
            QStringLiteral("--archive"), dir + QStringLiteral("/archive.sqlite"),
            QStringLiteral("--journal"), dir + QStringLiteral("/journal"), QStringLiteral("--mqtt"),
            broker.url(QStringLiteral("mqtts")), QStringLiteral("--mqtt-auth"), authFile() };
        if (trusted)
            args << QStringLiteral("--mqtt-ca") << certs + QStringLiteral("/ca.crt");
        Recording rec;
        rec.start(args);
        QCOMPARE(rec.finish(30000), 0);
        QCOMPARE(archivedRuns(dir + QStringLiteral("/archive.sqlite")),
            QStringList { QStringLiteral("record demo 3") });
        if (trusted) {
            QTRY_VERIFY_WITH_TIMEOUT(
                sub.linesOf(QStringLiteral("tc4dl/demo/reading")).size() >= 2, 5000);
            QVERIFY2(
                rec.err().contains(QStringLiteral("demo publishes to")), qPrintable(rec.err()));
        } else {
            QVERIFY2(rec.err().contains(QStringLiteral("cannot reach the broker")),
                qPrintable(rec.err()));
            QVERIFY(sub.linesOf(QStringLiteral("tc4dl/demo/reading")).isEmpty());
        }
    }

    void anAuthFileOthersMayReadIsRefused()
    {
        const QString dir = caseFolder(QStringLiteral("auth"));
        const QString file = dir + QStringLiteral("/auth");
        QVERIFY(writeFile(
            file, "user=a\npassword=b\n", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        const auto r = cliprocess::run(QStringLiteral(TC4DL_CLI),
            { QStringLiteral("record"), QStringLiteral("--demo"), QStringLiteral("--no-archive"),
                QStringLiteral("--mqtt"), QStringLiteral("mqtt://127.0.0.1:1"),
                QStringLiteral("--mqtt-auth"), file },
            QProcessEnvironment::systemEnvironment(), dir, 20000);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("chmod 600")), qPrintable(r.err));
    }

    void aWrongPasswordIsSaidAndTheRecordingGoesOn()
    {
        const QString dir = caseFolder(QStringLiteral("wrong"));
        QDir().mkpath(dir + QStringLiteral("/broker"));
        Broker broker(dir + QStringLiteral("/broker"));
        if (const QString why = broker.start(); !why.isEmpty())
            TC4DL_REAL_PART_MISSING(why);
        const QString file = dir + QStringLiteral("/auth");
        QVERIFY(writeFile(
            file, "user=recorder\npassword=wrong\n", QFile::ReadOwner | QFile::WriteOwner));
        const auto r = cliprocess::run(QStringLiteral(TC4DL_CLI),
            { QStringLiteral("record"), QStringLiteral("--demo"), QStringLiteral("--count"),
                QStringLiteral("3"), QStringLiteral("--archive"),
                dir + QStringLiteral("/archive.sqlite"), QStringLiteral("--journal"),
                dir + QStringLiteral("/journal"), QStringLiteral("--mqtt"), broker.url(),
                QStringLiteral("--mqtt-auth"), file },
            QProcessEnvironment::systemEnvironment(), dir, 30000);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.contains(QStringLiteral("cannot reach the broker")), qPrintable(r.err));
        QVERIFY(!r.err.contains(QStringLiteral("wrong"))); // the password is never said
        QCOMPARE(archivedRuns(dir + QStringLiteral("/archive.sqlite")),
            QStringList { QStringLiteral("record demo 3") });
    }

    void alarmsReachACommandAndAWebAddress()
    {
        const QString dir = caseFolder(QStringLiteral("actions"));
        // A web receiver that fails the first delivery and takes the second.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QList<QByteArray> requests;
        connect(&server, &QTcpServer::newConnection, this, [&server, &requests] {
            QTcpSocket* s = server.nextPendingConnection();
            auto* got = new QByteArray;
            connect(s, &QTcpSocket::readyRead, s, [s, got, &requests] {
                *got += s->readAll();
                const qsizetype head = got->indexOf("\r\n\r\n");
                if (head < 0)
                    return;
                const QRegularExpression length(QStringLiteral("(?i)content-length: *(\\d+)"));
                const auto m = length.match(QString::fromLatin1(got->left(head)));
                if (!m.hasMatch() || got->size() < head + 4 + m.captured(1).toInt())
                    return;
                requests << *got;
                s->write(requests.size() == 1
                        ? "HTTP/1.1 500 Busy\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
                        : "HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n");
                s->disconnectFromHost();
                got->clear();
            });
            connect(s, &QTcpSocket::disconnected, s, [s, got] {
                delete got;
                s->deleteLater();
            });
        });
        const QString envFile = dir + QStringLiteral("/env.txt");
        Recording rec;
        rec.start({ QStringLiteral("--demo"), QStringLiteral("--count"), QStringLiteral("2"),
            QStringLiteral("--no-archive"), QStringLiteral("--alarm"),
            QStringLiteral("demo:T1>-1000"), QStringLiteral("--on-alarm"),
            QStringLiteral("sh -c 'env > \"%1\"'").arg(envFile), QStringLiteral("--webhook"),
            QStringLiteral("http://127.0.0.1:%1/hook?topic=oven").arg(server.serverPort()) });
        // The recorder ends after its two readings but waits for the delivery's second attempt.
        QTRY_COMPARE_WITH_TIMEOUT(requests.size(), 2, 20000);
        QCOMPARE(rec.finish(20000), 0);
        const QByteArray request = requests.at(1);
        QVERIFY(request.startsWith("POST /hook?topic=oven HTTP/1.1"));
        QVERIFY(request.contains("application/json"));
        const QJsonObject o
            = QJsonDocument::fromJson(request.mid(request.indexOf("\r\n\r\n") + 4)).object();
        QCOMPARE(o.value(QStringLiteral("meter")).toString(), QStringLiteral("demo"));
        QCOMPARE(o.value(QStringLiteral("alarm")).toString(), QStringLiteral("T1>-1000"));
        QCOMPARE(o.value(QStringLiteral("state")).toString(), QStringLiteral("raised"));
        QVERIFY(o.value(QStringLiteral("value")).isDouble());
        QVERIFY(rec.err().contains(QStringLiteral("alarm,")));
        QFile env(envFile);
        QVERIFY(env.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(env.readAll());
        for (const QString& want : { QStringLiteral("TC4DL_METER=demo"),
                 QStringLiteral("TC4DL_ALARM=T1>-1000"), QStringLiteral("TC4DL_STATE=raised") })
            QVERIFY2(text.contains(want), qPrintable(want));
        QVERIFY(QRegularExpression(
            QStringLiteral("TC4DL_TIME=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n"))
                    .match(text)
                    .hasMatch());
        QVERIFY(QRegularExpression(QStringLiteral("TC4DL_VALUE=-?\\d+\\.\\d\n"))
                    .match(text)
                    .hasMatch());
    }

    void aFailingCommandIsSaid_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("said");
        QTest::newRow("exit code") << "false"
                                   << "failed with exit code 1";
        QTest::newRow("no such program") << "/no/such/program"
                                         << "could not be started";
    }
    void aFailingCommandIsSaid()
    {
        QFETCH(QString, command);
        QFETCH(QString, said);
        const auto r = cliprocess::run(QStringLiteral(TC4DL_CLI),
            { QStringLiteral("record"), QStringLiteral("--demo"), QStringLiteral("--count"),
                QStringLiteral("1"), QStringLiteral("--no-archive"), QStringLiteral("--alarm"),
                QStringLiteral("T1>-1000"), QStringLiteral("--on-alarm"), command },
            QProcessEnvironment::systemEnvironment(), QString(), 20000);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestRecordCli)
#include "tst_recordcli.moc"
