#pragma once

#include "ArchiveCommands.h"
#include "ClientArea.h"
#include "ControlPanelKeeper.h"
#include "FileCommands.h"
#include "GraphServices.h"
#include "GraphShared.h"
#include "LiveSession.h"
#include "MainControls.h"
#include "MainMenus.h"
#include "MainWindowDeps.h"
#include "MessageTable.h"
#include "PanelHost.h"
#include "PortList.h"
#include "PrintCommands.h"
#include "Prompter.h"
#include "RealTimeRecorder.h"
#include "RecorderHost.h"
#include "RoutedSerialPort.h"
#include "SaveGraph.h"
#include "Settings.h"
#include "StatusLine.h"
#include "TfrmGraph.h"
#include "TfrmPanel.h"
#include "TfrmSetup.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QAction;
class QMenu;
class QPrinter;

namespace tc4dl {

class ChannelAlarms;
class DataLoggerWindow;
class LoadCommand;
class LoggerData;
class ReportCommands;

// The main window: toolbar, menus, status bar, the multiple-document area with the control
// panel and the graph windows, the blink timers and the Settings. The live link, its ports and
// its tick belong to the live session the window creates; its reports reach the window's
// controls through MainControls.
class TfrmMain final : public QMainWindow,
                       private PanelHost,
                       private GraphServices,
                       private RecorderHost,
                       private FileHost {
    Q_OBJECT
public:
    explicit TfrmMain(MainWindowDeps deps, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The first showing: control panel, identification scan, MainTimer on.
    void FormShow();

    // Handlers of the timers, menus and toolbar (public so that tests can drive them).
    void MainTimerTimer() { m_session->mainTimerTimer(); }
    void MaxMinTimerTimer() { m_panelKeeper->maxMinTick(); }
    void RECTimerTimer() { m_panelKeeper->recTick(); }
    void ControlPanel1Click() { m_panelKeeper->show(); }
    void Exit1Click();
    void About1Click();
    void Contents1Click();
    void Tile1Click();
    void Cascade1Click();
    void ComboBoxDeviceNameChange();
    void btnRunClick();
    void btnStopClick();
    // View > Real Time Graph: restores the real-time graph window, or creates it again.
    void RealTimeGraph1Click();
    // File > Save and the toolbar's save button: saves the active child window.
    void Save1Click();
    // The Open command's single-file branch: a graph file or a text file in a new window.
    void openSingleFile() { m_files->openSingleFile(); }
    // "Output Tabular to graph": the active table window as a new graph.
    void btnOutputToGraphClick();
    [[nodiscard]] FileCommands& fileCommands() { return *m_files; }
    // Data Logger > Load and the Data Logger button: downloads the logger memory.
    void LoadData1Click();
    // File > Open and the toolbar's open button: a collection of data sets or a single file.
    void Open1Click();
    void OpenCollectionFile();
    // Data Logger > Setup: restores the set-up window, or creates it.
    void Setup1Click();
    // File > Print and the toolbar's print button: prints the active child window.
    void Print1Click() { m_print->print(); }
    // File > Printer Setup: the printer and page that every later printout uses.
    void PrinterSetup1Click() { m_print->printerSetup(); }

    // State for the other windows and for tests.
    [[nodiscard]] LiveSession& session() { return *m_session; }
    [[nodiscard]] LiveLink& link() { return m_session->link(); }
    [[nodiscard]] const LiveState& liveState() const { return m_session->decoder().state(); }
    [[nodiscard]] TfrmPanel* panel() const { return m_panelKeeper->panel(); }
    [[nodiscard]] const Settings& settings() const { return m_settings; }
    [[nodiscard]] RoutedSerialPort& comm1() { return m_session->comm1(); }
    [[nodiscard]] QAction* action(const QString& name) const;
    [[nodiscard]] QMenu* menu(const QString& name) const;
    [[nodiscard]] PortList* portList() const { return m_portList; }
    [[nodiscard]] QString statusDevice() const { return m_status->device(); }
    [[nodiscard]] QString statusState() const { return m_status->state(); }
    [[nodiscard]] ClientArea* mdiArea() const { return m_mdi; }
    [[nodiscard]] const Ticker& mainTimer() const { return m_session->mainTimer(); }
    [[nodiscard]] const Ticker& maxMinTimer() const { return m_panelKeeper->maxMinTimer(); }
    [[nodiscard]] const Ticker& recTimer() const { return m_panelKeeper->recTimer(); }
    [[nodiscard]] bool tickBusy() const override { return m_session->tickBusy(); }
    [[nodiscard]] bool maxMinBlinkOn() const { return m_panelKeeper->maxMinBlinkOn(); }
    [[nodiscard]] bool recBlinkOn() const { return m_panelKeeper->recBlinkOn(); }
    [[nodiscard]] int samplingRateSeconds() const { return m_settings.realTimeRate; }
    [[nodiscard]] double xExtendStepDays() const { return m_recorder->xExtendStep(); }
    [[nodiscard]] const MessageTable& messages() const { return m_messages; }
    [[nodiscard]] RealTimeRecorder& recorder() { return *m_recorder; }
    [[nodiscard]] TfrmGraph* realTimeGraph() const { return m_realTimeGraph; }
    [[nodiscard]] LoggerData& loggerData() { return *m_loggerData; }
    [[nodiscard]] DataLoggerWindow& dataLogger() { return *m_dataLogger; }
    [[nodiscard]] LoadCommand& loadCommand() { return *m_loadCommand; }
    [[nodiscard]] TfrmSetup* setupWindow() const { return m_setup; }
    // The program's current printer, chosen in the printer set-up or the last print dialog.
    [[nodiscard]] QPrinter& printer() { return m_print->printer(); }
    // The channel settings in use and the live alarms on them.
    [[nodiscard]] ChannelAlarms& alarms() { return *m_alarms; }
    // The state all graph windows share.
    [[nodiscard]] GraphShared& graphShared() override { return m_graphShared; }

Q_SIGNALS:
    // "E&xit": the program ends at once, without close questions and without the Settings.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormCreate();
    void connectActions();
    void createLogger();
    void FormClose();
    // The real-time graph window: created before the panel, placed beside it.
    void createRealTimeGraph() override;
    void placeRealTimeGraph();
    void onLeaseHeldChanged(bool held);

    // PanelHost
    bool sendKey(char byte) override { return m_session->sendKey(byte); }
    bool meterConnected() const override { return m_session->link().meterConnected(); }
    void showPlainMessage(const QString& text) override { m_deps.prompter->tell(text); }
    bool maxMinTickBusy() const override { return m_panelKeeper->maxMinTickBusy(); }
    void processEvents() override { m_deps.clock->processEvents(); }
    // GraphServices
    bool saveGraph(TfrmGraph& graph) override;
    void disableOutputToGraph() override;
    const MessageTable& mainMessages() const override { return m_messages; }
    Prompter& prompter() override { return *m_deps.prompter; }
    Clock& clock() override { return *m_deps.clock; }
    GraphFolders graphFolders() const override
    {
        return { m_deps.programFolder, m_deps.dataFolder };
    }
    // RecorderHost (meterConnected serves it too)
    void setRunEnabled(bool enabled) override { m_controls->setRunEnabled(enabled); }
    void setStopEnabled(bool enabled) override { m_controls->setStopEnabled(enabled); }
    void setRealTimeGraphChecked(bool checked) override;
    QWidget* dialogParent() override { return this; }
    int unit() const override { return m_session->decoder().state().cfDegree; }
    int samplingRate() const override { return m_settings.realTimeRate; }
    void setSamplingRate(int seconds) override { m_settings.realTimeRate = seconds; }
    // FileHost (prompter, mainMessages and processEvents serve it too)
    QString documentsFolder() const override { return m_deps.documentsFolder; }
    QByteArray collectionImage() const override;
    QLocale textLocale() const override { return m_deps.locale; }
    bool celsius() const override { return m_settings.cfDegree != 0; }
    // The channel names and limits, in the live unit the limits follow.
    const alarm::ChannelConfig* channelConfig() const override;
    std::optional<bool> celsiusInUse() const override { return unit() != 0; }
    QMdiArea& documentArea() override { return *m_mdi; }
    GraphServices& graphServices() override { return *this; }
    QSize openedGraphSize() const override;
    void setOutputToGraphEnabled(bool enabled) override;

    MainWindowDeps m_deps;
    MessageTable m_messages;
    Settings m_settings;
    // Before the session, which switches its blink timers: it goes after the session.
    std::unique_ptr<ControlPanelKeeper> m_panelKeeper;
    std::unique_ptr<MainControls> m_controls;
    std::unique_ptr<LiveSession> m_session;

    ClientArea* m_mdi = nullptr;
    std::unique_ptr<MainMenus> m_menus;
    PortList* m_portList = nullptr;
    std::unique_ptr<StatusLine> m_status;
    GraphShared m_graphShared;
    std::unique_ptr<RealTimeRecorder> m_recorder;
    QPointer<TfrmGraph> m_realTimeGraph;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<LoggerData> m_loggerData;
    DataLoggerWindow* m_dataLogger = nullptr;
    LoadCommand* m_loadCommand = nullptr;
    ArchiveCommands* m_archive = nullptr;
    ReportCommands* m_reports = nullptr;
    QPointer<TfrmSetup> m_setup;
    std::unique_ptr<PrintCommands> m_print;
    // Last: it watches the session, the status bar and the panel, and goes before them.
    std::unique_ptr<ChannelAlarms> m_alarms;

    bool m_shown = false;
};

} // namespace tc4dl
