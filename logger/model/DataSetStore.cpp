#include "DataSetStore.h"

namespace tc4dl {

bool DataSetStore::PerSet::consistent() const
{
    const std::size_t n = startTimes.size();
    return intervals.size() == n && sampleCounts.size() == n && unitFlags.size() == n
        && startOffsets.size() == n && endOffsets.size() == n;
}

void DataSetStore::PerSet::reserve(std::size_t n)
{
    startTimes.reserve(n);
    intervals.reserve(n);
    sampleCounts.reserve(n);
    unitFlags.reserve(n);
    startOffsets.reserve(n);
    endOffsets.reserve(n);
}

bool DataSetStore::replaceAll(PerSet sets, std::vector<float> values, std::vector<double> times)
{
    if (!sets.consistent())
        return false;
    std::vector<qsizetype> bases;
    bases.reserve(sets.sampleCounts.size());
    qsizetype total = 0;
    for (const qint32 count : sets.sampleCounts) {
        if (count < 0)
            return false;
        bases.push_back(total);
        total += 4 * static_cast<qsizetype>(count);
    }
    if (values.size() != static_cast<std::size_t>(total) || times.size() != values.size())
        return false;
    m_sets = std::move(sets);
    m_bases = std::move(bases);
    m_values = std::move(values);
    m_times = std::move(times);
    return true;
}

std::span<const float> DataSetStore::setValues(int k) const
{
    return std::span<const float>(m_values).subspan(
        static_cast<std::size_t>(sampleBase(k)), 4 * idx(sampleCount(k)));
}

std::span<const double> DataSetStore::setTimes(int k) const
{
    return std::span<const double>(m_times).subspan(
        static_cast<std::size_t>(sampleBase(k)), 4 * idx(sampleCount(k)));
}

} // namespace tc4dl
