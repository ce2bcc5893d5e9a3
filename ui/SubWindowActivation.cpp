#include "SubWindowActivation.h"

#include <QEvent>
#include <QMdiSubWindow>

namespace tc4dl {

SubWindowActivation::SubWindowActivation(QWidget& window, std::function<void()> activated)
    : m_window(window),
      m_activated(std::move(activated))
{
}

SubWindowActivation::~SubWindowActivation()
{
    stop();
}

void SubWindowActivation::stop()
{
    QObject::disconnect(m_frameConnection);
}

QMdiSubWindow* SubWindowActivation::handle(const QEvent& event)
{
    switch (event.type()) {
    case QEvent::ParentChange:
        return follow();
    case QEvent::WindowActivate:
        if (m_window.isWindow())
            m_activated();
        break;
    default:
        break;
    }
    return nullptr;
}

QMdiSubWindow* SubWindowActivation::follow()
{
    stop();
    auto* frame = qobject_cast<QMdiSubWindow*>(m_window.parentWidget());
    if (!frame)
        return nullptr;
    m_frameConnection = QObject::connect(frame, &QMdiSubWindow::windowStateChanged, &m_window,
        [this](Qt::WindowStates oldState, Qt::WindowStates newState) {
            if (newState.testFlag(Qt::WindowActive) && !oldState.testFlag(Qt::WindowActive))
                m_activated();
        });
    return frame;
}

} // namespace tc4dl
