// The text table reader, the text writers of graphs and tables, the save range and the
// conversion of a table back into a graph, in a German and an English locale.

#include "ChartModel.h"
#include "DateTimeFormat.h"
#include "DateTimeSerial.h"
#include "GraphTextWriter.h"
#include "SaveRange.h"
#include "TableTextWriter.h"
#include "TableToGraph.h"
#include "TextTableModel.h"
#include "TextTableReader.h"
#include "TimeCases.h"

#include <QBuffer>
#include <QTest>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

using namespace tc4dl;

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

// Reads `bytes` fed in chunks of `chunk` bytes.
QList<QStringList> readTable(const QByteArray& bytes, char sep, qsizetype chunk)
{
    TextTable table;
    TextTableReader reader(sep, table);
    for (qsizetype pos = 0; pos < bytes.size()
         && reader.feed(QByteArrayView(bytes).sliced(pos, std::min(chunk, bytes.size() - pos)));
         pos += chunk) { }
    reader.finish();
    QList<QStringList> rows;
    for (int r = 0; r < table.rowCount(); ++r) {
        QStringList cells;
        for (int f = 0; f < table.fieldCount(r); ++f)
            cells << table.cell(r, f);
        rows << cells;
    }
    return rows;
}

void fillModel(TextTableModel& model, const QByteArray& bytes, char sep)
{
    TextTable& table = model.beginFill();
    TextTableReader reader(sep, table);
    reader.feed(bytes);
    reader.finish();
    model.endFill();
}

// Takes `room` bytes, then refuses every write, as a full disk does.
class FullDevice : public QIODevice {
public:
    explicit FullDevice(qint64 room)
        : m_room(room)
    {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (size > m_room)
            return -1;
        m_room -= size;
        m_taken.append(data, size);
        return size;
    }

private:
    qint64 m_room;
    QByteArray m_taken;
};

// A graph of four channels: point p at 2026-03-0x 13:05:07 + p minutes, values per channel.
double pointTime(int p)
{
    // 2026-03-01 is serial 46082.
    return 46082.0 + (13 * 3600 + 5 * 60 + 7 + p * 61) / 86400.0;
}

// A graph sized for `points` points of which the first `filled` were recorded, channel s at
// 20 + s degrees.
chart::ChartModel recordedGraph(int points, int filled)
{
    chart::ChartModel graph;
    graph.setSubsets(4);
    graph.setPoints(points);
    for (int p = 0; p < filled; ++p)
        for (int s = 0; s < 4; ++s) {
            graph.setX(s, p, pointTime(p));
            graph.setY(s, p, 20.0 + s);
        }
    return graph;
}

} // namespace

class TestFileFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readerSplitsLines_data();
    void readerSplitsLines();
    void saveRange_data();
    void saveRange();
    void exportValue_data();
    void exportValue();
    void exportValueRoundsAsToCharsDoes();
    void exportStopsAtUnfilledPointAndOnCancel();
    void refusedWriteFailsTheSave_data();
    void refusedWriteFailsTheSave();
    void dateAndTimeFormats();
    void graphRoundTrip_data();
    void graphRoundTrip();
    void exportTimesFollowTheMetersClock_data();
    void exportTimesFollowTheMetersClock();
    void tableRoundTrip_data();
    void tableRoundTrip();
    void emptyTableSavesSixSeparators();
    void tableSeparatorByName_data();
    void tableSeparatorByName();
    void bytesReadDatesAsTextDoes_data();
    void bytesReadDatesAsTextDoes();
    void tableToGraphBadCells_data();
    void tableToGraphBadCells();
    void modelShowsRowNumbersAndOneEmptyRow();
};

