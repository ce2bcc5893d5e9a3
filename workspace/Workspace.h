#pragma once

#include "ArchiveKeeper.h"
#include "ChannelConfig.h"
#include "ControlStates.h"
#include "LiveAlarms.h"
#include "LiveSession.h"
#include "LoggerData.h"
#include "OpenData.h"
#include "Recording.h"
#include "RunArchive.h"
#include "Settings.h"
#include "Unit.h"

#include <QLocale>
#include <QObject>

#include <memory>
#include <vector>

namespace tc4dl {

class Clock;
class SettingsStore;

// What the workspace is given from outside: time, the store of the Settings, the serial
// transports and the folders and files it keeps its data in.
struct WorkspaceDeps {
    Clock* clock = nullptr;
    SettingsStore* settings = nullptr;
    RoutedSerialPort::Factory portFactory;
    // The link's status texts, in the program's language.
    LinkTexts texts;
    // Real timers in the program; in tests the ticks are called by the test.
    bool liveTimers = true;
    // The transfer file goes into the program's folder, or into the user's data folder where
    // the program's own is not writable; no program folder: no transfer file.
    QString programFolder;
    QString dataFolder;
    // The real-time journal; empty: none.
    QString journalFile;
    // The archive (empty: the Settings' choice, else the default file in the data folder) and
    // whether downloads and opened files are added to it at all in this run.
    QString archiveFile;
    bool archiveAdds = true;
    // The locale numbers in the alarm texts follow.
    QLocale locale;
};

// The controls that follow the link and the recording, as they stand.
struct ControlState {
    bool run = false; // btnRun, Run1
    bool stop = false; // btnStop, Stop1
    bool dataLogger = true; // btnDataLogger, DataLogger1
    bool clear = true; // the real-time graph's tbntClr
    friend bool operator==(const ControlState&, const ControlState&) = default;
};

// What the program knows while it runs, each piece once, whatever window shows it: the meter's
// connection as the link reports it and its live unit, the recording, the data sets on show
// with their origins and unsaved flags, the archive in use and its adds, the channel settings
// and the live alarms on them, and the Settings. It reports every change through signals and
// asks people nothing: the windows ask, then call it. The desktop program has one; anything
// else that records or serves the readings can have its own.
class Workspace final : public QObject, private LinkHost, private ControlSwitches {
    Q_OBJECT
public:
    explicit Workspace(WorkspaceDeps deps, QObject* parent = nullptr);
    ~Workspace() override;

    [[nodiscard]] Clock& clock() const { return *m_deps.clock; }

    // The meter.
    [[nodiscard]] LiveSession& session() { return *m_session; }
    [[nodiscard]] const LiveSession& session() const { return *m_session; }
    [[nodiscard]] const LiveState& live() const { return m_session->decoder().state(); }
    // As the link's reports say: found by the scan, or frames coming.
    [[nodiscard]] bool meterConnected() const { return m_report.connected(); }
    [[nodiscard]] const ConnectionReport& connection() const { return m_report; }
    // The unit of the live readings: the meter's own, from every frame (until the first, the
    // one it measured in when last seen).
    [[nodiscard]] Unit unit() const { return m_unit; }
    [[nodiscard]] const ControlState& controls() const { return m_controls; }

    // The data.
    [[nodiscard]] Recording& recording() { return *m_recording; }
    [[nodiscard]] OpenData& openData() { return *m_openData; }
    [[nodiscard]] LoggerData& logger() { return *m_logger; }
    [[nodiscard]] ArchiveKeeper& archive() { return *m_archive; }

    // The channels' names and limits, and the alarms on them.
    [[nodiscard]] alarm::ChannelConfig& channels() { return m_channels; }
    [[nodiscard]] LiveAlarms& alarms() { return *m_alarms; }
    // Keeps the channel settings and the alarm sound in the Settings' store.
    void keepChannels();

