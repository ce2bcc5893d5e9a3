#include "TfrmMain.h"

#include "Artwork.h"
#include "ChannelAlarms.h"
#include "CollectionFile.h"
#include "DataLoggerWindow.h"
#include "DocumentArea.h"
#include "GraphConfig.h"
#include "HelpWindow.h"
#include "LoadCommand.h"
#include "LoggerData.h"
#include "MessageIds.h"
#include "OpenCollectionFile.h"
#include "ProgramFolders.h"
#include "ReportCommands.h"
#include "TfrmAbout.h"
#include "TfrmList.h"
#include "TfrmPanel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>

namespace tc4dl {

TfrmMain::TfrmMain(MainWindowDeps deps, QWidget* parent)
    : QMainWindow(parent),
      m_deps(std::move(deps)),
      m_messages(MessageTable::forWindow(QStringLiteral("TfrmMain")))
{
    Q_ASSERT(m_deps.clock && m_deps.settings && m_deps.prompter && m_deps.portFactory);
    fillDefaults(m_deps);
    if (!m_deps.openHelp)
        m_deps.openHelp = [this](const QString& path) {
            return HelpWindow::showFor(*this, path,
                m_messages.languageInUse() == Language::German ? QStringLiteral("de")
                                                               : QStringLiteral("en"));
        };
    m_files = std::make_unique<FileCommands>(static_cast<FileHost&>(*this));
    m_files->printTableHandler = [this](TfrmList& list) { m_print->printTable(list); };
    m_recorder = std::make_unique<RealTimeRecorder>(
        static_cast<RecorderHost&>(*this), static_cast<GraphServices&>(*this));
    m_recorder->setJournal(m_deps.journalFile);
    FormCreate();
    m_alarms = std::make_unique<ChannelAlarms>(*this, *m_status, m_deps);
}

TfrmMain::~TfrmMain()
{
    // The child windows outlive the members below (QWidget deletes them last): cut them off.
    // The graph windows reach back into this window (activation, bookkeeping): they go
    // while it is still whole.
    m_mdi->releaseChildren(this);
    // A load still running gives the device back before the session goes.
    delete m_loadCommand;
    m_loggerData.reset();
    // The set-up window may hold the device: it gives it back while the session is whole.
    if (TfrmSetup* setup = m_setup)
        delete setup->parentWidget();
    m_session->decoder().setPanel(nullptr);
    m_session.reset();
}

void TfrmMain::FormCreate()
{
    registerArtwork();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("TC4DL"));
    resize(738, 579);

    m_mdi = new ClientArea(this);
    setCentralWidget(m_mdi);

    m_menus = std::make_unique<MainMenus>(*this);
    m_portList = m_menus->portList();
    connectActions();
    m_status = std::make_unique<StatusLine>(*statusBar());
    m_print = std::make_unique<PrintCommands>(*m_mdi, *m_deps.prompter);
    m_panelKeeper = std::make_unique<ControlPanelKeeper>(
        static_cast<PanelHost&>(*this), *m_mdi,
        [this]() -> LiveDecoder& { return m_session->decoder(); },
        ControlPanelKeeper::Actions {
            action(QStringLiteral("ControlPanel1")), action(QStringLiteral("btnOutputToGraph")) },
        m_deps.liveTimers, nullptr);

    m_messages.applyTo(this);
    setWindowTitle(QStringLiteral("TC4DL"));

    m_controls = std::make_unique<MainControls>(MainControls::Parts { m_menus.get(), m_portList,
        m_status.get(), m_panelKeeper.get(), [this] { return m_realTimeGraph.data(); },
        [this] { return m_recorder->running(); }, [this] { m_deps.beep(); } });
    m_session = std::make_unique<LiveSession>(*m_deps.clock, *m_controls, *m_panelKeeper,
        m_deps.portFactory,
        LinkTexts { m_messages.getTextOrDefault(QLatin1String(mainmsg::kConnected)),
            m_messages.getTextOrDefault(QLatin1String(mainmsg::kDisconnected)) },
        m_deps.liveTimers);
    connect(
        m_session.get(), &LiveSession::samplingPoint, m_recorder.get(), &RealTimeRecorder::onTick);
    connect(m_session.get(), &LiveSession::leaseHeldChanged, this, &TfrmMain::onLeaseHeldChanged);

    m_settings = Settings::read(*m_deps.settings);
    m_settings.applyTo(*m_session, m_graphShared);
    m_files->saveDialog().lastFolder = m_settings.lastFolder;

