// The text files of graphs and tables at their largest (65,535 points or rows), each against
// a minimal program doing the same work by hand:
//   (a) the graph text export against std::to_chars lines and one buffered write;
//   (b) opening a .csv into the table against a plain read and split of the same lines, with
//       the table's memory against the file's size;
//   (c) turning the table into a graph against opening the same file;
//   (d) the date and time cells read as text against the same cells read as the file's bytes
//       (the way a table takes when its formats are not plain digits and ASCII).
// Prints the best of several runs per case and the ratios (targets: 1.5, 5 and 4x, 2).

#include "ChartModel.h"
#include "DateTimeFormat.h"
#include "GraphTextWriter.h"
#include "TableToGraph.h"
#include "TextTableModel.h"
#include "TextTableReader.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>
#include <string_view>
#include <vector>

namespace {

using namespace tc4dl;

constexpr int kPoints = 65535;
const QLocale kLocale(QLocale::English, QLocale::UnitedStates);

double bestMillis(int runs, const std::function<void()>& fn)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

chart::ChartModel makeGraph()
{
    chart::ChartModel graph;
    graph.setSubsets(4);
    graph.setPoints(kPoints);
    for (int p = 0; p < kPoints; ++p)
        for (int s = 0; s < 4; ++s) {
            graph.setX(s, p, 46082.5 + p / 86400.0);
            graph.setY(s, p, 20.0 + 0.1 * ((p * 7 + s) % 900) - 30.0);
        }
    return graph;
}

// The same lines by hand: the date and time fields from integers, the values by to_chars.
QByteArray minimalExport(const chart::ChartModel& graph)
{
    std::vector<char> out;
    out.reserve(static_cast<size_t>(kPoints) * 64);
    char buf[32];
    auto put = [&](std::string_view s) { out.insert(out.end(), s.begin(), s.end()); };
    auto number = [&](int v, int width) {
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        for (int k = static_cast<int>(r.ptr - buf); k < width; ++k)
            out.push_back('0');
        put(std::string_view(buf, r.ptr));
    };
    for (int p = 0; p < graph.points(); ++p) {
        const double x = graph.x(0, p);
        const int seconds = static_cast<int>((x - static_cast<int>(x)) * 86400.0 + 0.5);
        put("3/1/2026\t");
        number(seconds / 3600 % 12 == 0 ? 12 : seconds / 3600 % 12, 1);
        out.push_back(':');
        number(seconds / 60 % 60, 2);
        out.push_back(':');
        number(seconds % 60, 2);
        put(seconds >= 43200 ? " PM" : " AM");
        for (int s = 0; s < 4; ++s) {
            out.push_back('\t');
            const auto r = std::to_chars(
                buf, buf + sizeof buf, double(graph.y(s, p)), std::chars_format::fixed, 1);
            put(std::string_view(buf, r.ptr));
        }
        put("\r\n");
    }
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

// Reads and splits the lines by hand, keeping each field as a view.
qsizetype minimalOpen(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray bytes = file.readAll();
    std::vector<QByteArrayView> fields;
    fields.reserve(static_cast<size_t>(kPoints) * 6);
    const QByteArrayView all(bytes);
    for (qsizetype pos = 0; pos < all.size();) {
        qsizetype end = all.indexOf('\n', pos);
        if (end < 0)
            end = all.size();
        QByteArrayView line = all.sliced(pos, end - pos);
        pos = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        for (qsizetype start = 0;;) {
            const qsizetype comma = line.indexOf(',', start);
            fields.push_back(line.sliced(start, (comma < 0 ? line.size() : comma) - start));
            if (comma < 0)
                break;
            start = comma + 1;
        }
    }
    return static_cast<qsizetype>(fields.size());
}

void openTable(const QString& path, TextTableModel& model)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    TextTable& table = model.beginFill();
    table.clear();
    table.reserve(file.size() / 40, file.size());
    TextTableReader reader(',', table);
    while (!reader.ended()) {
        const QByteArray chunk = file.read(64 * 1024);
        if (chunk.isEmpty())
            reader.finish();
        else
            reader.feed(chunk);
    }
    model.endFill();
}

} // namespace

int main()
{
    const chart::ChartModel graph = makeGraph();
    QByteArray exported;
    const double writer = bestMillis(5, [&] {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        GraphTextWriter(kLocale, ',', true).write(graph, { 1, kPoints }, buffer);
        exported = buffer.data();
    });
    QByteArray minimal;
    const double byHand = bestMillis(5, [&] { minimal = minimalExport(graph); });
    std::printf("(a) export %d points: %.1f ms, by hand %.1f ms: %.2fx (%lld and %lld bytes)\n",
        kPoints, writer, byHand, writer / byHand, static_cast<long long>(exported.size()),
        static_cast<long long>(minimal.size()));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.csv"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(exported) != exported.size())
            return 1;
    }
    TextTableModel model;
    const double open = bestMillis(5, [&] { openTable(path, model); });
    qsizetype fields = 0;
    const double split = bestMillis(5, [&] { fields = minimalOpen(path); });
    std::printf("(b) open %d rows: %.1f ms, read and split %.1f ms: %.2fx (%lld fields); "
                "table %lld bytes for a %lld-byte file: %.2fx\n",
        model.dataRows(), open, split, open / split, static_cast<long long>(fields),
        static_cast<long long>(model.table().bytesHeld()), static_cast<long long>(exported.size()),
        double(model.table().bytesHeld()) / double(exported.size()));

    const TableToGraph convert(kLocale);
    chart::ChartModel back;
    const double toGraph = bestMillis(3, [&] {
        back.setSubsets(4);
        back.setPoints(model.dataRows());
        for (int i = 0; i < model.dataRows(); ++i)
            (void)convert.fillPoint(model, i, back);
    });
    std::printf("(c) table to graph %d rows: %.1f ms, open %.1f ms: %.2fx (last Y %.1f)\n",
        model.dataRows(), toGraph, open, toGraph / open, double(back.y(3, model.dataRows() - 1)));

    const DateTimeFormat date(DateTimeFormat::dateFormat(kLocale), kLocale);
    const DateTimeFormat time(DateTimeFormat::timeFormat(kLocale), kLocale);
    QStringList texts;
    for (int i = 0; i < model.dataRows(); ++i)
        texts << model.cellText(i, 1) + u' ' + model.cellText(i, 2);
    double sum = 0;
    const double asText = bestMillis(3, [&] {
        for (const QString& text : texts)
            sum += date.parseDateTimeSerial(QStringView(text), time).value_or(0.0);
    });
    const double asBytes = bestMillis(3, [&] {
        for (int i = 0; i < model.dataRows(); ++i)
            sum += date.parseDateTimeSerial(
                           model.table().rawCell(i, 0), model.table().rawCell(i, 1), time)
                       .value_or(0.0);
    });
    std::printf("(d) %d dates and times as text: %.1f ms, as bytes %.1f ms: %.2fx (sum %.0f)\n",
        model.dataRows(), asText, asBytes, asText / asBytes, sum);
    return 0;
}