void TestFileFormat::readerSplitsLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QStringList>>("rows");
    const QByteArray long200 = QByteArray("a\t") + QByteArray(198, 'x');
    const QByteArray exactly179 = QByteArray("a\t") + QByteArray(177, 'y');
    QTest::newRow("CR LF and lone LF")
        << QByteArray("1\t2\r\n3\t4\n5\t6\r\n")
        << QList<QStringList> { { "1", "2" }, { "3", "4" }, { "5", "6" } };
    QTest::newRow("last line without an end")
        << QByteArray("1\t2\n3\t4") << QList<QStringList> { { "1", "2" }, { "3", "4" } };
    QTest::newRow("blank line ends the table")
        << QByteArray("1\t2\r\n\r\n3\t4\r\n") << QList<QStringList> { { "1", "2" } };
    QTest::newRow("no separator in the first line")
        << QByteArray("date;time\r\n1\t2\r\n") << QList<QStringList> {};
    QTest::newRow("nine fields show six") << QByteArray(
        "1\t2\t3\t4\t5\t6\t7\t8\t9\r\n") << QList<QStringList> { { "1", "2", "3", "4", "5", "6" } };
    QTest::newRow("trailing separator leaves no extra cell") << QByteArray(
        "a\tb\tc\td\te\tf\t\r\n") << QList<QStringList> { { "a", "b", "c", "d", "e", "f" } };
    QTest::newRow("adjacent separators and blanks kept")
        << QByteArray(" a \t\t b\r\n") << QList<QStringList> { { " a ", "", " b" } };
    QTest::newRow("lone CR inside a line stays")
        << QByteArray("a\rb\tc\n") << QList<QStringList> { { "a\rb", "c" } };
    QTest::newRow("200 characters: first 179, then no more") << long200
            + "\r\n1\t2\r\n" << QList<QStringList> { { "a", QString(QByteArray(177, 'x')) } };
    QTest::newRow("179 characters then CR LF: reading goes on")
        << exactly179 + "\r\n1\t2\r\n"
        << QList<QStringList> { { "a", QString(QByteArray(177, 'y')) }, { "1", "2" } };
    QTest::newRow("180th character a lone CR at the end of the file")
        << exactly179 + "\r" << QList<QStringList> { { "a", QString(QByteArray(177, 'y')) } };
    QTest::newRow("comma file read with TAB") << QByteArray("1,2\r\n") << QList<QStringList> {};
}

void TestFileFormat::readerSplitsLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QStringList>, rows);
    // Every chunking gives the same table: the boundaries fall everywhere, CR and LF split.
    for (const qsizetype chunk :
        { qsizetype(1), qsizetype(2), qsizetype(7), qsizetype(180), bytes.size() + 1 }) {
        const QList<QStringList> read = readTable(bytes, '\t', chunk);
        QVERIFY2(read == rows, qPrintable(QStringLiteral("chunk %1").arg(chunk)));
    }
}

void TestFileFormat::saveRange_data()
{
    QTest::addColumn<bool>("all");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("wantFrom");
    QTest::addColumn<int>("wantTo");
    QTest::addColumn<bool>("valid");
    QTest::newRow("all") << true << "x"
                         << "y" << 1 << 10 << true;
    QTest::newRow("swapped") << false << "8"
                             << "3" << 3 << 8 << true;
    QTest::newRow("negative") << false << "-3"
                              << "8" << 3 << 8 << true;
    QTest::newRow("zero from") << false << "0"
                               << "5" << 1 << 5 << true;
    QTest::newRow("to beyond last") << false << "2"
                                    << "500" << 2 << 10 << true;
    QTest::newRow("from beyond last: empty") << false << "12"
                                             << "15" << 12 << 10 << true;
    QTest::newRow("letters") << false << "abc"
                             << "5" << 0 << 0 << false;
    QTest::newRow("decimal number") << false << "1"
                                    << "2.5" << 0 << 0 << false;
    QTest::newRow("empty box") << false << ""
                               << "5" << 0 << 0 << false;
    QTest::newRow("beyond an int") << false << "1"
                                   << "99999999999" << 0 << 0 << false;
    QTest::newRow("lowest int") << false << "-2147483648"
                                << "1" << 1 << 10 << true;
}

void TestFileFormat::saveRange()
{
    QFETCH(bool, all);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, wantFrom);
    QFETCH(int, wantTo);
    QFETCH(bool, valid);
    const std::optional<SaveRange> range = resolveSaveRange(all, from, to, 10);
    QCOMPARE(range.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(range->from, wantFrom);
    QCOMPARE(range->to, wantTo);
}

