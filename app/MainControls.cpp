#include "MainControls.h"

#include "ControlPanelKeeper.h"
#include "MainMenus.h"
#include "PortList.h"
#include "StatusLine.h"
#include "TfrmGraph.h"
#include "TfrmPanel.h"

#include <QAction>
#include <QMenu>

namespace tc4dl {

MainControls::MainControls(Parts parts)
    : m_parts(std::move(parts)),
      m_states(*this, m_parts.recording)
{
}

void MainControls::selectPortEntry(int index)
{
    m_parts.portList->selectEntry(index);
}

void MainControls::setRunEnabled(bool enabled)
{
    m_parts.menus->action(QStringLiteral("btnRun"))->setEnabled(enabled);
    m_parts.menus->action(QStringLiteral("Run1"))->setEnabled(enabled);
}

void MainControls::setStopEnabled(bool enabled)
{
    m_parts.menus->action(QStringLiteral("btnStop"))->setEnabled(enabled);
    m_parts.menus->action(QStringLiteral("Stop1"))->setEnabled(enabled);
}

void MainControls::setDataLoggerEnabled(bool enabled)
{
    m_parts.menus->action(QStringLiteral("btnDataLogger"))->setEnabled(enabled);
    m_parts.menus->menu(QStringLiteral("DataLogger1"))->menuAction()->setEnabled(enabled);
}

void MainControls::setClearEnabled(bool enabled)
{
    if (TfrmGraph* graph = m_parts.realTimeGraph())
        graph->setClearEnabled(enabled);
}

void MainControls::setNoConnectionVisible(bool visible)
{
    if (TfrmPanel* panel = m_parts.panelKeeper->panel())
        panel->setNoConnectionVisible(visible);
}

void MainControls::setStatusText(const QString& device, const QString& state)
{
    m_parts.status->setText(device, state);
}

} // namespace tc4dl
