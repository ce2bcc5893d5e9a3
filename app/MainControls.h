#pragma once

#include <functional>

namespace tc4dl {

class MainMenus;
class PortList;
class StatusLine;
class Workspace;

// The main window's controls as the workspace decides them: Run, Stop and the logger commands
// follow its control states, the status bar its link reports, the port list the entry its scan
// chose, and every key sent to the meter beeps.
class MainControls final {
public:
    MainControls(Workspace& workspace, MainMenus& menus, PortList& portList, StatusLine& status,
        std::function<void()> beep);

private:
    void apply();

    Workspace& m_workspace;
    MainMenus& m_menus;
};

} // namespace tc4dl
