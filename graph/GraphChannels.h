#pragma once

#include "GraphRates.h"

#include <QObject>
#include <QString>

class QLabel;

namespace tc4dl {

namespace alarm {
class ChannelConfig;
}

class TfrmGraph;

// The channels of one graph window as a person reads them: the names the user gave them (in
// the legend, the MAX/MIN/AVG rows and the split graph's axis titles) and their rate of change
// (the RATE boxes and, when switched on, dashed curves on a second axis). The names are shown
// for the meter's own data only (a window with a role); a graph opened from a file keeps its
// T1..T4. The model's labels and values are never changed, so no file learns the names.
class GraphChannels final : public QObject {
    Q_OBJECT
public:
    // `config` may be null (nothing named); it outlives the window.
    GraphChannels(TfrmGraph& window, const alarm::ChannelConfig* config);

    // Shows the names in use (after the config changed or the window took its role).
    void applyNames();
    // After the model changed, before the view draws it: the rates and their curves anew.
    void update();

    void setCurvesShown(bool shown);
    // The rates on show (degrees per minute), nothing where there is none.
    [[nodiscard]] const chart::ChannelRates& rates() const { return m_rates; }
    // The box text of one rate: "2,5 °/min", or "****" without one.
    [[nodiscard]] static QString rateText(std::optional<double> rate);

private:
    void showCurves();

    TfrmGraph& m_window;
    const alarm::ChannelConfig* m_config;
    chart::ChannelRates m_rates;
    chart::RateCurves m_curves; // kept up to date while shown
    quint64 m_seenRevision = ~quint64 { 0 };
    bool m_curvesShown = false;
};

} // namespace tc4dl
