#include "TfrmMain.h"

#include "Artwork.h"
#include "DateTimeSerial.h"
#include "ProgramFolders.h"
#include "GraphConfig.h"
#include "TfrmAbout.h"
#include "TfrmPanel.h"
#include "RecordingPeriod.h"
#include "TfrmSetupRealTime.h"
#include "Ticker.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

namespace tc4dl {

namespace {
// One tenth of a minute, as a fraction of a day rounded to single precision.
constexpr float kXExtendStepDays = 1.0f / 8640.0f;
} // namespace

TfrmMain::TfrmMain(MainWindowDeps deps, QWidget* parent)
    : QMainWindow(parent)
    , m_deps(std::move(deps))
    , m_messages(MessageTable::forWindow(QStringLiteral("TfrmMain")))
{
    Q_ASSERT(m_deps.clock && m_deps.settings && m_deps.prompter && m_deps.portFactory);
    if (!m_deps.beep)
        m_deps.beep = [] { QApplication::beep(); };
    if (!m_deps.openHelp)
        m_deps.openHelp = [](const QString& path) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        };
    if (!m_deps.listPorts)
        m_deps.listPorts = [] { return ports::listPorts(false); };
    if (m_deps.programFolder.isEmpty())
        m_deps.programFolder = QCoreApplication::applicationDirPath();
    if (m_deps.dataFolder.isEmpty())
        m_deps.dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    // The child windows outlive the members below (QWidget deletes them last): cut them off.
    // Every panel, also a closed one whose deletion is still pending.
    for (TfrmPanel* panel : m_mdi->findChildren<TfrmPanel*>())
        disconnect(panel, nullptr, this, nullptr);
    // The graph windows reach back into this window (activation, bookkeeping): they go
    // while it is still whole.
    for (TfrmGraph* graph : m_mdi->findChildren<TfrmGraph*>()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(graph->parentWidget()))
            delete sub;
        else
            delete graph;
    }
    m_session->decoder().setPanel(nullptr);
    m_session.reset();
}

void TfrmMain::FormCreate()
{
    registerArtwork();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("TC4DL"));
    resize(738, 579);

    // The client area never shows a frame or scroll bars, also when child windows reach
    // beyond it (the real-time graph does, by design).
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("ClientArea"));
    m_mdi->setFrameShape(QFrame::NoFrame);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    setCentralWidget(m_mdi);

    buildActions();
    buildMenus();
    buildToolBar();
    buildStatusBar();

    m_maxMinTimer = new Ticker(500, m_deps.liveTimers, [this] { MaxMinTimerTimer(); }, this);
    m_recTimer = new Ticker(500, m_deps.liveTimers, [this] { RECTimerTimer(); }, this);

    m_messages.applyTo(this);
    setWindowTitle(QStringLiteral("TC4DL"));

    m_session = std::make_unique<LiveSession>(
        *m_deps.clock, static_cast<LinkHost&>(*this), static_cast<BlinkTimers&>(*this),
        m_deps.portFactory,
        LinkTexts{m_messages.getTextOrDefault(QStringLiteral("IDS_9")),
                  m_messages.getTextOrDefault(QStringLiteral("IDS_10"))},
        m_deps.liveTimers);
    connect(m_session.get(), &LiveSession::samplingPoint, this, &TfrmMain::sampleTick);
    connect(m_session.get(), &LiveSession::leaseHeldChanged, this,
            &TfrmMain::onLeaseHeldChanged);

    m_settings = Settings::read(*m_deps.settings);
    m_graphShared.annoColor = static_cast<chart::Color>(m_settings.annoColor);
    LiveLink& link = m_session->link();
    link.setLastConnectedPort(m_settings.lastConnectedPort);
    link.setStoredModel(m_settings.lastConnectedModel);
    m_session->decoder().setCfDegree(m_settings.cfDegree);

    const QStringList entries = m_deps.listPorts();
    link.setPortEntries(entries);
    m_programSelectsPort = true;
    m_portList->clear();
    m_portList->addItems(entries);
    if (!entries.isEmpty())
        m_portList->setCurrentIndex(0);
    m_programSelectsPort = false;
    m_portText = m_portList->currentText();
    m_session->comm1().setDeviceName(ports::deviceNameFor(m_portText));
}

