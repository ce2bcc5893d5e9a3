#include "SaveGraph.h"

#include "FileTypeName.h"
#include "GraphStateFile.h"
#include "GraphTextWriter.h"
#include "MessageIds.h"
#include "MessageTable.h"
#include "Prompter.h"
#include "StartFolder.h"
#include "TableTextWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <memory>

namespace tc4dl {

QStringList graphFileFilters(const QLocale& locale)
{
    // Both spellings of each pattern, so that the dialog lists files on case-sensitive file
    // systems too.
    QStringList filters {
        QStringLiteral("Graph file(*.ghf,only for TC4DL) (*.GHF *.ghf)"),
        QStringLiteral("TXT file(*.txt,data seperated by tab) (*.TXT *.txt)"),
    };
    if (locale.decimalPoint() != QStringLiteral(","))
        filters << QStringLiteral("EXCEL file format(*.CSV,seperated by comma) (*.CSV *.csv)");
    return filters;
}

QString SaveDialogState::startFolder(const QString& fallback) const
{
    if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir())
        return lastFolder;
    return existingStartFolder(fallback);
}

QString SaveDialogState::saveStart(const QString& fallback) const
{
    const QString folder = startFolder(fallback);
    return lastFileName.isEmpty() ? folder : QDir(folder).filePath(lastFileName);
}

void SaveDialogState::chosen(const QString& path)
{
    if (!path.isEmpty())
        lastFolder = QFileInfo(path).absolutePath();
}

void SaveDialogState::saved(const QString& path, const QString& filter)
{
    lastFileName = QFileInfo(path).fileName();
    if (!filter.isEmpty())
        lastFilter = filter;
    chosen(path);
}

bool reportSaveOutcome(
    WriteOutcome outcome, const QString& path, Prompter& prompter, const MessageTable& messages)
{
    if (outcome == WriteOutcome::Written)
        return true;
    // Nothing the user believes saved may go unsaid.
    const char* id = outcome == WriteOutcome::CannotCreate ? mainmsg::kFileNotCreated
                                                           : mainmsg::kFileIncomplete;
    prompter.ask(messages.getTextOrDefault(QLatin1String(id)).arg(QDir::toNativeSeparators(path)),
        Prompter::Buttons::Ok, Prompter::Icon::Error);
    return false;
}

SaveGraphResult SaveGraph(
    const chart::ChartModel& graph, const SaveContext& context, SaveDialogState& dialog)
{
    Prompter::FileRequest request;
    request.filters = graphFileFilters(context.locale);
    request.selectedFilter
        = request.filters.contains(dialog.lastFilter) ? dialog.lastFilter : request.filters.first();
    // The dialog starts in the folder last used and proposes the last name chosen.
    request.start = dialog.saveStart(context.documentsFolder);
    request.defaultSuffix = QStringLiteral("GHF");
    // The typed name's extension follows the chosen type.
    request.typeChanged = nameForFileType;
    const QString name = context.prompter.saveFileName(request);
    if (name.isEmpty())
        return SaveGraphResult::Cancelled;
    dialog.saved(name, request.selectedFilter);

    const QString extension = QFileInfo(name).suffix().toLower();
    if (extension == QLatin1String("ghf")) {
        QString error;
        if (chart::saveGraphState(graph, name, &error))
            return SaveGraphResult::Saved;
        context.prompter.ask(error, Prompter::Buttons::Ok, Prompter::Icon::Error);
        return SaveGraphResult::Failed;
    }
    // A ".csv" name is written as .csv even where that type is not offered.
    if (extension == QLatin1String("txt"))
        return saveGraphText(graph, context, name, '\t');
    if (extension == QLatin1String("csv"))
        return saveGraphText(graph, context, name, csvSeparatorFor(context.locale));
    return SaveGraphResult::NotSaved;
}

SaveGraphResult saveGraphText(
    const chart::ChartModel& graph, const SaveContext& context, const QString& name, char separator)
{
    const int points = graph.points();
    Prompter::RangeRequest request;
    request.caption = context.messages.getTextOrDefault(QLatin1String(mainmsg::kSaveFileCaption));
    request.from = QStringLiteral("1");
    request.to = QString::number(points);
    request.withUnits = true;
    request.fahrenheit = !context.celsius;
    const std::optional<Prompter::RangeAnswer> answer = context.prompter.askRange(request);
    if (!answer)
        return SaveGraphResult::Cancelled;
    const std::optional<SaveRange> range
        = resolveSaveRange(answer->all, answer->from, answer->to, points);
    if (!range) {
        context.prompter.tell(
            context.messages.getTextOrDefault(QLatin1String(mainmsg::kInvalidInteger)));
        return SaveGraphResult::NotSaved;
    }
    // Nothing to write: an existing file stays as it is.
    if (range->isEmpty())
        return SaveGraphResult::NotSaved;

    std::unique_ptr<Prompter::Progress> progress
        = context.prompter.showProgress(Prompter::ProgressUse::Save,
            context.messages.getTextOrDefault(QLatin1String(mainmsg::kSavingCaption)));
    progress->setMaximum(range->count());
    progress->setValue(0);
    GraphTextWriter writer(context.locale, separator, !answer->fahrenheit);
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    const WriteOutcome outcome = writeWhole(
        name,
        [&](QIODevice& file) {
            return writer.write(graph, *range, file, [&](qint64 lines) {
                progress->setValue(lines);
                // Often enough for Cancel and the bar, not once per line of a long file.
                if (context.processEvents && sinceEvents.elapsed() >= 25) {
                    context.processEvents();
                    sinceEvents.restart();
                }
                return !progress->cancelled();
            }) >= 0;
        },
        nullptr);
    progress.reset();
    return reportSaveOutcome(outcome, name, context.prompter, context.messages)
        ? SaveGraphResult::Saved
        : SaveGraphResult::Failed;
}

} // namespace tc4dl
