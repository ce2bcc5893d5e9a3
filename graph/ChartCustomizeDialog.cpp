#include "ChartCustomizeDialog.h"

#include "ChartSupport.h"
#include "Prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace tc4dl::chart {

ChartColorButton::ChartColorButton(const QColor& color, Prompter* prompter, QWidget* parent)
    : QPushButton(parent),
      m_prompter(prompter)
{
    setColor(color);
    connect(this, &QPushButton::clicked, this, &ChartColorButton::choose);
}

void ChartColorButton::setColor(const QColor& color)
{
    m_color = color;
    QPixmap swatch(32, 14);
    swatch.fill(color);
    setIcon(QIcon(swatch));
    setIconSize(swatch.size());
    setText(color.name(QColor::HexRgb).toUpper());
}

void ChartColorButton::choose()
{
    if (!m_prompter)
        return;
    if (const std::optional<Color> picked = m_prompter->chooseColor(fromQColor(m_color)))
        setColor(toQColor(*picked));
}

namespace {

QSpinBox* percentBox(int value, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setRange(10, 500);
    box->setSuffix(QStringLiteral(" %"));
    box->setValue(value);
    return box;
}

QDoubleSpinBox* limitBox(double value, QWidget* parent)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(-1e9, 1e9);
    box->setDecimals(2);
    box->setValue(value);
    return box;
}

} // namespace

ChartCustomizeDialog::ChartCustomizeDialog(ChartModel& model, QWidget* parent, Prompter* prompter)
    : QDialog(parent),
      m_model(model),
      m_prompter(prompter),
      m_tabs(new QTabWidget(this))
{
    setWindowTitle(text(0));
    const ChartLook& look = m_model.look;
    if (look.allowFontPage)
        m_tabs->addTab(buildFontPage(), text(1));
    if (look.allowPage1)
        m_tabs->addTab(buildTitlesPage(), text(2));
    if (look.allowPage2)
        m_tabs->addTab(buildColoursPage(), text(3));
    if (look.allowSubsetsPage)
        m_tabs->addTab(buildSubsetsPage(), text(4));
    if (look.allowAxisPage)
        m_tabs->addTab(buildAxisPage(), text(5));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ChartCustomizeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ChartCustomizeDialog::reject);
    auto* layout = new QVBoxLayout(this);
    if (m_tabs->count() == 0) {
        m_tabs->hide();
        layout->addWidget(new QLabel(text(6), this));
    }
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}

bool ChartCustomizeDialog::offersAnyPage(const ChartLook& look)
{
    return look.allowFontPage || look.allowPage1 || look.allowPage2 || look.allowSubsetsPage
        || look.allowAxisPage;
}

QString ChartCustomizeDialog::text(int id) const
{
    return m_texts.getTextOrDefault(QStringLiteral("IDS_%1").arg(id));
}

QWidget* ChartCustomizeDialog::buildFontPage()
{
    auto* page = new QWidget(m_tabs);
    page->setObjectName(QStringLiteral("fontPage"));
    auto* form = new QFormLayout(page);
    m_annotationSize = percentBox(m_model.look.graphAnnotationTextSize, page);
    m_annotationSize->setObjectName(QStringLiteral("graphAnnotationTextSize"));
    m_lineAnnotationSize = percentBox(m_model.look.lineAnnotationTextSize, page);
    m_lineAnnotationSize->setObjectName(QStringLiteral("lineAnnotationTextSize"));
    form->addRow(text(7), m_annotationSize);
    form->addRow(text(8), m_lineAnnotationSize);
    return page;
}

QWidget* ChartCustomizeDialog::buildTitlesPage()
{
    const ChartLook& look = m_model.look;
    auto* page = new QWidget(m_tabs);
    page->setObjectName(QStringLiteral("titlesPage"));
    auto* form = new QFormLayout(page);
    m_mainTitle = new QLineEdit(look.mainTitle, page);
    m_mainTitle->setObjectName(QStringLiteral("mainTitle"));
    m_subTitle = new QLineEdit(look.subTitle, page);
    m_subTitle->setObjectName(QStringLiteral("subTitle"));
    m_xAxisLabel = new QLineEdit(look.xAxisLabel, page);
    m_xAxisLabel->setObjectName(QStringLiteral("xAxisLabel"));
    m_gridStyle = new QComboBox(page);
    m_gridStyle->setObjectName(QStringLiteral("gridStyle"));
    // Item order is the GridStyle order.
    m_gridStyle->addItems({ text(9), text(10), text(11), text(12) });
    m_gridStyle->setCurrentIndex(std::clamp(static_cast<int>(look.gridStyle), 0, 3));
    form->addRow(text(13), m_mainTitle);
    form->addRow(text(14), m_subTitle);
    form->addRow(text(15), m_xAxisLabel);
    form->addRow(text(16), m_gridStyle);
    return page;
}

QWidget* ChartCustomizeDialog::buildColoursPage()
{
    const ChartLook& look = m_model.look;
    auto* page = new QWidget(m_tabs);
    page->setObjectName(QStringLiteral("coloursPage"));
    auto* form = new QFormLayout(page);
    auto make = [this, page](Color c, const char* name) {
        auto* button = new ChartColorButton(toQColor(c), m_prompter, page);
        button->setObjectName(QLatin1String(name));
        return button;
    };
    m_foreColor = make(look.graphForeColor, "graphForeColor");
    m_backColor = make(look.graphBackColor, "graphBackColor");
    m_deskColor = make(look.deskColor, "deskColor");
    m_textColor = make(look.textColor, "textColor");
    form->addRow(text(17), m_foreColor);
    form->addRow(text(18), m_backColor);
    form->addRow(text(19), m_deskColor);
    form->addRow(text(20), m_textColor);
    return page;
}

