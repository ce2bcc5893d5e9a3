#include "StatusLine.h"

#include <QLabel>
#include <QStatusBar>

namespace tc4dl {

StatusLine::StatusLine(QStatusBar& bar)
    : m_device(new QLabel(&bar)),
      m_state(new QLabel(&bar)),
      m_alarm(new QLabel(&bar))
{
    m_device->setObjectName(QStringLiteral("StatusPanel0"));
    m_device->setMinimumWidth(50);
    m_state->setObjectName(QStringLiteral("StatusPanel1"));
    m_state->setMinimumWidth(50);
    bar.setObjectName(QStringLiteral("StatusBar1"));
    bar.addWidget(m_device);
    bar.addWidget(m_state);
    m_alarm->setObjectName(QStringLiteral("StatusPanel2"));
    m_alarm->setTextFormat(Qt::PlainText);
    bar.addWidget(m_alarm, 1);
}

void StatusLine::setAlarm(const QString& text)
{
    m_alarm->setText(text);
    // Stays in place when empty (like the other two), without its red.
    m_alarm->setStyleSheet(text.isEmpty()
            ? QString()
            : QStringLiteral("color: white; background: #c00000; padding: 0 4px;"));
}

QString StatusLine::alarm() const
{
    return m_alarm->text();
}

void StatusLine::setText(const QString& device, const QString& state)
{
    m_device->setText(device);
    m_state->setText(state);
}

void StatusLine::setDevice(const QString& device)
{
    m_device->setText(device);
}

QString StatusLine::device() const
{
    return m_device->text();
}

QString StatusLine::state() const
{
    return m_state->text();
}

} // namespace tc4dl
