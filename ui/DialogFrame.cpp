#include "DialogFrame.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tc4dl {

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
