#include "TfrmSetupRealTime.h"

#include "DialogFrame.h"
#include "MessageTable.h"
#include "RecordingPeriod.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace tc4dl {

namespace {
QComboBox* makeList(const char* name, QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    for (int i = 0; i <= 60; ++i)
        list->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    return list;
}

QLabel* makeLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}
} // namespace

TfrmSetupRealTime::TfrmSetupRealTime(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
{
    setObjectName(QStringLiteral("frmSetupRealTime"));

    m_samples = new QLineEdit(QStringLiteral(" 2000"), this);
    m_samples->setObjectName(QStringLiteral("edtRealTimeNo"));
    // Up to five digits, right-aligned like the meter's own number fields. The blank in front
    // of the first number does not count: five digits always fit, however they are typed over
    // it.
    m_samples->setAlignment(Qt::AlignRight);
    m_samples->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral(" *[0-9]{0,5} *")), m_samples));
    m_samples->setFixedWidth(70);

    m_minutes = makeList("ComboBox1", this);
    m_seconds = makeList("ComboBox2", this);
    m_period = new QLineEdit(this);
    m_period->setObjectName(QStringLiteral("edtPeriod"));
    m_period->setReadOnly(true);
    m_period->setAlignment(Qt::AlignRight);
    m_period->setFixedWidth(110);

    auto* samplesRow = new QHBoxLayout;
    samplesRow->addWidget(m_samples);
    samplesRow->addWidget(makeLabel("Label2", this));
    samplesRow->addStretch();
    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(m_minutes);
    rateRow->addWidget(new QLabel(QStringLiteral(":"), this));
    rateRow->addWidget(m_seconds);
    rateRow->addWidget(makeLabel("Label4", this));
    rateRow->addStretch();
    auto* periodRow = new QHBoxLayout;
    periodRow->addWidget(m_period);
    periodRow->addWidget(makeLabel("Label6", this));
    periodRow->addStretch();

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(makeLabel("Label1", this), samplesRow);
    form->addRow(makeLabel("Label3", this), rateRow);
    form->addRow(makeLabel("Label5", this), periodRow);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* start = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    start->setObjectName(QStringLiteral("btnOpenSingleSet"));
    start->setDefault(true);
    QPushButton* cancel = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Button1"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(12);
    layout->addLayout(form);
    layout->addWidget(buttons);

    // The period follows the number as it is typed, as it follows the rate.
    connect(m_samples, &QLineEdit::textEdited, this, &TfrmSetupRealTime::showPeriod);
    for (QComboBox* list : { m_minutes, m_seconds })
        connect(list, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_programSets)
                rateListChange();
        });

    MessageTable::forWindow(QStringLiteral("TfrmSetupRealTime")).applyTo(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmSetupRealTime::setRate(int minutes, int seconds)
{
    m_programSets = true;
    m_minutes->setCurrentIndex(minutes >= 0 && minutes <= 60 ? minutes : -1);
    m_seconds->setCurrentIndex(seconds >= 0 && seconds <= 60 ? seconds : -1);
    m_programSets = false;
}

void TfrmSetupRealTime::setPeriodText(const QString& text)
{
    m_period->setText(text);
}

QString TfrmSetupRealTime::samplesText() const
{
    return m_samples->text();
}

int TfrmSetupRealTime::minutes() const
{
    return m_minutes->currentIndex();
}

int TfrmSetupRealTime::seconds() const
{
    return m_seconds->currentIndex();
}

QString TfrmSetupRealTime::periodText() const
{
    return m_period->text();
}

void TfrmSetupRealTime::rateListChange()
{
    // A rate of 0 s can never be confirmed.
    if (m_minutes->currentIndex() == 0 && m_seconds->currentIndex() == 0) {
        m_programSets = true;
        m_seconds->setCurrentIndex(2);
        m_programSets = false;
    }
    showPeriod();
}

void TfrmSetupRealTime::showPeriod()
{
    bool ok = false;
    const qint64 n = m_samples->text().trimmed().toLongLong(&ok);
    const qint64 rate = qMax(0, minutes()) * 60 + qMax(0, seconds());
    m_period->setText(periodTextPadded((ok ? n : 0) * rate));
}

void TfrmSetupRealTime::centreOnScreen()
{
    tc4dl::centreOnScreen(this);
}

} // namespace tc4dl
