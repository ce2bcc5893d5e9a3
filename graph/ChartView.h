#pragma once

#include "ChartModel.h"

#include <QPoint>
#include <QPointF>
#include <QRect>
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
class Prompter;
}

namespace tc4dl::chart {

class ChartGraph;

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
    struct GraphStore; // per subset: all points, and what is drawn of them

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
    std::vector<GraphStore> m_store; // per subset
    std::vector<QCPAbstractItem*> m_annotItems;
    std::vector<int> m_annotIndex; // model index of each annotation item
    std::vector<QCPAbstractItem*> m_lineItems;
    QPoint m_lastMouse;
    QPoint m_pressPos;
    bool m_afterDoubleClick = false;
    int m_dialogResult = 0;
    Prompter* m_prompter = nullptr;
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
};

} // namespace tc4dl::chart
