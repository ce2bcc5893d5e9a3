#include "DataSetList.h"

#include "DateTimeSerial.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace tc4dl {

namespace {

QString twoChars(qint32 v)
{
    QString text = QString::number(v);
    if (text.size() == 1)
        text.prepend(QLatin1Char('0'));
    return text;
}

} // namespace

QString intervalText(qint32 seconds)
{
    // C++ division truncates toward zero, as the list always showed it.
    return twoChars(seconds / 60) + QLatin1Char(':') + twoChars(seconds % 60);
}

QStringList dataSetRow(const DataSetStore& store, int k, const QLocale& locale)
{
    const auto [date, time] = splitDateTimeSerial(store.startTime(k));
    return {
        QString::number(k + 1),
        locale.toString(date, QLocale::ShortFormat),
        time.toString(QStringLiteral("HH:mm:ss")),
        intervalText(store.interval(k)),
        QString::number(store.sampleCount(k)),
        store.celsius(k) ? QStringLiteral("C") : QStringLiteral("F"),
    };
}

QList<QStringList> dataSetRows(const DataSetStore& store, const QLocale& locale)
{
    QList<QStringList> rows;
    rows.reserve(store.setCount());
    for (int k = 0; k < store.setCount(); ++k)
        rows.append(dataSetRow(store, k, locale));
    return rows;
}

} // namespace tc4dl
