#pragma once

#include "TfrmReport.h"

#include <QLocale>

namespace tc4dl {

class SettingsStore;

namespace report {

// The report dialog's choices kept between runs: `ReportTitle`, `ReportSite`,
// `ReportOperator` (text), `ReportActivationEnergy` (J/mol, 60000 to 120000), `ReportPaper`
// (0 A4, 1 Letter; missing: the locale's paper) and `ReportOpen` (0: the PDF is not opened).
// A value that cannot be read keeps its default, one out of range is clamped.
struct ReportSettings {
    [[nodiscard]] static ReportChoices read(SettingsStore& store, const QLocale& locale);
    // False when a value could not be written (the report is made all the same).
    static bool write(SettingsStore& store, const ReportChoices& choices);
};

} // namespace report
} // namespace tc4dl
