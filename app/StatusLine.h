#pragma once

#include <QString>

class QLabel;
class QStatusBar;

namespace tc4dl {

// The main window's status bar: the port in use and the state of the link, side by side.
class StatusLine {
public:
    explicit StatusLine(QStatusBar& bar);

    void setText(const QString& device, const QString& state);
    void setDevice(const QString& device);
    [[nodiscard]] QString device() const;
    [[nodiscard]] QString state() const;

private:
    QLabel* m_device;
    QLabel* m_state;
};

} // namespace tc4dl
