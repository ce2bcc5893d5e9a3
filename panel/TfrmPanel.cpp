#include "TfrmPanel.h"

#include "MessageTable.h"
#include "PanelWidgets.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPalette>
#include <QTimer>

namespace tc4dl {

namespace {

constexpr std::size_t index(Mark mark)
{
    return static_cast<std::size_t>(mark);
}

const QString kNoConnectionEnglish = QStringLiteral("No Connection");

} // namespace

TfrmPanel::TfrmPanel(PanelHost& host, QWidget* parent)
    : QWidget(parent),
      m_host(host),
      m_activation(*this, [this] { FormActivate(); })
{
    setObjectName(QStringLiteral("frmPanel"));
    setWindowTitle(QStringLiteral("PANEL"));
    setFixedSize(kClientWidth, kClientHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, art::lcdInk());
    setPalette(pal);
    setAutoFillBackground(true);

    m_picture = new MeterPicture(this);
    m_picture->setObjectName(QStringLiteral("imgPanel"));
    m_picture->setGeometry(art::kPictureRect);
    connect(m_picture, &MeterPicture::dragStarted, this, &TfrmPanel::startDrag);
    connect(m_picture, &MeterPicture::dragMoved, this, &TfrmPanel::dragTo);

    buildDisplay();
    buildKeys();

    m_mmaTimer = new QTimer(this);
    m_mmaTimer->setObjectName(QStringLiteral("MMATimer"));
    m_mmaTimer->setInterval(kMmaIntervalMs);
    connect(m_mmaTimer, &QTimer::timeout, this, &TfrmPanel::MMATimerTimer);

    applyTexts();
}

TfrmPanel::~TfrmPanel() = default;

// The display: channel names, readings, and the annunciators around them.
void TfrmPanel::buildDisplay()
{
    m_autoSized[0] = addLabel("Label4", QStringLiteral("T1"), { 33, 74 }, 11);
    m_autoSized[1] = addLabel("Label5", QStringLiteral("T2"), { 33, 109 }, 11);
    m_autoSized[2] = addLabel("lblT3", QStringLiteral("T3"), { 89, 74 }, 11);
    m_autoSized[3] = addLabel("lblT4", QStringLiteral("T4"), { 89, 109 }, 11);
    m_autoSized[4] = addLabel("Label7", QStringLiteral("K"), { 11, 135 }, 9);
    m_marks[index(Mark::LabelT3)] = m_autoSized[2];
    m_marks[index(Mark::LabelT4)] = m_autoSized[3];

    const std::array<std::pair<const char*, QPoint>, 4> values { {
        { "lblT1Value", { 25, 88 } },
        { "lblT2Value", { 27, 120 } },
        { "lblT3Value", { 80, 88 } },
        { "lblT4Value", { 78, 121 } },
    } };
    for (std::size_t i = 0; i < values.size(); ++i) {
        QLabel* label = addLabel(values[i].first, kNoValueText, values[i].second, 13);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setFixedSize(52, label->fontMetrics().height());
        m_values[i] = label;
        // The rates of change stand on the case just under the glass, in the readings' own
        // quadrants (T1 and T3 above, T2 and T4 below), so the display keeps the meter's look
        // and no rate covers a mark or the glass's edge.
        const QPoint ratePos(i < 2 ? 12 : 78, i % 2 == 0 ? 161 : 173);
        QLabel* rate
            = addLabel(qPrintable(QStringLiteral("lblT%1Rate").arg(i + 1)), QString(), ratePos, 9);
        rate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        rate->setFixedSize(60, rate->fontMetrics().height());
        QPalette onCase = rate->palette();
        onCase.setColor(QPalette::WindowText, art::lcdGlass());
        rate->setPalette(onCase);
        m_rates[i] = rate;
    }

    addMark(Mark::Rec, "lblREC", art::Glyph::Rec, { 21, 137, 18, 9 });
    addMark(Mark::Max, "lblMAX", art::Glyph::Max, { 42, 137, 18, 9 });
    addMark(Mark::Min, "lblMIN", art::Glyph::Min, { 66, 137, 16, 9 });
    addMark(Mark::Hold, "lblHold", art::Glyph::Hold, { 86, 137, 24, 9 });
    addMark(Mark::Rel, "lblRel", art::Glyph::Rel, { 115, 137, 16, 9 });
    addMark(Mark::T1C, "imgT1C", art::Glyph::Celsius, { 48, 75, 9, 11 });
    addMark(Mark::T1F, "imgt1F", art::Glyph::Fahrenheit, { 63, 75, 9, 11 });
    addMark(Mark::T2C, "imgT2C", art::Glyph::Celsius, { 48, 111, 9, 11 });
    addMark(Mark::T2F, "imgT2F", art::Glyph::Fahrenheit, { 63, 111, 9, 11 });
    addMark(Mark::T3C, "imgT3C", art::Glyph::Celsius, { 104, 75, 9, 11 });
    addMark(Mark::T3F, "imgT3F", art::Glyph::Fahrenheit, { 119, 75, 9, 11 });
    addMark(Mark::T4C, "imgT4C", art::Glyph::Celsius, { 104, 110, 9, 11 });
    addMark(Mark::T4F, "imgT4F", art::Glyph::Fahrenheit, { 119, 110, 9, 11 });
    addMark(Mark::Battery, "imgBAT", art::Glyph::Battery, { 15, 104, 10, 7 });
    addMark(Mark::AutoOff, "imgAutoOff", art::Glyph::AutoOff, { 15, 73, 14, 14 });

    // Lies over the readings while the link is down, so it hides what is behind it.
    m_noConnection = addLabel("lblNoConnection", kNoConnectionEnglish, { 16, 88 }, 17, true);
    QPalette red = m_noConnection->palette();
    red.setColor(QPalette::WindowText, QColor(0xd0, 0x10, 0x10));
    m_noConnection->setPalette(red);
    m_noConnection->setAutoFillBackground(true);
    m_noConnection->hide();
}

void TfrmPanel::buildKeys()
{
    KeyArea* close = addKey("btnClose", art::Key::Close, QStringLiteral("Close PANEL"));
    connect(close, &KeyArea::clicked, this, &TfrmPanel::btnCloseClick);
    KeyArea* t1t2 = addKey("btnT1_T2", art::Key::T1T2, QStringLiteral("Show T1-T2 difference"));
    connect(t1t2, &KeyArea::clicked, this, &TfrmPanel::btnT1_T2Click);
    KeyArea* hold = addKey("btnHOLD", art::Key::Hold, QStringLiteral("Hold the display"));
    connect(hold, &KeyArea::clicked, this, &TfrmPanel::btnHOLDClick);
    KeyArea* mma = addKey("btnMMA", art::Key::MaxMin,
        QStringLiteral(
            "single click to change AVG/MAX/MIN mode, mouse down 2 seconds  to cancel ."));
    connect(mma, &KeyArea::pressed, this, &TfrmPanel::btnMMAMouseDown);
    connect(mma, &KeyArea::released, this, &TfrmPanel::btnMMAMouseUp);
    KeyArea* rec = addKey("btnRec", art::Key::Rec, QStringLiteral("Start or stop recording"));
    connect(rec, &KeyArea::clicked, this, &TfrmPanel::btnRecClick);
    KeyArea* cf = addKey("btnCF", art::Key::CF, QStringLiteral("Switch between °C and °F"));
    connect(cf, &KeyArea::clicked, this, &TfrmPanel::btnCFClick);
}

QLabel* TfrmPanel::addLabel(
    const char* name, const QString& text, QPoint pos, int pixelSize, bool bold)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(art::panelFont(pixelSize, bold));
    label->setTextFormat(Qt::PlainText);
    // Presses on the display fall through to the picture, which moves the window.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->move(pos);
    label->adjustSize();
    return label;
}

