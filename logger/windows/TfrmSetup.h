#pragma once

#include "ChildWindow.h"
#include "MessageTable.h"
#include "SetupCommand.h"
#include "WaitCursor.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tc4dl {

class Clock;
class LiveSession;
class Prompter;

// "Data Logger Setup": sets the meter's clock and recording interval, erases its logger
// memory and reads out the logger's state. Each button runs one exchange over the device
// borrowed from the live link; the window waits for its end by events, so the program keeps
// running meanwhile, and the buttons stay disabled until the exchange is over.
class TfrmSetup final : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 637;
    static constexpr int kClientHeight = 271;

    TfrmSetup(Clock& clock, LiveSession& session, Prompter& prompter, QWidget* parent = nullptr);
    ~TfrmSetup() override;

    // The four buttons: the clock, the interval, erasing, the read-out.
    void clockButtonClick();
    void intervalButtonClick();
    void eraseButtonClick();
    void readButtonClick();

    [[nodiscard]] bool commandRunning() const { return m_command->running(); }

    // Places the window's frame in the middle of the screen, as far as its area allows.
    void centreOnScreen();

Q_SIGNALS:
    // After a command has ended and its message (if any) was shown.
    void commandFinished(const tc4dl::SetupReport& report);

private:
    void buildCommands();
    void buildReadOut();
    void applyTexts();
    void layOutReadOut();
    void run(SetupExchange exchange);
    void onFinished(const SetupReport& report);
    void showReadOut(const SetupReport& report);
    [[nodiscard]] QString message(const char* id) const;

    Clock& m_clock;
    Prompter& m_prompter;
    MessageTable m_messages;
    SetupCommand* m_command = nullptr;
    QList<QPushButton*> m_buttons;
    QLineEdit* m_minutes = nullptr;
    QLineEdit* m_seconds = nullptr;
    QLabel* m_meterTime = nullptr;
    QLabel* m_interval = nullptr;
    QLabel* m_dataSets = nullptr;
    QLabel* m_memoryAvailable = nullptr;
    WaitCursor m_waitCursor;
};

} // namespace tc4dl
