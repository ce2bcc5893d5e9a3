#include "ClientArea.h"

#include "ChildWindow.h"
#include "TfrmGraph.h"
#include "TfrmPanel.h"

#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionTitleBar>

#include <algorithm>

#include <cmath>

namespace tc4dl {

ClientArea::ClientArea(QWidget* parent)
    : QMdiArea(parent)
{
    // The client area never shows a frame or scroll bars, also when child windows reach
    // beyond it (the real-time graph does, by design).
    setObjectName(QStringLiteral("ClientArea"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setActivationOrder(QMdiArea::ActivationHistoryOrder);
}

ChildWindow* ClientArea::childWindow(const QMdiSubWindow* sub)
{
    QWidget* widget = sub ? sub->widget() : nullptr;
    auto* child = dynamic_cast<ChildWindow*>(widget);
    // A window that does not say what it does for Save, Print and closing would be passed
    // over without a word.
    Q_ASSERT(!widget || child);
    return child;
}

bool ClientArea::childrenAllowClose() const
{
    // The windows holding data (the graphs' save questions) ask first, then the others.
    QList<ChildWindow*> first;
    QList<ChildWindow*> later;
    for (const QMdiSubWindow* sub : subWindowList())
        if (ChildWindow* child = childWindow(sub))
            (child->closeRank() == ChildWindow::CloseRank::First ? first : later) << child;
    first << later;
    for (ChildWindow* child : std::as_const(first))
        if (!child->closeQuery())
            return false;
    return true;
}

void ClientArea::showChild(QWidget* frame)
{
    frame->showNormal();
    activateChild(frame);
}

void ClientArea::activateChild(QWidget* frame)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(frame))
        setActiveSubWindow(sub);
}

void ClientArea::fillWindowMenu(QMenu& menu, const QList<QAction*>& fixed)
{
    menu.clear();
    menu.addActions(fixed);
    const QList<QMdiSubWindow*> windows = subWindowList();
    if (!windows.isEmpty())
        menu.addSeparator();
    int n = 0;
    for (QMdiSubWindow* w : windows) {
        const QString title = w->widget() ? w->widget()->windowTitle() : w->windowTitle();
        QAction* a = menu.addAction(QStringLiteral("&%1 %2").arg(++n).arg(title));
        a->setCheckable(true);
        a->setChecked(w == activeSubWindow());
        connect(a, &QAction::triggered, this, [this, w = QPointer<QMdiSubWindow>(w)] {
            if (w) {
                if (w->isMinimized())
                    w->showNormal();
                setActiveSubWindow(w);
            }
        });
    }
}

namespace {

// The windows a tile or cascade arranges: the visible ones that are not minimized.
QList<QMdiSubWindow*> arrangedWindows(const QList<QMdiSubWindow*>& windows)
{
    QList<QMdiSubWindow*> list;
    for (QMdiSubWindow* sub : windows)
        if (sub->isVisible() && !sub->isMinimized())
            list << sub;
    return list;
}

// The least size among the windows: each one's own, so that none is made smaller than its
// controls need.
QSize leastOf(const QList<QMdiSubWindow*>& windows)
{
    QSize least(0, 0);
    for (const QMdiSubWindow* sub : windows)
        // A window of fixed size (the panel, the set-up window) keeps its own size anyway.
        if (sub->minimumSize() != sub->maximumSize())
            least = least.expandedTo(sub->minimumSizeHint().expandedTo(sub->minimumSize()));
    return least;
}

} // namespace

QList<QRect> ClientArea::tileGeometries(const QRect& area, int count, QSize least)
{
    QList<QRect> tiles;
    if (count <= 0)
        return tiles;
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const int rows = (count + columns - 1) / columns;
    const int height = std::max(area.height() / rows, least.height());
    for (int i = 0; i < count; ++i) {
        const int row = i / columns;
        const int inRow = row + 1 == rows ? count - row * columns : columns;
        const int width = std::max(area.width() / inRow, least.width());
        // A tile held at its least size may not fit: it keeps to the area where it can.
        const int x = std::min((i % columns) * (area.width() / inRow), area.width() - width);
        const int y = std::min(row * (area.height() / rows), area.height() - height);
        tiles << QRect(area.left() + std::max(0, x), area.top() + std::max(0, y), width, height);
    }
    return tiles;
}

QList<QRect> ClientArea::cascadeGeometries(const QRect& area, int count, int step, QSize least)
{
    QList<QRect> windows;
    if (count <= 0)
        return windows;
    step = std::max(1, step);
    const int reach = step * (count - 1);
    const QSize size = QSize(area.width() - reach, area.height() - reach).expandedTo(least);
    for (int i = 0; i < count; ++i) {
        // Past the point where the next window would leave the area, the steps start over.
        const int room
            = std::max(0, std::min(area.width() - size.width(), area.height() - size.height()));
        const int offset = room > 0 ? (i * step) % (room + 1) : 0;
        windows << QRect(area.topLeft() + QPoint(offset, offset), size);
    }
    return windows;
}

void ClientArea::tileChildren()
{
    const QList<QMdiSubWindow*> tiles = arrangedWindows(subWindowList());
    const QList<QRect> places
        = tileGeometries(viewport()->rect(), static_cast<int>(tiles.size()), leastOf(tiles));
    for (qsizetype i = 0; i < tiles.size(); ++i) {
        if (tiles[i]->isMaximized())
            tiles[i]->showNormal();
        tiles[i]->setGeometry(places[i]);
    }
}

void ClientArea::cascadeChildren()
{
    // Earlier windows lower in the stack, so the one in front ends nearest the bottom right.
    const QList<QMdiSubWindow*> windows = arrangedWindows(subWindowList(QMdiArea::StackingOrder));
    if (windows.isEmpty())
        return;
    QStyleOptionTitleBar option;
    option.initFrom(windows.first());
    const int step = windows.first()->style()->pixelMetric(
        QStyle::PM_TitleBarHeight, &option, windows.first());
    const QList<QRect> places = cascadeGeometries(
        viewport()->rect(), static_cast<int>(windows.size()), step, leastOf(windows));
    for (qsizetype i = 0; i < windows.size(); ++i) {
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        windows[i]->setGeometry(places[i]);
        windows[i]->raise();
    }
    if (QMdiSubWindow* active = activeSubWindow())
        setActiveSubWindow(active);
}

QSize ClientArea::minimumSizeHint() const
{
    return QSize(160, 120);
}

QSize ClientArea::sizeHint() const
{
    return QSize(738, 579); // the main window's designed client size
}

void ClientArea::releaseChildren(QObject* owner)
{
    // Every panel, also a closed one whose deletion is still pending.
    for (TfrmPanel* panel : findChildren<TfrmPanel*>())
        disconnect(panel, nullptr, owner, nullptr);
    for (TfrmGraph* graph : findChildren<TfrmGraph*>()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(graph->parentWidget()))
            delete sub;
        else
            delete graph;
    }
    // The others too: an editor still open in one (a note being typed in the Archive window)
    // hands its text on as its window goes, to an archive that must still be there.
    for (QMdiSubWindow* sub : subWindowList())
        delete sub;
}

} // namespace tc4dl
