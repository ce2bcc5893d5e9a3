#include "ControlPanelKeeper.h"

#include "ClientArea.h"
#include "Prompter.h"
#include "TfrmPanel.h"
#include "Workspace.h"

#include <QAction>
#include <QMdiSubWindow>

namespace tc4dl {

ControlPanelKeeper::ControlPanelKeeper(Workspace& workspace, Prompter& prompter, ClientArea& area,
    Actions actions, bool liveTimers, QObject* parent)
    : QObject(parent),
      m_workspace(workspace),
      m_prompter(prompter),
      m_area(area),
      m_actions(actions),
      m_maxMinTimer(new Ticker(
          500, liveTimers, [this] { maxMinTick(); }, this)),
      m_recTimer(new Ticker(
          500, liveTimers, [this] { recTick(); }, this)),
      m_display(static_cast<BlinkTimers&>(*this))
{
    connect(&workspace, &Workspace::frameDecoded, this,
        [this](const LiveReading& reading) { m_display.show(reading); });
    // The label follows every report, so that a panel made while the link is lost shows it
    // with the next report, as the link's lost-link actions repeat.
    connect(&workspace, &Workspace::connectionReported, this, [this](const ConnectionReport& r) {
        if (m_panel)
            m_panel->setNoConnectionVisible(!r.connected());
    });
}

ControlPanelKeeper::~ControlPanelKeeper()
{
    m_display.setPanel(nullptr);
}

void ControlPanelKeeper::create()
{
    auto* panel = new TfrmPanel(static_cast<PanelHost&>(*this));
    QMdiSubWindow* sub = m_area.addSubWindow(panel, Qt::SubWindow | Qt::FramelessWindowHint);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(panel->windowTitle());
    sub->move(0, 0);
    sub->show();
    m_panel = panel;
    connect(
        panel, &TfrmPanel::activated, this, [this] { m_actions.outputToGraph->setEnabled(false); });
    connect(panel, &TfrmPanel::closed, this, [this] {
        m_display.setPanel(nullptr);
        m_panel = nullptr;
        m_actions.menuItem->setChecked(false);
    });
    // However the panel goes, the display must not write into it afterwards.
    connect(panel, &QObject::destroyed, this, [this] { m_display.setPanel(nullptr); });
    m_display.setPanel(panel);
    m_actions.menuItem->setChecked(true);
}

void ControlPanelKeeper::show()
{
    if (m_panel) {
        // Restored and brought in front of the windows that cover it, as the real-time
        // graph's item does.
        if (QWidget* sub = m_panel->parentWidget())
            m_area.showChild(sub);
        m_actions.menuItem->setChecked(true);
        return;
    }
    create();
}

void ControlPanelKeeper::maxMinTick()
{
    m_maxMinTickBusy = true;
    m_maxMinBlinkOn = !m_maxMinBlinkOn;
    if (m_panel) {
        m_panel->setMarkVisible(Mark::Max, m_maxMinBlinkOn);
        m_panel->setMarkVisible(Mark::Min, m_maxMinBlinkOn);
    }
    m_maxMinTickBusy = false;
}

void ControlPanelKeeper::recTick()
{
    m_recBlinkOn = !m_recBlinkOn;
    if (m_panel)
        m_panel->setMarkVisible(Mark::Rec, m_recBlinkOn);
}

bool ControlPanelKeeper::sendKey(char byte)
{
    return m_workspace.session().sendKey(byte);
}

bool ControlPanelKeeper::meterConnected() const
{
    return m_workspace.meterConnected();
}

void ControlPanelKeeper::showPlainMessage(const QString& text)
{
    m_prompter.tell(text);
}

void ControlPanelKeeper::processEvents()
{
    m_workspace.clock().processEvents();
}

} // namespace tc4dl
