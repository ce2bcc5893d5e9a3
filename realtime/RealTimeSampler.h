#pragma once

#include "ChartModel.h"

#include <QString>

#include <array>

namespace tc4dl {

// The statistic boxes of the real-time graph window, as the sampler writes them.
class RealTimeBoxes {
public:
    virtual ~RealTimeBoxes() = default;
    virtual void setMaxText(int channel, const QString& text) = 0;
    virtual void setMinText(int channel, const QString& text) = 0;
    virtual void setAvgText(int channel, const QString& text) = 0;
    virtual void setDataNoText(const QString& text) = 0;
    virtual void setStartTimeText(const QString& text) = 0;
};

// Real-time recording into the real-time graph's model: the start of a run, one sample per
// sampling period with running MAX and MIN, and the stop with trimming and averages. The
// windows (questions, buttons, redraws) stay with the caller.
class RealTimeSampler {
public:
    static constexpr int kChannels = 4;

    RealTimeSampler(chart::ChartModel& graph, RealTimeBoxes& boxes);

    // Points := samples, every cell null, the counters and the running MAX/MIN reset, the
    // statistic boxes emptied, the start time shown and the X axis from start to start + 100 s.
    void start(int samples, double startSerial);
    // Adds (t, T1..T4) as the next sample. True when the graph is full and the run must stop.
    bool addSample(const std::array<float, kChannels>& values, double t);
    // The end of a run at `endSerial`: trims Points to the samples taken (keeping T4's last
    // point), ends the X axis there and writes the averages.
    void stop(double endSerial);

    // The samples written into the graph since the start.
    [[nodiscard]] int sampleCount() const { return m_sampleCount; }
    [[nodiscard]] float liveMax(int channel) const { return m_liveMax.at(channel); }
    [[nodiscard]] float liveMin(int channel) const { return m_liveMin.at(channel); }

    // How far past a new sample the time axis grows (a fraction of a day).
    [[nodiscard]] double xExtendStep() const { return m_xExtendStep; }
    void setXExtendStep(double days) { m_xExtendStep = days; }

private:
    chart::ChartModel& m_graph;
    RealTimeBoxes& m_boxes;
    int m_sampleCount = 0;
    std::array<float, kChannels> m_liveMax {};
    std::array<float, kChannels> m_liveMin {};
    double m_xExtendStep = static_cast<double>(1.0f / 8640.0f);
};

} // namespace tc4dl
