#include "GraphChannels.h"

#include "ChannelConfig.h"
#include "ChartView.h"
#include "GraphRole.h"
#include "GraphStatistics.h"
#include "TfrmGraph.h"

#include <QLabel>
#include <QLineEdit>

#include <cmath>

namespace tc4dl {

namespace {

constexpr int kChannels = 4;

// The caption the message table gave a row's first label ("T1 MAX "), kept so that a name can
// be put in place of its channel and taken out again.
const char* const kCaptionProperty = "channelCaption";

} // namespace

GraphChannels::GraphChannels(TfrmGraph& window, const alarm::ChannelConfig* config)
    : QObject(&window),
      m_window(window),
      m_config(config)
{
    if (m_config)
        connect(m_config, &alarm::ChannelConfig::changed, this, [this] {
            applyNames();
            m_window.redraw();
        });
}

void GraphChannels::applyNames()
{
    QStringList names;
    for (int ch = 0; ch < kChannels; ++ch) {
        // Only a name the user gave: without one every text stays as it always was.
        const bool named = m_config && m_window.role()
            && !m_config->channels().at(static_cast<size_t>(ch)).name.isEmpty();
        names << (named ? m_config->name(ch) : QString());

        QLabel* row = m_window.findChild<QLabel*>(QStringLiteral("lblT%1Max").arg(ch + 1));
        if (!row)
            continue;
        if (!row->property(kCaptionProperty).isValid())
            row->setProperty(kCaptionProperty, row->text());
        QString caption = row->property(kCaptionProperty).toString();
        const QString own = QStringLiteral("T%1").arg(ch + 1);
        if (named && caption.startsWith(own))
            caption.replace(0, own.size(), names.last());
        row->setText(caption);
        row->setToolTip(named ? own : QString());
    }
    m_window.graph()->setChannelNames(names);
}

void GraphChannels::setCurvesShown(bool shown)
{
    if (shown == m_curvesShown)
        return;
    m_curvesShown = shown;
    showCurves();
    m_window.redraw();
}

void GraphChannels::showCurves()
{
    chart::ChartView* view = m_window.graph();
    if (!m_curvesShown) {
        m_curves.reset();
        if (!view->overlayCurves().empty())
            view->setOverlayCurves({}, QString());
        return;
    }
    // A recording adds a sample at a time: only its rates are worked out and drawn.
    switch (m_curves.update(m_window.model())) {
    case chart::RateCurves::Change::Appended:
        if (!view->overlayCurves().empty()) {
            view->appendToOverlayCurves(m_curves.curves(), m_curves.appendedFrom());
            break;
        }
        [[fallthrough]];
    case chart::RateCurves::Change::Anew:
        view->setOverlayCurves(m_curves.curves(), QStringLiteral("°/min"));
        break;
    case chart::RateCurves::Change::None:
        if (view->overlayCurves().empty() && !m_curves.curves().empty())
            view->setOverlayCurves(m_curves.curves(), QStringLiteral("°/min"));
        break;
    }
}

void GraphChannels::update()
{
    const chart::ChartModel& model = m_window.model();
    if (model.revision() == m_seenRevision)
        return;
    m_seenRevision = model.revision();
    // The real-time graph shows how fast each channel moves now; a stored graph its trend.
    const bool latest = m_window.role() && m_window.role()->ratesOfLatestMinute();
    m_rates = latest ? chart::latestRates(model) : chart::wholeGraphRates(model);
    for (int ch = 0; ch < kChannels; ++ch)
        m_window.rateBox(ch)->setText(rateText(m_rates.at(static_cast<size_t>(ch))));
    if (m_curvesShown)
        showCurves();
}

QString GraphChannels::rateText(std::optional<double> rate)
{
    if (!rate)
        return QStringLiteral("****");
    // A slope that rounds to nothing reads "0,0", never "-0,0".
    const double shown = std::abs(*rate) < 0.05 ? 0.0 : *rate;
    return chart::fixedText(shown, 1) + QStringLiteral(" °/min");
}

} // namespace tc4dl
