#include "TfrmReport.h"

#include "DialogFrame.h"
#include "Mkt.h"
#include "Prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace tc4dl::report {

namespace {

QLabel* label(const char* name, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QLineEdit* edit(const char* name, const QString& text, QWidget* parent)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QLatin1String(name));
    e->setMinimumWidth(280);
    return e;
}

} // namespace

TfrmReport::TfrmReport(const ReportChoices& initial, bool offerTimeline, bool askUnit,
    QLocale locale, Prompter& prompter, QWidget* parent)
    : QDialog(parent),
      m_texts(MessageTable::forWindow(QStringLiteral("TfrmReport"))),
      m_locale(std::move(locale)),
      m_prompter(prompter),
      m_choices(initial)
{
    setObjectName(QStringLiteral("TfrmReport"));
    m_locale.setNumberOptions(QLocale::OmitGroupSeparator);
    auto* form = new QFormLayout;
    edtTitle = edit("edtTitle", initial.title, this);
    edtTitle->setPlaceholderText(m_texts.getTextOrDefault(QStringLiteral("IDS_12")));
    edtSite = edit("edtSite", initial.site, this);
    edtOperator = edit("edtOperator", initial.operatorName, this);
    edtEnergy = edit("edtEnergy",
        m_locale.toString(initial.activationEnergy, 'f', QLocale::FloatingPointShortest), this);
    cmbPaper = new QComboBox(this);
    cmbPaper->setObjectName(QStringLiteral("cmbPaper"));
    cmbPaper->addItem(QStringLiteral("A4"), int(QPageSize::A4));
    cmbPaper->addItem(QStringLiteral("Letter"), int(QPageSize::Letter));
    cmbPaper->setCurrentIndex(initial.paper == QPageSize::Letter ? 1 : 0);
    form->addRow(label("lblTitle", this), edtTitle);
    form->addRow(label("lblSite", this), edtSite);
    form->addRow(label("lblOperator", this), edtOperator);
    form->addRow(label("lblEnergy", this), edtEnergy);
    form->addRow(label("lblPaper", this), cmbPaper);
    if (askUnit) {
        cmbUnit = new QComboBox(this);
        cmbUnit->setObjectName(QStringLiteral("cmbUnit"));
        cmbUnit->addItem(QStringLiteral("\u00B0C"), true);
        cmbUnit->addItem(QStringLiteral("\u00B0F"), false);
        cmbUnit->setCurrentIndex(initial.celsius.value_or(true) ? 0 : 1);
        form->addRow(label("lblUnit", this), cmbUnit);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    if (offerTimeline) {
        radShown = new QRadioButton(this);
        radShown->setObjectName(QStringLiteral("radShown"));
        radAll = new QRadioButton(this);
        radAll->setObjectName(QStringLiteral("radAll"));
        (initial.timeline ? radAll : radShown)->setChecked(true);
        layout->addWidget(radShown);
        layout->addWidget(radAll);
    }
    chkOpen = new QCheckBox(this);
    chkOpen->setObjectName(QStringLiteral("chkOpen"));
    chkOpen->setChecked(initial.openAfter);
    layout->addWidget(chkOpen);
    layout->addWidget(okCancelButtons(this));
    m_texts.applyTo(this);
}

std::optional<ReportChoices> TfrmReport::entered(QString* error) const
{
    ReportChoices c = m_choices;
    c.title = edtTitle->text().trimmed();
    c.site = edtSite->text().trimmed();
    c.operatorName = edtOperator->text().trimmed();
    bool ok = false;
    const double energy = m_locale.toDouble(edtEnergy->text().trimmed(), &ok);
    if (!ok || !(energy >= kLeastActivationEnergy && energy <= kMostActivationEnergy)) {
        if (error)
            *error = m_texts.getTextOrDefault(QStringLiteral("IDS_3")).arg(edtEnergy->text());
        return std::nullopt;
    }
    c.activationEnergy = energy;
    c.paper = QPageSize::PageSizeId(cmbPaper->currentData().toInt());
    c.openAfter = chkOpen->isChecked();
    c.timeline = radAll && radAll->isChecked();
    if (cmbUnit)
        c.celsius = cmbUnit->currentData().toBool();
    return c;
}

void TfrmReport::accept()
{
    QString error;
    const std::optional<ReportChoices> c = entered(&error);
    if (!c) {
        m_prompter.ask(error, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return;
    }
    m_choices = *c;
    QDialog::accept();
}

} // namespace tc4dl::report
