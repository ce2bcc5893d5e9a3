#pragma once

#include <QList>
#include <QMdiArea>

class QAction;
class QMenu;

namespace tc4dl {

class ChildWindow;

// The main window's client area and the bookkeeping of the child windows in it: which one is
// active, the order of their close questions, the Window menu's list, and letting them go
// before the main window does.
class ClientArea final : public QMdiArea {
    Q_OBJECT
public:
    explicit ClientArea(QWidget* parent = nullptr);

    // The child window in subwindow `sub` (every child is one), null for none.
    [[nodiscard]] static ChildWindow* childWindow(const QMdiSubWindow* sub);
    [[nodiscard]] ChildWindow* activeChild() const { return childWindow(currentSubWindow()); }
    // Asks every child whether it may close, the ones holding data first; false at the first
    // that refuses.
    [[nodiscard]] bool childrenAllowClose() const;
    // Restores the subwindow frame `frame` (a child's frame window) and activates it.
    void showChild(QWidget* frame);
    // Activates the subwindow frame `frame` as it stands.
    void activateChild(QWidget* frame);
    // The Window menu: the `fixed` actions, then one numbered entry per child, the active one
    // checked.
    void fillWindowMenu(QMenu& menu, const QList<QAction*>& fixed);
    // Cuts every child off from `owner`, which is going: the panels' signals to it are
    // disconnected, the graph windows (which reach back into it) and then every other child
    // deleted now, while what they write to is whole.
    void releaseChildren(QObject* owner);

    // Tiles the child windows in a grid over the client area as it is. QMdiArea's own tiling
    // widens the main window until every tile is as large as the largest child's minimum size,
    // which pushes a maximized main window off the screen.
    void tileChildren();
    // Cascades the child windows from the top left, each one title bar lower and further right
    // than the one before, as large as the area leaves room for: QMdiArea's own cascade gives
    // every window its size hint, which leaves a graph too small to read.
    void cascadeChildren();

    // The geometries of `count` tiles over `area`: a grid of about as many columns as rows,
    // the last row's windows sharing its whole width. A tile is never smaller than `least`.
    [[nodiscard]] static QList<QRect> tileGeometries(const QRect& area, int count, QSize least);
    // The geometries of `count` cascaded windows over `area`, `step` pixels apart, each at
    // least `least` and, where the area allows, wholly inside it.
    [[nodiscard]] static QList<QRect> cascadeGeometries(
        const QRect& area, int count, int step, QSize least);

    // Without scroll bars QMdiArea asks to be as large as its largest child; the main window
    // would then grow (and leave the screen) whenever a child is tiled or laid out. Children
    // may reach beyond the client area, so its own size never depends on them.
    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] QSize sizeHint() const override;
};

} // namespace tc4dl
