#pragma once

#include "Alarm.h"

#include <QObject>

#include <vector>

class QTableWidget;

namespace tc4dl {

class DataSetStore;
class GraphServices;
class TfrmGraph;

// The limit crossings of the data set shown in the logger's graph window: while any limit of
// the channel settings is on, a list under the data-set list (time, channel, value, limit) and
// a marker at each crossing on the graph. The markers are the view's own, not annotations, so
// nothing of them is saved into the user's files. Follows the channel settings as they change.
class LoggerCrossings final : public QObject {
    Q_OBJECT
public:
    // The window's crossings, made on first use (owned by the window).
    static LoggerCrossings& of(TfrmGraph& window, GraphServices& services);

    // Set `k` of `store` is shown now (the store outlives the window's showing of it).
    void show(const DataSetStore& store, int k);

    [[nodiscard]] const std::vector<alarm::Crossing>& crossings() const { return m_crossings; }
    [[nodiscard]] QTableWidget* list() const { return m_list; }

    // The rules as they apply to data in degrees Celsius (`celsius`) or Fahrenheit: limits
    // given in the other unit are carried over.
    [[nodiscard]] static alarm::ChannelSet settingsFor(
        const alarm::ChannelSet& channels, std::optional<bool> celsiusInUse, bool celsius);

private:
    LoggerCrossings(TfrmGraph& window, GraphServices& services);
    void refresh();

    TfrmGraph& m_window;
    GraphServices& m_services;
    QTableWidget* m_list = nullptr;
    const DataSetStore* m_store = nullptr;
    int m_set = -1;
    std::vector<alarm::Crossing> m_crossings;
};

} // namespace tc4dl
