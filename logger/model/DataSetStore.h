#pragma once

#include <QtGlobal>

#include <span>
#include <vector>

namespace tc4dl {

// The data sets of the last logger memory that was read successfully. A data set is no object
// of its own: it is row k of the per-set sequences plus its slices of the two flat sample
// sequences, which hold the samples of all sets one after the other so that a set's run can
// go to the chart in one contiguous write.
//
// Invariants: every per-set sequence has setCount() entries; the sample sequences hold
// 4 x (sum of SampleCounts) entries; set k's values start at sampleBase(k); sample j of set k
// has the time StartTimes[k] + j x Intervals[k] / 86400. Values are stored as the meter
// counted them: no unit conversion, no clipping.
class DataSetStore {
public:
    // The six per-set sequences, built aside by the decoder and installed as a whole.
    struct PerSet {
        std::vector<double> startTimes; // date-time serial
        std::vector<qint32> intervals; // seconds, from a signed 16-bit field
        std::vector<qint32> sampleCounts; // 0..65535
        std::vector<quint8> unitFlags; // bit 0 set: degrees Celsius
        std::vector<qint32> startOffsets; // image offset of the set's first byte
        std::vector<qint32> endOffsets; // image offset of the set's last byte

        [[nodiscard]] bool consistent() const;
        void reserve(std::size_t n);
        bool operator==(const PerSet&) const = default;
    };

    // Replace all: the only way in. Returns false and changes nothing when the parts do not
    // fit together (sequences of unequal length, sample sequences of the wrong length), so a
    // store can never hold half of one load and half of another.
    [[nodiscard]] bool replaceAll(
        PerSet sets, std::vector<float> values, std::vector<double> times);

    [[nodiscard]] int setCount() const { return static_cast<int>(m_sets.startTimes.size()); }
    [[nodiscard]] double startTime(int k) const { return m_sets.startTimes[idx(k)]; }
    [[nodiscard]] qint32 interval(int k) const { return m_sets.intervals[idx(k)]; }
    [[nodiscard]] qint32 sampleCount(int k) const { return m_sets.sampleCounts[idx(k)]; }
    [[nodiscard]] quint8 unitFlags(int k) const { return m_sets.unitFlags[idx(k)]; }
    [[nodiscard]] bool celsius(int k) const { return unitFlags(k) & 0x01; }
    [[nodiscard]] qint32 startOffset(int k) const { return m_sets.startOffsets[idx(k)]; }
    [[nodiscard]] qint32 endOffset(int k) const { return m_sets.endOffsets[idx(k)]; }

    // B(k): the index of set k's first value in the sample sequences.
    [[nodiscard]] qsizetype sampleBase(int k) const { return m_bases[idx(k)]; }
    // Set k's 4 x SampleCounts[k] values (T1..T4 of sample 0, then of sample 1, ...) and their
    // times, each time four times in a row.
    [[nodiscard]] std::span<const float> setValues(int k) const;
    [[nodiscard]] std::span<const double> setTimes(int k) const;

    [[nodiscard]] const PerSet& perSet() const { return m_sets; }
    [[nodiscard]] const std::vector<float>& sampleValues() const { return m_values; }
    [[nodiscard]] const std::vector<double>& sampleTimes() const { return m_times; }

    friend bool operator==(const DataSetStore&, const DataSetStore&) = default;

private:
    static std::size_t idx(int k) { return static_cast<std::size_t>(k); }

    PerSet m_sets;
    std::vector<qsizetype> m_bases; // B(k), one per set
    std::vector<float> m_values;
    std::vector<double> m_times;
};

} // namespace tc4dl
