#include "ChartModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tc4dl::chart {

namespace {

// A double beyond the float range would be undefined behaviour in a plain cast; the
// nearest float is infinity there, as the hardware would give.
float toFloat(double value)
{
    constexpr double kMax = std::numeric_limits<float>::max();
    if (value > kMax)
        return std::numeric_limits<float>::infinity();
    if (value < -kMax)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

template <typename T> void growTo(QList<T>& list, qsizetype size, const T& fill)
{
    while (list.size() < size)
        list.append(fill);
}

} // namespace

ChartModel::ChartModel() = default;

void ChartModel::touch(int point)
{
    if (point < 0)
        record(1, 0);
    else
        record(point, std::numeric_limits<int>::max());
}

void ChartModel::touchPoint(int point)
{
    record(point, point);
}

void ChartModel::record(int first, int last)
{
    ++m_revision;
    if (first <= last)
        m_firstChanged = std::min(m_firstChanged, first);
    m_changes[m_revision % kChangeHistory] = { first, last };
}

ChartModel::ChangedPoints ChartModel::changedSince(quint64 revision) const
{
    if (revision >= m_revision)
        return { 1, 0 };
    if (m_revision - revision > kChangeHistory)
        return { 0, std::numeric_limits<int>::max() };
    ChangedPoints changed { 1, 0 };
    for (quint64 r = revision + 1; r <= m_revision; ++r) {
        const ChangedPoints& c = m_changes[r % kChangeHistory];
        if (c.none())
            continue;
        if (changed.none()) {
            changed = c;
        } else {
            changed.first = std::min(changed.first, c.first);
            changed.last = std::max(changed.last, c.last);
        }
    }
    return changed;
}

void ChartModel::setSubsets(int subsets)
{
    subsets = std::clamp(subsets, 1, kMaxSubsets);
    if (m_points > 0)
        subsets = static_cast<int>(std::min<qint64>(subsets, kMaxCells / m_points));
    if (subsets == m_subsets)
        return;
    const auto cells = static_cast<std::size_t>(subsets) * static_cast<std::size_t>(m_points);
    std::vector<double> xs(cells, 0.0);
    std::vector<float> ys(cells, m_nullY);
    const int kept = std::min(subsets, m_subsets);
    for (int p = 0; p < m_points; ++p) {
        const auto from = static_cast<std::size_t>(p) * static_cast<std::size_t>(m_subsets);
        const auto to = static_cast<std::size_t>(p) * static_cast<std::size_t>(subsets);
        for (int s = 0; s < kept; ++s) {
            xs[to + static_cast<std::size_t>(s)] = m_x[from + static_cast<std::size_t>(s)];
            ys[to + static_cast<std::size_t>(s)] = m_y[from + static_cast<std::size_t>(s)];
        }
    }
    m_x.swap(xs);
    m_y.swap(ys);
    m_subsets = subsets;
    touch(0);
}

void ChartModel::setPoints(int points)
{
    points = static_cast<int>(std::clamp<qint64>(points, 0, kMaxCells / m_subsets));
    if (points == m_points)
        return;
    const auto cells = static_cast<std::size_t>(points) * static_cast<std::size_t>(m_subsets);
    // Point-major storage: growing or shrinking only touches the tail. The room of a longer
    // graph is kept, up to a bound, so a window switching between data sets does not allocate
    // and fault in fresh pages on every switch.
    m_x.resize(cells, 0.0);
    m_y.resize(cells, m_nullY);
    if (cells < m_x.capacity() / 4 && m_x.capacity() - cells > kKeptSpareCells) {
        m_x.shrink_to_fit();
        m_y.shrink_to_fit();
    }
    const int first = std::min(points, m_points);
    m_points = points;
    touch(first);
}

void ChartModel::setNullY(float value)
{
    if (value == m_nullY)
        return;
    m_nullY = value;
    touch(0);
}

double ChartModel::x(int subset, int point) const
{
    if (subset < 0 || subset >= m_subsets || point < 0 || point >= m_points)
        return 0.0;
    return m_x[static_cast<std::size_t>(point) * static_cast<std::size_t>(m_subsets)
        + static_cast<std::size_t>(subset)];
}

float ChartModel::y(int subset, int point) const
{
    if (subset < 0 || subset >= m_subsets || point < 0 || point >= m_points)
        return m_nullY;
    return m_y[static_cast<std::size_t>(point) * static_cast<std::size_t>(m_subsets)
        + static_cast<std::size_t>(subset)];
}

void ChartModel::setX(int subset, int point, double x)
{
    if (subset < 0 || subset >= m_subsets || point < -1 || point >= m_points)
        return;
    const auto stride = static_cast<std::size_t>(m_subsets);
    if (point == -1) {
        if (m_points == 0)
            return;
        for (std::size_t i = static_cast<std::size_t>(subset); i < m_x.size(); i += stride)
            m_x[i] = x;
        touch(0);
        return;
    }
    m_x[static_cast<std::size_t>(point) * stride + static_cast<std::size_t>(subset)] = x;
    touchPoint(point);
}

void ChartModel::setY(int subset, int point, double y)
{
    if (subset < 0 || subset >= m_subsets || point < -1 || point >= m_points)
        return;
    const float value = toFloat(y);
    const auto stride = static_cast<std::size_t>(m_subsets);
    if (point == -1) {
        if (m_points == 0)
            return;
        for (std::size_t i = static_cast<std::size_t>(subset); i < m_y.size(); i += stride)
            m_y[i] = value;
        touch(0);
        return;
    }
    m_y[static_cast<std::size_t>(point) * stride + static_cast<std::size_t>(subset)] = value;
    touchPoint(point);
}

void ChartModel::setAllX(const double* values, qsizetype count)
{
    if (values == nullptr || count <= 0 || m_x.empty())
        return;
    const auto n = std::min(static_cast<std::size_t>(count), m_x.size());
    std::copy(values, values + n, m_x.begin());
    touch(0);
}

void ChartModel::setAllY(const float* values, qsizetype count)
{
    if (values == nullptr || count <= 0 || m_y.empty())
        return;
    const auto n = std::min(static_cast<std::size_t>(count), m_y.size());
    std::copy(values, values + n, m_y.begin());
    touch(0);
}

void ChartModel::setWorkingAxis(int axis)
{
    axis = std::clamp(axis, 0, kMaxSubsets - 1);
    if (axis == m_workingAxis)
        return;
    m_workingAxis = axis;
    touch(-1);
}

Scale ChartModel::yScale(int axis) const
{
    if (axis < 0 || axis >= look.yScales.size())
        return {};
    return look.yScales[axis];
}

void ChartModel::setYScale(const Scale& scale)
{
    growTo(look.yScales, m_workingAxis + 1, Scale {});
    look.yScales[m_workingAxis] = scale;
    touch(-1);
}

QString ChartModel::yAxisLabel(int axis) const
{
    if (axis < 0 || axis >= look.yAxisLabels.size())
        return {};
    return look.yAxisLabels[axis];
}

void ChartModel::setYAxisLabel(const QString& label)
{
    growTo(look.yAxisLabels, m_workingAxis + 1, QString());
    look.yAxisLabels[m_workingAxis] = label;
    touch(-1);
}

void ChartModel::setMultiAxesSubsets(int index, int subsets)
{
    if (index == -1) {
        look.multiAxesSubsets.clear();
    } else {
        if (index < 0 || index >= kMaxSubsets)
            return;
        growTo(look.multiAxesSubsets, index + 1, 0);
        look.multiAxesSubsets[index] = subsets;
    }
    touch(-1);
}

void ChartModel::setMultiAxesProportions(int index, double proportion)
{
    if (index == -1) {
        look.multiAxesProportions.clear();
    } else {
        if (index < 0 || index >= kMaxSubsets)
            return;
        growTo(look.multiAxesProportions, index + 1, 0.0);
        look.multiAxesProportions[index] = proportion;
    }
    touch(-1);
}

// The axes follow MultiAxesSubsets: axis k takes the next multiAxesSubsets[k] subsets. Subsets
// the list does not reach stay with the last axis that got any; an axis is counted only up to
// the last one holding a subset.
int ChartModel::axisCount() const
{
    const QList<int>& counts = look.multiAxesSubsets;
    if (counts.isEmpty()
        || (!look.multiAxesProportions.isEmpty() && look.multiAxesProportions[0] == 1.0))
        return 1;
    int assigned = 0;
    int axes = 0;
    for (qsizetype k = 0; k < counts.size() && assigned < m_subsets; ++k) {
        if (counts[k] <= 0)
            continue;
        assigned += std::min(counts[k], m_subsets - assigned);
        axes = static_cast<int>(k) + 1;
    }
    return std::max(axes, 1);
}

int ChartModel::axisOfSubset(int subset) const
{
    if (subset < 0 || subset >= m_subsets)
        return 0;
    const int axes = axisCount();
    if (axes == 1)
        return 0;
    int end = 0;
    for (int k = 0; k < axes; ++k) {
        // No group counts for more than all subsets, so the sum stays small whatever was set.
        end += std::clamp(look.multiAxesSubsets[k], 0, m_subsets);
        if (subset < end)
            return k;
    }
    return axes - 1;
}

bool ChartModel::isSplit() const
{
    return axisCount() > 1;
}

GraphAnnotation ChartModel::annotation(int index) const
{
    if (index < 0 || index >= annotationCount())
        return {};
    return m_annotations[static_cast<std::size_t>(index)];
}

void ChartModel::setAnnotation(int index, const GraphAnnotation& annotation)
{
    if (index < 0 || index >= kMaxAnnotations)
        return;
    if (static_cast<std::size_t>(index) >= m_annotations.size())
        m_annotations.resize(static_cast<std::size_t>(index) + 1);
    m_annotations[static_cast<std::size_t>(index)] = annotation;
    touch(-1);
}

void ChartModel::removeAnnotation(int index)
{
    if (index < 0 || index >= annotationCount())
        return;
    GraphAnnotation& a = m_annotations[static_cast<std::size_t>(index)];
    a.type = kAnnotationText;
    a.text.clear();
    touch(-1);
}

void ChartModel::clearAnnotations()
{
    if (m_annotations.empty())
        return;
    m_annotations.clear();
    touch(-1);
}

VertLineAnnotation ChartModel::vertLine(int index) const
{
    if (index < 0 || index > 1)
        return {};
    return m_vertLines[index];
}

void ChartModel::setVertLine(int index, const VertLineAnnotation& line)
{
    if (index < 0 || index > 1)
        return;
    m_vertLines[index] = line;
    touch(-1);
}

} // namespace tc4dl::chart
