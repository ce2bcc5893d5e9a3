#include "FileCommands.h"

#include "MessageIds.h"
#include "TfrmOpenSave.h"

#include "ChartView.h"
#include "FileTypeName.h"
#include "GraphConfig.h"
#include "GraphServices.h"
#include "GraphShared.h"
#include "GraphStateFile.h"
#include "MessageTable.h"
#include "Prompter.h"
#include "SafeFileWrite.h"
#include "SaveRange.h"
#include "TableTextWriter.h"
#include "TableToGraph.h"
#include "TextTableReader.h"
#include "TfrmGraph.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
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

FileCommands::FileCommands(FileHost& host)
    : m_host(host)
{
}

SaveContext FileCommands::saveContext()
{
    return SaveContext { m_host.prompter(), m_host.mainMessages(), m_host.documentsFolder(),
        m_host.textLocale(), m_host.celsius(), [this] { m_host.processEvents(); } };
}

void FileCommands::eventsNow(qint64& lastMs)
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    if (clock.elapsed() - lastMs >= kEventIntervalMs) {
        m_host.processEvents();
        lastMs = clock.elapsed();
    }
}

SaveGraphResult FileCommands::saveGraph(const chart::ChartModel& graph, std::optional<bool> celsius)
{
    SaveContext context = saveContext();
    // The unit of the data itself; the stored one only for a graph that does not say.
    context.celsius = celsius.value_or(context.celsius);
    return SaveGraph(graph, context, m_saveDialog);
}

bool FileCommands::saveDataLogger(TfrmGraph& window)
{
    Prompter::Choice choice = TfrmOpenSave::saveChoice();
    choice.caption
        = m_host.mainMessages().getTextOrDefault(QLatin1String(mainmsg::kSaveFileCaption));
    QPointer<TfrmGraph> guard(&window);
    switch (m_host.prompter().choose(choice)) {
    case Prompter::Answer::Ok:
        return saveCollection();
    case Prompter::Answer::No:
        return guard && saveGraph(guard->model(), guard->dataCelsius()) == SaveGraphResult::Saved;
    default:
        return false;
    }
}

bool FileCommands::saveCollection()
{
    const MessageTable& messages = m_host.mainMessages();
    // Only what the logger window shows is saved: never an older memory from somewhere else.
    const QByteArray image = m_host.collectionImage();
    if (image.isEmpty()) {
        m_host.prompter().tell(messages.getTextOrDefault(QLatin1String(mainmsg::kNoSetsToSave)));
        return false;
    }
    Prompter::FileRequest request;
    request.filters
        = { QStringLiteral("Data Set Collection file(*.ch4,only for TC4DL) (*.CH4 *.ch4)") };
    request.selectedFilter = request.filters.first();
    request.defaultSuffix = QStringLiteral("CH4");
    request.start = m_saveDialog.saveStart(m_host.documentsFolder());
    const QString name = m_host.prompter().saveFileName(request);
    if (name.isEmpty())
        return false;
    m_saveDialog.saved(name);
    const SafeFileWrite::Outcome outcome = SafeFileWrite::write(
        name, [&](QIODevice& file) { return file.write(image) == image.size(); });
    // The logger's data counts as saved only once the file is complete.
    if (!reportSaveOutcome(outcome, name, m_host.prompter(), messages))
        return false;
    m_host.graphServices().graphShared().dataLoggerGraphUnsaved = false;
    return true;
}

void FileCommands::saveTable(TfrmList& list)
{
    const QLocale locale = m_host.textLocale();
    Prompter& prompter = m_host.prompter();
    const MessageTable& messages = m_host.mainMessages();
    Prompter::FileRequest request;
    request.filters = tableSaveFilters(locale);
    request.selectedFilter = request.filters.contains(m_saveDialog.lastFilter)
        ? m_saveDialog.lastFilter
        : request.filters.first();
    request.defaultSuffix = QStringLiteral("TXT");
    request.start = m_saveDialog.saveStart(m_host.documentsFolder());
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
    const SafeFileWrite::Outcome outcome = SafeFileWrite::write(name, [&](QIODevice& file) {
        return writeTableText(list.table(), *range,
                   tableSeparatorFor(name, m_host.textLocale(), list.table().table()), file,
                   [&](qint64 lines) {
                       progress->setValue(lines);
                       eventsNow(lastEvents);
                       // The window may not go while its table is written; Cancel may.
                       return guard && !progress->cancelled();
                   })
            >= 0;
    });
    progress.reset();
    reportSaveOutcome(outcome, name, prompter, messages);
}

void FileCommands::printTable(TfrmList& list)
{
    if (printTableHandler)
        printTableHandler(list);
}

} // namespace tc4dl
