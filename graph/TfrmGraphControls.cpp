// Building and sizing the graph window's controls: the tool bar, the statistic strip, the
// plot, the line cursor panel and the logger's data-set list.

#include "TfrmGraph.h"

#include "GraphChannels.h"
#include "GraphCommands.h"
#include "GraphToolGlyph.h"

#include "ChartQcp.h"
#include "ChartView.h"
#include "MessageTable.h"
#include "ReflowLayout.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>
#include <utility>

namespace tc4dl {

namespace {
// The data-set list's designed column widths, the panel's room for margins and a scroll bar,
// and the most the panel may take.
constexpr int kDataSetWidths[6] = { 25, 60, 60, 65, 40, 40 };
constexpr int kDataSetPanelExtra = 30;
constexpr int kDataSetPanelMaxWidth = 480;
constexpr int kDataSetPanelLeastWidth = 150;
// What the graph beside the list keeps at least: its statistic strip on two rows.
constexpr int kRightColumnLeastWidth = 490;
// The least height of the plot: titles, legend, time labels and short stacked axes.
constexpr int kLeastPlotHeight = 130;
// The least size at which every control stays readable; tiling and cascading keep to it.
constexpr QSize kLeastSize(520, 300);

// The least a statistic box is narrowed to: a value and the start of its time.
constexpr int kNarrowBoxWidth = 60;

const QString kAvgStart = QStringLiteral("***.* ");

QLineEdit* readOnlyBox(QWidget* parent, const char* name, const QString& text, int minChars)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::ClickFocus);
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('0')) * minChars + 12);
    // A box narrowed by a small window shows its text from the start, and the whole text as
    // its tool tip.
    QObject::connect(box, &QLineEdit::textChanged, box, [box](const QString& shown) {
        box->setCursorPosition(0);
        box->setToolTip(shown);
    });
    return box;
}

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

void TfrmGraph::FormCreate()
{
    setObjectName(QStringLiteral("frmGraph"));
    resize(760, 560);
    setMinimumSize(kLeastSize);

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    buildDataSetPanel();
    root->addWidget(pnlDataSets);

    auto* right = new QWidget(this);
    right->setObjectName(QStringLiteral("pnlRight"));
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    root->addWidget(right, 1);

    buildToolBar();
    column->addWidget(ToolBar1);
    buildStatisticStrip();
    column->addWidget(pnlGraphStatistic);
    buildPlot();
    column->addWidget(pnlGraph, 1);
    buildLineCursorPanel();
    column->addWidget(pnlStatistic);

    MessageTable::forWindow(QStringLiteral("TfrmGraph")).applyTo(this);
    m_channels = new GraphChannels(*this, m_services.channelConfig());
    connect(chkRate, &QCheckBox::toggled, m_channels, &GraphChannels::setCurvesShown);

    // The data-set list's headers come from the messages, not the captions.
    const MessageTable table = MessageTable::forWindow(QStringLiteral("TfrmGraph"));
    QStringList headers;
    for (int i = 0; i < 6; ++i)
        headers << table.getTextOrDefault(QStringLiteral("IDS_%1").arg(i));
    dataSetGrid->setHorizontalHeaderLabels(headers);
    for (int i = 0; i < 6; ++i)
        dataSetGrid->setColumnWidth(i, kDataSetWidths[i]);
    for (int c = 0; c < dataSetGrid->columnCount(); ++c)
        dataSetGrid->setItem(0, c, new QTableWidgetItem(QString()));

    PESGraph1->setPrompter(&m_services.prompter());
    PESGraph1->setClock(&m_services.clock());
    m_commands = new GraphCommands(*this, m_services);
}

void TfrmGraph::fitDataSetColumns()
{
    // The designed widths are the least; a date, time or heading in this system's font may
    // need more, and a cut-off date makes the list useless. The panel grows with the columns,
    // within a bound that leaves the graph most of the window.
    dataSetGrid->resizeColumnsToContents();
    int total = 0;
    for (int i = 0; i < 6; ++i) {
        const int wanted = std::max(kDataSetWidths[i], dataSetGrid->columnWidth(i));
        dataSetGrid->setColumnWidth(i, wanted);
        total += wanted;
    }
    m_dataSetWidth = std::min(total + kDataSetPanelExtra, kDataSetPanelMaxWidth);
    fitDataSetPanel();
}

