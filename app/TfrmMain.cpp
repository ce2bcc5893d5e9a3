#include "TfrmMain.h"

#include "Artwork.h"
#include "ChannelAlarms.h"
#include "ClientArea.h"
#include "ControlPanelKeeper.h"
#include "FileCommands.h"
#include "HelpWindow.h"
#include "LivePageCommands.h"
#include "LoadCommand.h"
#include "MainControls.h"
#include "MainMenus.h"
#include "MessageIds.h"
#include "OpenCollectionFile.h"
#include "PortList.h"
#include "PrintCommands.h"
#include "ProgramFolders.h"
#include "ProgramGraphServices.h"
#include "ProgramWindows.h"
#include "RealTimeRecorder.h"
#include "ReportCommands.h"
#include "StatusLine.h"
#include "TfrmAbout.h"
#include "TfrmGraph.h"
#include "TfrmList.h"
#include "Workspace.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QMenu>
#include <QStatusBar>

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
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    // The child windows outlive the members below (QWidget deletes them last): cut them off.
    // The graph windows reach back into the windows' roles and the workspace: they go while
    // both are whole.
    m_mdi->releaseChildren(this);
    m_livePage.reset();
    m_alarms.reset();
    m_windows.reset();
    m_workspace.reset();
}

void TfrmMain::FormCreate()
{
    registerArtwork();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("TC4DL"));
    resize(738, 579);

    m_workspace = std::make_unique<Workspace>(workspaceDeps(m_deps,
        LinkTexts { m_messages.getTextOrDefault(QLatin1String(mainmsg::kConnected)),
            m_messages.getTextOrDefault(QLatin1String(mainmsg::kDisconnected)) }));
    m_mdi = new ClientArea(this);
    setCentralWidget(m_mdi);
    m_menus = std::make_unique<MainMenus>(*this);
    m_portList = m_menus->portList();
    m_status = std::make_unique<StatusLine>(*statusBar());

    QAction* outputToGraph = action(QStringLiteral("btnOutputToGraph"));
    m_graphs = std::make_unique<ProgramGraphServices>(
        ProgramGraphServices::Parts { m_workspace.get(), m_deps.prompter,
            GraphFolders { m_deps.programFolder, m_deps.dataFolder }, outputToGraph, {} });
    m_files
        = std::make_unique<FileCommands>(FileCommands::Deps { m_workspace.get(), m_deps.prompter,
            m_graphs.get(), m_mdi, outputToGraph, m_deps.documentsFolder, m_deps.locale });
    m_files->saveDialog().lastFolder = m_workspace->settings().lastFolder;
    m_graphs->setSaveGraph([this](TfrmGraph& graph) {
        return m_files->saveGraph(graph.model(), graph.dataCelsius()) == SaveGraphResult::Saved;
    });
    m_print = std::make_unique<PrintCommands>(*m_mdi, *m_deps.prompter);
    m_files->printTableHandler = [this](TfrmList& list) { m_print->printTable(list); };

    m_windows = std::make_unique<ProgramWindows>(ProgramWindows::Parts {
        this, m_workspace.get(), m_graphs.get(), m_mdi, m_menus.get(), m_files.get(), &m_deps });
    m_controls = std::make_unique<MainControls>(
        *m_workspace, *m_menus, *m_portList, *m_status, [this] { m_deps.beep(); });
    m_alarms = std::make_unique<ChannelAlarms>(
        ChannelAlarms::Parts { m_workspace.get(), m_windows.get(), m_status.get(), this,
            action(QStringLiteral("Channels1")), action(QStringLiteral("Acknowledge1")) },
        m_deps);
    m_livePage = std::make_unique<LivePageCommands>(LivePageCommands::Parts { m_workspace.get(),
        m_deps.prompter, this, action(QStringLiteral("LivePage1")),
        QDir(m_deps.dataFolder).filePath(QStringLiteral("livepage.token")) });
    m_reports = new ReportCommands(
        { m_mdi, m_workspace.get(), m_windows.get(), m_graphs.get(), &m_files->saveDialog(), this },
        m_deps, this);
    connect(
        action(QStringLiteral("Report1")), &QAction::triggered, m_reports, &ReportCommands::report);
    connectActions();

    m_messages.applyTo(this);
    setWindowTitle(QStringLiteral("TC4DL"));

    const QStringList entries = m_deps.listPorts();
    LiveSession& session = m_workspace->session();
    session.link().setPortEntries(entries);
    m_portList->setEntries(entries);
    session.comm1().setDeviceName(ports::deviceNameFor(m_portList->portText()));
    // Nothing may move the live port while another command has the device.
    connect(&session, &LiveSession::leaseHeldChanged, m_portList,
        [this](bool held) { m_portList->setEnabled(!held); });
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
        LiveSession& session = m_workspace->session();
        if (!session.comm1().isActive() && !session.leaseHeld())
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

