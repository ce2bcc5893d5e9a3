#pragma once

#include <QMetaObject>

#include <functional>

class QEvent;
class QMdiSubWindow;
class QWidget;

namespace tc4dl {

// Tells a child window of the main window's document area when it becomes the active child.
// Inside a subwindow frame the child's own WindowActivate event reports the main window's
// activation, not the child's, so there the frame's state decides; a window standing alone
// has only its own event. The frame changes whenever the window is re-parented and is followed.
class SubWindowActivation {
public:
    SubWindowActivation(QWidget& window, std::function<void()> activated);
    ~SubWindowActivation();
    SubWindowActivation(const SubWindowActivation&) = delete;
    SubWindowActivation& operator=(const SubWindowActivation&) = delete;

    // Every event of the window, from its event() before it passes the event on. Returns the
    // frame the window has just moved into, for a window that watches the frame too; else null.
    QMdiSubWindow* handle(const QEvent& event);
    // No more reports, for a window on its way out.
    void stop();

private:
    QMdiSubWindow* follow();

    QWidget& m_window;
    std::function<void()> m_activated;
    QMetaObject::Connection m_frameConnection;
};

} // namespace tc4dl