    const QStringList entries = m_deps.listPorts();
    m_session->link().setPortEntries(entries);
    m_portList->setEntries(entries);
    m_session->comm1().setDeviceName(ports::deviceNameFor(m_portList->portText()));
    createLogger();
}

void TfrmMain::createLogger()
{
    m_loggerData = std::make_unique<LoggerData>(
        *m_deps.clock, *m_session, m_deps.programFolder, m_deps.dataFolder);
    m_dataLogger = new DataLoggerWindow(
        static_cast<GraphServices&>(*this), *m_mdi, m_loggerData->store(),
        [this] { return QSize(width(), height() - menuBar()->height()); },
        [this] {
            // The question was about the logger's window: that one is saved, whichever
            // window is active.
            TfrmGraph* window = m_dataLogger->window();
            return window && m_files->saveDataLogger(*window);
        },
        this);
    LoadCommand::Deps load;
    load.data = m_loggerData.get();
    load.session = m_session.get();
    load.window = m_dataLogger;
    load.prompter = m_deps.prompter;
    load.clock = m_deps.clock;
    load.shared = &m_graphShared;
    load.dialogParent = this;
    m_loadCommand = new LoadCommand(load, this);
    m_archive
        = new ArchiveCommands(*m_loggerData, *m_dataLogger, *m_session, *m_mdi, m_deps, m_settings,
            action(QStringLiteral("Archive1")), action(QStringLiteral("ArchiveSettings1")), this);
    m_reports = new ReportCommands(
        { m_mdi, m_loggerData.get(), m_dataLogger, m_recorder.get(),
            [this] { return m_realTimeGraph.data(); }, &m_archive->keeper(), this,
            &m_files->saveDialog(),
            [this] { return link().meterConnected() ? link().meterModel() : 0; },
            [this] { return celsius(); }, this },
        m_deps, this);
    connect(
        action(QStringLiteral("Report1")), &QAction::triggered, m_reports, &ReportCommands::report);
}

void TfrmMain::connectActions()
{
    auto on = [this](const char* name, void (TfrmMain::*handler)()) {
        connect(action(QLatin1String(name)), &QAction::triggered, this, handler);
    };
    on("Exit1", &TfrmMain::Exit1Click);
    on("About1", &TfrmMain::About1Click);
    on("Contents1", &TfrmMain::Contents1Click);
    on("SpeedButton8", &TfrmMain::Contents1Click);
    on("ControlPanel1", &TfrmMain::ControlPanel1Click);
    on("Tile1", &TfrmMain::Tile1Click);
    on("Cascade1", &TfrmMain::Cascade1Click);
    on("RealTimeGraph1", &TfrmMain::RealTimeGraph1Click);
    on("Save1", &TfrmMain::Save1Click);
    on("SpeedButton2", &TfrmMain::Save1Click);
    on("btnOutputToGraph", &TfrmMain::btnOutputToGraphClick);
    on("Open1", &TfrmMain::Open1Click);
    on("SpeedButton1", &TfrmMain::Open1Click);
    on("LoadData1", &TfrmMain::LoadData1Click);
    on("btnDataLogger", &TfrmMain::LoadData1Click);
    on("Setup1", &TfrmMain::Setup1Click);
    on("Print1", &TfrmMain::Print1Click);
    on("btnPrint", &TfrmMain::Print1Click);
    on("PrinterSetup1", &TfrmMain::PrinterSetup1Click);
    on("btnRun", &TfrmMain::btnRunClick);
    on("Run1", &TfrmMain::btnRunClick);
    on("btnStop", &TfrmMain::btnStopClick);
    on("Stop1", &TfrmMain::btnStopClick);

    QMenu* windows = m_menus->windowMenu();
    connect(windows, &QMenu::aboutToShow, this, [this, windows] {
        m_mdi->fillWindowMenu(
            *windows, { action(QStringLiteral("Tile1")), action(QStringLiteral("Cascade1")) });
    });
    connect(m_portList, &PortList::changedByPerson, this, &TfrmMain::ComboBoxDeviceNameChange);
    // The tick reopens only a device that was open; a port that never opened (missing, or held
    // by another program) is opened again when the person picks it again in the list.
    connect(m_portList, &PortList::pickedAgain, this, [this] {
        if (!m_session->comm1().isActive() && !m_session->leaseHeld())
            ComboBoxDeviceNameChange();
    });
}

