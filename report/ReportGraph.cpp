#include "ReportGraph.h"

#include "ColumnThinning.h"
#include "DateTimeSerial.h"
#include "MeterValues.h"
#include "ReportTexts.h"
#include "TickLayout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace tc4dl::report {

namespace {

constexpr int kMostIntervals = 10;

struct Range {
    double lower = 0.0;
    double upper = 1.0;
    [[nodiscard]] double span() const { return upper - lower; }
};

// The readings' extremes over every channel, and the value limits, so the limit lines show.
std::optional<Range> valueRange(const RunSummary& summary)
{
    std::optional<Range> range;
    const auto take = [&range](double v) {
        if (!range)
            range = Range { v, v };
        range->lower = std::min(range->lower, v);
        range->upper = std::max(range->upper, v);
    };
    for (const ChannelSummary& c : summary.channels)
        if (c.readings.readings > 0) {
            take(c.readings.min);
            take(c.readings.max);
        }
    if (!range)
        return range;
    for (const LimitSummary& l : summary.limits)
        if (l.rule.quantity == alarm::Quantity::Value)
            take(l.rule.limit);
    const double pad = range->span() > 0.0 ? range->span() * 0.05 : 1.0;
    range->lower -= pad;
    range->upper += pad;
    return range;
}

Range timeRange(const ReportRun& run)
{
    // The earliest and the latest time: a graph's points need not come in order.
    const auto [first, last] = std::minmax_element(run.times.begin(), run.times.end());
    Range range { chart::serialToTimeKey(*first), chart::serialToTimeKey(*last) };
    if (!(range.span() > 0.0)) {
        range.lower -= 30.0;
        range.upper += 30.0;
    }
    return range;
}

struct Mapping {
    QRectF plot;
    Range x;
    Range y;
    [[nodiscard]] double px(double key) const
    {
        return plot.left() + (key - x.lower) / x.span() * plot.width();
    }
    [[nodiscard]] double py(double value) const
    {
        return plot.bottom() - (value - y.lower) / y.span() * plot.height();
    }
};

void drawCurves(QPainter& painter, const ReportRun& run, const Mapping& m, double millimetre)
{
    painter.save();
    painter.setClipRect(m.plot);
    painter.setRenderHint(QPainter::Antialiasing, true);
    // One column per device unit: finer than any printer shows, far fewer points than a year of
    // samples.
    const double columnWidth = m.x.span() / std::max(1.0, m.plot.width());
    const double valueStep = m.y.span() / std::max(1.0, m.plot.height());
    QPolygonF line;
    const auto flush = [&] {
        if (line.size() == 1)
            painter.drawPoint(line.first());
        else if (line.size() > 1)
            painter.drawPolyline(line);
        line.clear();
    };
    for (int c = 0; c < kChannels; ++c) {
        QPen pen(channelColor(c), 0.3 * millimetre);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        const auto isGap = [&](std::ptrdiff_t p) {
            const float v = run.value(static_cast<int>(p), c);
            return v == run.nullValue || isOverLimit(v);
        };
        for (const RunPart& part : run.parts) {
            chart::thinToColumns(
                part.firstPoint, part.firstPoint + part.points, m.x.lower, columnWidth, valueStep,
                [&](std::ptrdiff_t p) {
                    return chart::serialToTimeKey(run.time(static_cast<int>(p)));
                },
                [&](std::ptrdiff_t p) { return double(run.value(static_cast<int>(p), c)); }, isGap,
                [&](std::ptrdiff_t p) {
                    if (isGap(p)) {
                        flush();
                        return;
                    }
                    line.append(QPointF(m.px(chart::serialToTimeKey(run.time(static_cast<int>(p)))),
                        m.py(run.value(static_cast<int>(p), c))));
                });
            flush();
        }
    }
    painter.restore();
}

void drawLimits(QPainter& painter, const RunSummary& summary, const ReportTexts& texts,
    const GraphLook& look, const Mapping& m)
{
    const QFontMetricsF metrics(look.tickFont, painter.device());
    painter.setFont(look.tickFont);
    for (const LimitSummary& l : summary.limits) {
        if (l.rule.quantity != alarm::Quantity::Value)
            continue;
        const double y = m.py(l.rule.limit);
        QPen pen(channelColor(l.rule.channel), 0.25 * look.millimetre, Qt::DashLine);
        painter.setPen(pen);
        painter.drawLine(QPointF(m.plot.left(), y), QPointF(m.plot.right(), y));
        const QString label = look.names[static_cast<std::size_t>(l.rule.channel)]
            + (l.rule.direction == alarm::Direction::Above ? QStringLiteral(" > ")
                                                           : QStringLiteral(" < "))
            + texts.shortest(l.rule.limit);
        const double width = metrics.horizontalAdvance(label);
        const bool above = l.rule.direction == alarm::Direction::Above;
        const double top
            = above ? y - metrics.height() - 0.3 * look.millimetre : y + 0.3 * look.millimetre;
        painter.drawText(
            QRectF(m.plot.right() - width - look.millimetre, top, width, metrics.height()),
            Qt::AlignRight | Qt::AlignTop, label);
    }
}

void drawBreaks(QPainter& painter, const ReportRun& run, const Mapping& m)
{
    for (std::size_t i = 1; i < run.parts.size(); ++i) {
        const RunPart& before = run.parts[i - 1];
        const double from = m.px(chart::serialToTimeKey(run.partEnd(before)));
        const double to = m.px(chart::serialToTimeKey(run.parts[i].start));
        if (to > from)
            painter.fillRect(
                QRectF(from, m.plot.top(), to - from, m.plot.height()).intersected(m.plot),
                QColor(0xEC, 0xEC, 0xEC));
    }
}

void drawLegend(
    QPainter& painter, const QRectF& row, const RunSummary& summary, const GraphLook& look)
{
    const QFontMetricsF metrics(look.legendFont, painter.device());
    painter.setFont(look.legendFont);
    double x = row.left();
    const double mid = row.top() + row.height() / 2.0;
    for (int c = 0; c < kChannels; ++c) {
        if (summary.channels[static_cast<std::size_t>(c)].readings.readings == 0)
            continue;
        painter.setPen(QPen(channelColor(c), 0.6 * look.millimetre));
        painter.drawLine(QPointF(x, mid), QPointF(x + 6.0 * look.millimetre, mid));
        x += 7.5 * look.millimetre;
        const QString name = look.names[static_cast<std::size_t>(c)];
        painter.setPen(Qt::black);
        const double width = metrics.horizontalAdvance(name);
        painter.drawText(QRectF(x, row.top(), width + look.millimetre, row.height()),
            Qt::AlignLeft | Qt::AlignVCenter, name);
        x += width + 6.0 * look.millimetre;
    }
}

} // namespace

