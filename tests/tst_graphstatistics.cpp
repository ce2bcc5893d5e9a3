#include "AxisGeometry.h"
#include "ChartModel.h"
#include "DateTimeSerial.h"
#include "GraphStatistics.h"
#include "TickLayout.h"
#include "TimeCases.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

using namespace tc4dl::chart;

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

// 2026-12-09 13:04:05 local time.
double moment(int secondsLater = 0)
{
    return tc4dl::toDateTimeSerial(
        QDateTime(QDate(2026, 12, 9), QTime(13, 4, 5)).addSecs(secondsLater));
}

// Four channels; channel 0 gets `values` two seconds apart, the others 20.0.
ChartModel graphOf(const QList<float>& values)
{
    ChartModel m;
    m.setSubsets(4);
    m.setPoints(static_cast<int>(values.size()));
    for (int p = 0; p < m.points(); ++p)
        for (int s = 0; s < 4; ++s) {
            m.setX(s, p, moment(2 * p));
            m.setY(s, p, s == 0 ? values[p] : 20.0f);
        }
    return m;
}

} // namespace

class TestGraphStatistics : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(kEnglish); }

    void rateFromFirstAndLastPoint_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("spacing"); // seconds
        QTest::addColumn<int>("rate");
        QTest::newRow("ten points 2 s apart") << 10 << 2.0 << 2;
        QTest::newRow("one point") << 1 << 2.0 << 0;
        QTest::newRow("rounds up") << 3 << 1.6 << 2;
        QTest::newRow("rounds down") << 5 << 1.4 << 1;
        QTest::newRow("minutes and seconds") << 4 << 61.0 << 61;
        QTest::newRow("going back in time") << 2 << -2.0 << -1; // -1.5 truncated toward zero
    }
    void rateFromFirstAndLastPoint()
    {
        QFETCH(int, points);
        QFETCH(double, spacing);
        QFETCH(int, rate);
        ChartModel m;
        m.setSubsets(4);
        m.setPoints(points);
        const double first = moment();
        for (int p = 0; p < points; ++p)
            m.setX(0, p, first + p * spacing / 86400.0);
        const GraphStatistics g = computeGraphStatistics(m);
        QCOMPARE(g.rate, rate);
        QCOMPARE(g.rateMinutes(), rate / 60);
        QCOMPARE(g.rateSeconds(), rate % 60);
        QCOMPARE(g.points, points);
        QCOMPARE(g.firstX, first);
    }

    void channelExtremesAndAverage_data()
    {
        QTest::addColumn<QList<float>>("values");
        QTest::addColumn<QString>("maxText");
        QTest::addColumn<QString>("minText");
        QTest::addColumn<QString>("avgText");

        const QString at0 = QStringLiteral("@12/9/26 1:04:05 PM");
        const QString at2 = QStringLiteral("@12/9/26 1:04:07 PM");
        const QString at4 = QStringLiteral("@12/9/26 1:04:09 PM");
        QTest::newRow("ordinary") << QList<float> { 20.1f, 20.2f, 20.4f } << "20.4" + at4
                                  << "20.1" + at0 << QStringLiteral("20.233");
        QTest::newRow("all outside limits")
            << QList<float> { 3500.0f, -3000.5f, 3000.1f } << QStringLiteral("OL")
            << QStringLiteral("OL") << QStringLiteral("****");
        QTest::newRow("equal extremes keep the first") << QList<float> { 5.0f, 7.0f, 3.0f, 7.0f,
            3.0f } << "7.0" + at2 << "3.0" + at4 << QStringLiteral("5.000");
        QTest::newRow("null point is the maximum")
            << QList<float> { 9999.0f, 21.0f, 23.0f } << QStringLiteral("OL") << "21.0" + at2
            << QStringLiteral("22.000");
        // The limits themselves are shown but not averaged.
        QTest::newRow("exactly at the limits")
            << QList<float> { 3000.0f, -3000.0f, 1.5f } << "3000.0" + at0 << "-3000.0" + at2
            << QStringLiteral("1.500");
        QTest::newRow("not a number becomes the minimum")
            << QList<float> { 1.0f, 2.0f, std::numeric_limits<float>::quiet_NaN() } << "2.0" + at2
            << QStringLiteral("OL") << QStringLiteral("1.500");
        QTest::newRow("negative values")
            << QList<float> { -0.26f, -12.34f, -5.0f, -1.0f } << "-0.3" + at0 << "-12.3" + at2
            << QStringLiteral("-4.650");
    }
    void channelExtremesAndAverage()
    {
        QFETCH(QList<float>, values);
        QFETCH(QString, maxText);
        QFETCH(QString, minText);
        QFETCH(QString, avgText);
        const GraphStatistics g = computeGraphStatistics(graphOf(values));
        const ChannelStatistics& c = g.channels[0];
        QCOMPARE(valueAtText(c.max, c.maxX), maxText);
        QCOMPARE(valueAtText(c.min, c.minX), minText);
        QCOMPARE(tc4dl::chart::avgText(c.avg(), c.count), avgText);
        // The other channels are untouched by channel 0's values.
        QCOMPARE(g.channels[3].max, 20.0f);
        QCOMPARE(g.channels[3].count, static_cast<int>(values.size()));
    }

    void averageIsSinglePrecision()
    {
        // Near 3000 a float step is 0.00024, so a single-precision sum drops each 0.0001; a
        // double sum would keep them.
        QList<float> values { 2999.0f };
        for (int i = 0; i < 9; ++i)
            values.append(0.0001f);
        const ChannelStatistics c = computeGraphStatistics(graphOf(values)).channels[0];
        QCOMPARE(c.sum, 2999.0f);
        QCOMPARE(c.count, 10);
        QCOMPARE(c.avg(), 299.9f);
    }

    void textsFollowTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("valueAt");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("avg");

        QTest::newRow("English") << kEnglish << 21.46f << "21.5@12/9/26 1:04:05 PM"
                                 << "1:04:05 PM"
                                 << "21.460";
        QTest::newRow("German") << kGerman << 21.46f << "21,5@09.12.26 13:04:05"
                                << "13:04:05"
                                << "21,460";
        // No group separators, and a plain minus.
        QTest::newRow("German thousands") << kGerman << -2999.94f << "-2999,9@09.12.26 13:04:05"
                                          << "13:04:05"
                                          << "-2999,940";
        QTest::newRow("English thousands") << kEnglish << 2999.94f << "2999.9@12/9/26 1:04:05 PM"
                                           << "1:04:05 PM"
                                           << "2999.940";
    }
    void textsFollowTheLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(float, value);
        QFETCH(QString, valueAt);
        QFETCH(QString, time);
        QFETCH(QString, avg);
        QCOMPARE(valueAtText(value, moment(), locale), valueAt);
        QCOMPARE(timeText(moment(), locale), time);
        QCOMPARE(avgText(value, 1, locale), avg);
        QCOMPARE(avgText(value, 0, locale), QStringLiteral("****"));
        QCOMPARE(valueAtText(3000.5f, moment(), locale), QStringLiteral("OL"));
    }

    void timeTextsFollowTheMetersClock_data() { timecases::addTimeCaseRows(); }
    // The start box and the MAX and MIN texts show a switch day's times as recorded.
    void timeTextsFollowTheMetersClock()
    {
        const auto [zone, date, start, interval, samples] = timecases::currentTimeCase();
        const auto restore = timecases::inTimeZone(zone);
        const double first = tc4dl::dateTimeSerial(date, start);
        for (int k = 0; k < samples; ++k) {
            const QDateTime expected = timecases::sampleTime(date, start, interval, k);
            const double t = first + k * interval / 86400.0;
            QCOMPARE(
                dateTimeText(t, kGerman), expected.toString(QStringLiteral("dd.MM.yy HH:mm:ss")));
            QCOMPARE(valueAtText(1.5f, t, kGerman),
                QStringLiteral("1,5@") + expected.toString(QStringLiteral("dd.MM.yy HH:mm:ss")));
        }
    }

    // A serial as its day and the milliseconds into it: rounded to the millisecond, the end
    // of a day kept in it, before day zero the fraction counted forward, damaged serials held
    // to the years 100..9999 or to day zero.
    void serialsSplitIntoDayAndTime_data()
    {
        QTest::addColumn<double>("serial");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("ms");
        const QDate day(2026, 12, 9);
        const double midnight = tc4dl::dateTimeSerial(day, QTime(0, 0));
        QTest::newRow("the last millisecond of a day")
            << tc4dl::dateTimeSerial(day, QTime(23, 59, 59, 999)) << day << 86399999;
        QTest::newRow("a hair before midnight is the midnight")
            << midnight + 1.0 - 1e-10 << day.addDays(1) << 0;
        QTest::newRow("noon") << midnight + 0.5 << day << 43200000;
        QTest::newRow("day zero") << 0.0 << QDate(1899, 12, 30) << 0;
        QTest::newRow("before day zero: 1899-12-29 06:00")
            << -1.25 << QDate(1899, 12, 29) << 21600000;
        QTest::newRow("before day zero, its last millisecond held inside it")
            << -0.9999999999 << QDate(1899, 12, 30) << 86399999;
        QTest::newRow("not a number")
            << std::numeric_limits<double>::quiet_NaN() << QDate(1899, 12, 30) << 0;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << QDate(1899, 12, 30)
                                  << 0;
        QTest::newRow("beyond the year 9999") << 1e300 << QDate(9999, 12, 31) << 86399136;
        QTest::newRow("before the year 100") << -1e300 << QDate(100, 1, 1) << 0;
    }
    void serialsSplitIntoDayAndTime()
    {
        QFETCH(double, serial);
        QFETCH(QDate, date);
        QFETCH(int, ms);
        const tc4dl::SerialDay parts = tc4dl::splitSerialDay(serial);
        QCOMPARE(tc4dl::dateTimeSerialEpoch().addDays(parts.day), date);
        QCOMPARE(parts.msOfDay, ms);
        const auto [d, t] = tc4dl::splitDateTimeSerial(serial);
        QCOMPARE(d, date);
        QCOMPARE(t.msecsSinceStartOfDay(), ms);
        QCOMPARE(tc4dl::fromDateTimeSerial(serial).timeSpec(), Qt::UTC);
    }

    // The zone field goes from a time format, a quoted letter t stays.
    void timeFormatsLoseOnlyTheirZone_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("without");
        QTest::newRow("German") << "HH:mm:ss t"
                                << "HH:mm:ss";
        QTest::newRow("English") << "h:mm:ss AP t"
                                 << "h:mm:ss AP";
        QTest::newRow("zone first") << "t HH:mm"
                                    << "HH:mm";
        QTest::newRow("quoted letters") << "HH 'at' mm t"
                                        << "HH 'at' mm";
        QTest::newRow("a quoted t beside the zone") << "HH'h't'min'"
                                                    << "HH'h''min'";
        QTest::newRow("an escaped quote") << "HH 'o''clock' t"
                                          << "HH 'o''clock'";
        QTest::newRow("no zone") << "HH:mm:ss"
                                 << "HH:mm:ss";
    }
    void timeFormatsLoseOnlyTheirZone()
    {
        QFETCH(QString, format);
        QFETCH(QString, without);
        QCOMPARE(tc4dl::withoutZoneField(format), without);
    }

    void damagedTimesStillGiveText()
    {
        for (double t : { std::numeric_limits<double>::quiet_NaN(), 1e300, -1e300,
                 std::numeric_limits<double>::infinity() }) {
            QVERIFY(!valueAtText(1.0f, t).isEmpty());
            QVERIFY(!timeText(t).isEmpty());
            // What the text exports write: a real day and a time of day inside it.
            const tc4dl::SerialDay parts = tc4dl::splitSerialDay(t);
            QVERIFY(parts.msOfDay >= 0 && parts.msOfDay < tc4dl::kMsPerDay);
            QVERIFY(tc4dl::splitDateTimeSerial(t).first.isValid());
        }
    }

    void splitAxesStackFromTheTop()
    {
        ChartModel m;
        m.setSubsets(4);
        for (int k = 0; k < 4; ++k) {
            m.setMultiAxesSubsets(k, 1);
            m.setMultiAxesProportions(k, 0.25);
        }
        const QRectF plot(50, 20, 400, 303);
        const QList<QRectF> rects = stackedAxisRects(plot, m, 1.0);
        QCOMPARE(rects.size(), 4);
        for (int k = 0; k < 4; ++k)
            QCOMPARE(rects[k], QRectF(50, 20 + 76.0 * k, 400, 75));

        m.setMultiAxesSubsets(-1, 0);
        m.setMultiAxesProportions(0, 1.0);
        QCOMPARE(stackedAxisRects(plot, m, 1.0), QList<QRectF> { plot });

        // Unusable proportions share equally.
        const QList<QRectF> odd = stackedAxisRects(QRectF(0, 0, 10, 100), { -1.0, 0.0 }, 2, 0.0);
        QCOMPARE(odd, (QList<QRectF> { QRectF(0, 0, 10, 50), QRectF(0, 50, 10, 50) }));
    }

    // Pixels convert on one axis's rectangle and scale, also beyond that rectangle.
    void pixelAndGraphOnAxisZero_data()
    {
        QTest::addColumn<QPointF>("pixel");
        QTest::addColumn<double>("seconds"); // X after the scale's start
        QTest::addColumn<double>("y");
        QTest::newRow("top left") << QPointF(50, 20) << 0.0 << 50.0;
        QTest::newRow("bottom right of axis 0") << QPointF(450, 95) << 110.0 << -10.0;
        QTest::newRow("middle") << QPointF(250, 57.5) << 55.0 << 20.0;
        QTest::newRow("over axis 3") << QPointF(90, 245) << 11.0 << -130.0;
    }
    void pixelAndGraphOnAxisZero()
    {
        QFETCH(QPointF, pixel);
        QFETCH(double, seconds);
        QFETCH(double, y);
        ChartModel m;
        m.setSubsets(4);
        for (int k = 0; k < 4; ++k) {
            m.setMultiAxesSubsets(k, 1);
            m.setMultiAxesProportions(k, 0.25);
        }
        const QRectF axis0 = stackedAxisRects(QRectF(50, 20, 400, 303), m, 1.0).first();
        const Scale xs { ScaleControl::ManualMinAndMax, moment(), moment(110) };
        const Scale ys { ScaleControl::ManualMinAndMax, -10, 50 };

        const QPointF graph = pixelToGraph(axis0, xs, ys, pixel);
        QVERIFY2(std::abs((graph.x() - moment()) * 86400.0 - seconds) < 1e-3,
            qPrintable(QString::number((graph.x() - moment()) * 86400.0)));
        QVERIFY(std::abs(graph.y() - y) < 1e-9);
        const QPointF back = graphToPixel(axis0, xs, ys, graph);
        QVERIFY(std::abs(back.x() - pixel.x()) < 1e-4);
        QVERIFY(std::abs(back.y() - pixel.y()) < 1e-9);
    }

    // An axis gets no more intervals than its labels have room for, and never none.
    void tickIntervalsFollowThePixels_data()
    {
        QTest::addColumn<double>("pixels");
        QTest::addColumn<double>("label");
        QTest::addColumn<int>("intervals");
        QTest::newRow("full-screen time axis") << 1200.0 << 60.0 << 10;
        QTest::newRow("tiled time axis") << 300.0 << 60.0 << 4;
        QTest::newRow("cascaded split value axis") << 60.0 << 14.0 << 3;
        QTest::newRow("value axis of 40 px") << 40.0 << 14.0 << 2;
        QTest::newRow("axis shorter than a label") << 8.0 << 14.0 << 1;
        QTest::newRow("collapsed axis") << 0.0 << 14.0 << 1;
        QTest::newRow("no font") << 100.0 << std::numeric_limits<double>::quiet_NaN() << 1;
    }
    void tickIntervalsFollowThePixels()
    {
        QFETCH(double, pixels);
        QFETCH(double, label);
        QFETCH(int, intervals);
        QCOMPARE(tickIntervalsFor(pixels, label, 4.0, 10), intervals);
    }

    void valueStepsAreReadableAndNeverSmaller_data()
    {
        QTest::addColumn<double>("least");
        QTest::addColumn<double>("step");
        QTest::newRow("exact ten") << 10.0 << 10.0;
        QTest::newRow("above ten") << 12.0 << 20.0;
        QTest::newRow("above twenty") << 20.5 << 25.0;
        QTest::newRow("above 25") << 30.0 << 50.0;
        QTest::newRow("above 50") << 60.0 << 100.0;
        QTest::newRow("fractions") << 0.3 << 0.5;
        QTest::newRow("nonsense") << -4.0 << 1.0;
    }
    void valueStepsAreReadableAndNeverSmaller()
    {
        QFETCH(double, least);
        QFETCH(double, step);
        QCOMPARE(niceStepAtLeast(least), step);
    }

    // Time labels carry the time of day; the date is on the first shown label and where the
    // day changes; day steps show the date alone. No two labels read the same.
    void timeLabelsCarryTimeAndDateWhereItChanges_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<int>("step"); // seconds
        QTest::addColumn<int>("firstShown");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("within a day")
            << QDateTime(QDate(2026, 12, 9), QTime(20, 0)) << 3600 << 0
            << QStringList { "20:00:00\n09.12.26", "21:00:00", "22:00:00" };
        QTest::newRow("across midnight")
            << QDateTime(QDate(2026, 12, 9), QTime(22, 0)) << 3600 << 0
            << QStringList { "22:00:00\n09.12.26", "23:00:00", "00:00:00\n10.12.26" };
        QTest::newRow("first tick before the range")
            << QDateTime(QDate(2026, 12, 9), QTime(23, 59, 58)) << 1 << 1
            << QStringList { "23:59:58", "23:59:59\n09.12.26", "00:00:00\n10.12.26" };
        QTest::newRow("twelve hours over days")
            << QDateTime(QDate(2026, 12, 10), QTime(0, 0)) << 43200 << 0
            << QStringList { "00:00:00\n10.12.26", "12:00:00\n10.12.26", "00:00:00\n11.12.26",
                   "12:00:00\n11.12.26" };
        QTest::newRow("day steps") << QDateTime(QDate(2026, 12, 9), QTime(0, 0)) << 86400 << 0
                                   << QStringList { "09.12.26", "10.12.26", "11.12.26" };
    }
    void timeLabelsCarryTimeAndDateWhereItChanges()
    {
        QFETCH(QDateTime, start);
        QFETCH(int, step);
        QFETCH(int, firstShown);
        QFETCH(QStringList, labels);
        QList<QDateTime> ticks;
        for (int i = 0; i < labels.size(); ++i)
            ticks << start.addSecs(qint64(step) * i);
        const QList<QString> got = timeTickLabels(
            ticks, firstShown, step >= 86400, tc4dl::longTimeFormat(kGerman), kGerman);
        QCOMPARE(QStringList(got), labels);
    }

    void degenerateRangesStayFinite()
    {
        const Scale flat { ScaleControl::ManualMinAndMax, 5, 5 };
        const QPointF p = pixelToGraph(QRectF(0, 0, 0, 0), flat, flat, QPointF(3, 4));
        QCOMPARE(p, QPointF(5, 5));
        const QPointF q = graphToPixel(QRectF(10, 10, 100, 100), flat, flat, QPointF(7, 7));
        QCOMPARE(q, QPointF(10, 110));
    }
};

QTEST_GUILESS_MAIN(TestGraphStatistics)
#include "tst_graphstatistics.moc"
