#pragma once

// The role returns its window through a guarded pointer, which needs the whole class.
#include "TfrmGraph.h"

#include "LoggerGraphRole.h"
#include "LoggerTimeline.h"

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QSize>

#include <functional>
#include <vector>

class QMdiArea;

namespace tc4dl {

class DataSetStore;
class GraphServices;
class TfrmGraph;

// Shows data set `k` of `store` in `window`: four channels of the set's samples against their
// times, written to the chart as the store's two contiguous runs, -20 to 100 on every axis, the
// statistics, then the set's own start, interval and sample count in the statistic strip, and
// the full view. A set without samples leaves the MAX, MIN and AVG boxes empty.
// False, with nothing changed, for a k outside the store.
bool GraphDataSet(TfrmGraph& window, GraphServices& services, const DataSetStore& store, int k);

// Fills the window's data-set list with one row per set of `store` and selects the first row,
// without graphing it.
void FillDataSetList(TfrmGraph& window, const DataSetStore& store, const QLocale& locale = {});

// The graph window of one set of data sets, with the data-set list on its left: the logger's
// "DataLogger", or the archive's sets on view. At most one of each at a time, in the main
// window's document area. A click on a row of the list graphs that set; File > Save saves the
// window's data; the window asks whether to save data nothing else keeps before it closes.
class DataLoggerWindow final : public QObject {
    Q_OBJECT
public:
    // `piece` of `data` is what the window shows, under `caption`; `clientSize` gives the main
    // window's client size when the window is placed; `saveCommand` saves this window's data
    // (all data sets or the graph shown, as the user chooses) when the user wants it saved;
    // true when a file was written.
    DataLoggerWindow(GraphServices& services, QMdiArea& area, OpenData& data, OpenData::Piece piece,
        QString caption, std::function<QSize()> clientSize, std::function<bool()> saveCommand,
        QObject* parent = nullptr);

    // The window, or null when there is none.
    [[nodiscard]] TfrmGraph* window() const;

    // Restores the window when it exists; otherwise creates it at the top left, as wide as the
    // main window's client area and 60 pixels less high, holding an empty one-channel graph of
    // 500 points from `t0` on. Returns the window.
    TfrmGraph* OpenDataLoggerWindow(const QDateTime& t0);

    // After the store was replaced: the window (opened when it was closed meanwhile) lists
    // every set and shows set 0.
    void showNewStore(const QDateTime& t0);

    // Graphs set k in the window; false when there is no window or no such set.
    bool GraphDataSet(int k);
    // Graphs the sets as one timeline (see LoggerTimeline.h); NoSets when there is no window.
    TimelineResult GraphTimeline(const std::vector<int>& sets);

    [[nodiscard]] const DataSetStore& store() const { return m_store; }

private:
    GraphServices& m_services;
    QMdiArea& m_area;
    const DataSetStore& m_store;
    QString m_caption;
    std::function<QSize()> m_clientSize;
    LoggerGraphRole m_role;
};

} // namespace tc4dl