void TfrmPanel::addMark(Mark mark, const char* name, art::Glyph glyph, QRect geometry)
{
    auto* picture = new DisplayMark(glyph, this);
    picture->setObjectName(QString::fromLatin1(name));
    picture->setGeometry(geometry);
    picture->hide();
    m_marks[index(mark)] = picture;
}

KeyArea* TfrmPanel::addKey(const char* name, art::Key key, const QString& hint)
{
    auto* area = new KeyArea(this);
    area->setObjectName(QString::fromLatin1(name));
    area->setGeometry(art::keyRect(key));
    area->setToolTip(hint);
    return area;
}

void TfrmPanel::applyTexts()
{
    MessageTable::forWindow(QStringLiteral("TfrmPanel"))
        .applyTo(this, [](QObject* object, const QString& family) {
            if (auto* widget = qobject_cast<QWidget*>(object)) {
                QFont font = widget->font();
                QStringList families = font.families();
                families.prepend(family);
                font.setFamilies(families);
                widget->setFont(font);
            }
        });
    // The design's labels size themselves to their texts.
    for (QLabel* label : m_autoSized)
        label->adjustSize();
    fitNoConnectionLabel();
}

// The German text is wider than the display at its designed size; it is condensed to fit
// rather than cut off at the edge of the glass.
void TfrmPanel::fitNoConnectionLabel()
{
    QFont font = art::panelFont(17, true);
    m_noConnection->setFont(font);
    const int room = static_cast<int>(art::kLcdGlass.right()) - 2 - m_noConnection->x();
    const int natural = m_noConnection->fontMetrics().horizontalAdvance(m_noConnection->text());
    if (natural > room) {
        const int designed = font.stretch() == QFont::AnyStretch ? 100 : font.stretch();
        for (int stretch = designed * room / natural; stretch >= 50; stretch -= 2) {
            font.setStretch(stretch);
            if (QFontMetrics(font).horizontalAdvance(m_noConnection->text()) <= room)
                break;
        }
        m_noConnection->setFont(font);
    }
    m_noConnection->adjustSize();
    if (m_noConnection->width() > room)
        m_noConnection->resize(room, m_noConnection->height());
    QPalette pal = m_noConnection->palette();
    pal.setColor(QPalette::Window, art::lcdGlassAt(m_noConnection->geometry().center().y()));
    m_noConnection->setPalette(pal);
}

