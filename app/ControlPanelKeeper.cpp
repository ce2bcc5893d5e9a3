#include "ControlPanelKeeper.h"

#include "ClientArea.h"
#include "TfrmPanel.h"

#include <QAction>
#include <QMdiSubWindow>

namespace tc4dl {

ControlPanelKeeper::ControlPanelKeeper(PanelHost& host, ClientArea& area,
    std::function<LiveDecoder&()> decoder, Actions actions, bool liveTimers, QObject* parent)
    : QObject(parent),
      m_host(host),
      m_area(area),
      m_decoder(std::move(decoder)),
      m_actions(actions),
      m_maxMinTimer(new Ticker(
          500, liveTimers, [this] { maxMinTick(); }, this)),
      m_recTimer(new Ticker(
          500, liveTimers, [this] { recTick(); }, this))
{
}

void ControlPanelKeeper::create()
{
    auto* panel = new TfrmPanel(m_host);
    QMdiSubWindow* sub = m_area.addSubWindow(panel, Qt::SubWindow | Qt::FramelessWindowHint);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(panel->windowTitle());
    sub->move(0, 0);
    sub->show();
    m_panel = panel;
    connect(
        panel, &TfrmPanel::activated, this, [this] { m_actions.outputToGraph->setEnabled(false); });
    connect(panel, &TfrmPanel::closed, this, [this] {
        m_decoder().setPanel(nullptr);
        m_panel = nullptr;
        m_actions.menuItem->setChecked(false);
    });
    // However the panel goes, the decoder must not write into it afterwards.
    connect(panel, &QObject::destroyed, this, [this] { m_decoder().setPanel(nullptr); });
    m_decoder().setPanel(panel);
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

} // namespace tc4dl
