#include "LiveLink.h"

#include "BusyGuard.h"

#include <array>
#include <optional>

namespace tc4dl {

LiveLink::LiveLink(
    SerialPort& comm1, Clock& clock, LinkHost& host, LiveDecoder& decoder, LinkTexts texts)
    : m_comm1(comm1),
      m_clock(clock),
      m_host(host),
      m_decoder(decoder),
      m_texts(std::move(texts))
{
}

LiveLink::~LiveLink()
{
    m_comm1.setOnRxChar({});
}

void LiveLink::attachReceiveHandler()
{
    m_comm1.setOnRxChar([this] { comm1RxChar(); });
}

void LiveLink::selectEntry(int index)
{
    m_host.selectPortEntry(index);
    const QString text = index >= 0 && index < m_entries.size() ? m_entries.at(index) : QString();
    m_comm1.setDeviceName(ports::deviceNameFor(text));
}

// One identify on the port Comm1 is set to: the first four bytes of its answer, or nothing
// when the port does not open, cannot be written or answers fewer than four bytes.
std::optional<QByteArray> LiveLink::askForModel()
{
    (void)m_comm1.setActive(true); // a port that does not open is simply skipped
    if (!m_comm1.isActive())
        return std::nullopt;
    if (!m_comm1.writeByte(bytes::kIdentify)) {
        (void)m_comm1.setActive(false);
        return std::nullopt;
    }
    m_clock.pause(kAnswerWaitMs);
    const qint64 waiting = m_comm1.waitingCount();
    std::array<char, kReplyBuffer> reply {};
    const qint64 got = m_comm1.readBytes(reply.data(), std::min<qint64>(waiting, kReplyBuffer));
    if (waiting < kAnswerMinimum || got < kAnswerMinimum) {
        (void)m_comm1.setActive(false);
        return std::nullopt;
    }
    return QByteArray(reply.data(), kAnswerMinimum);
}

bool LiveLink::scanPort(int item)
{
    selectEntry(item);
    // A port that answers something else is asked once more and both answers are read
    // together, so a model code split across them is found. Only this port's answers are
    // joined (no code is pieced together from two devices), and a talkative device costs its
    // own two questions, never the questions of the ports after it.
    QByteArray answers;
    for (int ask = 0; ask < kAsksPerPort; ++ask) {
        const std::optional<QByteArray> answer = askForModel();
        if (!answer)
            return false;
        answers += *answer;
        const bool has740 = answers.contains("740");
        if (has740 || answers.contains("735")) {
            m_meterModel = has740 ? 740 : 735;
            m_meterConnected = true;
            m_lastConnectedPort = item;
            return true;
        }
        (void)m_comm1.setActive(false);
    }
    return false;
}

void LiveLink::runIdentificationScan()
{
    m_comm1.setOnRxChar({});
    m_meterConnected = false;
    const int ports = static_cast<int>(m_entries.size());
    for (int item = 0; item < ports; ++item) {
        if (scanPort(item))
            break;
    }
    attachReceiveHandler();
    finishScan();
}

void LiveLink::finishScan()
{
    if (m_meterConnected) {
        m_storedModel = m_meterModel;
        report(LinkChange::ScanFound);
    } else {
        m_meterModel = (m_storedModel == 740 || m_storedModel == 735) ? m_storedModel : 740;
        // A stored index beyond the list (or -1, a typed name) falls back to the first entry.
        if (m_lastConnectedPort >= m_entries.size() || m_lastConnectedPort < 0)
            m_lastConnectedPort = 0;
        selectEntry(m_lastConnectedPort);
        report(LinkChange::ScanMissed);
    }
    (void)m_comm1.setActive(false);
    attachReceiveHandler();
    (void)m_comm1.setActive(true);
    if (m_comm1.isActive()) {
        m_openedDevice = m_comm1.deviceName();
        m_comm1.discardInput();
        if (m_comm1.writeByte(bytes::kPoll))
            ++m_polls;
    }
}

void LiveLink::comm1RxChar()
{
    BusyGuard busy(m_receiverBusy);
    const qint64 n = std::min<qint64>(m_comm1.waitingCount(), kReadLimit);
    if (n <= 0)
        return;
    std::array<char, kReadLimit> buffer;
    const qint64 got = m_comm1.readBytes(buffer.data(), n);
    if (got <= 0)
        return;
    m_reader.feed(buffer.data(), got, [this](const MeterFrame& frame) { onFrame(frame); });
}

void LiveLink::onFrame(const MeterFrame& frame)
{
    m_frameArrived = true;
    if (!m_meterConnected) {
        connectActions();
        m_meterConnected = true;
    }
    m_decoder.decodeFrame(frame);
    if (m_frameObserver)
        m_frameObserver(m_decoder.state().last);
}

void LiveLink::connectActions()
{
    report(LinkChange::FramesArrived);
}

void LiveLink::report(LinkChange change)
{
    ConnectionReport report { change, m_comm1.deviceName(), {} };
    report.state = report.connected() ? m_texts.connected : m_texts.disconnected;
    m_host.connectionChanged(report);
}

void LiveLink::lostLinkActions()
{
    report(LinkChange::Lost);
    if (m_meterConnected)
        m_reader.clear();
    m_meterConnected = false;
    m_missedTicks = 0;
    ++m_linkLosses;
}

TickCheck LiveLink::checkFrameArrived()
{
    TickCheck check;
    if (m_frameArrived) {
        m_frameArrived = false;
        m_missedTicks = 0;
        check.frameArrived = true;
        return check;
    }
    if (++m_missedTicks >= kMissedTickLimit) {
        lostLinkActions();
        check.linkLost = true;
    }
    return check;
}

void LiveLink::sendPoll()
{
    if (m_comm1.isActive())
        m_openedDevice = m_comm1.deviceName();
    else if (!reopenVanishedDevice())
        return;
    BusyGuard sending(m_pollSending);
    if (m_comm1.writeByte(bytes::kPoll))
        ++m_polls;
}

// Losing the link never closes the port, but a device that vanished (a USB adapter pulled
// out, the other end of a terminal hung up) closed itself. It is opened again here, once a
// tick and without a word when it fails, so that a meter plugged in again is taken up by its
// first frame as if it had only been silent. Only a device that was open is tried: a port that
// never opened (missing, or held by another program) stays closed until the user chooses a
// port, rather than being taken from under that program the moment it lets go.
bool LiveLink::reopenVanishedDevice()
{
    if (m_comm1.deviceName().isEmpty() || m_comm1.deviceName() != m_openedDevice)
        return false;
    ++m_reopenAttempts;
    if (!m_comm1.setActive(true) || !m_comm1.isActive())
        return false;
    attachReceiveHandler();
    (void)m_comm1.discardInput();
    return true;
}

bool LiveLink::sendKey(char byte)
{
    if (m_pollSending)
        m_clock.pause(100);
    m_clock.waitWhile([this] { return m_receiverBusy; }, kKeyWaitLimitMs);
    if (!m_meterConnected)
        return false;
    if (!m_comm1.writeByte(byte))
        return false;
    ++m_keysSent;
    m_host.beep();
    return true;
}

LinkCounters LiveLink::counters() const
{
    return LinkCounters { m_reader.counters(), m_polls, m_linkLosses, m_keysSent,
        m_reopenAttempts };
}

} // namespace tc4dl
