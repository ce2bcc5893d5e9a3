#include "ProgramWindows.h"

#include "ArchiveCommands.h"
#include "ClientArea.h"
#include "ControlPanelKeeper.h"
#include "DataLoggerWindow.h"
#include "DocumentArea.h"
#include "FileCommands.h"
#include "GraphConfig.h"
#include "LoadCommand.h"
#include "MainMenus.h"
#include "MainWindowDeps.h"
#include "MessageIds.h"
#include "MessageTable.h"
#include "OpenCollectionFile.h"
#include "ProgramGraphServices.h"
#include "RealTimeRecorder.h"
#include "TfrmPanel.h"
#include "TfrmSetup.h"
#include "Workspace.h"

#include <QAction>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>

namespace tc4dl {

ProgramWindows::ProgramWindows(Parts parts, QObject* parent)
    : QObject(parent),
      m_parts(parts),
      m_prompter(*parts.deps->prompter)
{
    Q_ASSERT(m_parts.main && m_parts.workspace && m_parts.graphs && m_parts.area && m_parts.menus
        && m_parts.files && m_parts.deps);
    MainMenus& menus = *m_parts.menus;
    m_panelKeeper
        = std::make_unique<ControlPanelKeeper>(*m_parts.workspace, m_prompter, *m_parts.area,
            ControlPanelKeeper::Actions { menus.action(QStringLiteral("ControlPanel1")),
                menus.action(QStringLiteral("btnOutputToGraph")) },
            m_parts.deps->liveTimers, this);
    m_recorder = std::make_unique<RealTimeRecorder>(
        *m_parts.workspace, *m_parts.graphs, [this] { createRealTimeGraph(); }, m_parts.main);
    makeDataSetWindows();
}

ProgramWindows::~ProgramWindows()
{
    // A load still running gives the device back before the session goes.
    delete m_loadCommand;
    // The set-up window may hold the device: it gives it back while the session is whole.
    if (TfrmSetup* setup = m_setup)
        delete setup->parentWidget();
}

void ProgramWindows::makeDataSetWindows()
{
    Workspace& ws = *m_parts.workspace;
    FileCommands& files = *m_parts.files;
    const auto size = [this] { return clientSize(); };
    m_dataLogger = new DataLoggerWindow(
        *m_parts.graphs, *m_parts.area, ws.openData(), OpenData::Piece::Logger,
        TfrmGraph::dataLoggerCaption(), size,
        [this, &files] {
            // The question was about the logger's window: that one is saved, whichever
            // window is active.
            TfrmGraph* window = m_dataLogger->window();
            return window && files.saveDataSets(*window, OpenData::Piece::Logger);
        },
        this);
    m_archiveGraph = new DataLoggerWindow(
        *m_parts.graphs, *m_parts.area, ws.openData(), OpenData::Piece::Archive,
        MessageTable::forWindow(QStringLiteral("TfrmGraph"))
            .getTextOrDefault(QLatin1String(graphmsg::kArchiveGraphCaption)),
        size,
        [this, &files] {
            TfrmGraph* window = m_archiveGraph->window();
            return window && files.saveDataSets(*window, OpenData::Piece::Archive);
        },
        this);

    LoadCommand::Deps load;
    load.workspace = &ws;
    load.window = m_dataLogger;
    load.prompter = &m_prompter;
    load.dialogParent = m_parts.main;
    m_loadCommand = new LoadCommand(load, this);

    const MainWindowDeps& deps = *m_parts.deps;
    ArchiveCommands::Parts archive;
    archive.workspace = &ws;
    archive.prompter = &m_prompter;
    archive.area = m_parts.area;
    archive.graph = m_archiveGraph;
    archive.defaultPath = archive::defaultArchivePath(deps.dataFolder);
    archive.startFolder = deps.documentsFolder;
    archive.menuItem = m_parts.menus->action(QStringLiteral("Archive1"));
    archive.settingsItem = m_parts.menus->action(QStringLiteral("ArchiveSettings1"));
    m_archive = new ArchiveCommands(archive, this);
}

TfrmPanel* ProgramWindows::panel() const
{
    return m_panelKeeper->panel();
}

QSize ProgramWindows::clientSize() const
{
    const QMainWindow& main = *m_parts.main;
    return QSize(main.width(), main.height() - main.menuBar()->height());
}

void ProgramWindows::createAtStart()
{
    createRealTimeGraph();
    m_panelKeeper->create();
    placeRealTimeGraph();
}

void ProgramWindows::createRealTimeGraph()
{
    QString error;
    TfrmGraph* graph = CreateRealTimeGraph(
        *m_parts.graphs, *m_parts.area, *m_recorder, m_parts.workspace->recording().rate(), &error);
    // A damaged template is said here and the graph takes the built-in look instead.
    if (!error.isEmpty())
        qWarning("Graph template: %s", qPrintable(error));
    m_realTimeGraph = graph;
    // View > Real Time Graph is checked exactly while the window exists.
    QAction* item = m_parts.menus->action(QStringLiteral("RealTimeGraph1"));
    item->setChecked(true);
    connect(graph, &TfrmGraph::closed, item, [item] { item->setChecked(false); });
    connect(graph, &QObject::destroyed, item, [item] { item->setChecked(false); });
}

void ProgramWindows::placeRealTimeGraph()
{
    TfrmGraph* graph = m_realTimeGraph;
    if (!graph)
        return;
    // Beside the panel, as wide as the main window allows plus 150 pixels, but never past
    // the client area's visible right edge: what lies beyond it is the newest part of the
    // running graph and the window's own buttons, which nobody could see or reach.
    const QMainWindow& main = *m_parts.main;
    ClientArea& area = *m_parts.area;
    TfrmPanel* panel = m_panelKeeper->panel();
    const int panelWidth = panel ? panel->frameWindow()->width() : 0;
    const int barHeight = m_parts.menus->toolBar()->height();
    const int visibleWidth = area.viewport()->width() - panelWidth;
    QWidget* frame = graph->frameWindow();
    const int height = main.frameGeometry().height() - barHeight - main.statusBar()->height() - 40;
    frame->setGeometry(documentarea::placedInView(area,
        QRect(panelWidth, 0, std::min(main.width() - panelWidth + 150, visibleWidth), height),
        frame->minimumSizeHint()));
    area.activateChild(frame);
    graph->setFocus();
}

void ProgramWindows::showRealTimeGraph()
{
    if (TfrmGraph* graph = m_realTimeGraph) {
        m_parts.area->showChild(graph->frameWindow());
    } else {
        // A graph made anew comes back where and as large as the one of the start.
        createRealTimeGraph();
        placeRealTimeGraph();
    }
    // Checked exactly while the window exists, whatever the click did to the mark.
    m_parts.menus->action(QStringLiteral("RealTimeGraph1"))->setChecked(m_realTimeGraph);
}

void ProgramWindows::showSetup()
{
    ClientArea& area = *m_parts.area;
    if (TfrmSetup* setup = m_setup) {
        area.showChild(setup->parentWidget());
        return;
    }
    Workspace& ws = *m_parts.workspace;
    auto* setup = new TfrmSetup(ws.clock(), ws.session(), m_prompter);
    QMdiSubWindow* sub = area.addSubWindow(setup, Qt::SubWindow | Qt::MSWindowsFixedSizeDialogHint);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(m_parts.main->windowIcon());
    m_setup = setup;
    sub->show();
    setup->centreOnScreen();
    area.activateChild(sub);
}

void ProgramWindows::openCollectionFile()
{
    SaveDialogState& dialog = m_parts.files->saveDialog();
    QString chosen;
    (void)tc4dl::OpenCollectionFile(*m_parts.workspace, *m_dataLogger, m_prompter,
        dialog.startFolder(m_parts.deps->documentsFolder), &chosen);
    dialog.chosen(chosen);
}

} // namespace tc4dl
