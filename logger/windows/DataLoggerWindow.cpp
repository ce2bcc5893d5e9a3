#include "DataLoggerWindow.h"

#include "ChartView.h"
#include "DataSetList.h"
#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "DocumentArea.h"
#include "GraphCommands.h"
#include "GraphConfig.h"
#include "GraphServices.h"
#include "GraphStatistics.h"
#include "LoggerCrossings.h"
#include "MeterValues.h"
#include "TfrmGraph.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableWidget>

#include <algorithm>

namespace tc4dl {

namespace {

// Crosses and texts sit on one shared axis: offered only while the view is not split.
void enableAnnotationTools(TfrmGraph& window)
{
    const QList<double>& proportions = window.model().look.multiAxesProportions;
    const double first = proportions.isEmpty() ? 1.0 : proportions.first();
    window.setAnnotationToolsEnabled(first == 1.0);
}

void clearStatisticBoxes(TfrmGraph& window)
{
    for (int ch = 0; ch < 4; ++ch)
        for (QLineEdit* box : { window.maxBox(ch), window.minBox(ch), window.avgBox(ch) })
            box->clear();
}

} // namespace

bool GraphDataSet(TfrmGraph& window, GraphServices& services, const DataSetStore& store, int k)
{
    if (k < 0 || k >= store.setCount())
        return false;
    const qsizetype base = store.sampleBase(k);
    const int n = store.sampleCount(k);
    const double start = store.startTime(k);
    const double step = store.interval(k) / kSecondsPerDay;
    const double end = start + n * step;

    // A damaged template has been told to the user and the built-in look stands in.
    (void)ConfigureGraph(*window.graph(), services, GraphExtent { 4, n, start, end, -20.0, 100.0 });
    enableAnnotationTools(window);

    // The store keeps each set's samples point by point, T1 to T4 within a point: the layout
    // the chart takes in one write each.
    chart::ChartModel& model = window.model();
    const qsizetype cells = 4 * static_cast<qsizetype>(n);
    model.setAllX(store.sampleTimes().data() + base, cells);
    model.setAllY(store.sampleValues().data() + base, cells);

    // The statistics need at least one point; without one the boxes say nothing.
    if (n > 0)
        window.ComputeGraphStatistics();
    else
        clearStatisticBoxes(window);

    // The set's own figures, not those the statistics read off the plot.
    window.startTimeBox()->setText(chart::dateTimeText(start));
    window.startTimeBox()->setCursorPosition(0);
    window.setSamplingRate(store.interval(k));
    window.dataNoBox()->setText(QString::number(n));

    // The limits' crossings in this set, listed and marked.
    LoggerCrossings::of(window, services).show(store, k);

    window.commands()->UndoZoomClick();
    window.redraw();
    return true;
}

void FillDataSetList(TfrmGraph& window, const DataSetStore& store, const QLocale& locale)
{
    QTableWidget* grid = window.dataSetList();
    const QList<QStringList> rows = dataSetRows(store, locale);
    grid->setUpdatesEnabled(false);
    grid->clearContents();
    // One empty row stays, as in a new window, when there is no set.
    grid->setRowCount(std::max<qsizetype>(rows.size(), 1));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < kDataSetColumns; ++c)
            grid->setItem(r, c, new QTableWidgetItem(rows[r].value(c)));
    window.fitDataSetColumns();
    grid->setUpdatesEnabled(true);
    // The first set is selected; graphing it is the caller's part.
    grid->setCurrentCell(0, 0);
    grid->selectRow(0);
}

DataLoggerWindow::DataLoggerWindow(GraphServices& services, QMdiArea& area, OpenData& data,
    OpenData::Piece piece, QString caption, std::function<QSize()> clientSize,
    std::function<bool()> saveCommand, QObject* parent)
    : QObject(parent),
      m_services(services),
      m_area(area),
      m_store(data.store(piece)),
      m_caption(std::move(caption)),
      m_clientSize(std::move(clientSize)),
      m_role(services, data, piece, std::move(saveCommand))
{
    m_role.setDataSetHandler([this](int row) { GraphDataSet(row); });
}

TfrmGraph* DataLoggerWindow::window() const
{
    return m_role.window();
}

TfrmGraph* DataLoggerWindow::OpenDataLoggerWindow(const QDateTime& t0)
{
    if (TfrmGraph* existing = window()) {
        existing->frameWindow()->showNormal();
        // The window the load works on comes to the front, and its progress and messages
        // with it.
        if (auto* sub = qobject_cast<QMdiSubWindow*>(existing->frameWindow()))
            m_area.setActiveSubWindow(sub);
        return existing;
    }
    auto* graph = new TfrmGraph(m_services);
    graph->setWindowTitle(m_caption);
    QMdiSubWindow* sub = m_area.addSubWindow(graph);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(graph->windowIcon());
    graph->setRole(&m_role);
    graph->dataSetPanel()->show();
    // The headings are readable before the first download, as after it.
    graph->fitDataSetColumns();

    const QSize client = m_clientSize ? m_clientSize() : m_area.size();
    // Inside the document area, whose toolbar and status bar leave less room than the main
    // window's client area: the statistics would otherwise reach under the status bar.
    sub->setGeometry(documentarea::placedInView(
        m_area, QRect(0, 0, client.width(), std::max(client.height() - 60, 100))));

    const double start = toDateTimeSerial(t0);
    (void)ConfigureGraph(*graph->graph(), m_services,
        GraphExtent { 1, 500, start, start + 500.0 / kSecondsPerDay, 30.0, 130.0 });
    enableAnnotationTools(*graph);
    graph->model().look.allowGraphAnnotHotSpots = true;
    graph->redraw();
    sub->showNormal();
    return graph;
}

void DataLoggerWindow::showNewStore(const QDateTime& t0)
{
    TfrmGraph* graph = window();
    if (!graph)
        graph = OpenDataLoggerWindow(t0);
    FillDataSetList(*graph, m_store);
    GraphDataSet(0);
}

bool DataLoggerWindow::GraphDataSet(int k)
{
    TfrmGraph* graph = window();
    if (!graph || !tc4dl::GraphDataSet(*graph, m_services, m_store, k))
        return false;
    m_role.setShownUnit(m_store.celsius(k));
    return true;
}

TimelineResult DataLoggerWindow::GraphTimeline(const std::vector<int>& sets)
{
    TfrmGraph* graph = window();
    if (!graph)
        return TimelineResult::NoSets;
    bool celsius = true;
    const TimelineResult result = timelineUnit(m_store, sets, &celsius);
    if (result != TimelineResult::Shown)
        return result;
    (void)tc4dl::GraphTimeline(*graph, m_services, m_store, sets);
    m_role.setShownUnit(celsius);
    return result;
}

} // namespace tc4dl
