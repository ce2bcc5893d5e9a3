#pragma once

#include <QString>

class QLabel;
class QStatusBar;

namespace tc4dl {

// The main window's status bar: the port in use and the state of the link, side by side, and
// the alarms raised.
class StatusLine {
public:
    explicit StatusLine(QStatusBar& bar);

    void setText(const QString& device, const QString& state);
    void setDevice(const QString& device);
    [[nodiscard]] QString device() const;
    [[nodiscard]] QString state() const;
    // The raised alarms, after the port and the link, in red; empty: none.
    void setAlarm(const QString& text);
    [[nodiscard]] QString alarm() const;
    [[nodiscard]] QLabel* alarmLabel() const { return m_alarm; }

private:
    QLabel* m_device;
    QLabel* m_state;
    QLabel* m_alarm;
};

} // namespace tc4dl
