#include "ReportFlow.h"

#include "Prompter.h"
#include "ReportSettings.h"
#include "ReportWriter.h"
#include "WaitCursor.h"

#include <QDialog>
#include <QDir>

namespace tc4dl::report {

ReportOutcome makeReport(const ReportRequest& request, const ReportPlace& place)
{
    Prompter& prompter = *place.prompter;
    const MessageTable texts = MessageTable::forWindow(QStringLiteral("TfrmReport"));
    const auto text
        = [&texts](const char* id) { return texts.getTextOrDefault(QLatin1String(id)); };

    ReportChoices initial = ReportSettings::read(*place.settings, place.locale);
    initial.celsius = request.unitGuess;
    TfrmReport dialog(initial, request.offerTimeline, request.askUnit, place.locale, prompter,
        place.dialogParent);
    if (prompter.runDialog(dialog) != QDialog::Accepted)
        return ReportOutcome::Cancelled;
    const ReportChoices& chosen = dialog.choices();
    (void)ReportSettings::write(*place.settings, chosen);

    QString why;
    const std::optional<ReportRun> run = request.run(chosen, &why);
    if (!run) {
        prompter.ask(why, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return ReportOutcome::Failed;
    }
    ReportOptions options;
    options.title = chosen.title;
    options.site = chosen.site;
    options.operatorName = chosen.operatorName;
    options.made = place.now;
    options.program = place.program;
    options.language = Language::German;
    options.locale = place.locale;
    options.paper = chosen.paper;
    options.activationEnergy = chosen.activationEnergy;
    options.channelNames = request.names;
    if (request.limits)
        options.limits = request.limits(run->celsius);

    Prompter::FileRequest save;
    save.caption = text("IDS_2");
    save.start = QDir(place.startFolder).filePath(request.proposedName);
    save.filters = QStringList { text("IDS_1") };
    save.selectedFilter = save.filters.front();
    save.defaultSuffix = QStringLiteral("pdf");
    const QString path = prompter.saveFileName(save);
    if (path.isEmpty())
        return ReportOutcome::Cancelled;
    if (place.chosen)
        place.chosen(path);

    WaitCursor wait;
    wait.set(true);
    QString error;
    const bool written = writeReport(*run, options, path, &error);
    wait.set(false);
    const QString shown = QDir::toNativeSeparators(path);
    if (!written) {
        prompter.ask(text("IDS_4").arg(shown, error), Prompter::Buttons::Ok, Prompter::Icon::Error);
        return ReportOutcome::Failed;
    }
    if (chosen.openAfter && !(place.openUrl && place.openUrl(QUrl::fromLocalFile(path))))
        prompter.ask(text("IDS_5").arg(shown), Prompter::Buttons::Ok, Prompter::Icon::Warning);
    return ReportOutcome::Written;
}

} // namespace tc4dl::report
