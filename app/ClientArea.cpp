#include "ClientArea.h"

#include "ChildWindow.h"
#include "TfrmGraph.h"
#include "TfrmPanel.h"

#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

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

void ClientArea::tileChildren()
{
    QList<QMdiSubWindow*> tiles;
    for (QMdiSubWindow* sub : subWindowList())
        if (sub->isVisible() && !sub->isMinimized())
            tiles << sub;
    if (tiles.isEmpty())
        return;
    const auto count = static_cast<int>(tiles.size());
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const int rows = (count + columns - 1) / columns;
    const QRect area = viewport()->rect();
    const int height = area.height() / rows;
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* sub = tiles[i];
        if (sub->isMaximized())
            sub->showNormal();
        // The last row's windows share its whole width.
        const int row = i / columns;
        const int inRow = row + 1 == rows ? count - row * columns : columns;
        const int w = area.width() / inRow;
        sub->setGeometry(QRect((i % columns) * w, row * height, w, height));
    }
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
}

} // namespace tc4dl
