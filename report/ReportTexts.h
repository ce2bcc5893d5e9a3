#pragma once

#include "MessageTable.h"

#include <QLocale>
#include <QString>

#include <optional>

namespace tc4dl::report {

// The identifiers of the report's own message table ("Report"), named for what they say.
namespace msg {
inline constexpr char kDefaultTitle[] = "IDS_1";
inline constexpr char kSite[] = "IDS_2";
inline constexpr char kOperator[] = "IDS_3";
inline constexpr char kMade[] = "IDS_4";
inline constexpr char kMadeWith[] = "IDS_5";
inline constexpr char kTheRun[] = "IDS_6";
inline constexpr char kMeterModel[] = "IDS_7";
inline constexpr char kNotRecorded[] = "IDS_8";
inline constexpr char kSource[] = "IDS_9";
inline constexpr char kStart[] = "IDS_10";
inline constexpr char kEnd[] = "IDS_11";
inline constexpr char kInterval[] = "IDS_12";
inline constexpr char kSamples[] = "IDS_13";
inline constexpr char kBreaks[] = "IDS_14";
inline constexpr char kNone[] = "IDS_15";
inline constexpr char kUnit[] = "IDS_16";
inline constexpr char kTheGraph[] = "IDS_17";
inline constexpr char kStatistics[] = "IDS_18";
inline constexpr char kChannel[] = "IDS_19";
inline constexpr char kMinimum[] = "IDS_20";
inline constexpr char kMaximum[] = "IDS_21";
inline constexpr char kMean[] = "IDS_22";
inline constexpr char kStdDev[] = "IDS_23";
inline constexpr char kMkt[] = "IDS_24";
inline constexpr char kReadings[] = "IDS_25";
inline constexpr char kOverLimit[] = "IDS_26";
inline constexpr char kNoReadingInRun[] = "IDS_27";
inline constexpr char kLimits[] = "IDS_28";
inline constexpr char kLimit[] = "IDS_29";
inline constexpr char kCrossings[] = "IDS_30";
inline constexpr char kTimeOutside[] = "IDS_31";
inline constexpr char kLongest[] = "IDS_32";
inline constexpr char kFromTo[] = "IDS_33";
inline constexpr char kWithinLimits[] = "IDS_34";
inline constexpr char kOutsideFor[] = "IDS_35";
inline constexpr char kNoLimitsSet[] = "IDS_36";
inline constexpr char kCrossingsTitle[] = "IDS_37";
inline constexpr char kTime[] = "IDS_38";
inline constexpr char kValue[] = "IDS_39";
inline constexpr char kNoCrossing[] = "IDS_40";
inline constexpr char kEvents[] = "IDS_41";
inline constexpr char kNote[] = "IDS_42";
inline constexpr char kNoNotes[] = "IDS_43";
inline constexpr char kFingerprint[] = "IDS_44";
inline constexpr char kFingerprintWhy[] = "IDS_45";
inline constexpr char kSetNumber[] = "IDS_46";
inline constexpr char kArchiveSet[] = "IDS_47";
inline constexpr char kGraphPart[] = "IDS_48";
inline constexpr char kNotKnown[] = "IDS_49";
inline constexpr char kPageOf[] = "IDS_50";
inline constexpr char kDate[] = "IDS_51";
inline constexpr char kSignature[] = "IDS_52";
inline constexpr char kMktDefinition[] = "IDS_53";
inline constexpr char kNoUnitNoMkt[] = "IDS_54";
inline constexpr char kFirstFrom[] = "IDS_55";
inline constexpr char kBreakStart[] = "IDS_56";
inline constexpr char kBreakLength[] = "IDS_57";
inline constexpr char kNoSamples[] = "IDS_58";
inline constexpr char kCheckedBy[] = "IDS_59";
inline constexpr char kDownloadOn[] = "IDS_60";
inline constexpr char kFile[] = "IDS_61";
inline constexpr char kArchive[] = "IDS_62";
inline constexpr char kRealTime[] = "IDS_63";
inline constexpr char kHysteresis[] = "IDS_64";
inline constexpr char kCrossingRule[] = "IDS_65";
inline constexpr char kMinimumAt[] = "IDS_66";
inline constexpr char kMaximumAt[] = "IDS_67";
inline constexpr char kNoValue[] = "IDS_68";
inline constexpr char kPart[] = "IDS_69";
inline constexpr char kStatisticsNote[] = "IDS_70";
inline constexpr char kGraphFile[] = "IDS_71";
inline constexpr char kSetsCount[] = "IDS_72";
inline constexpr char kGraphEmpty[] = "IDS_73";
inline constexpr char kUnitNotRecorded[] = "IDS_74";
} // namespace msg

// The report's texts in one language, and the numbers, times and durations as that language's
// locale writes them. Values get one decimal: the meter measures tenths.
class ReportTexts {
public:
    ReportTexts(Language language, const QLocale& locale);

    [[nodiscard]] QString text(const char* id) const;
    [[nodiscard]] const QLocale& locale() const { return m_locale; }

    // A value with one decimal, with the locale's decimal separator.
    [[nodiscard]] QString value(double v) const;
    // A number as short as it reads back the same (a limit as the user set it).
    [[nodiscard]] QString shortest(double v) const;
    // A date-time serial: the locale's short date with four digits of the year, and the long
    // time without a zone.
    [[nodiscard]] QString dateTime(double serial) const;
    // `serial` as the time alone when it falls on the day of `sameDayAs`, else as dateTime.
    [[nodiscard]] QString timeOrDateTime(double serial, double sameDayAs) const;
    // Seconds as h:mm:ss (hours beyond 24 stay hours), rounded to the second.
    [[nodiscard]] QString duration(double seconds) const;
    // "°C", "°F", or nothing when the unit is not known.
    [[nodiscard]] static QString unitSymbol(std::optional<bool> celsius);

private:
    MessageTable m_table;
    QLocale m_locale;
};

} // namespace tc4dl::report