void TestFileFormat::exportValue_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("celsius");
    QTest::addColumn<float>("value");
    QTest::addColumn<QByteArray>("text");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    QTest::newRow("C upper limit") << kEnglish << true << 1370.0f << QByteArray("1370.0");
    QTest::newRow("C above it") << kEnglish << true << 1370.05f << QByteArray("OL");
    QTest::newRow("C lower limit, comma") << kGerman << true << -200.0f << QByteArray("-200,0");
    QTest::newRow("C below it") << kGerman << true << -200.1f << QByteArray("OL");
    QTest::newRow("F upper limit") << kEnglish << false << 2498.0f << QByteArray("2498.0");
    QTest::newRow("F above it") << kEnglish << false << 2498.05f << QByteArray("OL");
    QTest::newRow("F lower limit") << kEnglish << false << -328.0f << QByteArray("-328.0");
    QTest::newRow("F below it") << kEnglish << false << -328.1f << QByteArray("OL");
    QTest::newRow("C 1400 is fine in F") << kEnglish << false << 1400.0f << QByteArray("1400.0");
    QTest::newRow("no data, C") << kEnglish << true << 9999.0f << QByteArray("OL");
    QTest::newRow("no data, F") << kEnglish << false << 9999.0f << QByteArray("OL");
    QTest::newRow("not a number") << kEnglish << true << nan << QByteArray("OL");
    QTest::newRow("one decimal, rounded") << kGerman << true << 23.46f << QByteArray("23,5");
    QTest::newRow("no thousands separator") << kGerman << true << 1234.5f << QByteArray("1234,5");
    QTest::newRow("small negative: no sign") << kEnglish << true << -0.04f << QByteArray("0.0");
    QTest::newRow("rounds to zero from below") << kEnglish << true << -0.05f << QByteArray("-0.1");
    QTest::newRow("exact tie: half to even, down")
        << kEnglish << true << 0.25f << QByteArray("0.2");
    QTest::newRow("exact tie: half to even, up") << kEnglish << true << 0.75f << QByteArray("0.8");
    QTest::newRow("negative exact tie") << kGerman << true << -2.25f << QByteArray("-2,2");
    QTest::newRow("just under a tie") << kEnglish << true << 1234.45f << QByteArray("1234.4");
}

void TestFileFormat::exportValue()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, celsius);
    QFETCH(float, value);
    QFETCH(QByteArray, text);
    QCOMPARE(GraphTextWriter(locale, '\t', celsius).valueText(value), text);
}

// Every value in the range gets the tenths that std::to_chars gives it, however the writer
// finds them: ties, values just beside them, and a spread of all the floats in between.
void TestFileFormat::exportValueRoundsAsToCharsDoes()
{
    const GraphTextWriter writer(kEnglish, ',', false);
    const auto expected = [](float v) {
        char text[32];
        const auto r = std::to_chars(
            text, text + sizeof text, static_cast<double>(v), std::chars_format::fixed, 1);
        QByteArray out(text, r.ptr - text);
        return out == "-0.0" ? QByteArray("0.0") : out;
    };
    int checked = 0;
    const auto check = [&](float v) {
        if (!(v >= -328.0f && v <= 2498.0f))
            return true;
        ++checked;
        const QByteArray got = writer.valueText(v);
        if (got == expected(v))
            return true;
        qWarning("%.9g: %s, to_chars %s", static_cast<double>(v), got.constData(),
            expected(v).constData());
        return false;
    };
    for (int k = -6560; k <= 49960; ++k) { // every twentieth: the ties and their neighbours
        const float tie = static_cast<float>(k) / 20.0f;
        QVERIFY(check(tie));
        QVERIFY(check(std::nextafter(tie, -1e9f)));
        QVERIFY(check(std::nextafter(tie, 1e9f)));
    }
    for (quint32 bits = 0; bits < 0xFFFFFFFFu - 7919u; bits += 7919u) {
        float v = 0;
        std::memcpy(&v, &bits, sizeof v);
        QVERIFY(check(v));
    }
    QVERIFY(checked > 400000);
}

