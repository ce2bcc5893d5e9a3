#include "MainControls.h"

#include "MainMenus.h"
#include "PortList.h"
#include "StatusLine.h"
#include "Workspace.h"

#include <QAction>
#include <QMenu>

namespace tc4dl {

MainControls::MainControls(Workspace& workspace, MainMenus& menus, PortList& portList,
    StatusLine& status, std::function<void()> beep)
    : m_workspace(workspace),
      m_menus(menus)
{
    QObject::connect(&workspace, &Workspace::controlsChanged, &portList, [this] { apply(); });
    QObject::connect(&workspace, &Workspace::connectionReported, &portList,
        [&status](const ConnectionReport& report) { status.setText(report.device, report.state); });
    QObject::connect(&workspace, &Workspace::portEntrySelected, &portList, &PortList::selectEntry);
    QObject::connect(&workspace, &Workspace::keyBeep, &portList, std::move(beep));
    apply();
}

void MainControls::apply()
{
    const ControlState& c = m_workspace.controls();
    for (const char* name : { "btnRun", "Run1" })
        m_menus.action(QLatin1String(name))->setEnabled(c.run);
    for (const char* name : { "btnStop", "Stop1" })
        m_menus.action(QLatin1String(name))->setEnabled(c.stop);
    m_menus.action(QStringLiteral("btnDataLogger"))->setEnabled(c.dataLogger);
    m_menus.menu(QStringLiteral("DataLogger1"))->menuAction()->setEnabled(c.dataLogger);
}

} // namespace tc4dl