QColor channelColor(int channel)
{
    static const std::array<QColor, kChannels> colors { QColor(0xC0, 0x1C, 0x1C),
        QColor(0x1F, 0x4E, 0xB4), QColor(0x1E, 0x7B, 0x34), QColor(0x7A, 0x3D, 0x9A) };
    return colors[static_cast<std::size_t>(std::clamp(channel, 0, kChannels - 1))];
}

void drawRunGraph(QPainter& painter, const QRectF& area, const ReportRun& run,
    const RunSummary& summary, const ReportTexts& texts, const GraphLook& look)
{
    const double mm = look.millimetre;
    const QFontMetricsF metrics(look.tickFont, painter.device());
    const double line = metrics.height();
    const QLocale& locale = texts.locale();
    const std::optional<Range> values = run.points() > 0 ? valueRange(summary) : std::nullopt;

    const double legendHeight = line + 2.0 * mm;
    const double bottom = 2.0 * line + 2.0 * mm;
    const double top = line + 1.5 * mm; // the unit above the value labels
    QRectF plot(
        area.left(), area.top() + top, area.width(), area.height() - top - bottom - legendHeight);

    Mapping m;
    m.y = values.value_or(Range { 0.0, 1.0 });
    const int yIntervals = chart::tickIntervalsFor(plot.height(), line, mm, kMostIntervals);
    const double yStep = chart::niceStepAtLeast(m.y.span() / yIntervals);
    m.y = Range { std::floor(m.y.lower / yStep) * yStep, std::ceil(m.y.upper / yStep) * yStep };
    const QList<double> yTicks = chart::valueTicks(m.y.lower, m.y.upper, yStep);
    // As many decimals as the step has: 2.5 needs one, 0.25 two.
    int decimals = 0;
    while (decimals < 3
        && std::abs(yStep * std::pow(10.0, decimals) - std::round(yStep * std::pow(10.0, decimals)))
            > 1e-6)
        ++decimals;
    QStringList yLabels;
    double labelWidth = metrics.horizontalAdvance(ReportTexts::unitSymbol(run.celsius));
    for (const double t : yTicks) {
        yLabels.append(locale.toString(t, 'f', decimals));
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(yLabels.last()));
    }
    const QString timeFormat = longTimeFormat(locale);
    const double timeLabelWidth
        = std::max(metrics.horizontalAdvance(locale.toString(QTime(23, 58, 58), timeFormat)),
            metrics.horizontalAdvance(
                locale.toString(QDate(2026, 12, 28), locale.dateFormat(QLocale::ShortFormat))));
    plot.setLeft(plot.left() + labelWidth + 2.0 * mm);
    plot.setRight(plot.right() - timeLabelWidth / 2.0);
    m.plot = plot;
    m.x = run.points() > 0 ? timeRange(run) : Range { 0.0, 60.0 };

    painter.fillRect(plot, Qt::white);
    const QPen grid(QColor(0xC8, 0xC8, 0xC8), 0.1 * mm);
    painter.setFont(look.tickFont);

    // Value axis.
    for (qsizetype i = 0; i < yTicks.size(); ++i) {
        const double y = m.py(yTicks[i]);
        painter.setPen(grid);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), y - line / 2.0, labelWidth, line),
            Qt::AlignRight | Qt::AlignVCenter, yLabels[i]);
    }
    painter.drawText(QRectF(area.left(), area.top(), labelWidth, line),
        Qt::AlignRight | Qt::AlignTop, ReportTexts::unitSymbol(run.celsius));

    // Time axis: the steps and labels of the chart view's own time axis.
    const int xIntervals
        = chart::tickIntervalsFor(plot.width(), timeLabelWidth, 4.0 * mm, kMostIntervals);
    const double xStep = chart::timeTickStep(m.x.span(), xIntervals);
    QList<double> xTicks;
    for (const double t : chart::timeTicks(xStep, m.x.lower, m.x.upper))
        if (t >= m.x.lower - 1e-6 && t <= m.x.upper + 1e-6)
            xTicks.append(t);
    QList<QDateTime> wallClock;
    for (const double t : xTicks)
        wallClock.append(chart::timeKeyToWallClock(t));
    const QList<QString> xLabels = chart::timeTickLabels(wallClock, 0, xStep >= chart::kTimeStepDay,
        chart::timeLabelFormat(timeFormat, xStep, locale), locale);
    for (qsizetype i = 0; i < xTicks.size(); ++i) {
        const double x = m.px(xTicks[i]);
        painter.setPen(grid);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(
            QRectF(x - timeLabelWidth, plot.bottom() + mm, 2.0 * timeLabelWidth, 2.0 * line),
            Qt::AlignHCenter | Qt::AlignTop, xLabels.value(i));
    }

    if (values) {
        drawBreaks(painter, run, m);
        drawCurves(painter, run, m, mm);
        drawLimits(painter, summary, texts, look, m);
    } else {
        painter.setPen(Qt::black);
        painter.drawText(plot, Qt::AlignCenter, texts.text(msg::kGraphEmpty));
    }
    painter.setPen(QPen(Qt::black, 0.2 * mm));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    drawLegend(painter, QRectF(plot.left(), area.bottom() - legendHeight + mm, plot.width(), line),
        summary, look);
}

} // namespace tc4dl::report
