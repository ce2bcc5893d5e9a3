#include "RecordingPeriod.h"

namespace tc4dl {

QString periodTextUnpadded(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg((seconds % 3600) / 60)
        .arg((seconds % 3600) % 60);
}

QString periodTextPadded(qint64 seconds)
{
    auto twoDigits = [](qint64 v) { return (QStringLiteral("0") + QString::number(v)).right(2); };
    return QString::number(seconds / 3600) + QLatin1Char(':') + twoDigits((seconds % 3600) / 60)
        + QLatin1Char(':') + twoDigits((seconds % 3600) % 60);
}

} // namespace tc4dl