void TestFileFormat::exportStopsAtUnfilledPointAndOnCancel()
{
    // A real-time graph sized for 100 points of which 40 were recorded.
    const chart::ChartModel graph = recordedGraph(100, 40);
    QBuffer all;
    all.open(QIODevice::WriteOnly);
    GraphTextWriter writer(kEnglish, ',', true);
    QCOMPARE(writer.write(graph, { 1, 100 }, all), qint64(40));
    const QList<QByteArray> lines = all.data().split('\n');
    QCOMPARE(lines.size(), 41); // the last is empty after the final line end
    for (int k = 0; k < 40; ++k) {
        QVERIFY(lines[k].endsWith("\r"));
        QCOMPARE(lines[k].count(','), 5);
        QVERIFY(lines[k].endsWith(",23.0\r")); // no trailing separator
    }

    QBuffer some;
    some.open(QIODevice::WriteOnly);
    qint64 seen = 0;
    const qint64 written = writer.write(graph, { 5, 30 }, some, [&](qint64 n) {
        seen = n;
        return n < 3;
    });
    QCOMPARE(written, qint64(3));
    QCOMPARE(seen, qint64(3));
    QCOMPARE(some.data().count('\n'), 3);
}

void TestFileFormat::dateAndTimeFormats()
{
    for (const QLocale& locale : { kGerman, kEnglish }) {
        const QString time = DateTimeFormat::timeFormat(locale);
        QVERIFY2(!time.contains(u't'), qPrintable(time));
        QVERIFY2(time.contains(QLatin1String("ss")), qPrintable(time));
        QVERIFY(DateTimeFormat::dateFormat(locale).contains(QLatin1String("yyyy")));
        // The compiled formats write what QLocale writes.
        const DateTimeFormat dateFormat(DateTimeFormat::dateFormat(locale), locale);
        const DateTimeFormat timeFormat(time, locale);
        for (const QDateTime& moment : { QDateTime(QDate(2026, 3, 1), QTime(0, 0, 5)),
                 QDateTime(QDate(1999, 12, 31), QTime(12, 30, 59)),
                 QDateTime(QDate(2030, 11, 9), QTime(23, 1, 0)) }) {
            QString text;
            dateFormat.appendDate(
                text, moment.date().year(), moment.date().month(), moment.date().day());
            QCOMPARE(text, locale.toString(moment.date(), dateFormat.format()));
            text.clear();
            timeFormat.appendTime(
                text, moment.time().hour(), moment.time().minute(), moment.time().second(), 0);
            QCOMPARE(text, locale.toString(moment.time(), time));
            // The writers' byte way gives the same text.
            QVERIFY(timeFormat.readsBytes());
            std::string bytes;
            timeFormat.appendTime(
                bytes, moment.time().hour(), moment.time().minute(), moment.time().second(), 0);
            QCOMPARE(QByteArray::fromStdString(bytes), text.toLatin1());
        }
    }
}

// A save that the device refuses anywhere, in the first of its large writes, a middle one or
// the last, fails as a whole: never a count of lines as if it had been written.
void TestFileFormat::refusedWriteFailsTheSave_data()
{
    QTest::addColumn<bool>("table"); // else the graph
    QTest::addColumn<qint64>("room"); // the device's room in bytes, or one of these:
    const qint64 whole = -1; // room for the whole file
    const qint64 allButOne = -2; // one byte short of it
    for (const bool table : { false, true }) {
        const char* what = table ? "table" : "graph";
        QTest::addRow("%s: refused at once", what) << table << qint64(0);
        QTest::addRow("%s: refused after the first write", what) << table << qint64(70'000);
        QTest::addRow("%s: refused in the last write", what) << table << allButOne;
        QTest::addRow("%s: room for it all", what) << table << whole;
    }
}

void TestFileFormat::refusedWriteFailsTheSave()
{
    QFETCH(bool, table);
    QFETCH(qint64, room);
    // Some 200 KB: several of the writers' large writes.
    const int n = 5000;
    const chart::ChartModel graph = recordedGraph(n, n);
    QBuffer exported;
    exported.open(QIODevice::WriteOnly);
    QCOMPARE(GraphTextWriter(kEnglish, ',', true).write(graph, { 1, n }, exported), qint64(n));
    TextTableModel model;
    fillModel(model, exported.data(), ',');
    const auto write = [&](QIODevice& device) {
        return table ? writeTableText(model, { 1, n }, ',', device)
                     : GraphTextWriter(kEnglish, ',', true).write(graph, { 1, n }, device);
    };
    QBuffer whole;
    whole.open(QIODevice::WriteOnly);
    QCOMPARE(write(whole), qint64(n));
    QVERIFY(whole.data().size() > 3 * 64 * 1024);

    FullDevice device(room >= 0 ? room : whole.data().size() + room + 1);
    QCOMPARE(write(device), room == -1 ? qint64(n) : qint64(-1));
}

void TestFileFormat::graphRoundTrip_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("name");
    QTest::addColumn<char>("sep"); // what the save writes between fields
    QTest::newRow("German, .txt") << kGerman << "a.txt" << '\t';
    QTest::newRow("English, .txt") << kEnglish << "a.txt" << '\t';
    QTest::newRow("English, .csv") << kEnglish << "a.csv" << ',';
    // A comma inside every value: the fields are separated by semicolons.
    QTest::newRow("German, .csv") << kGerman << "a.CSV" << ';';
}

