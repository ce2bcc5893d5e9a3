#include "TfrmScope.h"

#include "DialogFrame.h"
#include "MessageIds.h"
#include "MessageTable.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <limits>

namespace tc4dl {

namespace {

// Where the window was designed to appear, in screen pixels.
constexpr int kDesignLeft = 323;
constexpr int kDesignTop = 140;

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TfrmScope::TfrmScope(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
{
    setObjectName(QStringLiteral("frmScope"));
    buildRangeGroup();
    buildProgressParts();
    applyTexts();
    // Every part but the range controls starts hidden, the range group too: each use shows
    // exactly what it needs.
    for (QWidget* part : std::initializer_list<QWidget*> { m_group, m_ok, m_cancel, m_status1,
             m_status2, m_received, m_total, m_progress, m_unitGroup, m_celsius, m_fahrenheit })
        part->hide();
    setFixedSize(kClientWidth, kShortHeight);
    move(kDesignLeft, kDesignTop);
}

void TfrmScope::buildRangeGroup()
{
    m_group = named(new QGroupBox(this), "GroupBox1");
    m_group->setGeometry(8, 6, 226, 90);
    m_all = named(new QRadioButton(m_group), "radAll");
    m_all->setGeometry(12, 22, 120, 22);
    m_all->setChecked(true);
    m_select = named(new QRadioButton(m_group), "radNo");
    auto* fromLabel = named(new QLabel(m_group), "Label1");
    m_from = named(new QLineEdit(m_group), "edtSelFrom");
    fromLabel->setBuddy(m_from);
    auto* toLabel = named(new QLabel(m_group), "Label2");
    m_to = named(new QLineEdit(m_group), "edtSelTo");
    toLabel->setBuddy(m_to);
    // Typing a number means a range.
    for (QLineEdit* box : { m_from, m_to })
        connect(box, &QLineEdit::textEdited, m_select, [this] { m_select->setChecked(true); });

    m_ok = named(new QPushButton(this), "BitBtn1");
    m_ok->setGeometry(244, 14, 76, 28);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    m_cancel = named(new QPushButton(this), "BitBtn2");
    m_cancel->setGeometry(244, 52, 76, 28);
    connect(m_cancel, &QPushButton::clicked, this, &TfrmScope::onCancelClicked);
}

void TfrmScope::buildProgressParts()
{
    m_status1 = named(new QLabel(this), "SText1");
    m_status1->setGeometry(14, 14, 120, 20);
    m_status2 = named(new QLabel(this), "SText2");
    m_status2->setGeometry(14, 40, 120, 20);
    m_received = named(new QLabel(this), "lblBytesReceived");
    m_received->setGeometry(138, 14, 96, 20);
    m_total = named(new QLabel(this), "lblTotalBytes");
    m_total->setGeometry(138, 40, 96, 20);
    m_progress = named(new QProgressBar(this), "Progress1");
    m_progress->setGeometry(8, 106, kClientWidth - 16, 20);
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);

    // The unit lies below the bar, inside the window only at the tall height.
    m_unitGroup = named(new QGroupBox(this), "GroupBox2");
    m_unitGroup->setGeometry(8, 148, 226, 44);
    m_celsius = named(new QRadioButton(m_unitGroup), "RadioButton1");
    m_celsius->setGeometry(30, 14, 60, 22);
    m_celsius->setChecked(true);
    m_fahrenheit = named(new QRadioButton(m_unitGroup), "RadioButton2");
    m_fahrenheit->setGeometry(130, 14, 60, 22);
}

void TfrmScope::applyTexts()
{
    // The window speaks the language in use, falling back to its table's English.
    const MessageTable table = MessageTable::forWindow(QStringLiteral("TfrmScope"));
    const auto caption = [&table](const char* key) {
        return table.textOrDefault(Section::Captions, QLatin1String(key));
    };
    setWindowTitle(caption("TfrmScope"));
    m_all->setText(caption("radAll"));
    m_select->setText(caption("radNo"));
    findChild<QLabel*>(QStringLiteral("Label1"))->setText(caption("Label1"));
    findChild<QLabel*>(QStringLiteral("Label2"))->setText(caption("Label2"));
    m_ok->setText(caption("BitBtn1"));
    m_cancel->setText(caption("BitBtn2"));
    m_status1->setText(caption("SText1"));
    m_status2->setText(caption("SText2"));
    m_celsius->setText(caption("RadioButton1"));
    m_fahrenheit->setText(caption("RadioButton2"));
    layOutRangeRow();
}

void TfrmScope::layOutRangeRow()
{
    // "Select from [ ] to [ ]" reads as one line whose words differ in length between
    // languages: each word takes the room its text needs and the two boxes share the rest.
    auto* fromLabel = findChild<QLabel*>(QStringLiteral("Label1"));
    auto* toLabel = findChild<QLabel*>(QStringLiteral("Label2"));
    constexpr int kLeft = 12, kRight = 222, kTop = 56, kRowHeight = 22, kGap = 4;
    constexpr int kMinBox = 34, kMaxBox = 48;
    const int words = m_select->sizeHint().width() + fromLabel->sizeHint().width()
        + toLabel->sizeHint().width();
    const int box = std::clamp((kRight - kLeft - words - 4 * kGap) / 2, kMinBox, kMaxBox);
    int x = kLeft;
    for (QWidget* part :
        std::initializer_list<QWidget*> { m_select, fromLabel, m_from, toLabel, m_to }) {
        const bool isBox = part == m_from || part == m_to;
        const int width = isBox ? box : part->sizeHint().width();
        part->setGeometry(x, kTop, width, kRowHeight);
        x += width + kGap;
    }
}

void TfrmScope::setUse(const char* captionId, const QList<QWidget*>& shown, int height, Mode mode)
{
    setWindowTitle(MessageTable::mainWindowText(captionId));
    for (QWidget* part : shown)
        part->show();
    setFixedSize(kClientWidth, height);
    m_mode = mode;
    m_cancelled = false;
}

void TfrmScope::useForGraphExportRange()
{
    setUse(mainmsg::kSaveFileCaption,
        { m_group, m_ok, m_cancel, m_unitGroup, m_celsius, m_fahrenheit }, kTallHeight,
        Mode::Modal);
}

void TfrmScope::useForTableSaveRange()
{
    setUse(mainmsg::kSaveFileCaption, { m_group, m_ok, m_cancel }, kShortHeight, Mode::Modal);
}

void TfrmScope::useForSaveProgress()
{
    setUse(
        mainmsg::kSavingCaption, { m_progress, m_status1, m_cancel }, kShortHeight, Mode::Modeless);
    m_status1->setText(MessageTable::mainWindowText(mainmsg::kSaving));
}

void TfrmScope::useForOpenProgress()
{
    setUse(mainmsg::kOpeningCaption, { m_status1, m_cancel }, kShortHeight, Mode::Modeless);
    m_status1->setText(QStringLiteral("0"));
}

void TfrmScope::useForGraphingProgress()
{
    setUse(mainmsg::kGraphingCaption, { m_progress, m_status1 }, kShortHeight, Mode::Modeless);
    m_status1->setText(MessageTable::mainWindowText(mainmsg::kGraphing));
}

void TfrmScope::useForDownloadProgress(qint64 totalBytes)
{
    setUse(mainmsg::kDownloadCaption,
        { m_progress, m_status1, m_status2, m_received, m_total, m_cancel }, kShortHeight,
        Mode::Modeless);
    setBytes(0, totalBytes);
}

void TfrmScope::setRange(const QString& from, const QString& to)
{
    m_from->setText(from);
    m_to->setText(to);
}

bool TfrmScope::allChosen() const
{
    return m_all->isChecked();
}

QString TfrmScope::fromText() const
{
    return m_from->text();
}

QString TfrmScope::toText() const
{
    return m_to->text();
}

void TfrmScope::setFahrenheit(bool fahrenheit)
{
    (fahrenheit ? m_fahrenheit : m_celsius)->setChecked(true);
}

bool TfrmScope::fahrenheit() const
{
    return m_fahrenheit->isChecked();
}

void TfrmScope::setProgressMaximum(qint64 maximum)
{
    maximum = std::max<qint64>(0, maximum);
    m_scaleShift = 0;
    while ((maximum >> m_scaleShift) > std::numeric_limits<int>::max())
        ++m_scaleShift;
    m_progress->setRange(0, static_cast<int>(maximum >> m_scaleShift));
}

void TfrmScope::setProgressValue(qint64 value)
{
    const qint64 scaled = std::max<qint64>(0, value) >> m_scaleShift;
    m_progress->setValue(static_cast<int>(std::min<qint64>(scaled, m_progress->maximum())));
}

void TfrmScope::setStatusText(const QString& text)
{
    m_status1->setText(text);
}

void TfrmScope::setBytes(qint64 received, qint64 total)
{
    m_received->setText(QString::number(received));
    m_total->setText(QString::number(total));
}

void TfrmScope::onCancelClicked()
{
    if (m_mode == Mode::Modal) {
        QDialog::reject();
        return;
    }
    // The operation polls the result and ends the window itself.
    if (m_cancelled)
        return;
    m_cancelled = true;
    Q_EMIT cancelRequested();
}

void TfrmScope::reject()
{
    // The close box and Escape: Cancel in a range use. A progress window stays until its
    // operation ends; there they ask for the end where the use offers Cancel.
    if (m_mode == Mode::Modal)
        QDialog::reject();
    else if (!m_cancel->isHidden())
        onCancelClicked();
}

} // namespace tc4dl
