#pragma once

#include "MemoryImage.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace tc4dl::recorder {

// One channel of one kept reading, as the stored layout holds it: tenths of a degree, the
// meter's own reading (an "OL" stays the out-of-range reading it was), or no value.
struct SampleCode {
    // A channel without a reading at that moment (the meter showed none, or no frame came for
    // the sample's slot). The lowest count; an "OL" reading that came as this count is kept
    // one above it, still beyond the limits.
    static constexpr qint16 kNoValue = -32768;
    static constexpr qint16 kLowestOverLimit = -32767;
};
using SampleCodes = std::array<qint16, 4>;

// The code of a channel read as `degrees` (tenths applied), or of no reading.
[[nodiscard]] qint16 sampleCode(std::optional<float> degrees);
// Degrees of a code; nothing for no value.
[[nodiscard]] std::optional<float> sampleDegrees(qint16 code);

// A run of one meter: readings kept every `interval` seconds from `start`, in one unit. Sample j
// stands for start + j x interval. It is stored exactly as a logger data set (the meter's
// memory layout), so export, timelines and checks treat a live run like a downloaded set; a
// run therefore holds at most what a set's 16-bit count can say.
class LiveRun {
public:
    static constexpr int kMaxSamples = 65535;

    LiveRun(QString meter, double startSerial, qint32 intervalSeconds, bool celsius);

    [[nodiscard]] const QString& meter() const { return m_meter; }
    // The start as a date-time serial, on a whole second.
    [[nodiscard]] double startSerial() const { return m_start; }
    [[nodiscard]] qint32 interval() const { return m_interval; }
    [[nodiscard]] bool celsius() const { return m_celsius; }
    [[nodiscard]] int sampleCount() const { return static_cast<int>(m_samples.size()); }
    [[nodiscard]] bool full() const { return sampleCount() >= kMaxSamples; }
    [[nodiscard]] const std::vector<SampleCodes>& samples() const { return m_samples; }
    // The time sample j stands for.
    [[nodiscard]] double sampleSerial(int j) const;

    // False when the run is full.
    bool append(const SampleCodes& sample);

    // The set's bytes in the meter's memory layout: start marks, header, samples, end marks.
    [[nodiscard]] QByteArray setBytes() const;
    // A memory image holding this run as its one data set, as a download would deliver it.
    [[nodiscard]] MemoryImage memoryImage() const;

private:
    QString m_meter;
    double m_start = 0.0;
    qint32 m_interval = 1;
    bool m_celsius = true;
    std::vector<SampleCodes> m_samples;
};

} // namespace tc4dl::recorder
