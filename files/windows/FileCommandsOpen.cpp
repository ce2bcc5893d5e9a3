// The open and table-to-graph half of the file commands.

#include "FileCommands.h"

#include "ChartView.h"
#include "Clock.h"
#include "DocumentArea.h"
#include "GraphConfig.h"
#include "GraphServices.h"
#include "GraphStateFile.h"
#include "MessageIds.h"
#include "MessageTable.h"
#include "Prompter.h"
#include "SaveGraph.h"
#include "TableToGraph.h"
#include "TextTableReader.h"
#include "TfrmGraph.h"
#include "Workspace.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalBlocker>
#include <QTableView>

#include <algorithm>

namespace tc4dl {

namespace {

bool plotNotSplit(const chart::ChartModel& model)
{
    const QList<double>& proportions = model.look.multiAxesProportions;
    return proportions.isEmpty() || proportions.first() == 1.0;
}

} // namespace

void FileCommands::openSingleFile()
{
    Prompter::FileRequest request;
    request.filters = graphFileFilters(m_deps.locale);
    request.selectedFilter = request.filters.first();
    request.defaultSuffix = QStringLiteral("ghf");
    request.start = m_saveDialog.startFolder(m_deps.documentsFolder);
    const QString name = prompter().openFileName(request);
    if (name.isEmpty())
        return;
    m_saveDialog.chosen(name);
    const QString extension = QFileInfo(name).suffix().toLower();
    if (extension == QLatin1String("ghf"))
        openGraphFile(name);
    else if (extension == QLatin1String("csv"))
        openTextFile(name, TextTableReader::kCsvSeparator);
    else if (extension == QLatin1String("txt"))
        openTextFile(name, '\t');
}

TfrmGraph* FileCommands::newGraphWindow(const QString& caption)
{
    auto* window = new TfrmGraph(*m_deps.graphs);
    window->setWindowTitle(caption);
    QMdiSubWindow* sub = area().addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(window->windowIcon());
    // At the document area's top left and inside what it shows, opened from a file or from a
    // table alike.
    const QSize size = openedGraphSize();
    sub->setGeometry(0, 0, size.width(), size.height());
    return window;
}

TfrmGraph* FileCommands::openGraphFile(const QString& path)
{
    // Read first: a file that cannot be used gives its message and no window.
    chart::ChartModel loaded;
    QString error;
    if (!chart::loadGraphState(loaded, path, &error)) {
        prompter().ask(error, Prompter::Buttons::Ok, Prompter::Icon::Error);
        return nullptr;
    }
    TfrmGraph* window = newGraphWindow(path);
    (void)window->model().loadState(loaded.storeState());
    // The file's own annotations stay: new ones are numbered after the last of them.
    window->setLastAnnotationIndex(
        std::max(TfrmGraph::kLastReservedAnnotation, window->model().annotationCount() - 1));

    // The window's controls follow the loaded graph.
    window->ComputeGraphStatistics();
    chart::ChartModel& model = window->model();
    if (auto* split = window->findChild<QCheckBox*>(QStringLiteral("chkSplit"))) {
        const QSignalBlocker quiet(split);
        split->setChecked(
            model.look.multiAxesSubsets.size() > 1 && model.look.multiAxesSubsets.at(1) != 0);
    }
    model.look.allowDataLabels = chart::DataLabels::None;
    model.look.allowGraphAnnotHotSpots = true;
    model.touchLook();
    window->graph()->reinitAndReset();
    window->setAnnotationToolsEnabled(plotNotSplit(model));
    window->frameWindow()->show();
    area().setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->frameWindow()));
    return window;
}

TfrmList* FileCommands::openTextFile(const QString& path, char separator)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    auto* list = new TfrmList(*this);
    list->setWindowTitle(path);
    QMdiSubWindow* sub = area().addSubWindow(list);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // At the document area's top left like an opened graph, and never reaching past the
    // area's visible bottom or right edge where its rows could not be seen.
    sub->setGeometry(documentarea::placedInView(
        area(), QRect(QPoint(0, 0), sub->sizeHint().expandedTo(QSize(389, 424))), QSize(100, 100)));
    QPointer<TfrmList> guard(list);

    std::unique_ptr<Prompter::Progress> progress
        = prompter().showProgress(Prompter::ProgressUse::Open,
            m_messages.getTextOrDefault(QLatin1String(mainmsg::kOpeningCaption)));
    progress->setStatus(QStringLiteral("0"));
    // The grid shows nothing of the table until it is read, then draws it once.
    TextTable& table = list->table().beginFill();
    const qint64 size = file.size();
    if (size > 0)
        table.reserve(size / 40, std::min<qint64>(size, 1LL << 30));
    TextTableReader reader(separator, table);
    QByteArray chunk;
    while (!reader.ended()) {
        chunk = file.read(m_readChunk);
        if (chunk.isEmpty()) {
            reader.finish();
            break;
        }
        reader.feed(chunk);
        progress->setStatus(QString::number(reader.rowsRead()));
        progress->setValue(reader.rowsRead());
        m_deps.workspace->clock().processEvents();
        // Cancel keeps the rows read so far.
        if (progress->cancelled() || !guard)
            break;
    }
    progress.reset();
    if (!guard)
        return nullptr;
    list->table().endFill();
    sub->show();
    area().setActiveSubWindow(sub);
    return list;
}

void FileCommands::outputToGraph(TfrmList& list)
{
    const MessageTable& messages = m_messages;
    const TextTableModel& table = list.table();
    if (table.cellText(0, 1).isEmpty()) {
        prompter().tell(messages.getTextOrDefault(QLatin1String(mainmsg::kNoDataToGraph)));
        return;
    }
    const int n = table.dataRows();
    TfrmGraph* window = newGraphWindow(list.windowTitle());
    QPointer<TfrmGraph> guard(window);
    const TableToGraph convert(m_deps.locale);
    QString error;
    const std::optional<double> start = convert.rowTime(table, 0, &error);
    const std::optional<double> end = start ? convert.rowTime(table, n - 1, &error) : start;
    if (!start || !end) {
        // The window stays, empty, as the conversion's message says what went wrong.
        window->frameWindow()->show();
        area().setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->frameWindow()));
        prompter().ask(error, Prompter::Buttons::Ok, Prompter::Icon::Error);
        return;
    }
    (void)ConfigureGraph(
        *window->graph(), *m_deps.graphs, GraphExtent { 4, n, *start, *end, -20.0, 100.0 });
    window->setAnnotationToolsEnabled(plotNotSplit(window->model()));

    std::unique_ptr<Prompter::Progress> progress
        = prompter().showProgress(Prompter::ProgressUse::Graphing,
            messages.getTextOrDefault(QLatin1String(mainmsg::kGraphingCaption)));
    progress->setStatus(messages.getTextOrDefault(QLatin1String(mainmsg::kGraphing)));
    progress->setMaximum(n);
    QPointer<TfrmList> source(&list);
    qint64 lastEvents = 0;
    for (int i = 0; i < n && guard && source; ++i) {
        progress->setValue(i + 1);
        eventsNow(lastEvents);
        if (!guard || !source)
            break;
        // A bad row keeps what it had set; the rest of it stays empty.
        (void)convert.fillPoint(table, i, window->model());
    }
    progress.reset();
    if (!guard)
        return;
    window->frameWindow()->showNormal();
    area().setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->frameWindow()));
    window->ComputeGraphStatistics();
    window->graph()->reinitAndReset();
    window->graph()->invalidateImage();
}

} // namespace tc4dl