// Saved as the file command saves it, read back as the open command reads it: every value
// and every time comes back.
void TestFileFormat::graphRoundTrip()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, name);
    QFETCH(char, sep);
    QCOMPARE(tableSeparatorFor(name, locale), sep);
    const bool csv = name.endsWith(QLatin1String("csv"), Qt::CaseInsensitive);
    const int n = 30;
    chart::ChartModel graph;
    graph.setSubsets(4);
    graph.setPoints(n);
    for (int p = 0; p < n; ++p)
        for (int s = 0; s < 4; ++s) {
            graph.setX(s, p, pointTime(p * 997)); // across days and both halves of the day
            const float v
                = (p % 7 == s) ? 9999.0f : (p % 5 == 0 ? 1500.0f : -199.96f + p * 40.37f + s);
            graph.setY(s, p, v);
        }
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    QCOMPARE(GraphTextWriter(locale, sep, true).write(graph, { 1, n }, file), qint64(n));

    QCOMPARE(file.data().count(sep), 5 * n); // between date, time and the four values
    TextTableModel table;
    fillModel(table, file.data(), csv ? TextTableReader::kCsvSeparator : '\t');
    QCOMPARE(table.dataRows(), n);
    TableToGraph convert(locale);
    chart::ChartModel back;
    back.setSubsets(4);
    back.setPoints(n);
    for (int p = 0; p < n; ++p) {
        QVERIFY2(convert.fillPoint(table, p, back), qPrintable(table.cellText(p, 1)));
        for (int s = 0; s < 4; ++s) {
            // Times to the second, values to one decimal, every "OL" a gap.
            QCOMPARE(std::round(back.x(s, p) * 86400.0), std::round(graph.x(s, p) * 86400.0));
            const float y = graph.y(s, p);
            const float expected
                = isOutsideExportRange(y, true) ? 9999.0f : std::round(y * 10.0f) / 10.0f;
            QVERIFY2(std::abs(back.y(s, p) - expected) < 1e-3f,
                qPrintable(QStringLiteral("%1 %2: %3").arg(p).arg(s).arg(back.y(s, p))));
        }
    }
}

void TestFileFormat::exportTimesFollowTheMetersClock_data()
{
    timecases::addTimeCaseRows();
}

// A set recorded on a switch day exports each time once, as recorded, and reads back to the
// same serials.
void TestFileFormat::exportTimesFollowTheMetersClock()
{
    const auto [zone, date, start, interval, samples] = timecases::currentTimeCase();
    const auto restore = timecases::inTimeZone(zone);
    const double first = dateTimeSerial(date, start);
    chart::ChartModel graph;
    graph.setSubsets(4);
    graph.setPoints(samples);
    for (int p = 0; p < samples; ++p)
        for (int s = 0; s < 4; ++s) {
            graph.setX(s, p, first + p * (interval / 86400.0));
            graph.setY(s, p, 20.0f);
        }
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    QCOMPARE(
        GraphTextWriter(kGerman, ';', true).write(graph, { 1, samples }, file), qint64(samples));
    const QList<QByteArray> lines = file.data().split('\n');
    TextTableModel table;
    fillModel(table, file.data(), TextTableReader::kCsvSeparator);
    TableToGraph convert(kGerman);
    chart::ChartModel back;
    back.setSubsets(4);
    back.setPoints(samples);
    for (int p = 0; p < samples; ++p) {
        const QDateTime expected = timecases::sampleTime(date, start, interval, p);
        QVERIFY2(lines[p].startsWith(
                     expected.toString(QStringLiteral("dd.MM.yyyy;HH:mm:ss;")).toLatin1()),
            lines[p].constData());
        QVERIFY(convert.fillPoint(table, p, back));
        QCOMPARE(std::round(back.x(0, p) * 86400.0), std::round(graph.x(0, p) * 86400.0));
        // A date with the month's name goes through the locale's own reading.
        const DateTimeFormat named(QStringLiteral("d. MMMM yyyy"), kGerman);
        const std::optional<double> read = named.parseDateTimeSerial(
            kGerman.toString(expected.date(), QStringLiteral("d. MMMM yyyy "))
                + expected.toString(QStringLiteral("HH:mm:ss")),
            DateTimeFormat(QStringLiteral("HH:mm:ss"), kGerman));
        QVERIFY(read.has_value());
        QCOMPARE(std::round(*read * 86400.0), std::round(graph.x(0, p) * 86400.0));
    }
}

