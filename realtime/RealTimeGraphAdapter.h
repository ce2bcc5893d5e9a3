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
    // Whether this adapter stands for `object`, or its window is gone. Safe while that window
    // is being destroyed: the pointers are compared as they are, nothing is cast.
    [[nodiscard]] bool standsFor(const QObject* object) const
    {
        return m_window.isNull() || m_object == object;
    }

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
    bool save() override;
    void focusPlot() override;
    int nextAnnotationIndex() override;

private:
    QPointer<TfrmGraph> m_window;
    const QObject* m_object; // the window as a plain object, for standsFor()
    GraphServices& m_services;
    // Recording into a window that has gone lands here.
    chart::ChartModel m_orphan;
};

} // namespace tc4dl
