#pragma once

#include "ReportRun.h"
#include "RunSummary.h"
#include "TfrmReport.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QUrl>

#include <array>
#include <functional>
#include <optional>

class QWidget;

namespace tc4dl {

class Prompter;
class SettingsStore;

namespace report {

// What one window offers to report.
struct ReportRequest {
    // The run for the choices made (the set shown or the timeline, the unit asked for); nothing,
    // with a sentence in `*error`, when it cannot be made.
    std::function<std::optional<ReportRun>(const ReportChoices&, QString* error)> run;
    bool offerTimeline = false; // the logger window with more than one set listed
    bool askUnit = false; // a graph whose source does not record its unit
    std::optional<bool> unitGuess; // what the unit question proposes
    std::array<QString, kChannels> names; // empty: T1..T4
    // The limits in use, in the run's unit.
    std::function<ReportLimits(std::optional<bool> celsius)> limits;
    QString proposedName; // the save dialog's proposal, without a folder
};

// Where a report from the desktop is made: who is asked, where the choices are kept, where
// the save dialog starts and what opens the PDF afterwards.
struct ReportPlace {
    Prompter* prompter = nullptr;
    SettingsStore* settings = nullptr;
    QWidget* dialogParent = nullptr;
    QLocale locale; // the numbers and dates of the report (the system's)
    QDateTime now;
    QString program; // "TC4DL 0.1.0"
    QString startFolder;
    std::function<void(const QString& path)> chosen; // the save dialog chose `path`
    std::function<bool(const QUrl&)> openUrl; // false when nothing could show it
};

enum class ReportOutcome { Cancelled, Written, Failed };

// The dialog, then the save dialog, the PDF written as a whole (or what went wrong said), then
// the PDF shown unless switched off. The report is in German, as the program is.
ReportOutcome makeReport(const ReportRequest& request, const ReportPlace& place);

} // namespace report
} // namespace tc4dl