void TestFileFormat::tableRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<char>("readAs");
    QTest::addColumn<QString>("name"); // saved as
    QTest::addColumn<QLocale>("locale"); // saved under
    QTest::addColumn<char>("sep"); // the separator the save chooses
    QTest::addColumn<QString>("t1"); // the first row's third field
    const QByteArray semicolons("01.03.2026;13:05:07;1,5;OL;-2,0;3,0\r\n"
                                "01.03.2026;13:06:08;1,6;OL;-2,1;3,1\r\n");
    const QByteArray tabs("01.03.2026\t13:05:07\t1,5\tOL\t-2,0\t3,0\r\n"
                          "01.03.2026\t13:06:08\t1,6\tOL\t-2,1\t3,1\r\n");
    QTest::newRow("graph export, tab")
        << tabs << '\t' << QStringLiteral("a.txt") << kGerman << '\t' << "1,5";
    QTest::newRow("foreign, short rows, comma") << QByteArray("a,b\n c ,,d,e,f,g,h\nx,\n") << ','
                                                << QStringLiteral("a.csv") << kEnglish << ',' << "";
    // A .csv as the open command reads it: the first line says which separator it has.
    QTest::newRow(".csv, semicolons") << semicolons << TextTableReader::kCsvSeparator
                                      << QStringLiteral("a.csv") << kGerman << ';' << "1,5";
    QTest::newRow(".csv, commas") << QByteArray("3/1/2026,1:05:07 PM,1.5,OL,-2.0,3.0\r\n")
                                  << TextTableReader::kCsvSeparator << QStringLiteral("a.csv")
                                  << kEnglish << ',' << "1.5";
    // Decimal commas in the cells: a comma would split every value where the locale has a
    // decimal point.
    QTest::newRow(".csv, semicolons, saved under a decimal point")
        << semicolons << TextTableReader::kCsvSeparator << QStringLiteral("a.csv") << kEnglish
        << ';' << "1,5";
    QTest::newRow("tab, decimal commas, saved as .csv under a decimal point")
        << tabs << '\t' << QStringLiteral("a.CSV") << kEnglish << ';' << "1,5";
}

void TestFileFormat::tableRoundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(char, readAs);
    QFETCH(QString, name);
    QFETCH(QLocale, locale);
    QFETCH(char, sep);
    QFETCH(QString, t1);
    TextTableModel first;
    fillModel(first, bytes, readAs);
    QCOMPARE(first.cellText(0, 3), t1); // column 0 is the row number
    QCOMPARE(tableSeparatorFor(name, locale, first.table()), sep);
    QBuffer saved;
    saved.open(QIODevice::WriteOnly);
    QCOMPARE(writeTableText(first, { 1, first.dataRows() }, sep, saved), qint64(first.dataRows()));
    QVERIFY(saved.data().endsWith(QByteArray(1, sep) + "\r\n"));
    // Read back as the open command reads the saved file.
    TextTableModel second;
    fillModel(second, saved.data(), sep == '\t' ? '\t' : TextTableReader::kCsvSeparator);
    QCOMPARE(second.dataRows(), first.dataRows());
    for (int r = 0; r < first.dataRows(); ++r)
        for (int c = 0; c < TextTableModel::kColumns; ++c)
            QCOMPARE(second.cellText(r, c), first.cellText(r, c));
}

