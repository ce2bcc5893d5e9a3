#include "RealTimeSampler.h"

#include "GraphStatistics.h"

namespace tc4dl {

RealTimeSampler::RealTimeSampler(chart::ChartModel& graph, RealTimeBoxes& boxes)
    : m_graph(graph),
      m_boxes(boxes)
{
    m_liveMax.fill(-kNullValue);
    m_liveMin.fill(kNullValue);
}

void RealTimeSampler::start(int samples, double startSerial)
{
    m_graph.setPoints(samples);
    for (int s = 0; s < m_graph.subsets(); ++s) {
        m_graph.setX(s, -1, 0.0);
        m_graph.setY(s, -1, static_cast<double>(m_graph.nullY()));
    }
    m_sampleCount = 0;
    m_liveMax.fill(-kNullValue);
    m_liveMin.fill(kNullValue);
    for (int ch = 0; ch < kChannels; ++ch) {
        m_boxes.setMaxText(ch, QString());
        m_boxes.setMinText(ch, QString());
        m_boxes.setAvgText(ch, QString());
    }
    m_boxes.setStartTimeText(chart::dateTimeText(startSerial));
    m_graph.look.xScale
        = { chart::ScaleControl::ManualMinAndMax, startSerial, startSerial + 100 * kSecondDays };
    m_graph.touchLook();
}

bool RealTimeSampler::addSample(const std::array<float, kChannels>& values, double t)
{
    chart::Scale& x = m_graph.look.xScale;
    if (!(x.max >= t)) {
        x.max = t + m_xExtendStep;
        m_graph.touchLook();
    }
    const int p = m_sampleCount;
    for (int s = 0; s < kChannels && s < m_graph.subsets(); ++s) {
        m_graph.setX(s, p, t);
        m_graph.setY(s, p, static_cast<double>(values[s]));
    }
    for (int ch = 0; ch < kChannels; ++ch) {
        const float v = values[ch];
        if (v > m_liveMax[ch]) {
            m_liveMax[ch] = v;
            m_boxes.setMaxText(ch, chart::valueAtText(v, t));
        }
        if (!(v >= m_liveMin[ch])) {
            m_liveMin[ch] = v;
            m_boxes.setMinText(ch, chart::valueAtText(v, t));
        }
    }
    ++m_sampleCount;
    m_boxes.setDataNoText(QString::number(m_sampleCount));
    return m_sampleCount >= m_graph.points();
}

void RealTimeSampler::stop(double endSerial)
{
    const int n = m_sampleCount;
    if (n < m_graph.points()) {
        // Keep T4's last point as it was when the graph shrinks to the samples taken.
        const int last = n - 1;
        const int t4 = qMin(3, m_graph.subsets() - 1);
        const double lastX = last >= 0 ? m_graph.x(t4, last) : 0.0;
        const float lastY = last >= 0 ? m_graph.y(t4, last) : m_graph.nullY();
        m_graph.setPoints(n);
        if (last >= 0) {
            m_graph.setX(t4, last, lastX);
            m_graph.setY(t4, last, static_cast<double>(lastY));
        }
    }
    m_graph.look.xScale.max = endSerial;
    m_graph.touchLook();
    for (int s = 0; s < kChannels && s < m_graph.subsets(); ++s) {
        double sum = 0.0;
        int count = 0;
        for (int p = 0; p < n; ++p) {
            const float y = m_graph.y(s, p);
            if (isWithinAverageLimits(y)) {
                sum += static_cast<double>(y);
                ++count;
            }
        }
        m_boxes.setAvgText(s,
            count > 0 ? QString::number(sum / count, 'f', 3)
                            .replace(QLatin1Char('.'), QLocale().decimalPoint())
                      : QStringLiteral("****"));
    }
}

} // namespace tc4dl