QAction* TfrmMain::action(const QString& name) const
{
    return m_menus->action(name);
}

QMenu* TfrmMain::menu(const QString& name) const
{
    return m_menus->menu(name);
}

void TfrmMain::FormShow()
{
    if (m_shown)
        return;
    m_shown = true;
    if (m_deps.closeSplash)
        m_deps.closeSplash();
    createRealTimeGraph();
    m_panelKeeper->create();
    placeRealTimeGraph();
    m_session->start();
    // A recording the last session could not save is offered back once the windows are up
    // and the splash has gone.
    m_deps.clock->callAfter(0, this, [this] { m_recorder->offerJournal(); });
}

void TfrmMain::createRealTimeGraph()
{
    QString error;
    m_realTimeGraph
        = CreateRealTimeGraph(*this, *m_mdi, *m_recorder, m_settings.realTimeRate, &error);
    // A damaged template is said here and the graph takes the built-in look instead.
    if (!error.isEmpty())
        qWarning("Graph template: %s", qPrintable(error));
}

void TfrmMain::placeRealTimeGraph()
{
    TfrmGraph* graph = m_realTimeGraph;
    if (!graph)
        return;
    // Beside the panel, as wide as the main window allows plus 150 pixels, but never past
    // the client area's visible right edge: what lies beyond it is the newest part of the
    // running graph and the window's own buttons, which nobody could see or reach.
    TfrmPanel* panel = m_panelKeeper->panel();
    const int panelWidth = panel ? panel->frameWindow()->width() : 0;
    const int barHeight = m_menus->toolBar()->height();
    const int visibleWidth = m_mdi->viewport()->width() - panelWidth;
    QWidget* frame = graph->frameWindow();
    const int height = frameGeometry().height() - barHeight - statusBar()->height() - 40;
    frame->setGeometry(documentarea::placedInView(*m_mdi,
        QRect(panelWidth, 0, std::min(width() - panelWidth + 150, visibleWidth), height),
        frame->minimumSizeHint()));
    m_mdi->activateChild(frame);
    graph->setFocus();
}

void TfrmMain::RealTimeGraph1Click()
{
    if (TfrmGraph* graph = m_realTimeGraph) {
        m_mdi->showChild(graph->frameWindow());
    } else {
        // A graph made anew comes back where and as large as the one of the start.
        createRealTimeGraph();
        placeRealTimeGraph();
    }
    // Checked exactly while the window exists, whatever the click did to the mark.
    action(QStringLiteral("RealTimeGraph1"))->setChecked(m_realTimeGraph);
}

void TfrmMain::Save1Click()
{
    ChildWindow* child = m_mdi->activeChild();
    if (!child)
        return;
    // The logger's graph asks first whether to save all data sets or the graph shown.
    auto* graph = dynamic_cast<TfrmGraph*>(child);
    if (graph && graph->windowTitle() == TfrmGraph::dataLoggerCaption())
        m_files->saveDataLogger(*graph);
    else
        child->save();
}

void TfrmMain::btnOutputToGraphClick()
{
    // The button may still be enabled with another window active, or none.
    ChildWindow* child = m_mdi->activeChild();
    if (child && child->canOutputToGraph())
        child->outputToGraph();
}

void TfrmMain::LoadData1Click()
{
    m_loadCommand->LoadData1Click();
}

void TfrmMain::Open1Click()
{
    const Prompter::Choice choice = openFileChoice(
        m_messages.getTextOrDefault(QLatin1String(mainmsg::kOpenFileCaption)), m_deps.locale);
    switch (m_deps.prompter->choose(choice)) {
    case Prompter::Answer::Ok:
        OpenCollectionFile();
        break;
    case Prompter::Answer::No:
        openSingleFile();
        break;
    default:
        break;
    }
}

void TfrmMain::OpenCollectionFile()
{
    QString chosen;
    const CollectionOpen opened
        = tc4dl::OpenCollectionFile(*m_loggerData, *m_dataLogger, *m_deps.prompter, *m_deps.clock,
            m_files->saveDialog().startFolder(m_deps.documentsFolder), &chosen);
    m_archive->collectionOpened(opened, chosen);
    m_files->saveDialog().chosen(chosen);
}

