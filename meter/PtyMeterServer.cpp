#include "PtyMeterServer.h"

#include "Clock.h"
#include "SimulatedMeter.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace tc4dl {

namespace {

// Gap between the parts of a split reply: long enough for a reader to see them separately.
constexpr int kSplitGapMs = 10;

#ifdef Q_OS_UNIX
// A client that sends polls and never reads must not make the server grow without bound.
constexpr qsizetype kMaxBufferedOutput = 64 * 1024;
// A read error that persists is retried at this pace rather than in a busy loop.
constexpr int kReadRetryMs = 200;

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(
        QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}
#endif

} // namespace

PtyMeterServer::PtyMeterServer(Clock& clock, SimulatedMeter& meter, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_meter(meter),
      m_pacer(clock, this, [this](const QByteArray& bytes) { writeOut(bytes); })
{
}

PtyMeterServer::~PtyMeterServer()
{
    stop();
}

void PtyMeterServer::setSplitChunk(int bytes)
{
    m_pacer.setChunkSize(bytes);
    m_pacer.setChunkGapMs(bytes > 0 ? kSplitGapMs : 0);
}

void PtyMeterServer::reportError(const QString& text)
{
    m_errorString = text;
    Q_EMIT errorOccurred(text);
}

#ifdef Q_OS_UNIX

bool PtyMeterServer::isSupported()
{
    return true;
}

bool PtyMeterServer::start()
{
    if (isRunning())
        return true;
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        m_errorString = systemError("posix_openpt");
        return false;
    }
    const char* name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
        m_errorString = systemError("pseudo-terminal set-up");
        ::close(master);
        return false;
    }
    const QString path = QString::fromLocal8Bit(name);
    // Raw before any client can open it: no echo, no line editing, no CR/LF translation,
    // which would otherwise garble the first bytes a fast client exchanges.
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    termios tio {};
    if (slave < 0 || tcgetattr(slave, &tio) != 0) {
        m_errorString = systemError("opening the terminal side");
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return false;
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(slave, TCSANOW, &tio) != 0
        || fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0) {
        m_errorString = systemError("configuring the terminal");
        ::close(slave);
        ::close(master);
        return false;
    }
    m_master = master;
    m_slave = slave;
    m_devicePath = path;
    m_errorString.clear();
    m_readNotifier = new QSocketNotifier(master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyMeterServer::onReadable);
    m_writeNotifier = new QSocketNotifier(master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyMeterServer::onWritable);
    return true;
}

void PtyMeterServer::stop()
{
    m_pacer.clear();
    m_output.clear();
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
    m_devicePath.clear();
}

void PtyMeterServer::onReadable()
{
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            const QByteArray bytes(buffer, static_cast<qsizetype>(n));
            Q_EMIT bytesReceived(bytes);
            if (!isRunning())
                return; // stopped by a receiver of the signal
            for (const char byte : bytes) {
                m_pacer.send(m_meter.receive(byte, m_clock.tickMs()));
                // A terminal cannot drop its line without going away: a meter that hangs up
                // in a transfer just falls silent.
                (void)m_meter.logger().takeHangUp();
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // Unexpected: end of file or an error. Step back and look again later instead of
        // spinning on a descriptor that stays readable.
        reportError(n == 0 ? QStringLiteral("the terminal was closed") : systemError("read"));
        m_readNotifier->setEnabled(false);
        m_clock.callAfter(kReadRetryMs, this, [this] {
            if (m_readNotifier)
                m_readNotifier->setEnabled(true);
        });
        return;
    }
}

void PtyMeterServer::writeOut(const QByteArray& bytes)
{
    if (!isRunning())
        return;
    if (m_output.size() + bytes.size() > kMaxBufferedOutput) {
        reportError(QStringLiteral("the client does not read; a reply was dropped"));
        return;
    }
    m_output.append(bytes);
    flushOutput();
}

void PtyMeterServer::onWritable()
{
    flushOutput();
}

void PtyMeterServer::flushOutput()
{
    while (!m_output.isEmpty()) {
        const ssize_t n
            = ::write(m_master, m_output.constData(), static_cast<size_t>(m_output.size()));
        if (n > 0) {
            m_output.remove(0, static_cast<qsizetype>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            reportError(systemError("write"));
            m_output.clear();
        }
        break;
    }
    // Wait for room only while something is left, or the notifier fires without end.
    m_writeNotifier->setEnabled(!m_output.isEmpty());
}

#else // no pseudo-terminals

bool PtyMeterServer::isSupported()
{
    return false;
}

bool PtyMeterServer::start()
{
    m_errorString = QStringLiteral("pseudo-terminals are not supported on this system");
    return false;
}

void PtyMeterServer::stop()
{
    m_pacer.clear();
}

void PtyMeterServer::onReadable() { }
void PtyMeterServer::onWritable() { }
void PtyMeterServer::writeOut(const QByteArray&) { }
void PtyMeterServer::flushOutput() { }

#endif

} // namespace tc4dl
