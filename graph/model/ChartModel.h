#pragma once

#include "MeterValues.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <vector>

namespace tc4dl::chart {

// Colours are 0xBBGGRR values: red in the low byte.
using Color = quint32;

enum class ScaleControl { Auto = 0, ManualMinAndMax = 1 };
enum class GridStyle { Solid = 0, Dot = 1, Dash = 2, None = 3 };
enum class Zooming { None = 0, Horizontal = 1, Vertical = 2, HorzPlusVert = 3 };
enum class DataLabels { None = 0, Values = 1 };

// Annotation types the program uses; other values are kept as they are.
inline constexpr int kAnnotationText = 0;
inline constexpr int kAnnotationCross = 2;

// A text or marker placed in graph units (X date-time serial, Y value of axis 0).
struct GraphAnnotation {
    int type = kAnnotationText;
    double x = 0.0;
    double y = 0.0;
    QString text; // character 13 breaks the line
    Color color = 0x000000;
    friend bool operator==(const GraphAnnotation&, const GraphAnnotation&) = default;
};

// One of the two vertical cursor lines of the line cursor statistic.
struct VertLineAnnotation {
    double x = 0.0;
    Color color = 0x000000;
    friend bool operator==(const VertLineAnnotation&, const VertLineAnnotation&) = default;
};

struct Scale {
    ScaleControl control = ScaleControl::Auto;
    double min = 0.0;
    double max = 0.0;
    friend bool operator==(const Scale&, const Scale&) = default;
};

// Everything about a graph that is not its data: titles, colours, scales, switches. Plain
// values, stored whole in the state block.
struct ChartLook {
    QString mainTitle;
    QString subTitle;
    QString xAxisLabel;
    QStringList subsetLabels;
    QList<Color> subsetColors;
    QStringList yAxisLabels; // per axis
    GridStyle gridStyle = GridStyle::Solid;
    Color graphForeColor = 0x008000;
    Color graphBackColor = 0x000000;
    Color deskColor = 0xC0C0C0;
    Color textColor = 0x000000;
    bool dateTimeMode = true; // X shown as local date and time
    bool usingXDataII = true;

    Scale xScale;
    QList<Scale> yScales; // per axis; grows as WorkingAxis reaches further
    QList<int> multiAxesSubsets;
    QList<double> multiAxesProportions;
    bool multiAxesThinSeparators = true;

    bool showGraphAnnotations = true;
    int graphAnnotationTextSize = 100;
    bool showVertLineAnnotations = false;
    bool allowVertLineAnnotHotSpots = false;
    int lineAnnotationTextSize = 100;
    bool allowGraphAnnotHotSpots = false;
    bool allowDataHotSpots = false;

    bool prepareImages = true;
    bool subsetByPoint = false;
    bool noHelp = true;
    bool allowPopup = false;
    DataLabels allowDataLabels = DataLabels::None;
    Zooming allowZooming = Zooming::None;
    bool scrollingHorzZoom = false;
    bool scrollingVertZoom = false;
    bool allowAxisPage = true;
    int arrowCursor = 1; // 1 normal pointer, 2 text pointer, else the cross pointer
    bool noRandomPointsToExport = false;
    bool focalRect = true;
    bool allowBar = true;
    double lineGapThreshold = 1e20;
    // Pages of the customization dialog.
    bool allowFontPage = true;
    bool allowPage1 = true; // titles, style
    bool allowPage2 = true; // colours
    bool allowSubsetsPage = true;

    friend bool operator==(const ChartLook&, const ChartLook&) = default;
};

// The model of one graph: subsets (channels) × points of (X date-time serial, Y float), with a
// null value that is never drawn, the look and the annotations. No widgets: the view draws it.
class ChartModel {
public:
    static constexpr int kMaxSubsets = 64;
    // A bound on cells, so that no caller and no file can make the model allocate without end.
    static constexpr qint64 kMaxCells = 64LL * 1024 * 1024;
    static constexpr int kMaxAnnotations = 100000;

    ChartModel();

    [[nodiscard]] int subsets() const { return m_subsets; }
    [[nodiscard]] int points() const { return m_points; }
    // Changing Subsets or Points keeps the cells that remain; new cells are X 0, Y null.
    // Subsets is clamped to 1..kMaxSubsets and Points to 0.., both so that the cells stay
    // within kMaxCells.
    void setSubsets(int subsets);
    void setPoints(int points);

    [[nodiscard]] float nullY() const { return m_nullY; }
    // Cells stay as they are; what the view leaves out changes, so it counts as a data change.
    void setNullY(float value);
    [[nodiscard]] bool isNull(float y) const { return y == m_nullY; }

