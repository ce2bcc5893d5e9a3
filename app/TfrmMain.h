#pragma once

#include "ClientArea.h"
#include "Clock.h"
#include "FileCommands.h"
#include "GraphServices.h"
#include "GraphShared.h"
#include "LiveSession.h"
#include "MainMenus.h"
#include "MessageTable.h"
#include "PanelHost.h"
#include "PortList.h"
#include "Prompter.h"
#include "RealTimeRecorder.h"
#include "RecorderHost.h"
#include "RoutedSerialPort.h"
#include "SaveGraph.h"
#include "Settings.h"
#include "TfrmGraph.h"
#include "TfrmPanel.h"
#include "TfrmSetup.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPrinter;

namespace tc4dl {

class DataLoggerWindow;
class LoadCommand;
class LoggerData;
class Ticker;

// What the main window is given from outside: time, the Settings, every question a person
// answers, the serial transports and the port list. The program passes the real ones, tests
// their own.
struct MainWindowDeps {
    Clock* clock = nullptr;
    SettingsStore* settings = nullptr;
    Prompter* prompter = nullptr;
    RoutedSerialPort::Factory portFactory;
    std::function<QStringList()> listPorts;
    // Real timers in the program; in tests the handlers are called by the test.
    bool liveTimers = true;
    std::function<void()> beep; // default: the system's beep
    std::function<void(const QString& path)> openHelp; // default: the program's help window
    // The program's folder (graph template, save dialogs; default: the program file's) and
    // the user's data folder (the template when the program's folder is not writable).
    QString programFolder;
    QString dataFolder;
    // Where the file dialogs start before the user chose any folder (default: the user's
    // documents folder).
    QString documentsFolder;
    // Closes the start-up splash, if it is still there. Called on the first showing before
    // anything that may ask or tell: the splash stays on top and would cover a message.
    std::function<void()> closeSplash;
    // The regional settings text files follow: the system's, unless a test chooses.
    QLocale locale = QLocale::system();
    // The real-time journal (default: in the user's data folder).
    QString journalFile;
};

// The main window: toolbar, menus, status bar, the multiple-document area with the control
// panel and the graph windows, the blink timers and the Settings. The live link, its ports and
// its tick belong to the live session the window creates; the window is its LinkHost.
class TfrmMain final : public QMainWindow,
                       private LinkHost,
                       private BlinkTimers,
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
    void MaxMinTimerTimer();
    void RECTimerTimer();
    void ControlPanel1Click();
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
    void Print1Click();
    // File > Printer Setup: the printer and page that every later printout uses.
    void PrinterSetup1Click();

    // State for the other windows and for tests.
    [[nodiscard]] LiveSession& session() { return *m_session; }
    [[nodiscard]] LiveLink& link() { return m_session->link(); }
    [[nodiscard]] const LiveState& liveState() const { return m_session->decoder().state(); }
    [[nodiscard]] TfrmPanel* panel() const { return m_panel; }
    [[nodiscard]] const Settings& settings() const { return m_settings; }
    [[nodiscard]] RoutedSerialPort& comm1() { return m_session->comm1(); }
    [[nodiscard]] QAction* action(const QString& name) const;
    [[nodiscard]] QMenu* menu(const QString& name) const;
    [[nodiscard]] PortList* portList() const { return m_portList; }
    [[nodiscard]] QString statusDevice() const;
    [[nodiscard]] QString statusState() const;
    [[nodiscard]] ClientArea* mdiArea() const { return m_mdi; }
    [[nodiscard]] const Ticker& mainTimer() const { return m_session->mainTimer(); }
    [[nodiscard]] const Ticker& maxMinTimer() const { return *m_maxMinTimer; }
    [[nodiscard]] const Ticker& recTimer() const { return *m_recTimer; }
    [[nodiscard]] bool tickBusy() const override { return m_session->tickBusy(); }
    [[nodiscard]] bool maxMinBlinkOn() const { return m_maxMinBlinkOn; }
    [[nodiscard]] bool recBlinkOn() const { return m_recBlinkOn; }
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
    [[nodiscard]] QPrinter& printer();
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
    void buildStatusBar();
    void createPanel();
    void createLogger();
    void FormClose();
    // The real-time graph window: created before the panel, placed beside it.
    void createRealTimeGraph() override;
    void placeRealTimeGraph();
    // The sampling point of every main tick: the recorder's.
    void sampleTick(const TickCheck& check, double now);
    void onLeaseHeldChanged(bool held);

    // LinkHost
    void setRunEnabled(bool enabled) override;
    void setStopEnabled(bool enabled) override;
    void setDataLoggerEnabled(bool enabled) override;
    void setStatusText(const QString& device, const QString& state) override;
    void setNoConnectionVisible(bool visible) override;
    void setClearEnabled(bool enabled) override;
    void selectPortEntry(int index) override;
    bool realTimeRunning() const override { return m_recorder->running(); }
    void beep() override;
    // BlinkTimers
    void setRecTimerEnabled(bool enabled) override;
    void setMaxMinTimerEnabled(bool enabled) override;
    // PanelHost
    bool sendKey(char byte) override { return m_session->sendKey(byte); }
    bool meterConnected() const override { return m_session->link().meterConnected(); }
    void showPlainMessage(const QString& text) override { m_deps.prompter->tell(text); }
    bool maxMinTickBusy() const override { return m_maxMinTickBusy; }
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
    // RecorderHost (meterConnected, setRunEnabled and setStopEnabled serve it too)
    std::array<float, 4> currentValues() const override
    {
        return m_session->decoder().state().currentValues;
    }
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
    QMdiArea& documentArea() override { return *m_mdi; }
    GraphServices& graphServices() override { return *this; }
    QSize openedGraphSize() const override;
    void setOutputToGraphEnabled(bool enabled) override;

    MainWindowDeps m_deps;
    MessageTable m_messages;
    Settings m_settings;
    std::unique_ptr<LiveSession> m_session;

    ClientArea* m_mdi = nullptr;
    std::unique_ptr<MainMenus> m_menus;
    PortList* m_portList = nullptr;
    QLabel* m_statusDevice = nullptr;
    QLabel* m_statusState = nullptr;
    Ticker* m_maxMinTimer = nullptr;
    Ticker* m_recTimer = nullptr;
    QPointer<TfrmPanel> m_panel;
    GraphShared m_graphShared;
    std::unique_ptr<RealTimeRecorder> m_recorder;
    QPointer<TfrmGraph> m_realTimeGraph;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<LoggerData> m_loggerData;
    DataLoggerWindow* m_dataLogger = nullptr;
    LoadCommand* m_loadCommand = nullptr;
    QPointer<TfrmSetup> m_setup;
    std::unique_ptr<QPrinter> m_printer;

    bool m_maxMinTickBusy = false;
    bool m_maxMinBlinkOn = false;
    bool m_recBlinkOn = false;
    bool m_shown = false;
};

} // namespace tc4dl
