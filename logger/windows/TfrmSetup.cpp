#include "TfrmSetup.h"

#include "Clock.h"
#include "IntervalInput.h"
#include "MemoryHeader.h"
#include "MessageIds.h"
#include "Prompter.h"
#include "SetupMessages.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <utility>

namespace tc4dl {

namespace {

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLineEdit* intervalBox(const char* name, const QString& text, QWidget* parent)
{
    auto* box = named(new QLineEdit(parent), name);
    // Two digits, as the meter takes them.
    box->setInputMask(QStringLiteral("99"));
    box->setText(text);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

} // namespace

TfrmSetup::TfrmSetup(Clock& clock, LiveSession& session, Prompter& prompter, QWidget* parent)
    : QWidget(parent),
      m_clock(clock),
      m_prompter(prompter),
      m_messages(MessageTable::forWindow(QStringLiteral("TfrmSetup"))),
      m_command(new SetupCommand(clock, session, this))
{
    setObjectName(QStringLiteral("frmSetup"));
    buildCommands();
    buildReadOut();
    applyTexts();
    setFixedSize(kClientWidth, kClientHeight);
    connect(m_command, &SetupCommand::finished, this, &TfrmSetup::onFinished);
}

TfrmSetup::~TfrmSetup()
{
    // Closed during an exchange: the command goes with the window and gives the device back;
    // the hourglass must not outlive it.
    m_waitCursor.set(false);
}

void TfrmSetup::buildCommands()
{
    auto* clockButton = named(new QPushButton(this), "Button1");
    clockButton->setGeometry(16, 18, 296, 32);

    auto* group = named(new QGroupBox(this), "GroupBox1");
    group->setGeometry(16, 66, 296, 118);
    m_minutes = intervalBox("edtInt1", QStringLiteral("00"), group);
    m_minutes->setGeometry(16, 30, 34, 24);
    auto* colon = new QLabel(QStringLiteral(":"), group);
    colon->setGeometry(54, 30, 8, 24);
    m_seconds = intervalBox("edtInt2", QStringLiteral("02"), group);
    m_seconds->setGeometry(64, 30, 34, 24);
    auto* hint = named(new QLabel(group), "Label2");
    hint->setGeometry(110, 30, 176, 24);
    auto* intervalButton = named(new QPushButton(group), "Button2");
    intervalButton->setGeometry(10, 72, 276, 32);

    auto* eraseButton = named(new QPushButton(this), "Button3");
    eraseButton->setGeometry(16, 206, 296, 32);

    connect(clockButton, &QPushButton::clicked, this, &TfrmSetup::clockButtonClick);
    connect(intervalButton, &QPushButton::clicked, this, &TfrmSetup::intervalButtonClick);
    connect(eraseButton, &QPushButton::clicked, this, &TfrmSetup::eraseButtonClick);
    m_buttons = { clockButton, intervalButton, eraseButton };
}

void TfrmSetup::buildReadOut()
{
    auto* group = named(new QGroupBox(this), "GroupBox2");
    group->setGeometry(328, 12, 293, 226);
    const auto row = [group](const char* caption, const char* value, int y) {
        named(new QLabel(group), caption)->setGeometry(16, y, 130, 22);
        auto* label = named(new QLabel(group), value);
        label->setGeometry(150, y, 135, 22);
        return label;
    };
    m_meterTime = row("Label1", "lblMeterTime", 30);
    m_interval = row("Label3", "lblInt", 62);
    m_dataSets = row("Label5", "lblDataSets", 94);
    m_memoryAvailable = row("Label4", "lblMemoryAvailable", 126);
    auto* readButton = named(new QPushButton(group), "Button4");
    readButton->setGeometry(16, 174, 261, 32);
    connect(readButton, &QPushButton::clicked, this, &TfrmSetup::readButtonClick);
    m_buttons << readButton;
}

void TfrmSetup::applyTexts()
{
    // The controls speak the language in use, falling back to the table's English.
    setWindowTitle(m_messages.textOrDefault(Section::Captions, QStringLiteral("TfrmSetup")));
    for (const char* name : { "Button1", "GroupBox1", "Label2", "Button2", "Button3", "GroupBox2",
             "Label1", "Label3", "Label5", "Label4", "Button4" }) {
        QObject* object = findChild<QObject*>(QLatin1String(name));
        const QString text = m_messages.textOrDefault(Section::Captions, QLatin1String(name));
        object->setProperty(qobject_cast<QGroupBox*>(object) ? "title" : "text", text);
    }
    layOutReadOut();
}

void TfrmSetup::layOutReadOut()
{
    // The captions' length depends on the language: they share one column as wide as the
    // longest of them, and the values take the rest of the group.
    constexpr int kLeft = 16, kRight = 285, kGap = 4, kRowHeight = 22;
    const std::pair<const char*, QLabel*> rows[] = { { "Label1", m_meterTime },
        { "Label3", m_interval }, { "Label5", m_dataSets }, { "Label4", m_memoryAvailable } };
    int captionWidth = 0;
    for (const auto& [caption, value] : rows)
        captionWidth = std::max(
            captionWidth, findChild<QLabel*>(QLatin1String(caption))->sizeHint().width());
    captionWidth = std::min(captionWidth, (kRight - kLeft) / 2);
    for (const auto& [caption, value] : rows) {
        auto* label = findChild<QLabel*>(QLatin1String(caption));
        label->setGeometry(kLeft, label->y(), captionWidth, kRowHeight);
        const int valueLeft = kLeft + captionWidth + kGap;
        value->setGeometry(valueLeft, label->y(), kRight - valueLeft, kRowHeight);
    }
}

QString TfrmSetup::message(const char* id) const
{
    return m_messages.getTextOrDefault(QLatin1String(id));
}

void TfrmSetup::clockButtonClick()
{
    // The computer's time when the button is pressed, before any wait.
    run(SetupExchange::setMeterClock(m_clock.now()));
}

void TfrmSetup::intervalButtonClick()
{
    // The input is checked before the device is touched.
    const auto setting = parseIntervalInput(m_minutes->text(), m_seconds->text());
    if (!setting) {
        m_prompter.tell(message(setupmsg::kInvalidInput));
        return;
    }
    run(SetupExchange::setRecordingInterval(setting->minutesBcd, setting->secondsBcd));
}

void TfrmSetup::eraseButtonClick()
{
    // One stray click would delete every recording in the meter.
    if (m_prompter.ask(message(setupmsg::kEraseQuestion), Prompter::Buttons::YesNoDefaultNo,
            Prompter::Icon::Question)
        != Prompter::Answer::Yes)
        return;
    run(SetupExchange::eraseLoggerMemory());
}

void TfrmSetup::readButtonClick()
{
    run(SetupExchange::readLoggerInfo());
}

void TfrmSetup::run(SetupExchange exchange)
{
    if (m_command->running())
        return;
    for (QPushButton* button : std::as_const(m_buttons))
        button->setEnabled(false);
    m_waitCursor.set(true);
    // A refused lease reports its end at once, from inside start().
    (void)m_command->start(std::move(exchange));
}

void TfrmSetup::onFinished(const SetupReport& report)
{
    m_waitCursor.set(false);
    for (QPushButton* button : std::as_const(m_buttons))
        button->setEnabled(true);
    // A port that failed under the exchange is a silent abort: nothing is said.
    const bool speak = !report.portError;
    switch (report.command) {
    case SetupExchange::Command::SetMeterClock:
        if (report.succeeded && report.timeReply)
            m_prompter.tell(clockSuccessMessage(
                message(setupmsg::kClockSet), message(setupmsg::kTimeIs), *report.timeReply));
        else if (speak)
            m_prompter.tell(clockFailureMessage(message(setupmsg::kClockNotSet), report.error));
        break;
    case SetupExchange::Command::SetRecordingInterval:
        if (speak)
            m_prompter.tell(
                message(report.succeeded ? setupmsg::kIntervalSet : setupmsg::kIntervalNotSet));
        break;
    case SetupExchange::Command::EraseLoggerMemory:
        if (speak)
            m_prompter.tell(
                message(report.succeeded ? setupmsg::kMemoryErased : setupmsg::kMemoryNotErased));
        break;
    case SetupExchange::Command::ReadLoggerInfo:
        showReadOut(report);
        break;
    }
    Q_EMIT commandFinished(report);
}

void TfrmSetup::showReadOut(const SetupReport& report)
{
    // Whatever came before a failure is shown; the other labels keep their text.
    if (report.timeReply)
        m_meterTime->setText(meterTime(*report.timeReply).text);
    const std::optional<MemoryHeader> header = MemoryHeader::read(report.headerBlock);
    if (!header)
        return;
    const LoggerInfo info = loggerInfo(*header);
    m_dataSets->setText(QString::number(info.setCount));
    m_interval->setText(info.intervalText);
    m_memoryAvailable->setText(QString::number(info.memoryAvailable));
}

void TfrmSetup::centreOnScreen()
{
    QWidget* frame = parentWidget() ? parentWidget() : this;
    auto* sub = qobject_cast<QMdiSubWindow*>(frame);
    QMdiArea* area = sub ? sub->mdiArea() : nullptr;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!area || !screen)
        return;
    frame->adjustSize();
    // The screen's centre in the area's coordinates, kept inside the area where it fits.
    const QPoint centre = area->viewport()->mapFromGlobal(screen->availableGeometry().center());
    QPoint topLeft = centre - QPoint(frame->width() / 2, frame->height() / 2);
    topLeft.setX(
        std::clamp(topLeft.x(), 0, std::max(0, area->viewport()->width() - frame->width())));
    topLeft.setY(
        std::clamp(topLeft.y(), 0, std::max(0, area->viewport()->height() - frame->height())));
    frame->move(topLeft);
}

} // namespace tc4dl
