#pragma once

#include <QString>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace tc4dl {

class PortList;

// The main window's commands: its actions (children of the window, found by object name),
// the menu bar and the toolbar with the port list. The window connects the actions to its
// handlers; the texts come from the window's message table.
class MainMenus final {
public:
    static constexpr int kToolBarHeight = 29;

    explicit MainMenus(QMainWindow& window);

    [[nodiscard]] QAction* action(const QString& name) const;
    [[nodiscard]] QMenu* menu(const QString& name) const;
    [[nodiscard]] QMenu* windowMenu() const { return m_windowMenu; }
    [[nodiscard]] QToolBar* toolBar() const { return m_toolBar; }
    [[nodiscard]] PortList* portList() const { return m_portList; }

private:
    QAction* makeAction(const char* name, const QString& iconTheme, const char* fallback);
    void buildActions();
    void buildMenus();
    void buildToolBar();

    QMainWindow& m_window;
    QMenu* m_windowMenu = nullptr;
    QToolBar* m_toolBar = nullptr;
    PortList* m_portList = nullptr;
};

} // namespace tc4dl