void TestFileFormat::emptyTableSavesSixSeparators()
{
    TextTableModel table;
    fillModel(table, QByteArray("no separator here\r\n"), '\t');
    QCOMPARE(table.dataRows(), 1);
    QBuffer saved;
    saved.open(QIODevice::WriteOnly);
    QCOMPARE(writeTableText(table, { 1, 1 }, ',', saved), qint64(1));
    QCOMPARE(saved.data(), QByteArray(",,,,,,\r\n"));
}

void TestFileFormat::tableSeparatorByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<char>("sep");
    QTest::newRow(".CSV") << "/tmp/A.CSV" << kEnglish << ',';
    QTest::newRow(".csv") << "/tmp/a.csv" << kEnglish << ',';
    QTest::newRow("ends in csv without a dot") << "/tmp/mycsv" << kEnglish << ',';
    QTest::newRow(".csv, decimal comma") << "/tmp/a.csv" << kGerman << ';';
    QTest::newRow(".CSV, decimal comma") << "/tmp/A.CSV" << kGerman << ';';
    QTest::newRow(".txt") << "/tmp/a.txt" << kEnglish << '\t';
    QTest::newRow(".txt, decimal comma") << "/tmp/a.txt" << kGerman << '\t';
    QTest::newRow("other") << "/tmp/a.dat" << kGerman << '\t';
}

void TestFileFormat::tableSeparatorByName()
{
    QFETCH(QString, name);
    QFETCH(QLocale, locale);
    QFETCH(char, sep);
    QCOMPARE(tableSeparatorFor(name, locale), sep);
}

void TestFileFormat::bytesReadDatesAsTextDoes_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("date");
    QTest::addColumn<QByteArray>("time");
    QTest::addColumn<bool>("fast"); // the byte way reads it itself
    const struct {
        QLocale locale;
        const char* date;
        const char* time;
        bool fast;
    } rows[] = {
        { kEnglish, "3/1/2026", "1:05:07 PM", true },
        { kEnglish, "03/01/2026", "01:05:07 pm", true },
        { kEnglish, "12/31/1999", "12:00:00 AM", true },
        { kEnglish, "3/1/26", "1:05:07 PM", true },
        { kEnglish, "3/1/2026", "13:05:07 PM", false },
        { kEnglish, "3/1/2026", "1:05:07", false },
        { kEnglish, "3/1/2026 ", "1:05:07 PM", false },
        { kEnglish, "2/29/2025", "1:05:07 PM", false },
        { kEnglish, "3/1/2026", "1:05:07 P\xc3\xa9", false },
        { kEnglish, "", "", false },
        { kGerman, "01.03.2026", "13:05:07", true },
        { kGerman, "1.3.2026", "0:00:00", false },
        { kGerman, "01.03.26", "13:05:07", true },
        { kGerman, "01.03.2026", "24:00:00", false },
        { kGerman, "01.03.2026", "13:05", false },
        { kGerman, "01,03,2026", "13:05:07", false },
        { kGerman, "\xe4.03.2026", "13:05:07", false },
        { kGerman, "001.03.2026", "13:05:07", false },
    };
    for (const auto& r : rows)
        QTest::addRow("%s %s %s", qPrintable(r.locale.name()), r.date, r.time)
            << r.locale << QByteArray(r.date) << QByteArray(r.time) << r.fast;
}

