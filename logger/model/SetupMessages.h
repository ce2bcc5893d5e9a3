#pragma once

#include "MemoryHeader.h"
#include "SetupExchange.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

namespace tc4dl {

// Texts of the set-up commands' results. The table texts (IDS_0, IDS_5, IDS_8 of the set-up
// window) are passed in by the window, which owns its message table; the words between them
// are the meter's fixed English.

// A byte as the clock message shows it: taken as signed, in upper-case hexadecimal of at
// least two digits, so a BCD byte shows its two decimal digits and 0x80 or more shows as
// eight digits beginning with six F.
[[nodiscard]] QString signedHexText(quint8 byte);

// "<IDS_0>Today is Day D of Month M of Year 20Y" line break "<IDS_5>S of Minute N of Hour H".
[[nodiscard]] QString clockSuccessMessage(
    const QString& updatedText, const QString& timeIsText, const TimeReply& reply);
// "<IDS_8><code>".
[[nodiscard]] QString clockFailureMessage(const QString& failText, int code);

// The meter's time from a time reply. Every field is its two hexadecimal digits read as a
// decimal number (the year 0x1A..0x1F as 2010..2015). A field that is not two decimal digits,
// or a date or time that does not exist, leaves `time` empty; `text` then shows the fields as
// they came ("2013-04-1A 14:05:09"), so the read-out never fails on a damaged reply.
struct MeterTime {
    std::optional<QDateTime> time;
    QString text;
};
[[nodiscard]] MeterTime meterTime(const TimeReply& reply, const QLocale& locale = QLocale());

// The logger read-out from the memory header.
struct LoggerInfo {
    int setCount = 0;
    QString intervalText; // "00:02(mm:ss)": the interval's BCD bytes as hexadecimal digits
    qint64 memoryAvailable = 0; // free memory in samples
};
[[nodiscard]] LoggerInfo loggerInfo(const MemoryHeader& header);

// Free memory in samples of 8 bytes: (128256 - LastAddress) / 8, truncated toward zero,
// never negative.
[[nodiscard]] qint64 memoryAvailable(quint32 lastAddress);

} // namespace tc4dl
