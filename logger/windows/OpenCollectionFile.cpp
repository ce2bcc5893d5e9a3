#include "OpenCollectionFile.h"

#include "Clock.h"
#include "DataLoggerWindow.h"
#include "LoggerData.h"
#include "Prompter.h"

namespace tc4dl {

Prompter::Choice openFileChoice(const QString& caption, const QLocale& locale)
{
    // The button texts are the same in every language.
    Prompter::Choice choice;
    choice.caption = caption;
    choice.first = QStringLiteral("Öffne Datensatz-Sammeldatei(*.CH4)");
    choice.second = locale.decimalPoint() == QLatin1String(",")
        ? QStringLiteral("Öffne einzelne Datei(*.TXT,*.GHF)")
        : QStringLiteral("Öffne einzelne Datei(*.TXT,*.CSV,*.GHF)");
    choice.cancel = QStringLiteral("Cancel");
    return choice;
}

CollectionOpen OpenCollectionFile(LoggerData& data, DataLoggerWindow& window, Prompter& prompter,
    Clock& clock, const QString& startFolder)
{
    const QDateTime t0 = clock.now();
    window.OpenDataLoggerWindow(t0);

    Prompter::FileRequest request;
    request.start = startFolder;
    request.filters = QStringList { QStringLiteral("Data Sets Collection (*.CH4)") };
    request.defaultSuffix = QStringLiteral("CH4");
    const QString path = prompter.openFileName(request);
    if (path.isEmpty())
        return CollectionOpen::Cancelled;

    const LoadReport report = data.openCollectionFile(path);
    if (!report.loaded())
        return CollectionOpen::NotLoaded;
    window.showNewStore(t0);
    // The sets are shown, but a later save of all sets would not find them: say why.
    if (report.failure == LoadReport::Failure::TransferFile)
        prompter.tell(report.error);
    return CollectionOpen::Loaded;
}

} // namespace tc4dl
