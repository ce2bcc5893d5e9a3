#include "ChartDecimator.h"

#include "ColumnThinning.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tc4dl::chart {

QSharedPointer<QCPGraphDataContainer> ChartDecimator::shown(
    const QSharedPointer<QCPGraphDataContainer>& full, const QCPRange& range, int pixels,
    int dirtyFrom, double valueStep)
{
    pixels = std::max(1, pixels);
    // One point beyond each end of the range keeps the line running to the plot's edges.
    const auto begin = full->findBegin(range.lower, true);
    const auto end = full->findEnd(range.upper, true);
    const auto from = static_cast<int>(begin - full->constBegin());
    const auto to = static_cast<int>(end - full->constBegin());
    m_changedFrom = 0;
    if (to - from <= kPointsPerColumn * pixels) {
        m_active = false;
        m_shown.clear();
        return full;
    }
    const bool sameView
        = m_active && m_range == range && m_pixels == pixels && m_valueStep == valueStep;
    if (sameView && dirtyFrom >= to && m_shown) {
        m_changedFrom = m_shown->size();
        return m_shown;
    }
    if (!sameView || !m_shown || dirtyFrom <= from) {
        m_shown.reset(new QCPGraphDataContainer);
        m_range = range;
        m_pixels = pixels;
        m_valueStep = valueStep;
        m_active = true;
        rebuild(*full, from, to);
        return m_shown;
    }
    // Only points from dirtyFrom on changed, and keys only grow along the data, so every
    // column before the one holding the point just before dirtyFrom is still right.
    const double width = range.size() / pixels;
    const double restartKey = (full->constBegin() + (dirtyFrom - 1))->key;
    const double columnStart = range.lower + std::floor((restartKey - range.lower) / width) * width;
    m_shown->removeAfter(std::nextafter(columnStart, -std::numeric_limits<double>::infinity()));
    m_changedFrom = m_shown->size();
    const auto restart = std::lower_bound(full->constBegin() + from, full->constBegin() + to,
        columnStart, [](const QCPGraphData& p, double key) { return p.key < key; });
    rebuild(*full, static_cast<int>(restart - full->constBegin()), to);
    return m_shown;
}

void ChartDecimator::rebuild(const QCPGraphDataContainer& full, int from, int to)
{
    QVector<QCPGraphData> out;
    out.reserve(2 * m_pixels + 16);
    const auto at
        = [&full](std::ptrdiff_t i) -> const QCPGraphData& { return *(full.constBegin() + i); };
    thinToColumns(
        from, to, m_range.lower, m_range.size() / m_pixels, m_valueStep,
        [&](std::ptrdiff_t i) { return at(i).key; }, [&](std::ptrdiff_t i) { return at(i).value; },
        [&](std::ptrdiff_t i) { return std::isnan(at(i).value); },
        [&](std::ptrdiff_t i) { out.append(at(i)); });
    m_shown->add(out, true);
}

} // namespace tc4dl::chart
