// Graph-state files read from a pipe: no size to trust, so the reader must stop at the end of
// what really arrives, and turn away a stream that is no state block without reading on.

#include "FileTarget.h"
#include "GraphStateFile.h"

#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <thread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include <cstring>

using namespace tc4dl::chart;

namespace {

QByteArray lengthField(quint32 n)
{
    char b[4];
    qToLittleEndian(n, b);
    return QByteArray(b, 4);
}

ChartModel sampleModel()
{
    ChartModel m;
    m.setSubsets(4);
    m.setPoints(50);
    for (int p = 0; p < 50; ++p)
        m.setY(p % 4, p, 20.0 + p);
    m.look.mainTitle = QStringLiteral("Kiln");
    return m;
}

#ifdef Q_OS_UNIX
// Feeds `head` and then `fillBytes` zeros into the FIFO at `path`; stops at the first failed
// write (the reader went away) and counts what went in.
class FifoWriter {
public:
    FifoWriter(const QString& path, QByteArray head, qint64 fillBytes)
        : m_thread([this, path, head = std::move(head), fillBytes] { run(path, head, fillBytes); })
    {
    }
    ~FifoWriter() { join(); }
    [[nodiscard]] qint64 written() const { return m_written; }
    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run(const QString& path, const QByteArray& head, qint64 fillBytes)
    {
        // Blocks until the reader opens its end.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
        if (fd < 0)
            return;
        const QByteArray zeros(64 * 1024, '\0');
        bool ok = put(fd, head.constData(), head.size());
        for (qint64 left = fillBytes; ok && left > 0; left -= zeros.size())
            ok = put(fd, zeros.constData(), std::min<qint64>(left, zeros.size()));
        ::close(fd);
    }
    bool put(int fd, const char* data, qint64 size)
    {
        while (size > 0) {
            const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
            if (n <= 0)
                return false;
            m_written += n;
            data += n;
            size -= n;
        }
        return true;
    }

    std::atomic<qint64> m_written = 0;
    std::thread m_thread;
};
#endif

} // namespace

class TestGraphStateFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
#ifdef Q_OS_UNIX
        // A reader that stops early makes the writer's next write fail instead of killing us.
        std::signal(SIGPIPE, SIG_IGN);
#else
        QSKIP("FIFOs are a Unix matter");
