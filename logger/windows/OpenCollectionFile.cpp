#include "OpenCollectionFile.h"

#include "DataLoggerWindow.h"
#include "LoggerData.h"
#include "MessageIds.h"
#include "MessageTable.h"
#include "Prompter.h"
#include "TfrmOpenSave.h"
#include "Workspace.h"

#include <QDir>

namespace tc4dl {

Prompter::Choice openFileChoice(const QString& caption, const QLocale& locale)
{
    Prompter::Choice choice = TfrmOpenSave::openChoice(locale);
    choice.caption = caption;
    return choice;
}

CollectionOpen OpenCollectionFile(Workspace& workspace, DataLoggerWindow& window,
    Prompter& prompter, const QString& startFolder, QString* chosen)
{
    const QDateTime t0 = workspace.clock().now();
    window.OpenDataLoggerWindow(t0);

    Prompter::FileRequest request;
    request.start = startFolder;
    // Both spellings, as the saves write: the command-line tool writes ".ch4".
    request.filters = QStringList { QStringLiteral("Data Sets Collection (*.CH4 *.ch4)") };
    request.defaultSuffix = QStringLiteral("CH4");
    const QString path = prompter.openFileName(request);
    if (chosen)
        *chosen = path;
    if (path.isEmpty())
        return CollectionOpen::Cancelled;

    const LoadReport report = workspace.openCollectionFile(path);
    const MessageTable messages = MessageTable::forWindow(QStringLiteral("TfrmMain"));
    if (!report.loaded()) {
        // A file that was read but whose sets fail the checks would otherwise end in nothing
        // at all, as if the command had not been given.
        const bool readButRefused
            = report.failure == LoadReport::Failure::None && report.result != LoadResult::NoData;
        if (readButRefused)
            prompter.tell(messages.getTextOrDefault(QLatin1String(mainmsg::kNoReadableSets))
                              .arg(QDir::toNativeSeparators(path)));
        return CollectionOpen::NotLoaded;
    }
    window.showNewStore(t0);
    // The sets are shown, but the memory of the last good load outlives them only in the
    // transfer file, which could not be written: say why.
    if (report.failure == LoadReport::Failure::TransferFile)
        prompter.tell(messages.getTextOrDefault(QLatin1String(mainmsg::kTransferFileNotWritten))
                          .arg(report.error));
    return CollectionOpen::Loaded;
}

} // namespace tc4dl
