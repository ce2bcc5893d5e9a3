#include "MeterConnection.h"

#include "ExitCode.h"
#include "Output.h"

#include <QEventLoop>
#include <QTimer>

namespace tc4dl::cli {

MeterConnection::MeterConnection()
    : m_ports(m_clock)
{
    m_session = std::make_unique<LiveSession>(
        m_clock, static_cast<LinkHost&>(*this),
        [this](const QString& name) { return m_ports.makePort(name); }, LinkTexts {}, true);
    m_session->link().setFrameObserver([this](const LiveReading& r) {
        ++m_readings;
        if (m_observer)
            m_observer(r);
    });
}

MeterConnection::~MeterConnection()
{
    (void)m_session->shutDown();
    m_session.reset();
}

int MeterConnection::connect(const QString& portName, bool demo, QTextStream& err)
{
    QStringList entries;
    RoutedSerialPort& port = m_session->comm1();
    if (!portName.isEmpty()) {
        entries << portName;
        // Say clearly why a named port is of no use before asking it anything.
        port.setDeviceName(ports::deviceNameFor(portName));
        QString reason;
        port.setOnError([&reason](const PortError& e) {
            reason = e.text;
            return ErrorAction::Abort;
        });
        if (!port.setActive(true)) {
            err << "Cannot open port " << port.deviceName()
                << (reason.isEmpty() ? QStringLiteral(".")
                                     : QStringLiteral(": ") + endSentence(reason))
                << '\n';
            err.flush();
            port.setOnError({});
            return CannotOpen;
        }
        (void)port.setActive(false);
        port.setOnError({});
    } else {
        entries = ports::listPorts(demo);
    }
    m_session->link().setPortEntries(entries);
    m_session->link().runIdentificationScan();
    if (!m_session->link().meterConnected()) {
        if (entries.isEmpty())
            err << "No meter found: there is no serial port to look on (try --demo).\n";
        else
            err << "No meter found on " << entries.join(QStringLiteral(", ")) << ".\n";
        err.flush();
        return NoMeter;
    }
    return Ok;
}

bool MeterConnection::waitForReading(int limitMs)
{
    if (m_readings > 0)
        return true;
    // The scan's last poll is usually answered by now; the tick polls again otherwise.
    m_session->setTicking(true);
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [this, &loop] {
        if (m_readings > 0)
            loop.quit();
    });
    limit.start(limitMs);
    check.start(20);
    loop.exec();
    return m_readings > 0;
}

bool MeterConnection::meterRecording() const
{
    return m_session->decoder().state().meterRecording;
}

} // namespace tc4dl::cli