#endif
    }

    void readsFromAPipe_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("zeros");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<QString>("expected"); // a part of the error text

        const QByteArray block = sampleModel().storeState();
        QTest::newRow("whole block") << lengthField(static_cast<quint32>(block.size())) + block
                                     << qint64(0) << true << QString();
        QTest::newRow("block followed by more bytes")
            << lengthField(static_cast<quint32>(block.size())) + block << qint64(100000) << true
            << QString();
        QTest::newRow("length 0xFFFFFFFF, one block") << lengthField(0xFFFFFFFF)
                + block << qint64(0) << false << QStringLiteral("never takes more than");
        // The right start, then zeros: the version is checked before the block is read on.
        QTest::newRow("format version 0, endless zeros")
            << lengthField(0x30000000) + QByteArray("TC4G", 4) << qint64(64 * 1024 * 1024) << false
            << QStringLiteral("format version 0;");
        QTest::newRow("block cut short")
            << lengthField(static_cast<quint32>(block.size())) + block.chopped(1) << qint64(0)
            << false << kStreamReadError;
        QTest::newRow("length only") << lengthField(200) << qint64(0) << false << kStreamReadError;
        QTest::newRow("three bytes")
            << QByteArray("\x10\0\0", 3) << qint64(0) << false << kStreamReadError;
        QTest::newRow("nothing") << QByteArray() << qint64(0) << false << kStreamReadError;
    }
    void readsFromAPipe()
    {
#ifdef Q_OS_UNIX
        QFETCH(QByteArray, head);
        QFETCH(qint64, zeros);
        QFETCH(bool, loads);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("graph.ghf"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);

        ChartModel m;
        m.setPoints(7);
        const QByteArray before = m.storeState();
        QString error;
        bool loaded = false;
        {
            FifoWriter writer(path, head, zeros);
            loaded = loadGraphState(m, path, &error);
        }
        QVERIFY2(loaded == loads, qPrintable(error));
        if (loads) {
            QCOMPARE(m.storeState(), sampleModel().storeState());
        } else {
            QVERIFY2(error.contains(expected), qPrintable(error));
            QCOMPARE(m.storeState(), before);
        }
#endif
    }

    // Files that declare more than a graph can hold, or a format this program does not read, with
    // the declared bytes really there as a hole: the reader refuses them after the fixed header
    // instead of reading (and holding) hundreds of megabytes of zeros. File > Open and the
    // graph template at start-up both read through here.
    void sparseFilesAreRefusedAtTheHeader_data()
    {
        QTest::addColumn<quint32>("declared");
        QTest::addColumn<QByteArray>("start"); // after the length field
        QTest::addColumn<QString>("expected");
        QTest::newRow("3.75 GiB") << quint32(0xF0000000) << QByteArray("TC4G\1\0\0\0", 8)
                                  << QStringLiteral("never takes more than");
        QTest::newRow("one byte beyond the bound")
            << quint32(kMaxGraphStateBytes + 1) << QByteArray("TC4G\1\0\0\0", 8)
            << QStringLiteral("never takes more than");
        QTest::newRow("format version 0, 768 MiB")
            << quint32(0x30000000) << QByteArray("TC4G\0\0\0\0", 8)
            << QStringLiteral("format version 0;");
        QTest::newRow("no magic, 768 MiB")
            << quint32(0x30000000) << QByteArray(8, '\0') << QStringLiteral("magic");
    }
    void sparseFilesAreRefusedAtTheHeader()
    {
        QFETCH(quint32, declared);
        QFETCH(QByteArray, start);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sparse.ghf"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.write(lengthField(declared) + start) == 12);
            QVERIFY(f.resize(4 + qint64(declared)));
        }
        ChartModel m = sampleModel();
        const QByteArray before = m.storeState();
        QString error;
        QVERIFY(!loadGraphState(m, path, &error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QVERIFY2(!error.endsWith(QStringLiteral("..")), qPrintable(error));
        QCOMPARE(m.storeState(), before);
    }

    // A save onto an existing device or pipe writes through it and leaves it what it is; only a
    // regular file is replaced by a new one. The graph files and the text saves alike.
    void savesOntoADeviceOrPipe_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("graphFile"); // else a text save through writeWhole
        QTest::addColumn<bool>("written");
        QTest::newRow("graph file onto a FIFO") << "fifo" << true << true;
        QTest::newRow("text onto a FIFO") << "fifo" << false << true;
        QTest::newRow("graph file onto a FIFO nobody reads") << "lonely fifo" << true << false;
        QTest::newRow("text onto a FIFO nobody reads") << "lonely fifo" << false << false;
        QTest::newRow("graph file onto a null device node") << "null node" << true << true;
        QTest::newRow("text onto a full device node") << "full node" << false << false;
        QTest::newRow("graph file, regular file") << "file" << true << true;
    }
    void savesOntoADeviceOrPipe()
    {
#ifdef Q_OS_UNIX
        QFETCH(QString, target);
        QFETCH(bool, graphFile);
        QFETCH(bool, written);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("target"));
        const QByteArray name = QFile::encodeName(path);
        int reader = -1;
        auto closeReader = qScopeGuard([&reader] {
            if (reader >= 0)
                ::close(reader);
        });
        if (target.endsWith(QLatin1String("fifo"))) {
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
            if (target == QLatin1String("fifo")) {
                reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK);
                QVERIFY(reader >= 0);
            }
        } else if (target.endsWith(QLatin1String("node"))) {
            if (::geteuid() != 0)
                QSKIP("Making a device node takes root; this row runs in CI, which is root");
            const int made = ::mknod(name.constData(), S_IFCHR | 0600,
                makedev(1, target.startsWith(QLatin1String("null")) ? 3 : 7));
            if (made != 0 && errno == EPERM)
                QSKIP("This container or file system does not let root make device nodes");
            QCOMPARE(made, 0);
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        struct stat before { };
        QCOMPARE(::stat(name.constData(), &before), 0);

        const QByteArray text("time,T1\n");
        const ChartModel model = sampleModel();
        bool ok = false;
        if (graphFile) {
            ok = saveGraphState(model, path);
        } else {
            ok = tc4dl::writeWhole(
                     path, [&](QIODevice& d) { return d.write(text) == text.size(); }, nullptr)
                == tc4dl::WriteOutcome::Written;
        }
        QCOMPARE(ok, written);
        struct stat after { };
        QCOMPARE(::stat(name.constData(), &after), 0);
        QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        if (target == QLatin1String("file")) {
            QVERIFY(after.st_ino != before.st_ino); // replaced as a whole
            ChartModel back;
            QVERIFY(loadGraphState(back, path));
        } else {
            QCOMPARE(after.st_ino, before.st_ino);
        }
        if (reader >= 0) {
            QByteArray got(1 << 16, '\0');
            const ssize_t n = ::read(reader, got.data(), got.size());
            got.truncate(n < 0 ? 0 : n);
            if (graphFile)
                QCOMPARE(got, lengthField(quint32(model.storeState().size())) + model.storeState());
            else
                QCOMPARE(got, text);
        }
#else
        QSKIP("Device nodes and FIFOs are a Unix matter");
#endif
    }

    // A device or pipe that pours out bytes which are no state block: the length field says
    // 4 GiB, but the reader must give up after the first bytes, not read (and hold) them all.
    void endlessJunkIsTurnedAwayEarly()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("zeros.ghf"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        constexpr qint64 kOffered = 256LL * 1024 * 1024;
        ChartModel m;
        const QByteArray before = m.storeState();
        QString error;
        FifoWriter writer(path, lengthField(0xFFFFFFFF), kOffered);
        QVERIFY(!loadGraphState(m, path, &error));
        writer.join();
        QVERIFY2(error.contains(QStringLiteral("magic")), qPrintable(error));
        QCOMPARE(m.storeState(), before);
        // What went into the pipe before the reader left: a few of its chunks and buffers.
        QVERIFY2(writer.written() < 4 * 1024 * 1024, qPrintable(QString::number(writer.written())));
#endif
    }
};

QTEST_GUILESS_MAIN(TestGraphStateFile)
#include "tst_graphstatefile.moc"
