#include "SetupMessages.h"

#include "DateTimeSerial.h"
#include "MessageText.h"

#include "DecodeMemoryImage.h"

#include <QDate>
#include <QTime>

namespace tc4dl {

namespace {

constexpr qint64 kLoggerMemoryTop = 0x1F500; // 128256
constexpr int kSampleBytes = 8;

QString hex2(quint8 byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString signedHexText(quint8 byte)
{
    const auto asSigned = static_cast<qint32>(static_cast<qint8>(byte));
    return QStringLiteral("%1")
        .arg(static_cast<quint32>(asSigned), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString clockSuccessMessage(
    const QString& updatedText, const QString& timeIsText, const TimeReply& reply)
{
    const auto& b = reply.bytes;
    return withLineBreaks(updatedText) + QStringLiteral("Today is Day ") + signedHexText(b[4])
        + QStringLiteral(" of Month ") + signedHexText(b[3]) + QStringLiteral(" of Year 20")
        + signedHexText(b[1]) + QLatin1Char('\n') + joinedText(timeIsText, signedHexText(b[7]))
        + QStringLiteral(" of Minute ") + signedHexText(b[6]) + QStringLiteral(" of Hour ")
        + signedHexText(b[5]);
}

QString clockFailureMessage(const QString& failText, int code)
{
    return joinedText(failText, QString::number(code));
}

MeterTime meterTime(const TimeReply& reply, const QLocale& locale)
{
    const auto& b = reply.bytes;
    MeterTime result;
    const std::optional<int> year = yearFromCode(b[1]);
    const std::optional<int> month = bcdFieldValue(b[3]);
    const std::optional<int> day = bcdFieldValue(b[4]);
    const std::optional<int> hour = bcdFieldValue(b[5]);
    const std::optional<int> minute = bcdFieldValue(b[6]);
    const std::optional<int> second = bcdFieldValue(b[7]);
    if (year && month && day && hour && minute && second && QDate::isValid(*year, *month, *day)
        && QTime::isValid(*hour, *minute, *second)) {
        const QDate date(*year, *month, *day);
        const QTime time(*hour, *minute, *second);
        result.time = QDateTime(date, time);
        result.text = locale.toString(date, QLocale::ShortFormat) + QLatin1Char(' ')
            + locale.toString(time, longTimeFormat(locale));
        return result;
    }
    result.text = QStringLiteral("20%1-%2-%3 %4:%5:%6")
                      .arg(hex2(b[1]), hex2(b[3]), hex2(b[4]), hex2(b[5]), hex2(b[6]), hex2(b[7]));
    return result;
}

qint64 memoryAvailable(quint32 lastAddress)
{
    const qint64 free = kLoggerMemoryTop - static_cast<qint64>(lastAddress);
    return free < 0 ? 0 : free / kSampleBytes;
}

LoggerInfo loggerInfo(const MemoryHeader& header)
{
    return { header.setCount,
        hex2(header.intervalMinutes) + QLatin1Char(':') + hex2(header.intervalSeconds)
            + QStringLiteral("(mm:ss)"),
        memoryAvailable(header.lastAddress) };
}

} // namespace tc4dl
