// The real serial port's receive path against a device that delivers more per notification
// than the live link takes per receive event: junk before every frame, and a port that floods.
// The device is a pseudo-terminal driven from the test, so the bytes arrive in whatever pieces
// the system makes of them.

#include "Clock.h"
#include "LiveLink.h"
#include "QtSerialPort.h"
#include "QuietLinkHost.h"

#include <QTest>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

using namespace tc4dl;

namespace {

using Host = QuietLinkHost;

// The far end of a pseudo-terminal: what it writes, the port under test receives.
class PtyDevice {
public:
    PtyDevice()
    {
#ifdef Q_OS_UNIX
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        const char* name = nullptr;
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0
            || (name = ptsname(m_master)) == nullptr)
            return;
        m_path = QString::fromLocal8Bit(name);
        // Held open and raw from the start, so that no byte is taken for a control character.
        m_slave = ::open(name, O_RDWR | O_NOCTTY);
        termios tio {};
        if (m_slave < 0 || tcgetattr(m_slave, &tio) != 0)
            return;
        cfmakeraw(&tio);
        if (tcsetattr(m_slave, TCSANOW, &tio) == 0)
            fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
#endif
    }
    ~PtyDevice()
    {
#ifdef Q_OS_UNIX
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
#endif
    }
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    [[nodiscard]] bool isOpen() const
    {
        return m_slave >= 0;
    }
    [[nodiscard]] QString path() const
    {
        return m_path;
    }

    // Writes what the terminal takes now; the number of bytes taken.
    qsizetype writeSome(QByteArrayView bytes)
    {
#ifdef Q_OS_UNIX
        const ssize_t n = ::write(m_master, bytes.data(), static_cast<size_t>(bytes.size()));
        return n > 0 ? static_cast<qsizetype>(n) : 0;
#else
        Q_UNUSED(bytes);
        return 0;
#endif
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

QByteArray frame(int n)
{
    QByteArray f(kFrameLength, static_cast<char>('0' + n % 10));
    f[0] = static_cast<char>(kFrameStart);
    f[kFrameLength - 1] = static_cast<char>(kFrameEnd);
    return f;
}

// Junk that holds neither a start nor an end byte.
QByteArray junk(int length)
{
    QByteArray j(length, '\0');
    for (int i = 0; i < length; ++i)
        j[i] = static_cast<char>(0x20 + (i * 37) % 0x5F);
    return j;
}

// The live link on a real port opened on the pseudo-terminal, counting the frames it takes.
struct LinkOnPty {
    explicit LinkOnPty(const QString& device)
    {
        link.setFrameObserver([this](const LiveReading&) { ++frames; });
        link.attachReceiveHandler();
        (void)port.setDeviceName(device);
        opened = port.setActive(true);
    }

    SystemClock clock;
    Host host;
    QtSerialPort port;
    LiveDecoder decoder;
    LiveLink link { port, clock, host, decoder,
        LinkTexts { QStringLiteral("on"), QStringLiteral("off") } };
    bool opened = false;
    int frames = 0;
};

} // namespace

class TestQtSerialPort : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
#ifndef Q_OS_UNIX
        QSKIP("the device end is a POSIX pseudo-terminal");
#endif
    }

    // A device that delivers many frames' worth in one notification: the link takes at most
    // 256 bytes per receive event, and the port keeps calling it while bytes wait, so no frame
    // is left behind however much junk comes before each.
    void junkBeforeEveryFrame_data()
    {
        QTest::addColumn<int>("junkBytes");
        QTest::newRow("no junk") << 0;
        QTest::newRow("300 bytes") << 300;
        QTest::newRow("1000 bytes") << 1000;
        QTest::newRow("5000 bytes, more than the port holds") << 5000;
    }
    void junkBeforeEveryFrame()
    {
        QFETCH(int, junkBytes);
        PtyDevice device;
        QVERIFY(device.isOpen());
        LinkOnPty rx(device.path());
        QVERIFY(rx.opened);

        constexpr int kFrames = 31;
        QByteArray stream;
        for (int n = 0; n < kFrames; ++n)
            stream += junk(junkBytes) + frame(n);
        // Everything goes out as fast as the terminal takes it, without waiting for the
        // receiver between frames.
        qsizetype sent = 0;
        for (int round = 0; round < 100000 && sent < stream.size(); ++round) {
            sent += device.writeSome(QByteArrayView(stream).sliced(sent));
            QCoreApplication::processEvents();
        }
        QCOMPARE(sent, stream.size());
        QTRY_COMPARE_WITH_TIMEOUT(rx.frames, kFrames, 5000);
        QCOMPARE(rx.port.waitingCount(), 0);
    }

    // A device that floods: the port holds a bounded amount whatever comes, the rest waits in
    // the system, and frames keep coming through all along.
    void floodKeepsTheBufferBounded()
    {
        PtyDevice device;
        QVERIFY(device.isOpen());
        LinkOnPty rx(device.path());
        QVERIFY(rx.opened);

        const QByteArray piece = junk(900) + frame(1);
        qint64 sent = 0;
        qint64 mostWaiting = 0;
        qsizetype at = 0;
        for (int round = 0; round < 4000; ++round) {
            // Several pieces per round: faster than one receive event a round takes away.
            for (int k = 0; k < 8; ++k) {
                const qsizetype n = device.writeSome(QByteArrayView(piece).sliced(at));
                sent += n;
                at = (at + n) % piece.size();
            }
            QCoreApplication::processEvents();
            mostWaiting = std::max(mostWaiting, rx.port.waitingCount());
        }
        QVERIFY2(mostWaiting <= QtSerialPort::kReadBufferSize,
            qPrintable(QStringLiteral("%1 bytes waited").arg(mostWaiting)));
        QVERIFY(sent > 4 * QtSerialPort::kReadBufferSize);
        QVERIFY(rx.frames > 0);
        // Nothing was dropped on the way: once the flood stops, every frame sent comes through.
        QTRY_COMPARE_WITH_TIMEOUT(rx.frames, static_cast<int>(sent / piece.size()), 5000);
    }
};

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