void TestFileFormat::bytesReadDatesAsTextDoes()
{
    QFETCH(QLocale, locale);
    QFETCH(QByteArray, date);
    QFETCH(QByteArray, time);
    QFETCH(bool, fast);
    const DateTimeFormat dateFormat(DateTimeFormat::dateFormat(locale), locale);
    const DateTimeFormat shortDate(locale.dateFormat(QLocale::ShortFormat), locale);
    const DateTimeFormat timeFormat(DateTimeFormat::timeFormat(locale), locale);
    QVERIFY(dateFormat.readsBytes() && timeFormat.readsBytes());
    std::optional<double> bytes = dateFormat.parseDateTimeSerial(date, time, timeFormat);
    if (!bytes)
        bytes = shortDate.parseDateTimeSerial(date, time, timeFormat);
    QCOMPARE(bytes.has_value(), fast);
    const QString text = QString::fromLocal8Bit(date) + u' ' + QString::fromLocal8Bit(time);
    std::optional<double> slow = dateFormat.parseDateTimeSerial(text, timeFormat);
    if (!slow)
        slow = shortDate.parseDateTimeSerial(text, timeFormat);
    if (bytes)
        QCOMPARE(*bytes, *slow);
    // The whole conversion gives what the text way gives, whichever way read the row.
    TextTableModel table;
    fillModel(table, date + '\t' + time + "\t1.0\t2.0\t3.0\t4.0", '\t');
    const std::optional<double> row = TableToGraph(locale).rowTime(table, 0);
    QCOMPARE(row.has_value(), slow.has_value());
    if (row)
        QCOMPARE(*row, *slow);
}

void TestFileFormat::tableToGraphBadCells_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<bool>("timeSet");
    QTest::addColumn<int>("valuesSet"); // channels set before the failing cell
    QTest::newRow("OL is no data")
        << kEnglish << QByteArray("3/1/2026\t1:05:07 PM\tOL\t2.0\t3.0\t4.0") << true << 4;
    QTest::newRow("ol is not OL") << kEnglish
                                  << QByteArray("3/1/2026\t1:05:07 PM\t1.0\tol\t3.0\t4.0") << true
                                  << 1;
    QTest::newRow("decimal comma under a point")
        << kEnglish << QByteArray("3/1/2026\t1:05:07 PM\t1.0\t2.0\t1,5\t4.0") << true << 2;
    QTest::newRow("decimal point under a comma")
        << kGerman << QByteArray("01.03.2026\t13:05:07\t1,0\t2.5\t3,0\t4,0") << true << 1;
    QTest::newRow("empty date") << kEnglish << QByteArray("\t1:05:07 PM\t1.0\t2.0\t3.0\t4.0")
                                << false << 0;
    QTest::newRow("no such day") << kGerman
                                 << QByteArray("30.02.2026\t13:05:07\t1,0\t2,0\t3,0\t4,0") << false
                                 << 0;
    QTest::newRow("two-digit year")
        << kEnglish << QByteArray("3/1/26\t1:05:07 PM\t1.0\t2.0\t3.0\t4.0") << true << 4;
}

void TestFileFormat::tableToGraphBadCells()
{
    QFETCH(QLocale, locale);
    QFETCH(QByteArray, row);
    QFETCH(bool, timeSet);
    QFETCH(int, valuesSet);
    TextTableModel table;
    fillModel(table, row, '\t');
    chart::ChartModel graph;
    graph.setSubsets(4);
    graph.setPoints(1);
    const bool whole = TableToGraph(locale).fillPoint(table, 0, graph);
    QCOMPARE(whole, timeSet && valuesSet == 4);
    QCOMPARE(graph.x(3, 0) != 0.0, timeSet);
    if (timeSet)
        QCOMPARE(std::round(graph.x(0, 0) * 86400.0), std::round(pointTime(0) * 86400.0));
    for (int s = 0; s < 4; ++s) {
        const bool isSet = s < valuesSet && table.cellText(0, 3 + s) != QLatin1String("OL");
        QCOMPARE(graph.y(s, 0) != 9999.0f, isSet);
    }
    QString error;
    if (!timeSet) {
        QVERIFY(!TableToGraph(locale).rowTime(table, 0, &error));
        QCOMPARE(error,
            QStringLiteral("'%1 %2' is not a valid date and time")
                .arg(table.cellText(0, 1), table.cellText(0, 2)));
    }
}

void TestFileFormat::modelShowsRowNumbersAndOneEmptyRow()
{
    TextTableModel model;
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.columnCount(), 7);
    QCOMPARE(model.cellText(0, 0), QString());
    fillModel(model, QByteArray("a\tb\r\nc\td\r\n"), '\t');
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("2"));
    QCOMPARE(model.data(model.index(1, 2)).toString(), QStringLiteral("d"));
    QCOMPARE(model.data(model.index(1, 3)).toString(), QString());
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
}

QTEST_GUILESS_MAIN(TestFileFormat)
#include "tst_fileformat.moc"
