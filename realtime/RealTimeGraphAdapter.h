#pragma once

#include "RealTimeWindow.h"

#include <QPointer>

namespace tc4dl {

class GraphServices;
class TfrmGraph;

// The real-time graph window's controls and boxes behind the recorder's view of it. Once the
// window is gone every call does nothing.
class RealTimeGraphAdapter final : public RealTimeWindow {
public:
    RealTimeGraphAdapter(TfrmGraph& window, GraphServices& services);

    [[nodiscard]] TfrmGraph* window() const { return m_window; }

    void setMaxText(int channel, const QString& text) override;
    void setMinText(int channel, const QString& text) override;
    void setAvgText(int channel, const QString& text) override;
    void setDataNoText(const QString& text) override;
    void setStartTimeText(const QString& text) override;

    chart::ChartModel& model() override;
    void redraw() override;
    void restore() override;
    void setClearEnabled(bool enabled) override;
    int minutesIndex() const override;
    int secondsIndex() const override;
    void setRateIndexes(int minutes, int seconds) override;
    void showSamplingRate(int seconds) override;
    void clear() override;
    void save() override;
    void focusPlot() override;

private:
    QPointer<TfrmGraph> m_window;
    GraphServices& m_services;
    // Recording into a window that has gone lands here.
    chart::ChartModel m_orphan;
};

} // namespace tc4dl