void TfrmGraph::fitDataSetPanel()
{
    const int share = std::max(kDataSetPanelLeastWidth, width() - kRightColumnLeastWidth);
    pnlDataSets->setFixedWidth(std::min(m_dataSetWidth, share));
}

void TfrmGraph::buildDataSetPanel()
{
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pnlDataSets"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    QLabel* title = label(panel, "lblDataSets", QStringLiteral("Data Sets"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(title);

    dataSetGrid = new QTableWidget(1, 6, panel);
    dataSetGrid->setObjectName(QStringLiteral("Grid2"));
    dataSetGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    dataSetGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    dataSetGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dataSetGrid->verticalHeader()->hide();
    dataSetGrid->verticalHeader()->setDefaultSectionSize(dataSetGrid->fontMetrics().height() + 6);
    dataSetGrid->horizontalHeader()->setHighlightSections(false);
    dataSetGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // A narrow window narrows the list; its columns then scroll.
    dataSetGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(dataSetGrid, 1);
    connect(dataSetGrid, &QTableWidget::cellClicked, this, [this] { dataSetGridClick(); });

    // Wide enough for the six columns and a vertical scroll bar.
    m_dataSetWidth = std::accumulate(std::begin(kDataSetWidths), std::end(kDataSetWidths), 0)
        + kDataSetPanelExtra;
    panel->setFixedWidth(m_dataSetWidth);
    panel->hide();
    pnlDataSets = panel;
}

QToolButton* TfrmGraph::addToolButton(const char* name, GraphGlyph glyph, bool checkable)
{
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(QLatin1String(name));
    button->setIcon(graphToolGlyph(glyph));
    button->setCheckable(checkable);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setFocusPolicy(Qt::TabFocus);
    ToolBar1->addWidget(button);
    return button;
}

void TfrmGraph::buildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(kGraphGlyphSize, kGraphGlyphSize));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);

    statisticButton = addToolButton("ToolButton1", GraphGlyph::Statistic, true);
    statisticButton->setChecked(true);
    connect(statisticButton, &QToolButton::clicked, this, &TfrmGraph::statisticButtonClick);
    lineCursorButton = addToolButton("ToolButton2", GraphGlyph::LineCursor, true);
    lineCursorButton->setChecked(true);
    connect(lineCursorButton, &QToolButton::clicked, this, &TfrmGraph::lineCursorButtonClick);
    ToolBar1->addSeparator();

    pointerToolButton = addToolButton("ToolButton4", GraphGlyph::Pointer, true);
    crossToolButton = addToolButton("ToolButton5", GraphGlyph::Cross, true);
    textToolButton = addToolButton("ToolButton9", GraphGlyph::Text, true);
    auto* tools = new QButtonGroup(this);
    tools->setObjectName(QStringLiteral("AnnotationTools"));
    tools->setExclusive(true);
    tools->addButton(pointerToolButton);
    tools->addButton(crossToolButton);
    tools->addButton(textToolButton);
    pointerToolButton->setChecked(true);
    colorButton = addToolButton("ToolButton15", GraphGlyph::Color, false);

    m_clearDivider = ToolBar1->addSeparator();
    tbntClr = new QToolButton(ToolBar1);
    tbntClr->setObjectName(QStringLiteral("tbntClr"));
    tbntClr->setIcon(graphToolGlyph(GraphGlyph::Clear));
    tbntClr->setAutoRaise(true);
    tbntClr->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_clearAction = ToolBar1->addWidget(tbntClr);
    m_clearDivider->setVisible(false);
    m_clearAction->setVisible(false);

    ToolBar1->addSeparator();
    UndoZoom = addToolButton("UndoZoom", GraphGlyph::UndoZoom, false);
    UndoZoom->setEnabled(false);
    ToolBar1->addSeparator();

    chkSplit = new QCheckBox(QStringLiteral("Split"), ToolBar1);
    chkSplit->setObjectName(QStringLiteral("chkSplit"));
    chkSplit->setChecked(true);
    // Keeps the check box off the separator before it.
    chkSplit->setContentsMargins(4, 0, 6, 0);
    ToolBar1->addWidget(chkSplit);
    // Rate curves on a second axis, beside the readings; off until asked for.
    chkRate = new QCheckBox(QStringLiteral("°/min"), ToolBar1);
    chkRate->setObjectName(QStringLiteral("chkRate"));
    chkRate->setContentsMargins(0, 0, 6, 0);
    ToolBar1->addWidget(chkRate);

    auto addButton = [this](const char* name, const QString& text) {
        auto* button = new QPushButton(text, ToolBar1);
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
        ToolBar1->addWidget(button);
        return button;
    };
    graphOptionButton = addButton("Button1", QStringLiteral("Graph Option"));
    auto* gap = new QWidget(ToolBar1);
    gap->setFixedWidth(4);
    ToolBar1->addWidget(gap);
    btnChangeScale = addButton("btnChangeScale", QStringLiteral("Y Axis"));
}

