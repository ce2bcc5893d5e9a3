#pragma once

#include "ChartModel.h"

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

class QCustomPlot;
class QCPAxisRect;
class QCPGraph;
class QCPAbstractItem;
class QCPTextElement;
class QCPLegend;
class QCPLayoutGrid;
class QCPPainter;
class QMouseEvent;
class QPrinter;

namespace tc4dl {
class Clock;
class Prompter;
} // namespace tc4dl

namespace tc4dl::chart {

class ChartGraph;
struct ChartStore;

// A curve drawn over a subset's area on a second (right-hand) axis, from values that are not
// the model's: X date-time serials, Y in the curve's own unit; NaN leaves a gap.
struct OverlayCurve {
    int subset = 0;
    std::vector<double> x;
    std::vector<double> y;
};

// A marker at a point of a subset's area (X date-time serial, Y of that subset's axis).
struct OverlayMarker {
    int subset = 0;
    double x = 0.0;
    double y = 0.0;
};

// The charting component: draws a ChartModel (owned by the graph window) with QCustomPlot and
// turns mouse work on it into zoom, hot-spot and click signals. Callers change the model, then
// call resetImage() and invalidateImage(); after layout changes (stacked or shared axes) they
// call reinitAndReset().
class ChartView : public QWidget {
    Q_OBJECT

public:
    explicit ChartView(ChartModel& model, QWidget* parent = nullptr);
    ~ChartView() override;

    ChartView(const ChartView&) = delete;
    ChartView& operator=(const ChartView&) = delete;

    [[nodiscard]] ChartModel& model() const { return m_model; }

    // Actions.
    void resetImage(); // rebuild the picture from the model (incremental for appended points)
    void invalidateImage(); // repaint
    void reinitAndReset(); // rebuild the axis layout, then resetImage()
    void customize(); // modal customization dialog; dialogResult(), then customizeFinished()
    void printDialog(); // print dialog, then printTo() the chosen printer
    void printTo(QPrinter* printer); // the graph on one page at the printer's resolution
    // The program's current printer, which the print dialog starts with and changes; without
    // one the view keeps its own between print dialogs. Not owned.
    void setPrinter(QPrinter* printer) { m_printer = printer; }
    void undoZoom(); // back to the full view of the manual or automatic scales

    // What the view shows beside the model, never written into it (so never saved with the
    // graph): the names a person reads for subsets 0..n (an empty name, or none, keeps the
    // model's label), curves on a second axis and markers. Each takes effect with the next
    // resetImage().
    void setChannelNames(const QStringList& names);
    // A subset's legend text: its channel name while the model's label is the default one
    // ("T1" for subset 0, or none); a label the user typed stays.
    [[nodiscard]] QString legendLabel(int subset) const;
    // A split graph's axis title: the model's label, or the name of the axis's one channel.
    [[nodiscard]] QString axisTitle(int axis) const;
    void setOverlayCurves(std::vector<OverlayCurve> curves, const QString& axisLabel);
    // The curves set before, grown: each of `curves` is the whole curve, of which the points
    // from `from` (one index per curve) on are new. Only those are added and drawn, at once;
    // curves that do not match the ones set are set anew.
    void appendToOverlayCurves(
        const std::vector<OverlayCurve>& curves, const std::vector<std::size_t>& from);
    void setOverlayMarkers(std::vector<OverlayMarker> markers);
    [[nodiscard]] const std::vector<OverlayCurve>& overlayCurves() const { return m_curves; }
    [[nodiscard]] const std::vector<OverlayMarker>& overlayMarkers() const { return m_markers; }
    // The plottables and items the overlay drew, for tests.
    [[nodiscard]] int overlayCurvesDrawn() const { return static_cast<int>(m_curveGraphs.size()); }
    [[nodiscard]] int overlayMarkersDrawn() const { return static_cast<int>(m_markerItems.size()); }

    // Queries.
    [[nodiscard]] QPoint lastMousePosition() const { return m_lastMouse; }
    // Axis 0's rectangle (the shared rectangle when not split), in this widget's pixels.
    [[nodiscard]] QRect plotRect() const;
    [[nodiscard]] QRect plotRect(int axis) const;
    // Every axis's rectangle together: a split graph stacks its axes.
    [[nodiscard]] QRect wholePlotRect() const;
    // The axis whose rectangle holds `pixel`'s height, or the nearest one in the gap between
    // two: each stacked axis has its own scale.
    [[nodiscard]] int axisAt(QPoint pixel) const;
    // Pixels are this widget's; graph X is a date-time serial, Y the value of `axis`.
    [[nodiscard]] QPointF pixelToGraph(QPoint pixel, int axis) const;
    [[nodiscard]] QPoint graphToPixel(QPointF graph, int axis) const;
    [[nodiscard]] int dialogResult() const { return m_dialogResult; }
    // Who shows the view's dialogs (customization, print) and answers them; without one the
    // view shows none and treats each as cancelled. Not owned.
    void setPrompter(Prompter* prompter) { m_prompter = prompter; }
    // Where a graph without any point shows its time axis: at the clock's now. Without a clock,
    // at the serial's day zero. Not owned.
    void setClock(const Clock* clock) { m_clock = clock; }
    [[nodiscard]] int axisRectCount() const;

