#pragma once

#include "MessageTable.h"
#include "Mkt.h"
#include "ReportRun.h"
#include "RunSummary.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QPageSize>
#include <QString>

#include <array>

namespace tc4dl::report {

// What the person making a report chose, and what the report says about itself.
struct ReportOptions {
    QString title; // empty: "Temperature record" in the report's language
    QString site;
    QString operatorName;
    QDateTime made; // the report's date
    QString program; // name and version, "TC4DL 0.1.0"
    Language language = Language::English;
    QLocale locale = QLocale::c(); // numbers, dates and times
    QPageSize::PageSizeId paper = QPageSize::A4;
    double activationEnergy = kDefaultActivationEnergy; // ΔH, kJ/mol
    std::array<QString, kChannels> channelNames; // empty: T1..T4
    ReportLimits limits; // in the run's unit
};

// A4, or Letter where the locale's country uses it.
[[nodiscard]] QPageSize::PageSizeId paperForLocale(const QLocale& locale);

// The report of `run` as a PDF: title, the run, the graph, the statistics per channel, the
// limits, the crossings and the notes, the fingerprint and a signature line, "Page n of N" on
// every page. `pages`, when given, gets the number of pages.
[[nodiscard]] QByteArray renderReport(
    const ReportRun& run, const ReportOptions& options, int* pages = nullptr);

// Renders and writes the report to `path` as a whole (a file is replaced only when all of it is
// written; an existing device or pipe is written directly). False with the reason in *error.
[[nodiscard]] bool writeReport(const ReportRun& run, const ReportOptions& options,
    const QString& path, QString* error = nullptr, bool waitForReader = false);

} // namespace tc4dl::report
