#include "LoggerCrossings.h"

#include "ChannelConfig.h"
#include "ChartView.h"
#include "DataSetStore.h"
#include "GraphServices.h"
#include "GraphStatistics.h"
#include "TfrmGraph.h"

#include <QHeaderView>
#include <QLayout>
#include <QTableWidget>

#include <algorithm>
#include <span>

namespace tc4dl {

namespace {

// The limit as a person reads it: "> 150,0", "< -5,5", "/min > 5,0".
QString limitText(const alarm::AlarmRule& rule)
{
    QString text
        = rule.quantity == alarm::Quantity::RatePerMinute ? QStringLiteral("/min ") : QString();
    text += rule.direction == alarm::Direction::Above ? QStringLiteral("> ") : QStringLiteral("< ");
    return text + chart::fixedText(rule.limit, 1);
}

} // namespace

LoggerCrossings& LoggerCrossings::of(TfrmGraph& window, GraphServices& services)
{
    if (auto* existing = window.findChild<LoggerCrossings*>(QString(), Qt::FindDirectChildrenOnly))
        return *existing;
    return *new LoggerCrossings(window, services);
}

LoggerCrossings::LoggerCrossings(TfrmGraph& window, GraphServices& services)
    : QObject(&window),
      m_window(window),
      m_services(services)
{
    QWidget* panel = window.dataSetPanel();
    m_list = new QTableWidget(0, 4, panel);
    m_list->setObjectName(QStringLiteral("lstCrossings"));
    // In the graph window's language (German, as its message table is).
    m_list->setHorizontalHeaderLabels({ QStringLiteral("Zeit"), QStringLiteral("Kanal"),
        QStringLiteral("Wert"), QStringLiteral("Grenze") });
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->hide();
    if (QLayout* layout = panel->layout())
        layout->addWidget(m_list);
    if (const alarm::ChannelConfig* config = services.channelConfig())
        connect(config, &alarm::ChannelConfig::changed, this, [this] {
            refresh();
            m_window.redraw();
        });
}

alarm::ChannelSet LoggerCrossings::settingsFor(
    const alarm::ChannelSet& channels, std::optional<bool> celsiusInUse, bool celsius)
{
    if (!celsiusInUse || *celsiusInUse == celsius)
        return channels;
    return alarm::convertUnit(channels, celsius);
}

void LoggerCrossings::show(const DataSetStore& store, int k)
{
    m_store = &store;
    m_set = k;
    refresh();
}

void LoggerCrossings::refresh()
{
    m_crossings.clear();
    const alarm::ChannelConfig* config = m_services.channelConfig();
    const bool on = config && m_store && m_set >= 0 && m_set < m_store->setCount()
        && std::any_of(config->channels().begin(), config->channels().end(),
            [](const alarm::ChannelSettings& c) { return c.anyLimitOn(); });
    std::vector<chart::OverlayMarker> markers;
    if (on) {
        const alarm::ChannelSet channels
            = settingsFor(config->channels(), m_services.celsiusInUse(), m_store->celsius(m_set));
        std::array<double, alarm::kChannels> hysteresis {};
        for (size_t c = 0; c < hysteresis.size(); ++c)
            hysteresis[c] = channels[c].hysteresis;
        const qsizetype base = m_store->sampleBase(m_set);
        const int n = m_store->sampleCount(m_set);
        const std::span<const float> values(
            m_store->sampleValues().data() + base, 4 * static_cast<size_t>(n));
        m_crossings = alarm::crossingsInRun(values, m_store->startTime(m_set),
            m_store->interval(m_set), alarm::rulesOf(channels), hysteresis);
        for (const alarm::Crossing& c : m_crossings) {
            // A rate crossing is marked on the reading of its moment.
            const float y = values[4 * static_cast<size_t>(c.sample) + c.rule.channel];
            markers.push_back({ c.rule.channel, c.serial, static_cast<double>(y) });
        }
    }
    m_list->setRowCount(static_cast<int>(m_crossings.size()));
    for (int r = 0; r < static_cast<int>(m_crossings.size()); ++r) {
        const alarm::Crossing& c = m_crossings[static_cast<size_t>(r)];
        const QString name = config->name(c.rule.channel);
        const QStringList cells { chart::dateTimeText(c.serial), name, chart::fixedText(c.value, 1),
            limitText(c.rule) };
        for (int col = 0; col < cells.size(); ++col)
            m_list->setItem(r, col, new QTableWidgetItem(cells[col]));
    }
    m_list->resizeColumnsToContents();
    m_list->setVisible(on);
    m_window.graph()->setOverlayMarkers(std::move(markers));
}

} // namespace tc4dl
