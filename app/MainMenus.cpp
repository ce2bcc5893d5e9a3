#include "MainMenus.h"

#include "PortList.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace tc4dl {

MainMenus::MainMenus(QMainWindow& window)
    : m_window(window)
{
    buildActions();
    buildMenus();
    buildToolBar();
}

QAction* MainMenus::makeAction(const char* name, const QString& iconTheme, const char* fallback)
{
    auto* a = new QAction(&m_window);
    a->setObjectName(QLatin1String(name));
    if (fallback) {
        const QIcon own(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(fallback)));
        a->setIcon(iconTheme.isEmpty() ? own : QIcon::fromTheme(iconTheme, own));
    }
    return a;
}

void MainMenus::buildActions()
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

    // Menu items.
    for (const char* name : { "Open1", "Save1", "Report1", "Print1", "PrinterSetup1", "Exit1",
             "Run1", "Stop1", "Channels1", "Acknowledge1", "LivePage1", "LoadData1", "Setup1",
             "Archive1", "ArchiveSettings1", "ControlPanel1", "RealTimeGraph1", "Tile1", "Cascade1",
             "Contents1", "About1" })
        makeAction(name, QString(), nullptr);
    action(QStringLiteral("Run1"))->setEnabled(false);
    action(QStringLiteral("Stop1"))->setEnabled(false);
    action(QStringLiteral("Acknowledge1"))->setEnabled(false); // while an alarm sounds
    action(QStringLiteral("ControlPanel1"))->setCheckable(true);
    action(QStringLiteral("RealTimeGraph1"))->setCheckable(true);
    action(QStringLiteral("Exit1"))->setShortcut(QKeySequence::Quit);
    action(QStringLiteral("Contents1"))->setShortcut(QKeySequence::HelpContents);
}

void MainMenus::buildMenus()
{
    auto addMenu = [this](const char* name) {
        QMenu* m = m_window.menuBar()->addMenu(QString());
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto add = [this](QMenu* m, const char* name) { m->addAction(action(QLatin1String(name))); };

    QMenu* file = addMenu("File1");
    add(file, "Open1");
    add(file, "Save1");
    add(file, "Report1");
    file->addSeparator();
    add(file, "Print1");
    add(file, "PrinterSetup1");
    file->addSeparator();
    add(file, "Exit1");

    QMenu* realTime = addMenu("RealTime1");
    add(realTime, "Run1");
    add(realTime, "Stop1");
    realTime->addSeparator();
    add(realTime, "Channels1");
    add(realTime, "Acknowledge1");
    realTime->addSeparator();
    add(realTime, "LivePage1");

    QMenu* logger = addMenu("DataLogger1");
    add(logger, "LoadData1");
    add(logger, "Setup1");
    add(logger, "Archive1");
    add(logger, "ArchiveSettings1");

    QMenu* view = addMenu("View1");
    add(view, "ControlPanel1");
    add(view, "RealTimeGraph1");

    // Filled by the window with its child windows each time it opens.
    m_windowMenu = addMenu("Window1");
    add(m_windowMenu, "Tile1");
    add(m_windowMenu, "Cascade1");

    QMenu* help = addMenu("Help1");
    add(help, "Contents1");
    help->addSeparator();
    add(help, "About1");
}

void MainMenus::buildToolBar()
{
    m_toolBar = m_window.addToolBar(QString());
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setContextMenuPolicy(Qt::PreventContextMenu);

    // The buttons and the port list sit where the window's design put them, measured from the
    // toolbar's left edge; QToolBar's own spacing would drift them apart, so they are laid out
    // in one strip of fixed gaps.
    static constexpr int kButtonX[] = { 3, 30, 57, 83, 110, 137, 164, 191 };
    static constexpr int kPortListX = 321;
    static constexpr int kButtonWidth = 25;
    static constexpr int kButtonHeight = 23;
    auto* strip = new QWidget(m_toolBar);
    strip->setObjectName(QStringLiteral("ToolStrip"));
    strip->setFixedHeight(kToolBarHeight);
    auto* row = new QHBoxLayout(strip);
    // The toolbar's own margin already moves the strip to the right.
    const int margin = m_toolBar->layout() ? m_toolBar->layout()->contentsMargins().left() : 0;
    row->setContentsMargins(std::max(0, kButtonX[0] - margin), 0, 0, 0);
    row->setSpacing(0);
    int x = kButtonX[0];
    int i = 0;
    for (const char* name : { "SpeedButton1", "SpeedButton2", "btnPrint", "btnDataLogger",
             "btnOutputToGraph", "btnRun", "btnStop", "SpeedButton8" }) {
        row->addSpacing(kButtonX[i] - x);
        auto* button = new QToolButton(strip);
        button->setObjectName(QStringLiteral("tb_") + QLatin1String(name));
        button->setDefaultAction(action(QLatin1String(name)));
        button->setAutoRaise(true);
        button->setIconSize(QSize(20, 20));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setFixedSize(kButtonWidth, kButtonHeight);
        row->addWidget(button, 0, Qt::AlignVCenter);
        x = kButtonX[i++] + kButtonWidth;
    }
    row->addSpacing(kPortListX - x);
    m_portList = new PortList(strip);
    m_portList->setFixedHeight(kButtonHeight);
    row->addWidget(m_portList, 0, Qt::AlignVCenter);
    row->addStretch(1);
    m_toolBar->addWidget(strip);
}

QAction* MainMenus::action(const QString& name) const
{
    return m_window.findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

QMenu* MainMenus::menu(const QString& name) const
{
    return m_window.menuBar()->findChild<QMenu*>(name);
}

} // namespace tc4dl