QWidget* ChartCustomizeDialog::buildSubsetsPage()
{
    const ChartLook& look = m_model.look;
    auto* page = new QWidget(m_tabs);
    page->setObjectName(QStringLiteral("subsetsPage"));
    auto* grid = new QGridLayout(page);
    grid->addWidget(new QLabel(text(21), page), 0, 1);
    grid->addWidget(new QLabel(text(22), page), 0, 2);
    for (int s = 0; s < m_model.subsets(); ++s) {
        SubsetRow row;
        row.label
            = new QLineEdit(s < look.subsetLabels.size() ? look.subsetLabels[s] : QString(), page);
        row.label->setObjectName(QStringLiteral("subsetLabel%1").arg(s));
        row.color = new ChartColorButton(
            s < look.subsetColors.size() ? toQColor(look.subsetColors[s]) : QColor(Qt::white),
            m_prompter, page);
        row.color->setObjectName(QStringLiteral("subsetColor%1").arg(s));
        grid->addWidget(new QLabel(text(23).arg(s + 1), page), s + 1, 0);
        grid->addWidget(row.label, s + 1, 1);
        grid->addWidget(row.color, s + 1, 2);
        m_subsets.push_back(row);
    }
    grid->setRowStretch(m_model.subsets() + 1, 1);
    return page;
}

QWidget* ChartCustomizeDialog::buildAxisPage()
{
    auto* page = new QWidget(m_tabs);
    page->setObjectName(QStringLiteral("axisPage"));
    auto* grid = new QGridLayout(page);
    grid->addWidget(new QLabel(text(24), page), 0, 1);
    grid->addWidget(new QLabel(text(25), page), 0, 2);
    grid->addWidget(new QLabel(text(26), page), 0, 3);
    grid->addWidget(new QLabel(text(21), page), 0, 4);
    const int axes = std::max(1, m_model.axisCount());
    for (int a = 0; a < axes; ++a) {
        const Scale scale = m_model.yScale(a);
        AxisRow row;
        row.manual = new QCheckBox(page);
        row.manual->setChecked(scale.control == ScaleControl::ManualMinAndMax);
        row.manual->setObjectName(QStringLiteral("axisManual%1").arg(a));
        row.min = limitBox(scale.min, page);
        row.min->setObjectName(QStringLiteral("axisMin%1").arg(a));
        row.max = limitBox(scale.max, page);
        row.max->setObjectName(QStringLiteral("axisMax%1").arg(a));
        row.label = new QLineEdit(m_model.yAxisLabel(a), page);
        row.label->setObjectName(QStringLiteral("axisLabel%1").arg(a));
        // Limits only matter for a manual scale.
        row.min->setEnabled(row.manual->isChecked());
        row.max->setEnabled(row.manual->isChecked());
        connect(row.manual, &QCheckBox::toggled, row.min, &QWidget::setEnabled);
        connect(row.manual, &QCheckBox::toggled, row.max, &QWidget::setEnabled);
        grid->addWidget(new QLabel(text(27).arg(a + 1), page), a + 1, 0);
        grid->addWidget(row.manual, a + 1, 1);
        grid->addWidget(row.min, a + 1, 2);
        grid->addWidget(row.max, a + 1, 3);
        grid->addWidget(row.label, a + 1, 4);
        m_axes.push_back(row);
    }
    grid->setRowStretch(axes + 1, 1);
    return page;
}

void ChartCustomizeDialog::accept()
{
    ChartLook& look = m_model.look;
    if (m_annotationSize) {
        look.graphAnnotationTextSize = m_annotationSize->value();
        look.lineAnnotationTextSize = m_lineAnnotationSize->value();
    }
    if (m_mainTitle) {
        look.mainTitle = m_mainTitle->text();
        look.subTitle = m_subTitle->text();
        look.xAxisLabel = m_xAxisLabel->text();
        look.gridStyle = static_cast<GridStyle>(m_gridStyle->currentIndex());
    }
    if (m_foreColor) {
        look.graphForeColor = fromQColor(m_foreColor->color());
        look.graphBackColor = fromQColor(m_backColor->color());
        look.deskColor = fromQColor(m_deskColor->color());
        look.textColor = fromQColor(m_textColor->color());
    }
    for (size_t s = 0; s < m_subsets.size(); ++s) {
        const auto i = static_cast<int>(s);
        while (look.subsetLabels.size() <= i)
            look.subsetLabels.append(QString());
        while (look.subsetColors.size() <= i)
            look.subsetColors.append(0xFFFFFF);
        look.subsetLabels[i] = m_subsets[s].label->text();
        look.subsetColors[i] = fromQColor(m_subsets[s].color->color());
    }
    if (!m_axes.empty()) {
        // Y scales act on the working axis; the caller's working axis is kept.
        const int working = m_model.workingAxis();
        for (size_t a = 0; a < m_axes.size(); ++a) {
            const AxisRow& row = m_axes[a];
            m_model.setWorkingAxis(static_cast<int>(a));
            Scale scale = m_model.yScale(static_cast<int>(a));
            scale.control
                = row.manual->isChecked() ? ScaleControl::ManualMinAndMax : ScaleControl::Auto;
            scale.min = row.min->value();
            scale.max = row.max->value();
            m_model.setYScale(scale);
            m_model.setYAxisLabel(row.label->text());
        }
        m_model.setWorkingAxis(working);
    }
    QDialog::accept();
}

} // namespace tc4dl::chart