void TfrmGraph::buildStatisticStrip()
{
    auto* strip = new QFrame(this);
    strip->setObjectName(QStringLiteral("pnlGraphStatistic"));
    strip->setFrameShape(QFrame::StyledPanel);
    strip->setFrameShadow(QFrame::Raised);
    // Caption and box stay together; the groups go on further rows when the window is narrow.
    auto* flow = new ReflowLayout(strip, 14, 2);
    flow->setContentsMargins(8, 4, 8, 4);
    auto group = [strip, flow](const char* name) {
        auto* box = new QWidget(strip);
        box->setObjectName(QLatin1String(name));
        auto* row = new QHBoxLayout(box);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(6);
        flow->addWidget(box);
        return std::pair { box, row };
    };

    auto [startBox, startRow] = group("grpStartTime");
    startRow->addWidget(label(startBox, "lblStartTime", QStringLiteral("Start Time")));
    txtStartTime = readOnlyBox(startBox, "txtStartTime", QString(), 17);
    startRow->addWidget(txtStartTime);

    auto [rateBox, rateRow] = group("grpSamplingRate");
    rateRow->addWidget(label(rateBox, "lblSamplingRate", QStringLiteral("Sampling Rate")));
    QStringList items;
    for (int i = 0; i <= 60; ++i)
        items << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    auto makeList = [&](const char* name, int initial) {
        auto* list = new QComboBox(rateBox);
        list->setObjectName(QLatin1String(name));
        list->addItems(items);
        list->setCurrentIndex(initial);
        list->setMaxVisibleItems(15);
        list->setEnabled(false);
        return list;
    };
    rateMinutesList = makeList("ComboBox1", 0);
    rateRow->addWidget(rateMinutesList);
    rateRow->addWidget(label(rateBox, "lblColon", QStringLiteral(":")));
    rateSecondsList = makeList("ComboBox2", 2);
    rateRow->addWidget(rateSecondsList);
    rateRow->addWidget(label(rateBox, "lblMmSs", QStringLiteral("mm:ss")));

    auto [countBox, countRow] = group("grpDataNo");
    countRow->addWidget(label(countBox, "lblDataNo", QStringLiteral("Data No.")));
    txtDataNo = readOnlyBox(countBox, "txtDataNo", QStringLiteral("0"), 6);
    txtDataNo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtDataNo->setMaximumWidth(txtDataNo->minimumWidth() + 8);
    countRow->addWidget(txtDataNo);

    showMaxMinButton = new QPushButton(QStringLiteral("Show MAX/MIN on Graph"), strip);
    showMaxMinButton->setObjectName(QStringLiteral("Button2"));
    showMaxMinButton->setAutoDefault(false);
    flow->addWidget(showMaxMinButton);
    pnlGraphStatistic = strip;
}

