#pragma once

#include "MessageTable.h"

#include <QDialog>
#include <QLocale>
#include <QPageSize>
#include <QString>

#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace tc4dl {

class Prompter;

namespace report {

// What the person chose for one report; title, site, operator, ΔH, paper and the viewer switch
// are kept in the Settings for the next one.
struct ReportChoices {
    QString title;
    QString site;
    QString operatorName;
    double activationEnergy = 83.144; // kJ/mol
    QPageSize::PageSizeId paper = QPageSize::A4;
    bool openAfter = true;
    bool timeline = false; // the logger window: all listed sets rather than the one shown
    std::optional<bool> celsius; // a graph whose source does not record its unit
};

// "Report" ("Bericht"): the texts on the report, the activation energy of the MKT, the paper,
// whether the PDF opens afterwards; for the logger window the shown set or all listed sets;
// for a graph file its unit. OK checks the activation energy (60 to 120 kJ/mol, in the
// locale's numbers) and says plainly what is wrong; Cancel changes nothing.
class TfrmReport final : public QDialog {
    Q_OBJECT
public:
    TfrmReport(const ReportChoices& initial, bool offerTimeline, bool askUnit, QLocale locale,
        Prompter& prompter, QWidget* parent = nullptr);

    // After OK: what was chosen.
    [[nodiscard]] const ReportChoices& choices() const { return m_choices; }
    // What the fields say, or the first thing wrong with them (`*error`, nothing returned).
    [[nodiscard]] std::optional<ReportChoices> entered(QString* error) const;

    void accept() override;

    QLineEdit* edtTitle = nullptr;
    QLineEdit* edtSite = nullptr;
    QLineEdit* edtOperator = nullptr;
    QLineEdit* edtEnergy = nullptr;
    QComboBox* cmbPaper = nullptr;
    QComboBox* cmbUnit = nullptr; // only when the unit is asked
    QRadioButton* radShown = nullptr; // only when a timeline is offered
    QRadioButton* radAll = nullptr;
    QCheckBox* chkOpen = nullptr;

private:
    MessageTable m_texts;
    QLocale m_locale;
    Prompter& m_prompter;
    ReportChoices m_choices;
};

} // namespace report
} // namespace tc4dl
