// Graph-state files read from a pipe: no size to trust, so the reader must stop at the end of
// what really arrives, and turn away a stream that is no state block without reading on.

#include "GraphStateFile.h"

#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <thread>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
        QTest::newRow("length 0xFFFFFFFF, one block")
            << lengthField(0xFFFFFFFF) + block << qint64(0) << false << kStreamReadError;
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