    // The Settings as read at the start, with what changed since.
    [[nodiscard]] Settings& settings() { return m_settings; }
    [[nodiscard]] SettingsStore& settingsStore() { return *m_deps.settings; }
    // The close with the close box: the Settings written, with the port and model the link
    // last used and the live unit.
    void writeSettings();
    // The archive's switch and file as the archive settings confirmed them; false when they
    // could not be written.
    [[nodiscard]] bool keepArchiveSettings(bool addsOn, const std::optional<QString>& path);

    // What the windows do to the data, once they have asked what they had to ask.
    // A collection file into the logger's store (its sets added to the archive).
    LoadReport openCollectionFile(const QString& path);
    // "Fixed the error ": the sets before the damaged one of the last download.
    LoadReport fixLoggerError();
    // The archive's sets `ids`, read from it as `image`, on view; empty or why they could not.
    [[nodiscard]] QString showArchiveSets(const std::vector<qint64>& ids, const MemoryImage& image);
    // Stop from the toolbar or the menu: a running tick finishes first.
    void stopRecording();

    // Where the link's reports arrive (tests play the link through it).
    void reportConnection(const ConnectionReport& report) { connectionChanged(report); }

    // How long a stop from outside waits for a running tick.
    static constexpr int kTickWaitMs = 2500;

Q_SIGNALS:
    // The link reported a change: the device, the status text, connected or not.
    void connectionReported(const tc4dl::ConnectionReport& report);
    void controlsChanged();
    // Every frame, decoded.
    void frameDecoded(const tc4dl::LiveReading& reading);
    void unitChanged(tc4dl::Unit unit);
    // The port list is to show entry `index` (chosen by the scan: no port change follows).
    void portEntrySelected(int index);
    // A key was sent to the meter.
    void keyBeep();
    // Each main tick's sampling point, after the recording and the alarms had it.
    void sampled(const tc4dl::TickCheck& check, double nowSerial);

private:
    // LinkHost
    void connectionChanged(const ConnectionReport& report) override;
    void selectPortEntry(int index) override { Q_EMIT portEntrySelected(index); }
    void beep() override { Q_EMIT keyBeep(); }
    // ControlSwitches
    void setRunEnabled(bool enabled) override { setControl(&ControlState::run, enabled); }
    void setStopEnabled(bool enabled) override { setControl(&ControlState::stop, enabled); }
    void setDataLoggerEnabled(bool enabled) override
    {
        setControl(&ControlState::dataLogger, enabled);
    }
    void setClearEnabled(bool enabled) override { setControl(&ControlState::clear, enabled); }
    void setNoConnectionVisible(bool) override { }
    void setStatusText(const QString&, const QString&) override { }

    void setControl(bool ControlState::*control, bool on);
    void onFrame(const LiveReading& reading);
    void onSamplingPoint(const TickCheck& check, double nowSerial);
    void loggerLoaded(const LoadReport& report, DataOrigin origin);
    void connectRecording();
    void connectRunArchive();

    WorkspaceDeps m_deps;
    Settings m_settings;
    Unit m_unit = Unit::Celsius;
    ConnectionReport m_report { LinkChange::ScanMissed, {}, {} };
    ControlState m_controls;
    ControlStates m_states;
    std::unique_ptr<LiveSession> m_session;
    std::unique_ptr<Recording> m_recording;
    std::unique_ptr<LoggerData> m_logger;
    std::unique_ptr<OpenData> m_openData;
    std::unique_ptr<ArchiveKeeper> m_archive;
    std::unique_ptr<RunArchive> m_runArchive;
    // The no-value marks of the frame the sampling point in progress samples.
    quint8 m_samplingMarks = 0;
    alarm::ChannelConfig m_channels;
    std::unique_ptr<LiveAlarms> m_alarms;
    // The device the last download was on: a fix of it comes from there too.
    QString m_downloadDevice;
};

} // namespace tc4dl