void TfrmGraph::buildPlot()
{
    pnlGraph = new QWidget(this);
    pnlGraph->setObjectName(QStringLiteral("pnlGraph"));
    pnlGraph->setMinimumHeight(kLeastPlotHeight);
    auto* layout = new QGridLayout(pnlGraph);
    layout->setContentsMargins(0, 0, 0, 0);
    PESGraph1 = new chart::ChartView(m_model, pnlGraph);
    PESGraph1->setObjectName(QStringLiteral("PESGraph1"));
    layout->addWidget(PESGraph1, 0, 0);

    // The read-out floats over the plot's top-left corner, outside the layout.
    readOutLabel = new QLabel(pnlGraph);
    readOutLabel->setObjectName(QStringLiteral("Panel12"));
    readOutLabel->setAutoFillBackground(true);
    readOutLabel->setMargin(2);
    readOutLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    readOutLabel->hide();
    readOutLabel->raise();

    pnlGraph->installEventFilter(this);
    connect(PESGraph1, &chart::ChartView::mouseMoved, this, [this] { PESGraph1MouseMove(); });
    connect(PESGraph1, &chart::ChartView::dataHotSpot, this, &TfrmGraph::PESGraph1DataHotSpot);
    // The plot rectangle is known only once the plot has laid itself out.
    if (QCustomPlot* plot = PESGraph1->plot())
        connect(plot, &QCustomPlot::afterReplot, this, &TfrmGraph::pnlGraphResize);
}

void TfrmGraph::buildLineCursorPanel()
{
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pnlStatistic"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setFixedHeight(106);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);

    static constexpr const char* kNames[4][6] = {
        { "lblT1Max", "txtT1Max", "lblT1Min", "txtT1Min", "lblT1Avg", "txtT1Avg" },
        { "lblT2Max", "txtT2Max", "lblT2Min", "txtT2Min", "lblT2Avg", "txtT2Avg" },
        { "lblT3Max", "txtT3Max", "lblT3Min", "txtT3Min", "lblT3Avg", "txtT3Avg" },
        { "lblT4Max", "txtT4Max", "lblT4Min", "txtT4Min", "lblT4Avg", "txtT4Avg" },
    };
    static constexpr const char* kRateNames[4][2] = {
        { "lblT1Rate", "txtT1Rate" },
        { "lblT2Rate", "txtT2Rate" },
        { "lblT3Rate", "txtT3Rate" },
        { "lblT4Rate", "txtT4Rate" },
    };
    for (int ch = 0; ch < 4; ++ch) {
        const auto* names = kNames[ch];
        grid->addWidget(label(panel, names[0], QStringLiteral("T%1 MAX ").arg(ch + 1)), ch, 0);
        m_max[ch] = readOnlyBox(panel, names[1], QString(), 27);
        grid->addWidget(m_max[ch], ch, 1);
        QLabel* minLabel = label(panel, names[2], QStringLiteral("MIN"));
        minLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(minLabel, ch, 2);
        m_min[ch] = readOnlyBox(panel, names[3], QString(), 27);
        grid->addWidget(m_min[ch], ch, 3);
        QLabel* avgLabel = label(panel, names[4], QStringLiteral("AVG"));
        avgLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(avgLabel, ch, 4);
        m_avg[ch] = readOnlyBox(panel, names[5], kAvgStart, 10);
        m_avg[ch]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(m_avg[ch], ch, 5);
        QLabel* rateLabel = label(panel, kRateNames[ch][0], QStringLiteral("RATE"));
        rateLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(rateLabel, ch, 6);
        m_rate[ch] = readOnlyBox(panel, kRateNames[ch][1], QStringLiteral("****"), 12);
        m_rate[ch]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(m_rate[ch], ch, 7);
        // Each box is as wide as its longest value where there is room; a narrow window
        // narrows the boxes, never below a few characters, rather than push them over the
        // captions beside them.
        for (QLineEdit* box : { m_max[ch], m_min[ch], m_avg[ch], m_rate[ch] }) {
            const int full = box->minimumWidth();
            box->setFixedHeight(22);
            box->setMaximumWidth(full);
            box->setMinimumWidth(std::min(full, kNarrowBoxWidth));
            box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        }
    }
    // The room that is left over stays on the right.
    grid->setColumnMinimumWidth(2, 36);
    grid->setColumnMinimumWidth(4, 36);
    grid->setColumnMinimumWidth(6, 36);
    for (const int column : { 1, 3, 5, 7 })
        grid->setColumnStretch(column, 1);
    grid->setColumnStretch(8, 1);
    pnlStatistic = panel;
}

} // namespace tc4dl
