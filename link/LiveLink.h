#pragma once

#include "Clock.h"
#include "FrameReader.h"
#include "LiveDecoder.h"
#include "SerialPort.h"

#include <QStringList>

#include <array>
#include <optional>

namespace tc4dl {

// What happened to the connection, as the live link saw it.
enum class LinkChange {
    ScanFound, // the identification scan found the meter on a port
    ScanMissed, // no port answered the scan: the stored port is polled all the same
    FramesArrived, // a frame came after a silence (or after a scan that missed)
    Lost, // no frame for LiveLink::kMissedTickLimit ticks
};

// One report of the link: what changed, the device in use and the status text for it.
struct ConnectionReport {
    LinkChange change = LinkChange::Lost;
    QString device;
    QString state;
    [[nodiscard]] bool connected() const
    {
        return change != LinkChange::ScanMissed && change != LinkChange::Lost;
    }
};

// The windows as the live link sees them. The link only reports; what the windows enable or
// show in answer is theirs to decide. The main window implements it; tests implement it with
// a recorder.
class LinkHost {
public:
    virtual ~LinkHost() = default;
    virtual void connectionChanged(const ConnectionReport& report) = 0;
    // The port list shows entry `index` (selected by the program: no port change follows).
    virtual void selectPortEntry(int index) = 0;
    virtual void beep() = 0;
};

// The status texts of the link, from the main window's message table.
struct LinkTexts {
    QString connected; // IDS_9
    QString disconnected; // IDS_10
};

// What one main tick found.
struct TickCheck {
    bool frameArrived = false; // sampling may add a sample
    bool linkLost = false; // the lost-link actions ran in this tick
    // T1..T4 of the last frame, in degrees: what a sample taken at this tick holds.
    std::array<float, 4> values {};
    // The last frame's no-value marks of those readings (bit n: channel n has none).
    quint8 noValueMarks = 0;
};

// Diagnostics of the link for a person: the reader's counters and the link's own.
struct LinkCounters {
    FrameCounters reader;
    quint64 polls = 0;
    quint64 linkLosses = 0;
    quint64 keysSent = 0;
    quint64 reopenAttempts = 0; // of a device that was open and vanished, at most one a tick
};

// The live link on Comm1: the identification scan, framing of the received bytes, connection
// state and the link duties of the main tick, and the meter's key commands.
class LiveLink {
public:
    static constexpr int kReadLimit = 256;
    static constexpr int kAnswerWaitMs = 300;
    static constexpr int kAnswerMinimum = 4;
    static constexpr int kReplyBuffer = 8;
    static constexpr int kAsksPerPort = 2; // a port answering without a model code: once more
    static constexpr int kMissedTickLimit = 3;
    static constexpr int kKeyWaitLimitMs = 3000;

    LiveLink(
        SerialPort& comm1, Clock& clock, LinkHost& host, LiveDecoder& decoder, LinkTexts texts);
    ~LiveLink();
    LiveLink(const LiveLink&) = delete;
    LiveLink& operator=(const LiveLink&) = delete;

    // The entries of the port list, in order.
    void setPortEntries(const QStringList& entries) { m_entries = entries; }
    [[nodiscard]] const QStringList& portEntries() const { return m_entries; }

    // Model kept in the Settings, used when the scan finds nothing.
    void setStoredModel(int model) { m_storedModel = model; }
    [[nodiscard]] int storedModel() const { return m_storedModel; }
    void setLastConnectedPort(int index) { m_lastConnectedPort = index; }
    [[nodiscard]] int lastConnectedPort() const { return m_lastConnectedPort; }

    // Looks for the meter on every listed port, then starts the live link.
    void runIdentificationScan();
    // The receive handler of Comm1.
    void comm1RxChar();
    // Makes comm1RxChar the receive handler of Comm1 again (after the device was lent).
    void attachReceiveHandler();
    // The link duties of the main tick, in two halves: the frame check comes before sampling,
    // the poll after it.
    TickCheck checkFrameArrived();
    void sendPoll();
    // Sends one key command (one byte) while connected, with a beep.
    bool sendKey(char byte);

    // Called with every decoded frame, after the decoder ran.
    void setFrameObserver(std::function<void(const LiveReading&)> observer)
    {
        m_frameObserver = std::move(observer);
    }

    [[nodiscard]] bool meterConnected() const { return m_meterConnected; }
    [[nodiscard]] bool frameArrived() const { return m_frameArrived; }
    [[nodiscard]] int missedTicks() const { return m_missedTicks; }
    [[nodiscard]] bool receiverBusy() const { return m_receiverBusy; }
    [[nodiscard]] bool pollSending() const { return m_pollSending; }
    [[nodiscard]] int meterModel() const { return m_meterModel; }
    [[nodiscard]] QByteArray receiveText() const { return m_reader.pending(); }
    [[nodiscard]] LinkCounters counters() const;
    [[nodiscard]] SerialPort& port() const { return m_comm1; }

private:
    void selectEntry(int index);
    std::optional<QByteArray> askForModel();
    bool scanPort(int item);
    void finishScan();
    void onFrame(const MeterFrame& frame);
    void connectActions();
    void lostLinkActions();
    void report(LinkChange change);
    bool reopenVanishedDevice();

    SerialPort& m_comm1;
    Clock& m_clock;
    LinkHost& m_host;
    LiveDecoder& m_decoder;
    LinkTexts m_texts;
    FrameReader m_reader;
    QStringList m_entries;
    std::function<void(const LiveReading&)> m_frameObserver;

    bool m_meterConnected = false;
    bool m_frameArrived = false;
    int m_missedTicks = 0;
    bool m_receiverBusy = false;
    bool m_pollSending = false;
    // The device Comm1 was last seen open on; only that one is reopened when it vanishes.
    QString m_openedDevice;
    int m_meterModel = 740;
    int m_storedModel = 740;
    int m_lastConnectedPort = 0;
    quint64 m_polls = 0;
    quint64 m_linkLosses = 0;
    quint64 m_keysSent = 0;
    quint64 m_reopenAttempts = 0;
};

} // namespace tc4dl
