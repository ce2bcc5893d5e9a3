#include "ChartView.h"

#include "ChartGraph.h"

#include "ChartModel.h"
#include "ChartQcp.h"
#include "ChartSupport.h"
#include "TimeAxisTicker.h"

#include <algorithm>
#include <cmath>

// The layout side of the chart view: titles, the stacked or shared axis areas, the legend and
// one graph per subset.

namespace tc4dl::chart {

namespace {

// Stacked axes touch: the label of a lower axis's top tick would run into the bottom label of
// the axis above, so a lower axis leaves its top end unlabelled.
class EdgeTicker : public QCPAxisTicker {
protected:
    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
        QVector<double>& ticks, QVector<double>* subTicks, QVector<QString>* tickLabels) override
    {
        QCPAxisTicker::generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
        if (!tickLabels)
            return;
        const double near = range.size() * 0.02;
        for (qsizetype i = 0; i < ticks.size() && i < tickLabels->size(); ++i)
            if (std::abs(ticks[i] - range.upper) <= near)
                (*tickLabels)[i].clear();
    }
};

} // namespace

void ChartView::buildLayout()
{
    clearLayout();
    m_layoutSplit = m_model.isSplit();
    m_layoutAxes = m_layoutSplit ? std::max(1, m_model.axisCount()) : 1;
    m_layoutSubsets = m_model.subsets();

    m_title = new QCPTextElement(m_plot, QString());
    m_subTitle = new QCPTextElement(m_plot, QString());
    addAxisRects();
    addLegendAndGraphs();
    resetStores();
    m_layoutFresh = true;
}

void ChartView::clearLayout()
{
    m_plot->clearItems();
    m_plot->clearGraphs();
    m_annotItems.clear();
    m_annotIndex.clear();
    m_lineItems.clear();
    m_graphs.clear();
    m_rects.clear();
    m_proportions.clear();
    // Titles without text are kept out of the layout, so clearing it would not delete them.
    if (m_title && !m_title->layout())
        delete m_title;
    if (m_subTitle && !m_subTitle->layout())
        delete m_subTitle;
    m_plot->plotLayout()->clear();
    // Room for the half of the outermost tick labels that reaches past the plot areas.
    m_plot->plotLayout()->setAutoMargins(QCP::msNone);
    m_plot->plotLayout()->setMargins(QMargins(16, 8, 16, 0));
}

void ChartView::addAxisRects()
{
    const ChartLook& look = m_model.look;
    m_axesGrid = new QCPLayoutGrid;
    m_plot->plotLayout()->addElement(0, 0, m_axesGrid);
    QCPLayoutGrid* axes = m_axesGrid;
    // A gap of desk colour between stacked axes is the thin separator.
    axes->setRowSpacing(m_layoutSplit ? (look.multiAxesThinSeparators ? 4 : 0) : 0);
    auto* leftGroup = new QCPMarginGroup(m_plot);
    for (int a = 0; a < m_layoutAxes; ++a) {
        auto* rect = new QCPAxisRect(m_plot);
        axes->addElement(a, 0, rect);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, leftGroup);
        double proportion = 1.0 / m_layoutAxes;
        if (m_layoutSplit && a < look.multiAxesProportions.size()
            && look.multiAxesProportions[a] > 0)
            proportion = look.multiAxesProportions[a];
        axes->setRowStretchFactor(a, proportion);
        m_proportions.push_back(proportion);
        QSharedPointer<TimeAxisTicker> ticker(new TimeAxisTicker);
        ticker->setDateTimeFormat(tickDateTimeFormat(locale()));
        ticker->setTickCount(7); // a label about every 150 pixels on a full-screen graph
        rect->axis(QCPAxis::atBottom)->setTicker(ticker);
        rect->axis(QCPAxis::atBottom)->setTickLabelPadding(4);
        if (m_layoutSplit && a > 0)
            rect->axis(QCPAxis::atLeft)->setTicker(QSharedPointer<QCPAxisTicker>(new EdgeTicker));
        if (a + 1 < m_layoutAxes) {
            // The stacked axes share the bottom axis's time labels.
            rect->axis(QCPAxis::atBottom)->setTickLabels(false);
            rect->setAutoMargins(QCP::msLeft | QCP::msRight | QCP::msTop);
            rect->setMargins(QMargins(0, 0, 0, 2));
        }
        if (a > 0)
            rect->setAutoMargins(rect->autoMargins() & ~QCP::msTop);
        m_rects.push_back(rect);
    }
    // One X range for every stacked axis.
    for (QCPAxisRect* from : m_rects)
        for (QCPAxisRect* to : m_rects)
            if (from != to)
                connect(from->axis(QCPAxis::atBottom),
                    qOverload<const QCPRange&>(&QCPAxis::rangeChanged), to->axis(QCPAxis::atBottom),
                    qOverload<const QCPRange&>(&QCPAxis::setRange));
}