void TfrmPanel::setMarkVisible(Mark mark, bool visible)
{
    if (QWidget* widget = m_marks[index(mark)])
        widget->setVisible(visible);
}

void TfrmPanel::setValueText(int channel, const QString& text)
{
    if (channel >= 0 && channel < static_cast<int>(m_values.size()))
        m_values[static_cast<std::size_t>(channel)]->setText(text);
}

void TfrmPanel::setNoConnectionVisible(bool visible)
{
    m_noConnection->setVisible(visible);
}

void TfrmPanel::setChannelAlarm(int channel, bool raised)
{
    if (channel < 0 || channel >= static_cast<int>(m_values.size()))
        return;
    const auto c = static_cast<std::size_t>(channel);
    if (m_alarm[c] == raised)
        return;
    m_alarm[c] = raised;
    QLabel* label = m_values[c];
    // Red on the display's grey, readable without colour too: the reading is underlined.
    label->setStyleSheet(
        raised ? QStringLiteral("color: #c00000; text-decoration: underline;") : QString());
}

bool TfrmPanel::channelAlarm(int channel) const
{
    return channel >= 0 && channel < static_cast<int>(m_alarm.size())
        && m_alarm[static_cast<std::size_t>(channel)];
}

void TfrmPanel::setRateText(int channel, const QString& text)
{
    if (channel >= 0 && channel < static_cast<int>(m_rates.size()))
        m_rates[static_cast<std::size_t>(channel)]->setText(text);
}

QString TfrmPanel::rateText(int channel) const
{
    if (channel < 0 || channel >= static_cast<int>(m_rates.size()))
        return {};
    return m_rates[static_cast<std::size_t>(channel)]->text();
}

bool TfrmPanel::isMarkVisible(Mark mark) const
{
    const QWidget* widget = m_marks[index(mark)];
    return widget && !widget->isHidden();
}

QString TfrmPanel::valueText(int channel) const
{
    if (channel < 0 || channel >= static_cast<int>(m_values.size()))
        return {};
    return m_values[static_cast<std::size_t>(channel)]->text();
}

bool TfrmPanel::noConnectionVisible() const
{
    return !m_noConnection->isHidden();
}

void TfrmPanel::btnMMAMouseDown()
{
    m_modeKeyDown = true;
    m_modeKeyTicks = 0;
    m_mmaTimer->start();
}

void TfrmPanel::btnMMAMouseUp()
{
    if (!m_host.meterConnected()) {
        // The hold stays armed: its tick still sends the cancel if the link comes up.
        m_host.showPlainMessage(kNoConnectionEnglish);
        return;
    }
    if (!m_modeKeyDown)
        return; // the hold already acted
    m_modeKeyDown = false;
    m_modeKeyTicks = 0;
    m_mmaTimer->stop();
    m_host.sendKey('M');
}

void TfrmPanel::MMATimerTimer()
{
    ++m_modeKeyTicks;
    if (m_modeKeyTicks < kHoldTicks)
        return;
    // The key's state is cleared before sending, because sending may process events and a
    // release handled meanwhile must not send the click's byte as well.
    m_modeKeyDown = false;
    m_modeKeyTicks = 0;
    m_mmaTimer->stop();
    m_host.sendKey('N');
}

bool TfrmPanel::mmaTimerActive() const
{
    return m_mmaTimer->isActive();
}

void TfrmPanel::btnHOLDClick()
{
    m_host.sendKey('H');
}

void TfrmPanel::btnRecClick()
{
    m_host.sendKey('E');
}

void TfrmPanel::btnCFClick()
{
    m_host.sendKey('C');
}

void TfrmPanel::btnT1_T2Click()
{
    m_host.sendKey('T');
}

void TfrmPanel::btnCloseClick()
{
    frameWindow()->close();
}

void TfrmPanel::FormActivate()
{
    Q_EMIT activated();
}

QWidget* TfrmPanel::frameWindow()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub;
    return this;
}

void TfrmPanel::startDrag(QPointF globalPos)
{
    m_dragStartGlobal = globalPos;
    m_dragStartPos = frameWindow()->pos();
}

void TfrmPanel::dragTo(QPointF globalPos)
{
    frameWindow()->move(m_dragStartPos + (globalPos - m_dragStartGlobal).toPoint());
}

bool TfrmPanel::event(QEvent* event)
{
    m_activation.handle(*event);
    return QWidget::event(event);
}

void TfrmPanel::showEvent(QShowEvent* event)
{
    m_closedReported = false;
    QWidget::showEvent(event);
}

void TfrmPanel::closeEvent(QCloseEvent* event)
{
    // A MAX/MIN blink tick that is running writes to this panel; it finishes first.
    while (m_host.maxMinTickBusy())
        m_host.processEvents();
    event->accept();
    m_mmaTimer->stop();
    if (!m_closedReported) {
        m_closedReported = true;
        Q_EMIT closed();
    }
}

} // namespace tc4dl