    // Point -1 writes every point of the subset. Out-of-range cells (and point -1 on reading)
    // read as X 0, Y null and are not written.
    [[nodiscard]] double x(int subset, int point) const;
    [[nodiscard]] float y(int subset, int point) const;
    void setX(int subset, int point, double x);
    void setY(int subset, int point, double y); // stored as float
    // Whole-array writes, point-major: index p × Subsets + s holds subset s of point p. A
    // shorter buffer fills the first cells, a longer one is cut at the last cell.
    void setAllX(const double* values, qsizetype count);
    void setAllY(const float* values, qsizetype count);
    // The cells as stored, point-major, Subsets × Points long; for views that draw in bulk.
    [[nodiscard]] const std::vector<double>& xValues() const { return m_x; }
    [[nodiscard]] const std::vector<float>& yValues() const { return m_y; }

    // Y scales act on the working axis.
    [[nodiscard]] int workingAxis() const { return m_workingAxis; }
    void setWorkingAxis(int axis);
    [[nodiscard]] Scale yScale(int axis) const;
    void setYScale(const Scale& scale); // on the working axis
    [[nodiscard]] QString yAxisLabel(int axis) const;
    void setYAxisLabel(const QString& label); // on the working axis

    // MultiAxesSubsets / MultiAxesProportions: index -1 empties the list; a larger index grows
    // it. Four axes of 0.25 with one subset each is the split view; proportion 1.0 of axis 0
    // (or no list) is one shared axis.
    void setMultiAxesSubsets(int index, int subsets);
    void setMultiAxesProportions(int index, double proportion);
    [[nodiscard]] bool isSplit() const;
    // Number of Y axes drawn and the axis of each subset.
    [[nodiscard]] int axisCount() const;
    [[nodiscard]] int axisOfSubset(int subset) const;

    // Graph annotations, indexed from 0; writing index n makes the list at least n + 1 long.
    [[nodiscard]] int annotationCount() const { return static_cast<int>(m_annotations.size()); }
    [[nodiscard]] GraphAnnotation annotation(int index) const;
    void setAnnotation(int index, const GraphAnnotation& annotation);
    void removeAnnotation(int index); // it stays in the list, emptied (type text, no text)
    void clearAnnotations();

    [[nodiscard]] VertLineAnnotation vertLine(int index) const;
    void setVertLine(int index, const VertLineAnnotation& line); // index 0 or 1

    // Written directly by callers; whoever changes it calls touchLook() so views redraw.
    ChartLook look;
    void touchLook() { touch(-1); }

    // The whole state (every setting, the annotations and all data) as one block, and back.
    // loadState leaves the model unchanged and says why when the block is not a whole,
    // consistent state of this format.
    [[nodiscard]] QByteArray storeState() const;
    [[nodiscard]] bool loadState(QByteArrayView block, QString* error = nullptr);

    // Raised by every change of data or look, so a view knows when to rebuild. Points below
    // firstChangedPoint() are unchanged since the last markSeen(), so an incremental view
    // redraws from there (a value of points() means only the look changed).
    [[nodiscard]] quint64 revision() const { return m_revision; }
    [[nodiscard]] int firstChangedPoint() const { return m_firstChanged; }
    void markSeen() { m_firstChanged = m_points; }

    // The points whose data changed after `revision`, for a reader that keeps what it worked
    // out of the data (the rate curves) without depending on the view's markSeen(): first >
    // last when none did, every point (0 to INT_MAX) when that is no longer known.
    struct ChangedPoints {
        int first = 0;
        int last = 0;
        [[nodiscard]] bool none() const { return first > last; }
    };
    [[nodiscard]] ChangedPoints changedSince(quint64 revision) const;

private:
    // Data from `point` on changed (-1: only the look).
    void touch(int point);
    // One point's data changed.
    void touchPoint(int point);
    void record(int first, int last);

    // Spare cells a shorter graph may keep from a longer one (12 bytes each).
    static constexpr std::size_t kKeptSpareCells = std::size_t { 1 } << 20;

    int m_subsets = 1;
    int m_points = 0;
    float m_nullY = kNullValue;
    std::vector<double> m_x; // point-major: p * subsets + s
    std::vector<float> m_y;
    int m_workingAxis = 0;
    std::vector<GraphAnnotation> m_annotations;
    VertLineAnnotation m_vertLines[2];
    quint64 m_revision = 0;
    int m_firstChanged = 0;
    // The points each of the latest revisions changed, by revision modulo its size.
    static constexpr std::size_t kChangeHistory = 64;
    std::array<ChangedPoints, kChangeHistory> m_changes {};
};

} // namespace tc4dl::chart
