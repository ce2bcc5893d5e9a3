#include "FileCommands.h"

#include "MessageIds.h"
#include "TfrmOpenSave.h"

#include "ChartView.h"
#include "Clock.h"
#include "DocumentArea.h"
#include "FileTarget.h"
#include "FileTypeName.h"
#include "GraphConfig.h"
#include "GraphServices.h"
#include "GraphShared.h"
#include "GraphStateFile.h"
#include "MessageTable.h"
#include "Prompter.h"
#include "SaveRange.h"
#include "TableTextWriter.h"
#include "TableToGraph.h"
#include "TextTableReader.h"
#include "TfrmGraph.h"
#include "Unit.h"
#include "Workspace.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QTableView>

#include <memory>

namespace tc4dl {

namespace {

// Often enough for the progress window's Cancel and its bar, not once per line of a long file.
constexpr qint64 kEventIntervalMs = 25;

bool commaLocale(const QLocale& locale)
{
    return locale.decimalPoint() == QStringLiteral(",");
}

QStringList tableSaveFilters(const QLocale& locale)
{
    QStringList filters { QStringLiteral("TXT file(*.txt,data seperated by tab) (*.TXT *.txt)") };
    if (!commaLocale(locale))
        filters << QStringLiteral("EXCEL file format(*.CSV,seperated by comma) (*.CSV *.csv)");
    return filters;
}

} // namespace

FileCommands::FileCommands(Deps deps)
    : m_deps(std::move(deps)),
      m_messages(MessageTable::forWindow(QStringLiteral("TfrmMain")))
{
    Q_ASSERT(m_deps.workspace && m_deps.prompter && m_deps.graphs && m_deps.area);
}

SaveContext FileCommands::saveContext()
{
    // The unit the meter measures in now: a save follows the meter's switch at once.
    return SaveContext { prompter(), m_messages, m_deps.documentsFolder, m_deps.locale,
        isCelsius(m_deps.workspace->unit()),
        [this] { m_deps.workspace->clock().processEvents(); } };
}

void FileCommands::eventsNow(qint64& lastMs)
{
    Clock& clock = m_deps.workspace->clock();
    if (clock.tickMs() - lastMs >= kEventIntervalMs) {
        clock.processEvents();
        lastMs = clock.tickMs();
    }
}

void FileCommands::tableActivated()
{
    if (m_deps.outputToGraph)
        m_deps.outputToGraph->setEnabled(true);
}

QSize FileCommands::openedGraphSize() const
{
    const QWidget* main = area().window();
    const auto* window = qobject_cast<const QMainWindow*>(main);
    const int menu = window && window->menuBar() ? window->menuBar()->height() : 0;
    return documentarea::placedInView(
        area(), QRect(0, 0, main->width(), std::max(main->height() - menu - 40, 100)))
        .size();
}

SaveGraphResult FileCommands::saveGraph(const chart::ChartModel& graph, std::optional<bool> celsius)
{
    SaveContext context = saveContext();
    // The unit of the data itself; the stored one only for a graph that does not say.
    context.celsius = celsius.value_or(context.celsius);
    return SaveGraph(graph, context, m_saveDialog);
}

bool FileCommands::saveDataSets(TfrmGraph& window, OpenData::Piece piece)
{
    Prompter::Choice choice = TfrmOpenSave::saveChoice();
    choice.caption = m_messages.getTextOrDefault(QLatin1String(mainmsg::kSaveFileCaption));
    QPointer<TfrmGraph> guard(&window);
    switch (prompter().choose(choice)) {
    case Prompter::Answer::Ok:
        return saveCollection(piece);
    case Prompter::Answer::No:
        return guard && saveGraph(guard->model(), guard->dataCelsius()) == SaveGraphResult::Saved;
    default:
        return false;
    }
}

bool FileCommands::saveCollection(OpenData::Piece piece)
{
    const MessageTable& messages = m_messages;
    // Only what the window shows is saved: never an older memory from somewhere else.
    OpenData& data = m_deps.workspace->openData();
    const QByteArray image = data.collectionImage(piece);
    if (image.isEmpty()) {
        prompter().tell(messages.getTextOrDefault(QLatin1String(mainmsg::kNoSetsToSave)));
        return false;
    }
    Prompter::FileRequest request;
    request.filters
        = { QStringLiteral("Data Set Collection file(*.ch4,only for TC4DL) (*.CH4 *.ch4)") };
    request.selectedFilter = request.filters.first();
    request.defaultSuffix = QStringLiteral("CH4");
    request.start = m_saveDialog.saveStart(m_deps.documentsFolder);
    const QString name = prompter().saveFileName(request);
    if (name.isEmpty())
        return false;
    m_saveDialog.saved(name);
    const WriteOutcome outcome = writeWhole(
        name, [&](QIODevice& file) { return file.write(image) == image.size(); }, nullptr);
    // The data counts as saved only once the file is complete.
    if (!reportSaveOutcome(outcome, name, prompter(), messages))
        return false;
    data.setUnsaved(piece, false);
    return true;
}

void FileCommands::saveTable(TfrmList& list)
{
    const QLocale locale = m_deps.locale;
    Prompter& prompter = *m_deps.prompter;
    const MessageTable& messages = m_messages;
    Prompter::FileRequest request;
    request.filters = tableSaveFilters(locale);
    request.selectedFilter = request.filters.contains(m_saveDialog.lastFilter)
        ? m_saveDialog.lastFilter
        : request.filters.first();
    request.defaultSuffix = QStringLiteral("TXT");
    request.start = m_saveDialog.saveStart(m_deps.documentsFolder);
    request.typeChanged = nameForFileType;
    QPointer<TfrmList> guard(&list);
    const QString name = prompter.saveFileName(request);
    if (name.isEmpty() || !guard)
        return;
    m_saveDialog.saved(name, request.selectedFilter);

    const int rows = list.table().dataRows();
    Prompter::RangeRequest rangeRequest;
    rangeRequest.caption = messages.getTextOrDefault(QLatin1String(mainmsg::kSaveFileCaption));
    rangeRequest.from = QStringLiteral("1");
    rangeRequest.to = QString::number(rows);
    const std::optional<Prompter::RangeAnswer> answer = prompter.askRange(rangeRequest);
    if (!answer || !guard)
        return;
    const std::optional<SaveRange> range
        = resolveSaveRange(answer->all, answer->from, answer->to, rows);
    if (!range) {
        prompter.tell(messages.getTextOrDefault(QLatin1String(mainmsg::kInvalidInteger)));
        return;
    }
    // Nothing to write: an existing file stays as it is.
    if (range->isEmpty())
        return;
    std::unique_ptr<Prompter::Progress> progress
        = prompter.showProgress(Prompter::ProgressUse::Save,
            messages.getTextOrDefault(QLatin1String(mainmsg::kSavingCaption)));
    progress->setMaximum(range->count());
    progress->setValue(0);
    qint64 lastEvents = 0;
    const WriteOutcome outcome = writeWhole(
        name,
        [&](QIODevice& file) {
            return writeTableText(list.table(), *range,
                       tableSeparatorFor(name, m_deps.locale, list.table().table()), file,
                       [&](qint64 lines) {
                           progress->setValue(lines);
                           eventsNow(lastEvents);
                           // The window may not go while its table is written; Cancel may.
                           return guard && !progress->cancelled();
                       })
                >= 0;
        },
        nullptr);
    progress.reset();
    reportSaveOutcome(outcome, name, prompter, messages);
}

void FileCommands::printTable(TfrmList& list)
{
    if (printTableHandler)
        printTableHandler(list);
}

} // namespace tc4dl
