#pragma once

#include "ChartModel.h"
#include "MessageTable.h"

#include <QColor>
#include <QDialog>
#include <QPushButton>

#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;

namespace tc4dl {
class Prompter;
}

namespace tc4dl::chart {

// A button that shows a colour and lets the user pick another with the colour dialog.
class ChartColorButton : public QPushButton {
    Q_OBJECT

public:
    // The colour question goes through `prompter`; without one the button only shows.
    ChartColorButton(const QColor& color, Prompter* prompter, QWidget* parent = nullptr);
    [[nodiscard]] QColor color() const { return m_color; }
    void setColor(const QColor& color);

private:
    void choose();
    QColor m_color;
    Prompter* m_prompter;
};

// The graph's own customization dialog. Its pages follow the page switches of the look
// (allowFontPage, allowPage1, allowPage2, allowSubsetsPage, allowAxisPage): a page switched off
// is not built at all. OK writes every shown page back to the model.
class ChartCustomizeDialog : public QDialog {
    Q_OBJECT

public:
    explicit ChartCustomizeDialog(
        ChartModel& model, QWidget* parent = nullptr, Prompter* prompter = nullptr);

    void accept() override;
    // Whether `look` leaves at least one page to show.
    [[nodiscard]] static bool offersAnyPage(const ChartLook& look);
    [[nodiscard]] QTabWidget* pages() const { return m_tabs; }

private:
    struct SubsetRow {
        QLineEdit* label = nullptr;
        ChartColorButton* color = nullptr;
    };
    struct AxisRow {
        QCheckBox* manual = nullptr;
        QDoubleSpinBox* min = nullptr;
        QDoubleSpinBox* max = nullptr;
        QLineEdit* label = nullptr;
    };

    QWidget* buildFontPage();
    QWidget* buildTitlesPage();
    QWidget* buildColoursPage();
    QWidget* buildSubsetsPage();
    QWidget* buildAxisPage();

    // The dialog's own texts, IDS_0 onwards, in the program's language.
    [[nodiscard]] QString text(int id) const;

    ChartModel& m_model;
    Prompter* m_prompter;
    MessageTable m_texts = MessageTable::forWindow(QStringLiteral("ChartCustomizeDialog"));
    QTabWidget* m_tabs = nullptr;
    QSpinBox* m_annotationSize = nullptr;
    QSpinBox* m_lineAnnotationSize = nullptr;
    QLineEdit* m_mainTitle = nullptr;
    QLineEdit* m_subTitle = nullptr;
    QLineEdit* m_xAxisLabel = nullptr;
    QComboBox* m_gridStyle = nullptr;
    ChartColorButton* m_foreColor = nullptr;
    ChartColorButton* m_backColor = nullptr;
    ChartColorButton* m_deskColor = nullptr;
    ChartColorButton* m_textColor = nullptr;
    std::vector<SubsetRow> m_subsets;
    std::vector<AxisRow> m_axes;
};

} // namespace tc4dl::chart