QAction* TfrmMain::makeAction(const char* name, const QString& iconTheme, const char* fallback)
{
    auto* a = new QAction(this);
    a->setObjectName(QLatin1String(name));
    if (fallback) {
        const QIcon own(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(fallback)));
        a->setIcon(iconTheme.isEmpty() ? own : QIcon::fromTheme(iconTheme, own));
    }
    return a;
}

void TfrmMain::buildActions()
{
    // Toolbar buttons, in their order.
    makeAction("SpeedButton1", QStringLiteral("document-open"), "open");
    makeAction("SpeedButton2", QStringLiteral("document-save"), "save");
    makeAction("btnPrint", QStringLiteral("document-print"), "print");
    makeAction("btnDataLogger", QString(), "datalogger");
    makeAction("btnOutputToGraph", QString(), "tabletograph")->setEnabled(false);
    makeAction("btnRun", QString(), "run")->setEnabled(false);
    makeAction("btnStop", QString(), "stop")->setEnabled(false);
    makeAction("SpeedButton8", QStringLiteral("help-contents"), "help");
    connect(action(QStringLiteral("SpeedButton8")), &QAction::triggered, this,
            &TfrmMain::Contents1Click);

    // Menu items.
    for (const char* name : {"Open1", "Save1", "Print1", "PrinterSetup1", "Exit1", "Run1",
                             "Stop1", "LoadData1", "Setup1", "ControlPanel1", "RealTimeGraph1",
                             "Tile1", "Cascade1", "Contents1", "About1"})
        makeAction(name, QString(), nullptr);
    action(QStringLiteral("Run1"))->setEnabled(false);
    action(QStringLiteral("Stop1"))->setEnabled(false);
    action(QStringLiteral("ControlPanel1"))->setCheckable(true);
    action(QStringLiteral("RealTimeGraph1"))->setCheckable(true);
    action(QStringLiteral("Exit1"))->setShortcut(QKeySequence::Quit);
    action(QStringLiteral("Contents1"))->setShortcut(QKeySequence::HelpContents);

    connect(action(QStringLiteral("Exit1")), &QAction::triggered, this, &TfrmMain::Exit1Click);
    connect(action(QStringLiteral("About1")), &QAction::triggered, this, &TfrmMain::About1Click);
    connect(action(QStringLiteral("Contents1")), &QAction::triggered, this,
            &TfrmMain::Contents1Click);
    connect(action(QStringLiteral("ControlPanel1")), &QAction::triggered, this,
            &TfrmMain::ControlPanel1Click);
    connect(action(QStringLiteral("Tile1")), &QAction::triggered, this, &TfrmMain::Tile1Click);
    connect(action(QStringLiteral("Cascade1")), &QAction::triggered, this,
            &TfrmMain::Cascade1Click);
    connect(action(QStringLiteral("RealTimeGraph1")), &QAction::triggered, this,
            &TfrmMain::RealTimeGraph1Click);
    connect(action(QStringLiteral("Save1")), &QAction::triggered, this, &TfrmMain::Save1Click);
    for (const char* name : {"btnRun", "Run1"})
        connect(action(QLatin1String(name)), &QAction::triggered, this, &TfrmMain::btnRunClick);
    for (const char* name : {"btnStop", "Stop1"})
        connect(action(QLatin1String(name)), &QAction::triggered, this, &TfrmMain::btnStopClick);
    connect(action(QStringLiteral("SpeedButton2")), &QAction::triggered, this,
            &TfrmMain::Save1Click);
}

