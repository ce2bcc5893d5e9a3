#include "SaveGraph.h"

#include "GraphStateFile.h"
#include "FileTypeName.h"
#include "Prompter.h"

#include <QDir>
#include <QFileInfo>

namespace tc4dl {

QStringList graphSaveFilters(const QLocale& locale)
{
    // Both spellings of each pattern, so that the dialog lists files on case-sensitive file
    // systems too.
    QStringList filters{
        QStringLiteral("Graph file(*.ghf,only for TC4DL) (*.GHF *.ghf)"),
        QStringLiteral("TXT file(*.txt,data seperated by tab) (*.TXT *.txt)"),
    };
    if (locale.decimalPoint() != QStringLiteral(","))
        filters << QStringLiteral("EXCEL file format(*.CSV,seperated by comma) (*.CSV *.csv)");
    return filters;
}

SaveGraphResult SaveGraph(const chart::ChartModel& graph, Prompter& prompter,
                          const QString& programFolder, SaveDialogState& dialog)
{
    Prompter::FileRequest request;
    request.filters = graphSaveFilters();
    request.selectedFilter =
        request.filters.contains(dialog.lastFilter) ? dialog.lastFilter : request.filters.first();
    // The dialog starts in the program's folder and proposes the last name chosen.
    request.start = programFolder;
    if (!dialog.lastFileName.isEmpty())
        request.start = QDir(programFolder).filePath(dialog.lastFileName);
    request.defaultSuffix = QStringLiteral("GHF");
    // The typed name's extension follows the chosen type.
    request.typeChanged = nameForFileType;
    const QString name = prompter.saveFileName(request);
    if (name.isEmpty())
        return SaveGraphResult::Cancelled;
    dialog.lastFileName = QFileInfo(name).fileName();
    dialog.lastFilter = request.selectedFilter;

    const QString extension = QFileInfo(name).suffix().toLower();
    if (extension == QLatin1String("ghf")) {
        QString error;
        if (chart::saveGraphState(graph, name, &error))
            return SaveGraphResult::Saved;
        prompter.ask(error, Prompter::Buttons::Ok, Prompter::Icon::Error);
        return SaveGraphResult::Failed;
    }
    // Tab- and comma-separated text come with the text export.
    return SaveGraphResult::NotSaved;
}

} // namespace tc4dl
