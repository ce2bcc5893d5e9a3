#include "ChartView.h"

#include "ChartGraph.h"

#include "ChartModel.h"
#include "ChartQcp.h"
#include "ChartSupport.h"
#include "TickGuards.h"
#include "TickLayout.h"
#include "TimeAxisTicker.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

// The layout side of the chart view: titles, the stacked or shared axis areas, the legend and
// one graph per subset.

namespace tc4dl::chart {

namespace {

// Value ticks at the smallest readable step that gives no more intervals than the axis has
// room for (QCustomPlot's own choice may give half again as many, which overlap on the short
// axes of a split graph). Labels whose text would reach past a guarded end of the axis are
// left off: stacked axes touch, and the lowest axis's bottom label would meet the time labels.
class ValueAxisTicker : public QCPAxisTicker, public TickGuards {
protected:
    double getTickStep(const QCPRange& range) override
    {
        return niceStepAtLeast(range.size() / std::max(1, tickCount()));
    }

    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
        QVector<double>& ticks, QVector<double>* subTicks, QVector<QString>* tickLabels) override
    {
        QCPAxisTicker::generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
        if (!tickLabels)
            return;
        const double size = range.size();
        for (qsizetype i = 0; i < ticks.size() && i < tickLabels->size(); ++i)
            if (range.upper - ticks[i] < m_guardUpper * size
                || ticks[i] - range.lower < m_guardLower * size)
                (*tickLabels)[i].clear();
    }
};

// Room between neighbouring tick labels, in pixels, and the most intervals an axis is given.
constexpr double kValueLabelGap = 4.0;
constexpr double kTimeLabelGap = 16.0;
constexpr int kMostValueIntervals = 10;
constexpr int kMostTimeIntervals = 10;
constexpr int kLeastAxisHeight = 4;
// Layout passes per replot: heights, tick counts and label widths settle each other in two or
// three; a pass that changes nothing ends the loop.
constexpr int kLayoutPasses = 6;

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
    dropOverlay();
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
        // QCustomPlot's own least plot height of 50 pixels per axis is more than four stacked
        // axes get in a small window; the layout then drops every least size at once and cuts
        // the time labels and the legend. Short axes are laid out with fewer ticks instead.
        rect->setMinimumSize(rect->minimumSize().width(), kLeastAxisHeight);
        axes->addElement(a, 0, rect);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, leftGroup);
        double proportion = 1.0 / m_layoutAxes;
        if (m_layoutSplit && a < look.multiAxesProportions.size()
            && look.multiAxesProportions[a] > 0)
            proportion = look.multiAxesProportions[a];
        axes->setRowStretchFactor(a, proportion);
        m_proportions.push_back(proportion);
        QSharedPointer<TimeAxisTicker> ticker(new TimeAxisTicker);
        ticker->setTimeFormat(longTimeFormat(locale()));
        // Until the first layout tells how many fit: a label about every 150 pixels on a
        // full-screen graph.
        ticker->setTickCount(7);
        rect->axis(QCPAxis::atBottom)->setTicker(ticker);
        rect->axis(QCPAxis::atBottom)->setTickLabelPadding(4);
        rect->axis(QCPAxis::atLeft)->setTicker(QSharedPointer<QCPAxisTicker>(new ValueAxisTicker));
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
    for (int pass = 0; pass < kLayoutPasses; ++pass) {
        const bool heights = balanceAxisFactors();
        const bool ticks = fitTickCounts();
        if (!heights && !ticks)
            break;
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

// Tick labels never overlap: each axis gets as many ticks as its length has room for labels of
// its font, worked out after each layout from the sizes just laid out.
bool ChartView::fitTickCounts()
{
    bool changed = false;
    const QLocale here = m_plot->locale();
    // The widest time label: a late time of day in the format the labels are written in, or
    // the date below the first one. The stacked axes share font and format as a rule, so a
    // pass measures once.
    QFont measuredFont;
    QString measuredFormat;
    double measuredWidth = -1.0;
    const auto timeLabelWidth = [&](const QFont& font, const QString& format) {
        if (measuredWidth < 0.0 || font != measuredFont || format != measuredFormat) {
            const QFontMetricsF metrics(font);
            measuredWidth
                = std::max(metrics.horizontalAdvance(here.toString(QTime(23, 58, 58), format)),
                    metrics.horizontalAdvance(
                        here.toString(QDate(2026, 12, 28), here.dateFormat(QLocale::ShortFormat))));
            measuredFont = font;
            measuredFormat = format;
        }
        return measuredWidth;
    };
    for (size_t a = 0; a < m_rects.size(); ++a) {
        QCPAxisRect* rect = m_rects[a];
        QCPAxis* y = rect->axis(QCPAxis::atLeft);
        const double lineHeight = QFontMetricsF(y->tickLabelFont()).height();
        const double height = std::max(1, rect->height());
        const int yCount
            = tickIntervalsFor(height, lineHeight, kValueLabelGap, kMostValueIntervals);
        if (auto ticker = y->ticker().dynamicCast<ValueAxisTicker>()) {
            // A stacked axis keeps a label's height free below its top, where the bottom label
            // of the axis above reaches in; the lowest axis keeps its bottom label off the time
            // labels. The top axis has the plot's margin above it.
            // An axis squeezed to a few pixels may leave the time labels closer than that.
            const double top = a == 0 ? 0.0 : lineHeight / height;
            const double belowAxis = m_rects.back()->bottom() - rect->bottom();
            const double bottom = std::max(0.0, lineHeight / 2.0 - belowAxis) / height;
            changed = ticker->setGuards(bottom, top) || changed;
        }
        if (y->ticker()->tickCount() != yCount) {
            y->ticker()->setTickCount(yCount);
            changed = true;
        }

        QCPAxis* x = rect->axis(QCPAxis::atBottom);
        const auto ticker = x->ticker().dynamicCast<TimeAxisTicker>();
        const double labelWidth = timeLabelWidth(
            x->tickLabelFont(), ticker ? ticker->labelTimeFormat(here) : longTimeFormat(here));
        const int xCount = tickIntervalsFor(
            std::max(1, rect->width()), labelWidth, kTimeLabelGap, kMostTimeIntervals);
        if (ticker) {
            // A label centred on a tick near either end must not reach past the plot's edge.
            const double width = std::max(1, rect->width());
            const double roomLeft = rect->left() - m_plot->rect().left();
            const double roomRight = m_plot->rect().right() - rect->right();
            changed = ticker->setGuards(std::max(0.0, labelWidth / 2.0 - roomLeft) / width,
                          std::max(0.0, labelWidth / 2.0 - roomRight) / width)
                || changed;
        }
        if (x->ticker()->tickCount() != xCount) {
            x->ticker()->setTickCount(xCount);
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