void TfrmMain::buildMenus()
{
    auto addMenu = [this](const char* name) {
        QMenu* m = menuBar()->addMenu(QString());
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto add = [this](QMenu* m, const char* name) { m->addAction(action(QLatin1String(name))); };

    QMenu* file = addMenu("File1");
    add(file, "Open1");
    add(file, "Save1");
    file->addSeparator();
    add(file, "Print1");
    add(file, "PrinterSetup1");
    file->addSeparator();
    add(file, "Exit1");

    QMenu* realTime = addMenu("RealTime1");
    add(realTime, "Run1");
    add(realTime, "Stop1");

    QMenu* logger = addMenu("DataLogger1");
    add(logger, "LoadData1");
    add(logger, "Setup1");

    QMenu* view = addMenu("View1");
    add(view, "ControlPanel1");
    add(view, "RealTimeGraph1");

    m_windowMenu = addMenu("Window1");
    connect(m_windowMenu, &QMenu::aboutToShow, this, &TfrmMain::fillWindowMenu);
    fillWindowMenu();

    QMenu* help = addMenu("Help1");
    add(help, "Contents1");
    help->addSeparator();
    add(help, "About1");
}

void TfrmMain::fillWindowMenu()
{
    m_windowMenu->clear();
    m_windowMenu->addAction(action(QStringLiteral("Tile1")));
    m_windowMenu->addAction(action(QStringLiteral("Cascade1")));
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    if (!windows.isEmpty())
        m_windowMenu->addSeparator();
    int n = 0;
    for (QMdiSubWindow* w : windows) {
        const QString title = w->widget() ? w->widget()->windowTitle() : w->windowTitle();
        QAction* a = m_windowMenu->addAction(QStringLiteral("&%1 %2").arg(++n).arg(title));
        a->setCheckable(true);
        a->setChecked(w == m_mdi->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, w = QPointer<QMdiSubWindow>(w)] {
            if (w) {
                if (w->isMinimized())
                    w->showNormal();
                m_mdi->setActiveSubWindow(w);
            }
        });
    }
}

void TfrmMain::buildToolBar()
{
    QToolBar* bar = addToolBar(QString());
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(20, 20));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    for (const char* name : {"SpeedButton1", "SpeedButton2", "btnPrint", "btnDataLogger",
                             "btnOutputToGraph", "btnRun", "btnStop", "SpeedButton8"})
        bar->addAction(action(QLatin1String(name)));
    bar->addSeparator();

    m_portList = new QComboBox(bar);
    m_portList->setObjectName(QStringLiteral("ComboBoxDeviceName"));
    m_portList->setEditable(true);
    m_portList->setInsertPolicy(QComboBox::NoInsert);
    m_portList->setMinimumWidth(105);
    m_portList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_portList->setEditText(QStringLiteral("ComPort"));
    bar->addWidget(m_portList);
    connect(m_portList, &QComboBox::currentTextChanged, this, [this] {
        if (!m_programSelectsPort)
            ComboBoxDeviceNameChange();
    });
}

void TfrmMain::buildStatusBar()
{
    m_statusDevice = new QLabel(this);
    m_statusDevice->setObjectName(QStringLiteral("StatusPanel0"));
    m_statusDevice->setMinimumWidth(50);
    m_statusState = new QLabel(this);
    m_statusState->setObjectName(QStringLiteral("StatusPanel1"));
    m_statusState->setMinimumWidth(50);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(m_statusDevice);
    statusBar()->addWidget(m_statusState);
}

