#include "DialogFrame.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace tc4dl {

void frameAsDialog(QWidget& dialog, QWidget* owner)
{
    if ((dialog.windowFlags() & kFixedDialogFlags) != kFixedDialogFlags)
        dialog.setWindowFlags(kCloseOnlyDialogFlags);
    if (!owner)
        return;
    QWidget* ownerWindow = owner->window();
    if (ownerWindow == &dialog)
        return;
    dialog.winId(); // a native window to hang the owner on
    ownerWindow->winId();
    if (QWindow* handle = dialog.windowHandle())
        handle->setTransientParent(ownerWindow->windowHandle());
}

void centreOnScreen(QWidget* window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window->adjustSize();
        QRect r = window->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        window->move(r.topLeft());
    }
}

} // namespace tc4dl
