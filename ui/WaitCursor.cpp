#include "WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace tc4dl {

WaitCursor::~WaitCursor()
{
    set(false);
}

void WaitCursor::set(bool on)
{
    if (on == m_shown)
        return;
    m_shown = on;
    if (on)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

} // namespace tc4dl