void TfrmMain::Setup1Click()
{
    if (TfrmSetup* setup = m_setup) {
        m_mdi->showChild(setup->parentWidget());
        return;
    }
    auto* setup = new TfrmSetup(*m_deps.clock, *m_session, *m_deps.prompter);
    QMdiSubWindow* sub
        = m_mdi->addSubWindow(setup, Qt::SubWindow | Qt::MSWindowsFixedSizeDialogHint);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(windowIcon());
    m_setup = setup;
    sub->show();
    setup->centreOnScreen();
    m_mdi->activateChild(sub);
}

bool TfrmMain::saveGraph(TfrmGraph& graph)
{
    return m_files->saveGraph(graph.model(), graph.dataCelsius()) == SaveGraphResult::Saved;
}

const alarm::ChannelConfig* TfrmMain::channelConfig() const
{
    return m_alarms ? &m_alarms->config() : nullptr;
}

QByteArray TfrmMain::collectionImage() const
{
    return m_loggerData->collectionImage();
}

QSize TfrmMain::openedGraphSize() const
{
    // As wide as the main window, as high as its client height less 40 pixels, but inside the
    // document area, which the toolbar and the status bar make lower than that.
    const int client = height() - (menuBar() ? menuBar()->height() : 0);
    return documentarea::placedInView(*m_mdi, QRect(0, 0, width(), std::max(client - 40, 100)))
        .size();
}

void TfrmMain::setOutputToGraphEnabled(bool enabled)
{
    action(QStringLiteral("btnOutputToGraph"))->setEnabled(enabled);
}

void TfrmMain::disableOutputToGraph()
{
    action(QStringLiteral("btnOutputToGraph"))->setEnabled(false);
}

void TfrmMain::setRealTimeGraphChecked(bool checked)
{
    action(QStringLiteral("RealTimeGraph1"))->setChecked(checked);
}

void TfrmMain::Exit1Click()
{
    Q_EMIT exitRequested();
}

void TfrmMain::About1Click()
{
    auto* about = new TfrmAbout(TfrmAbout::Mode::About, this);
    about->centreOnScreen();
    m_deps.prompter->runDialog(*about);
}

void TfrmMain::Contents1Click()
{
    const QString path = findShippedFile(
        shippedFileFolders(m_deps.programFolder), QStringLiteral("TC4DLHELP.htm"));
    if (path.isEmpty() || !m_deps.openHelp(path))
        m_deps.prompter->tell(m_messages.getTextOrDefault(QLatin1String(mainmsg::kHelpPageMissing))
                                  .arg(QStringLiteral("TC4DLHELP.htm")));
}

bool TfrmMain::event(QEvent* event)
{
    // A button's hint is its tooltip; the status bar keeps showing the port and the link state
    // rather than giving both panels up to it while the pointer rests on a button.
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

void TfrmMain::Tile1Click()
{
    m_mdi->tileChildren();
}

void TfrmMain::Cascade1Click()
{
    m_mdi->cascadeChildren();
}

void TfrmMain::ComboBoxDeviceNameChange()
{
    if (m_session->changePort(m_portList->currentText(), m_portList->currentEntry())) {
        m_portList->acceptCurrent();
        // The status bar names the port in use from now on, not only once the link state
        // next changes.
        m_status->setDevice(m_session->comm1().deviceName());
    } else { // the device is lent: the list goes back to the port in use
        m_portList->revert();
    }
}

void TfrmMain::onLeaseHeldChanged(bool held)
{
    // Nothing may move the live port while another command has the device.
    m_portList->setEnabled(!held);
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // A command that has the device (a logger transfer) ends first; the window stays, and the
    // user is told why rather than left with a close box that does nothing.
    if (m_session->leaseHeld()) {
        m_deps.prompter->tell(
            m_messages.getTextOrDefault(QLatin1String(mainmsg::kDeviceBusyAtClose)));
        event->ignore();
        return;
    }
    if (!m_mdi->childrenAllowClose() || !m_session->shutDown()) {
        event->ignore();
        return;
    }
    FormClose();
    // Every save question has been answered: what the journal held was saved or let go.
    m_recorder->discardJournal();
    event->accept();
}

void TfrmMain::FormClose()
{
    m_settings.takeFrom(*m_session, m_graphShared);
    m_settings.lastFolder = m_files->saveDialog().lastFolder;
    m_settings.write(*m_deps.settings);
}

void TfrmMain::btnRunClick()
{
    // While the logger borrows the device there are no live readings to record.
    if (m_session->leaseHeld())
        return;
    m_recorder->run();
}

void TfrmMain::btnStopClick()
{
    m_recorder->stop();
}

} // namespace tc4dl