QAction* TfrmMain::action(const QString& name) const
{
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

QMenu* TfrmMain::menu(const QString& name) const
{
    return menuBar()->findChild<QMenu*>(name);
}

QString TfrmMain::statusDevice() const
{
    return m_statusDevice->text();
}

QString TfrmMain::statusState() const
{
    return m_statusState->text();
}

void TfrmMain::FormShow()
{
    if (m_shown)
        return;
    m_shown = true;
    m_xExtendStep = kXExtendStepDays;
    createRealTimeGraph();
    createPanel();
    placeRealTimeGraph();
    m_session->start();
}

void TfrmMain::createRealTimeGraph()
{
    QString error;
    TfrmGraph* graph = CreateRealTimeGraph(*this, *m_mdi, &error);
    if (graph)
        connect(graph, &QObject::destroyed, this, [this] {
            m_sampler.reset();
            m_recordBoxes.reset();
        });
    // A damaged template leaves an unconfigured graph; the program goes on all the same.
    if (!error.isEmpty())
        qWarning("Graph template: %s", qPrintable(error));
}

void TfrmMain::placeRealTimeGraph()
{
    TfrmGraph* graph = m_graphShared.realTimeGraphWindow;
    if (!graph)
        return;
    // Beside the panel, reaching 150 pixels beyond the client area's right edge.
    const int panelWidth = m_panel ? m_panel->frameWindow()->width() : 0;
    const auto* bar = findChild<QToolBar*>(QStringLiteral("ToolBar"));
    const int barHeight = bar ? bar->height() : 0;
    QWidget* frame = graph->frameWindow();
    frame->setGeometry(panelWidth, 0, width() - panelWidth + 150,
                       frameGeometry().height() - barHeight - statusBar()->height() - 40);
    if (auto* sub = qobject_cast<QMdiSubWindow*>(frame))
        m_mdi->setActiveSubWindow(sub);
    graph->setFocus();
}

void TfrmMain::RealTimeGraph1Click()
{
    if (TfrmGraph* graph = m_graphShared.realTimeGraphWindow) {
        QWidget* frame = graph->frameWindow();
        frame->showNormal();
        if (auto* sub = qobject_cast<QMdiSubWindow*>(frame))
            m_mdi->setActiveSubWindow(sub);
    } else {
        createRealTimeGraph();
    }
    // Checked exactly while the window exists, whatever the click did to the mark.
    action(QStringLiteral("RealTimeGraph1"))->setChecked(m_graphShared.realTimeGraphWindow);
}

void TfrmMain::Save1Click()
{
    QMdiSubWindow* sub = m_mdi->currentSubWindow();
    if (!sub)
        return;
    if (auto* graph = qobject_cast<TfrmGraph*>(sub->widget())) {
        // The logger's window asks first whether to save all data sets; that choice comes
        // with the data sets.
        if (graph->role() == TfrmGraph::Role::DataLogger)
            return;
        saveGraph(*graph);
    }
}

void TfrmMain::saveGraph(TfrmGraph& graph)
{
    SaveGraph(graph.model(), *m_deps.prompter, m_deps.programFolder, m_saveDialog);
}

void TfrmMain::disableOutputToGraph()
{
    action(QStringLiteral("btnOutputToGraph"))->setEnabled(false);
}

void TfrmMain::setRealTimeGraphChecked(bool checked)
{
    action(QStringLiteral("RealTimeGraph1"))->setChecked(checked);
}

void TfrmMain::createPanel()
{
    auto* panel = new TfrmPanel(static_cast<PanelHost&>(*this));
    QMdiSubWindow* sub = m_mdi->addSubWindow(panel, Qt::SubWindow | Qt::FramelessWindowHint);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(panel->windowTitle());
    sub->move(0, 0);
    sub->show();
    m_panel = panel;
    connect(panel, &TfrmPanel::activated, this,
            [this] { action(QStringLiteral("btnOutputToGraph"))->setEnabled(false); });
    connect(panel, &TfrmPanel::closed, this, [this] {
        m_session->decoder().setPanel(nullptr);
        m_panel = nullptr;
        action(QStringLiteral("ControlPanel1"))->setChecked(false);
    });
    // However the panel goes, the decoder must not write into it afterwards.
    connect(panel, &QObject::destroyed, this,
            [this] { m_session->decoder().setPanel(nullptr); });
    m_session->decoder().setPanel(panel);
    action(QStringLiteral("ControlPanel1"))->setChecked(true);
}

void TfrmMain::sampleTick(const TickCheck& check, double now)
{
    ++m_ticksSinceSample;
    if (check.frameArrived) {
        if (m_graphShared.realTimeRunning && m_ticksSinceSample >= m_settings.realTimeRate) {
            m_ticksSinceSample = 0;
            takeSample(now);
        }
    } else if (check.linkLost) {
        // A run pauses while the meter is silent and goes on when frames return.
        m_ticksSinceSample = 0;
    }
}

void TfrmMain::MaxMinTimerTimer()
{
    m_maxMinTickBusy = true;
    m_maxMinBlinkOn = !m_maxMinBlinkOn;
    if (m_panel) {
        m_panel->setMarkVisible(Mark::Max, m_maxMinBlinkOn);
        m_panel->setMarkVisible(Mark::Min, m_maxMinBlinkOn);
    }
    m_maxMinTickBusy = false;
}

void TfrmMain::RECTimerTimer()
{
    m_recBlinkOn = !m_recBlinkOn;
    if (m_panel)
        m_panel->setMarkVisible(Mark::Rec, m_recBlinkOn);
}

void TfrmMain::ControlPanel1Click()
{
    if (m_panel) {
        if (QWidget* sub = m_panel->parentWidget())
            sub->showNormal();
        action(QStringLiteral("ControlPanel1"))->setChecked(true);
        return;
    }
    createPanel();
}

void TfrmMain::Exit1Click()
{
    Q_EMIT exitRequested();
}

void TfrmMain::About1Click()
{
    auto* about = new TfrmAbout(TfrmAbout::Mode::About, this);
    about->centreOnScreen();
    about->exec();
}

void TfrmMain::Contents1Click()
{
    const QString path = findShippedFile(shippedFileFolders(m_deps.programFolder),
                                         QStringLiteral("TC4DLHELP.htm"));
    if (!path.isEmpty())
        m_deps.openHelp(path);
}

void TfrmMain::Tile1Click()
{
    m_mdi->tileSubWindows();
}

void TfrmMain::Cascade1Click()
{
    m_mdi->cascadeSubWindows();
}

void TfrmMain::ComboBoxDeviceNameChange()
{
    const QString text = m_portList->currentText();
    const int index = m_portList->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (m_session->changePort(text, index)) {
        m_portText = text;
        return;
    }
    // The device is lent: the list goes back to the port in use.
    m_programSelectsPort = true;
    const int kept = m_portList->findText(m_portText, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (kept >= 0)
        m_portList->setCurrentIndex(kept);
    m_portList->setEditText(m_portText);
    m_programSelectsPort = false;
}

void TfrmMain::onLeaseHeldChanged(bool held)
{
    // Nothing may move the live port while another command has the device.
    m_portList->setEnabled(!held);
}

bool TfrmMain::childrenAllowClose()
{
    // The graph windows' save questions come first, then any other window's question.
    QList<QMdiSubWindow*> order;
    QList<QMdiSubWindow*> others;
    for (QMdiSubWindow* sub : m_mdi->subWindowList())
        (qobject_cast<TfrmGraph*>(sub->widget()) ? order : others) << sub;
    order << others;
    for (QMdiSubWindow* sub : std::as_const(order)) {
        QWidget* child = sub->widget();
        if (!child)
            continue;
        bool allow = true;
        // Windows with a question of their own (a graph with unsaved data) answer here.
        if (child->metaObject()->indexOfMethod("FormCloseQuery()") >= 0)
            QMetaObject::invokeMethod(child, "FormCloseQuery", Qt::DirectConnection,
                                      Q_RETURN_ARG(bool, allow));
        if (!allow)
            return false;
    }
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // A command that has the device (a logger transfer) ends first; the window stays.
    if (m_session->leaseHeld() || !childrenAllowClose() || !m_session->shutDown()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TfrmMain::FormClose()
{
    m_settings.lastConnectedPort = m_session->link().lastConnectedPort();
    m_settings.lastConnectedModel = m_session->link().meterModel();
    m_settings.cfDegree = m_session->decoder().state().cfDegree;
    m_settings.annoColor = static_cast<qint32>(m_graphShared.annoColor);
    m_settings.write(*m_deps.settings);
}

// LinkHost

void TfrmMain::setRunEnabled(bool enabled)
{
    action(QStringLiteral("btnRun"))->setEnabled(enabled);
    action(QStringLiteral("Run1"))->setEnabled(enabled);
}

void TfrmMain::setStopEnabled(bool enabled)
{
    action(QStringLiteral("btnStop"))->setEnabled(enabled);
    action(QStringLiteral("Stop1"))->setEnabled(enabled);
}

void TfrmMain::setDataLoggerEnabled(bool enabled)
{
    action(QStringLiteral("btnDataLogger"))->setEnabled(enabled);
    menu(QStringLiteral("DataLogger1"))->menuAction()->setEnabled(enabled);
}

void TfrmMain::setStatusText(const QString& device, const QString& state)
{
    m_statusDevice->setText(device);
    m_statusState->setText(state);
}

void TfrmMain::setNoConnectionVisible(bool visible)
{
    if (m_panel)
        m_panel->setNoConnectionVisible(visible);
}

void TfrmMain::setClearEnabled(bool enabled)
{
    if (TfrmGraph* graph = m_graphShared.realTimeGraphWindow)
        graph->setClearEnabled(enabled);
}

void TfrmMain::selectPortEntry(int index)
{
    m_programSelectsPort = true;
    m_portList->setCurrentIndex(index);
    m_programSelectsPort = false;
    m_portText = m_portList->currentText();
}

void TfrmMain::beep()
{
    m_deps.beep();
}

void TfrmMain::setRecTimerEnabled(bool enabled)
{
    m_recTimer->setEnabled(enabled);
}

void TfrmMain::setMaxMinTimerEnabled(bool enabled)
{
    m_maxMinTimer->setEnabled(enabled);
}

} // namespace tc4dl

namespace tc4dl {

namespace {
// The statistic boxes of the real-time graph window, as the recording writes them.
class GraphWindowBoxes final : public RealTimeBoxes {
public:
    explicit GraphWindowBoxes(TfrmGraph* window)
        : m_window(window)
    {
    }
    void setMaxText(int ch, const QString& t) override { box(&TfrmGraph::maxBox, ch, t); }
    void setMinText(int ch, const QString& t) override { box(&TfrmGraph::minBox, ch, t); }
    void setAvgText(int ch, const QString& t) override { box(&TfrmGraph::avgBox, ch, t); }
    void setDataNoText(const QString& t) override
    {
        if (m_window)
            m_window->dataNoBox()->setText(t);
    }
    void setStartTimeText(const QString& t) override
    {
        if (m_window)
            m_window->startTimeBox()->setText(t);
    }

private:
    void box(QLineEdit* (TfrmGraph::*which)(int) const, int ch, const QString& t)
    {
        if (m_window)
            (m_window->*which)(ch)->setText(t);
    }
    QPointer<TfrmGraph> m_window;
};
} // namespace

int TfrmMain::execDialog(QDialog& dialog)
{
    return m_deps.execDialog ? m_deps.execDialog(dialog) : dialog.exec();
}

std::optional<chart::Color> TfrmMain::chooseColor(chart::Color initial)
{
    return m_deps.chooseColor ? m_deps.chooseColor(initial) : GraphHost::chooseColor(initial);
}

void TfrmMain::setXExtendStep(double days)
{
    m_xExtendStep = days;
    if (m_sampler)
        m_sampler->setXExtendStep(days);
}

void TfrmMain::btnRunClick()
{
    if (!m_session->link().meterConnected() || m_session->leaseHeld())
        return;
    if (TfrmGraph* graph = m_graphShared.realTimeGraphWindow) {
        graph->frameWindow()->showNormal();
        if (m_graphShared.realTimeRunning || m_graphShared.realTimeSampleCount > 0) {
            const Prompter::Answer answer = m_deps.prompter->ask(
                m_messages.getTextOrDefault(QStringLiteral("IDS_26"))
                    + m_messages.getTextOrDefault(QStringLiteral("IDS_27")),
                Prompter::Buttons::YesNoCancel, Prompter::Icon::Question);
            if (answer == Prompter::Answer::Cancel)
                return;
            if (answer == Prompter::Answer::Yes)
                saveGraph(*graph);
        }
    } else {
        createRealTimeGraph();
        action(QStringLiteral("RealTimeGraph1"))->setChecked(m_graphShared.realTimeGraphWindow);
    }
    TfrmGraph* graph = m_graphShared.realTimeGraphWindow;
    if (!graph)
        return;

    TfrmSetupRealTime dialog(this);
    dialog.setRate(graph->minutesList()->currentIndex(), graph->secondsList()->currentIndex());
    dialog.setPeriodText(periodTextUnpadded(qint64(m_settings.realTimeRate) * 2000));
    dialog.centreOnScreen();
    if (execDialog(dialog) != QDialog::Accepted)
        return;
    const QString typed = dialog.samplesText();
    graph->minutesList()->setCurrentIndex(dialog.minutes());
    graph->secondsList()->setCurrentIndex(dialog.seconds());
    bool ok = false;
    const int samples = typed.trimmed().toInt(&ok);
    // No samples at all would give a graph without a single point to record into.
    if (!ok || samples <= 0) {
        m_deps.prompter->tell(typed + m_messages.getTextOrDefault(QStringLiteral("IDS_28")));
        return;
    }
    m_settings.realTimeRate = qMax(0, dialog.minutes()) * 60 + qMax(0, dialog.seconds());

    m_recordBoxes = std::make_unique<GraphWindowBoxes>(graph);
    m_sampler = std::make_unique<RealTimeSampler>(graph->model(), *m_recordBoxes,
                                                  m_graphShared.realTimeSampleCount);
    m_sampler->setXExtendStep(m_xExtendStep);
    m_sampler->start(samples, toDateTimeSerial(m_deps.clock->now()));
    graph->redraw();

    graph->setClearEnabled(false);
    m_graphShared.realTimeRunning = true;
    setRunEnabled(false);
    setStopEnabled(true);
}

void TfrmMain::takeSample(double now)
{
    TfrmGraph* graph = m_graphShared.realTimeGraphWindow;
    if (!graph || !m_sampler)
        return;
    const bool full = m_sampler->addSample(m_session->decoder().state().currentValues, now);
    m_graphShared.realTimeGraphUnsaved = true;
    graph->redraw();
    if (full)
        stopRecording(true);
}

void TfrmMain::btnStopClick()
{
    stopRecording(false);
}

void TfrmMain::stopRecording(bool insideTick)
{
    // A stop from the toolbar lets a running tick finish first. The stop at the last sample
    // runs inside the tick itself, which would only wait for itself.
    if (!insideTick)
        m_deps.clock->waitWhile([this] { return m_session->tickBusy(); }, 2500);
    m_graphShared.realTimeRunning = false;
    setRunEnabled(true);
    setStopEnabled(false);
    TfrmGraph* graph = m_graphShared.realTimeGraphWindow;
    if (!graph)
        return;
    graph->frameWindow()->showNormal();
    graph->setClearEnabled(true);
    if (m_sampler)
        m_sampler->stop(toDateTimeSerial(m_deps.clock->now()));
    graph->redraw();
}

} // namespace tc4dl