void ChartView::addLegendAndGraphs()
{
    m_legend = new QCPLegend;
    m_plot->plotLayout()->addElement(1, 0, m_legend);
    m_legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    m_legend->setBorderPen(Qt::NoPen);
    m_legend->setMargins(QMargins(4, 0, 4, 2));
    m_legend->setLayer(QStringLiteral("legend"));

    for (int s = 0; s < m_layoutSubsets; ++s) {
        const int axis
            = m_layoutSplit ? std::clamp(m_model.axisOfSubset(s), 0, m_layoutAxes - 1) : 0;
        QCPAxisRect* rect = m_rects[static_cast<size_t>(axis)];
        auto* graph = new ChartGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        graph->setAdaptiveSampling(true);
        graph->setAntialiased(false);
        graph->removeFromLegend();
        graph->addToLegend(m_legend);
        m_graphs.push_back(graph);
    }
}

// Titles without text take no room: the rows are laid out anew with only what is shown.
void ChartView::arrangeRows()
{
    QCPLayoutGrid* top = m_plot->plotLayout();
    QCPLayoutElement* const order[] = { m_title, m_subTitle, m_axesGrid, m_legend };
    for (QCPLayoutElement* element : order)
        if (element->layout())
            top->take(element);
    top->simplify();
    int row = 0;
    for (QCPLayoutElement* element : order) {
        auto* textElement = qobject_cast<QCPTextElement*>(element);
        if (textElement && textElement->text().isEmpty())
            continue;
        top->addElement(row, 0, element);
        top->setRowStretchFactor(row, element == m_axesGrid ? 1000.0 : 0.001);
        ++row;
    }
}

// The proportions are of the drawn plot areas, but a layout grid shares out whole cells, and
// only the lowest stacked axis carries the time labels below it. The stretch factors are
// therefore set in pixels: each row gets its share of the plot height plus its own margins.
// They are worked out after each layout pass, from the sizes just laid out; when they change
// (a resize, new tick labels) the layout runs again at once, within the same replot, so no
// frame is ever drawn with the axes of an earlier size.
void ChartView::balanceAxisHeights()
{
    for (int pass = 0; pass < 3 && balanceAxisFactors(); ++pass) {
        QCPLayoutGrid* top = m_plot->plotLayout();
        top->update(QCPLayoutElement::upPreparation);
        top->update(QCPLayoutElement::upMargins);
        top->update(QCPLayoutElement::upLayout);
    }
}

bool ChartView::balanceAxisFactors()
{
    if (m_rects.size() < 2 || !m_axesGrid)
        return false;
    double margins = 0.0;
    for (QCPAxisRect* rect : m_rects)
        margins += rect->margins().top() + rect->margins().bottom();
    const double spacing = m_axesGrid->rowSpacing() * (static_cast<double>(m_rects.size()) - 1);
    const double inner = std::max(1.0, m_axesGrid->rect().height() - spacing - margins);
    double total = 0.0;
    for (double p : m_proportions)
        total += p;
    bool changed = false;
    for (size_t a = 0; a < m_rects.size(); ++a) {
        const QMargins m = m_rects[a]->margins();
        const double factor = std::max(
            1.0, inner * m_proportions[a] / std::max(total, 1e-9) + m.top() + m.bottom());
        const int row = static_cast<int>(a);
        if (std::abs(m_axesGrid->rowStretchFactors().value(row) - factor) > 0.5) {
            m_axesGrid->setRowStretchFactor(row, factor);
            changed = true;
        }
    }
    return changed;
}

int ChartView::axisRectCount() const
{
    return static_cast<int>(m_rects.size());
}

} // namespace tc4dl::chart