QPrinter& TfrmMain::printer()
{
    return m_print->printer();
}

void TfrmMain::FormShow()
{
    if (m_shown)
        return;
    m_shown = true;
    if (m_deps.closeSplash)
        m_deps.closeSplash();
    m_windows->createAtStart();
    m_workspace->session().start();
    // A recording the last session could not save is offered back once the windows are up
    // and the splash has gone.
    m_deps.clock->callAfter(0, this, [this] { m_windows->recorder().offerJournal(); });
    m_livePage->startAtLaunch();
}

void TfrmMain::MainTimerTimer()
{
    m_workspace->session().mainTimerTimer();
}

void TfrmMain::MaxMinTimerTimer()
{
    m_windows->panelKeeper().maxMinTick();
}

void TfrmMain::RECTimerTimer()
{
    m_windows->panelKeeper().recTick();
}

void TfrmMain::ControlPanel1Click()
{
    m_windows->panelKeeper().show();
}

void TfrmMain::RealTimeGraph1Click()
{
    m_windows->showRealTimeGraph();
}

void TfrmMain::Save1Click()
{
    // Each window saves what it holds: the graph roles answer for their data themselves.
    if (ChildWindow* child = m_mdi->activeChild())
        child->save();
}

void TfrmMain::openSingleFile()
{
    m_files->openSingleFile();
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
    m_windows->loadCommand().LoadData1Click();
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
    m_windows->openCollectionFile();
}

void TfrmMain::Setup1Click()
{
    m_windows->showSetup();
}

void TfrmMain::Print1Click()
{
    m_print->print();
}

void TfrmMain::PrinterSetup1Click()
{
    m_print->printerSetup();
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
    LiveSession& session = m_workspace->session();
    if (session.changePort(m_portList->currentText(), m_portList->currentEntry())) {
        m_portList->acceptCurrent();
        // The status bar names the port in use from now on, not only once the link state
        // next changes.
        m_status->setDevice(session.comm1().deviceName());
    } else { // the device is lent: the list goes back to the port in use
        m_portList->revert();
    }
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    LiveSession& session = m_workspace->session();
    // A command that has the device (a logger transfer) ends first; the window stays, and the
    // user is told why rather than left with a close box that does nothing.
    if (session.leaseHeld()) {
        m_deps.prompter->tell(
            m_messages.getTextOrDefault(QLatin1String(mainmsg::kDeviceBusyAtClose)));
        event->ignore();
        return;
    }
    if (!m_mdi->childrenAllowClose() || !session.shutDown()) {
        event->ignore();
        return;
    }
    FormClose();
    // Every save question has been answered: what the journal held was saved or let go.
    m_workspace->recording().discardJournal();
    event->accept();
}

void TfrmMain::FormClose()
{
    Settings& settings = m_workspace->settings();
    settings.annoColor = static_cast<qint32>(m_graphs->graphShared().annoColor);
    settings.lastFolder = m_files->saveDialog().lastFolder;
    m_workspace->writeSettings();
}

void TfrmMain::btnRunClick()
{
    // While the logger borrows the device there are no live readings to record.
    if (m_workspace->session().leaseHeld())
        return;
    m_windows->recorder().run();
}

void TfrmMain::btnStopClick()
{
    m_windows->recorder().stop();
}

} // namespace tc4dl