    // 1 normal pointer, 2 text pointer, anything else the cross pointer. Also taken from
    // model().look.arrowCursor on every resetImage().
    void setArrowCursor(int arrowCursor);

    // Renders the graph into `painter` over `size` device pixels (printing, export, bench).
    void renderPlot(QCPPainter* painter, QSize size);
    // The drawing surface, for tests, export and the benchmark.
    [[nodiscard]] QCustomPlot* plot() const { return m_plot; }

Q_SIGNALS:
    void clicked(QPoint pixel);
    void mouseMoved(QPoint pixel);
    void zoomedIn();
    void dataHotSpot(int subset, int point);
    void annotationHotSpot(int index, bool doubleClick);
    void graphHotSpot();
    void customizeFinished();
    void replotted(); // after every repaint of the plot; the plot rectangle is current then

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout(); // the whole layout anew, for the model's subsets and axes
    void clearLayout();
    void addAxisRects();
    void addLegendAndGraphs();
    void resetStores();
    void applyLook();
    void arrangeRows();
    void balanceAxisHeights();
    [[nodiscard]] bool balanceAxisFactors();
    [[nodiscard]] bool fitTickCounts();
    void refreshShownData();
    void refreshShown(ChartGraph& graph, ChartStore& store);
    // Each right-hand axis spans the curves drawn on it, with zero in sight.
    void fitCurveAxes();
    void checkShownWidth();
    void updateData(bool full);
    void updateAnnotations();
    void addGraphAnnotations();
    void addVertLines();
    void applyRanges();
    void applyCursor();
    [[nodiscard]] int annotationAt(QPoint plotPixel) const;
    [[nodiscard]] bool dataPointAt(QPoint plotPixel, int* subset, int* point) const;
    void handlePress(QMouseEvent* event);
    void handleRelease(QMouseEvent* event);
    void handleDoubleClick(QMouseEvent* event);
    void updateOverlay();
    void dropOverlay();
    [[nodiscard]] QCPAxisRect* rectOfSubset(int subset) const;

    ChartModel& m_model;
    QCustomPlot* m_plot = nullptr;
    QCPTextElement* m_title = nullptr;
    QCPTextElement* m_subTitle = nullptr;
    QCPLegend* m_legend = nullptr;
    QCPLayoutGrid* m_axesGrid = nullptr;
    std::vector<QCPAxisRect*> m_rects; // one per Y axis (one when shared)
    std::vector<double> m_proportions; // of each axis's height
    std::vector<ChartGraph*> m_graphs; // one per subset
    std::vector<bool> m_sorted; // per subset: data index is point index
    std::vector<ChartStore> m_store; // per subset
    std::vector<QCPAbstractItem*> m_annotItems;
    std::vector<int> m_annotIndex; // model index of each annotation item
    std::vector<QCPAbstractItem*> m_lineItems;
    QPoint m_lastMouse;
    QPoint m_pressPos;
    bool m_afterDoubleClick = false;
    int m_dialogResult = 0;
    Prompter* m_prompter = nullptr;
    const Clock* m_clock = nullptr;
    int m_cursorMode = 1;
    bool m_layoutSplit = false;
    bool m_layoutFresh = false; // built, not laid out yet
    int m_layoutAxes = 0;
    int m_layoutSubsets = 0;
    quint64 m_seenRevision = ~quint64 { 0 };
    quint64 m_replots = 0; // replots so far, so a deferred one can tell it is not needed
    bool m_zoomed = false;
    Scale m_zoomScaleX; // the scales the current view was made from
    QList<Scale> m_zoomScalesY;
    QPrinter* m_printer = nullptr;
    std::unique_ptr<QPrinter> m_ownPrinter;
    QStringList m_channelNames;
    std::vector<OverlayCurve> m_curves;
    QString m_curveAxisLabel;
    std::vector<OverlayMarker> m_markers;
    std::vector<ChartGraph*> m_curveGraphs;
    std::vector<ChartStore> m_curveStore; // per curve graph
    // Per curve graph: the span of its finite values so far.
    struct CurveSpan {
        double low = 0.0;
        double high = 0.0;
        bool found = false;
        void take(double value);
    };
    std::vector<CurveSpan> m_curveSpans;
    std::vector<QCPAbstractItem*> m_markerItems;
    bool m_overlayDirty = false;
};

} // namespace tc4dl::chart
