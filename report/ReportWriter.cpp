#include "ReportWriter.h"

#include "DateTimeSerial.h"
#include "FileTarget.h"
#include "ReportGraph.h"
#include "ReportPages.h"
#include "ReportTexts.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace tc4dl::report {

namespace {

constexpr int kResolution = 300; // device units per inch: text and curves are placed this finely
constexpr double kGraphMillimetres = 92.0;
const QString kDash = QStringLiteral("–");

class Composer {
public:
    Composer(const ReportRun& run, const ReportOptions& options, const RunSummary& summary,
        const ReportTexts& texts)
        : m_run(run),
          m_options(options),
          m_summary(summary),
          t(texts)
    {
    }

    [[nodiscard]] QString title() const
    {
        return m_options.title.trimmed().isEmpty() ? t.text(msg::kDefaultTitle)
                                                   : m_options.title.trimmed();
    }

    void compose(PageFlow& flow) const
    {
        header(flow);
        theRun(flow);
        graph(flow);
        statistics(flow);
        limits(flow);
        crossings(flow);
        events(flow);
        fingerprint(flow);
        signature(flow);
    }

    void footer(QPainter& p, const QRectF& foot, int page, int pages, double mm) const
    {
        const ReportFonts fonts = reportFonts();
        p.setFont(fonts.small);
        p.setPen(QPen(Qt::black, 0.15 * mm));
        p.drawLine(QPointF(foot.left(), foot.top() + 3.0 * mm),
            QPointF(foot.right(), foot.top() + 3.0 * mm));
        const QRectF text(foot.left(), foot.top() + 4.0 * mm, foot.width(), foot.height());
        p.drawText(text, Qt::AlignLeft | Qt::AlignTop,
            title() + QStringLiteral(" · ") + m_options.program);
        p.drawText(text, Qt::AlignRight | Qt::AlignTop, t.text(msg::kPageOf).arg(page).arg(pages));
    }

private:
    [[nodiscard]] QString name(int channel) const
    {
        const QString given = m_options.channelNames[static_cast<std::size_t>(channel)].trimmed();
        return given.isEmpty() ? QStringLiteral("T%1").arg(channel + 1) : given;
    }
    // The name with the meter's own channel where the user named it: "Oven (T1)".
    [[nodiscard]] QString fullName(int channel) const
    {
        const QString own = QStringLiteral("T%1").arg(channel + 1);
        return name(channel) == own ? own : name(channel) + QStringLiteral(" (") + own + u')';
    }
    [[nodiscard]] QString unit() const { return ReportTexts::unitSymbol(m_run.celsius); }
    [[nodiscard]] QString withUnit(const QString& value) const
    {
        return unit().isEmpty() ? value : value + u' ' + unit();
    }

    [[nodiscard]] QString limitText(const alarm::AlarmRule& rule) const
    {
        const QString direction = rule.direction == alarm::Direction::Above ? QStringLiteral(" > ")
                                                                            : QStringLiteral(" < ");
        const bool rate = rule.quantity == alarm::Quantity::RatePerMinute;
        QString symbol = unit().isEmpty() ? QStringLiteral("°") : unit();
        if (rate)
            symbol += QStringLiteral("/min");
        return name(rule.channel) + (rate ? QStringLiteral(" /min") : QString()) + direction
            + t.shortest(rule.limit) + u' ' + symbol;
    }

    [[nodiscard]] QString sourceText() const
    {
        const QString& detail = m_run.source.detail;
        switch (m_run.source.kind) {
        case RunSource::Kind::Download:
            return t.text(msg::kDownloadOn).arg(detail);
        case RunSource::Kind::File:
            return t.text(msg::kFile).arg(detail);
        case RunSource::Kind::GraphFile:
            return t.text(msg::kGraphFile).arg(detail);
        case RunSource::Kind::Archive:
            return t.text(msg::kArchive).arg(detail);
        case RunSource::Kind::RealTime:
            return t.text(msg::kRealTime);
        case RunSource::Kind::None:
            break;
        }
        return t.text(msg::kNotRecorded);
    }

    [[nodiscard]] QString partName(const RunPart& part) const
    {
        switch (part.origin) {
        case RunPart::Origin::FileSet:
            return t.text(msg::kSetNumber).arg(part.number);
        case RunPart::Origin::ArchiveSet:
            return t.text(msg::kArchiveSet).arg(part.number);
        case RunPart::Origin::Graph:
            break;
        }
        return t.text(msg::kGraphPart);
    }

    void header(PageFlow& flow) const
    {
        flow.paragraph(title(), flow.fonts().title);
        flow.space(3.0);
        flow.fields({ { t.text(msg::kSite), m_options.site.trimmed() },
            { t.text(msg::kOperator), m_options.operatorName.trimmed() },
            { t.text(msg::kMade),
                m_options.made.isValid() ? t.dateTime(toDateTimeSerial(m_options.made))
                                         : QString() } });
        flow.space(1.0);
        flow.paragraph(t.text(msg::kMadeWith).arg(m_options.program), flow.fonts().small);
    }

    void theRun(PageFlow& flow) const
    {
        flow.heading(t.text(msg::kTheRun));
        QStringList intervals;
        for (const RunPart& part : m_run.parts) {
            const QString interval = t.duration(part.intervalSeconds);
            if (!intervals.contains(interval))
                intervals.append(interval);
        }
        QList<QPair<QString, QString>> rows {
            { t.text(msg::kMeterModel),
                m_run.meterModel.isEmpty() ? t.text(msg::kNotRecorded) : m_run.meterModel },
            { t.text(msg::kSource), sourceText() },
            { t.text(msg::kUnit), unit().isEmpty() ? t.text(msg::kNotRecorded) : unit() },
        };
        if (m_run.points() > 0) {
            rows.append({ t.text(msg::kStart), t.dateTime(m_run.time(0)) });
            rows.append({ t.text(msg::kEnd), t.dateTime(m_run.time(m_run.points() - 1)) });
        }
        rows.append({ t.text(msg::kInterval), intervals.join(QStringLiteral(", ")) });
        rows.append({ t.text(msg::kSamples), t.locale().toString(m_summary.samples) });
        ReportTable breaks;
        breaks.columns = { { t.text(msg::kBreakStart), 1.0 }, { t.text(msg::kBreakLength), 1.0 } };
        for (std::size_t i = 1; i < m_run.parts.size(); ++i) {
            const RunPart& before = m_run.parts[i - 1];
            // The break begins when the next sample of the earlier part was due.
            const double from = m_run.partEnd(before) + before.intervalSeconds / kSecondsPerDay;
            const double seconds = (m_run.parts[i].start - from) * kSecondsPerDay;
            if (seconds >= 0.5)
                breaks.rows.append({ t.dateTime(from), t.duration(seconds) });
        }
        rows.append({ t.text(msg::kBreaks),
            breaks.rows.isEmpty() ? t.text(msg::kNone) : t.locale().toString(breaks.rows.size()) });
        flow.fields(rows);
        if (!breaks.rows.isEmpty()) {
            flow.space(1.5);
            flow.table(breaks);
        }
        if (m_run.points() == 0) {
            flow.space(1.5);
            flow.paragraph(t.text(msg::kNoSamples), flow.fonts().body);
        }
    }

    void graph(PageFlow& flow) const
    {
        flow.heading(t.text(msg::kTheGraph));
        GraphLook look;
        look.tickFont = flow.fonts().small;
        look.legendFont = flow.fonts().body;
        look.millimetre = flow.mm(1.0);
        for (int c = 0; c < kChannels; ++c)
            look.names[static_cast<std::size_t>(c)] = name(c);
        flow.block(flow.mm(kGraphMillimetres),
            [&](QPainter& p, const QRectF& r) { drawRunGraph(p, r, m_run, m_summary, t, look); });
    }

    void statistics(PageFlow& flow) const
    {
        flow.heading(unit().isEmpty()
                ? t.text(msg::kStatistics)
                : t.text(msg::kStatistics) + QStringLiteral(" (") + unit() + u')');
        ReportTable table;
        const auto right = Qt::AlignRight;
        table.columns = { { t.text(msg::kChannel), 1.9 }, { t.text(msg::kMinimum), 1.0, right },
            { t.text(msg::kMaximum), 1.0, right }, { t.text(msg::kMean), 1.0, right },
            { t.text(msg::kStdDev), 1.0, right }, { t.text(msg::kMkt), 0.9, right },
            { t.text(msg::kReadings), 1.0, right }, { t.text(msg::kOverLimit), 0.6, right },
            { t.text(msg::kNoValue), 1.0, right } };
        ReportTable times;
        times.columns = { { t.text(msg::kChannel), 1.0 }, { t.text(msg::kMinimumAt), 1.0 },
            { t.text(msg::kMaximumAt), 1.0 } };
        QStringList empty;
        const QLocale& locale = t.locale();
        for (int c = 0; c < kChannels; ++c) {
            const ChannelSummary& s = m_summary.channels[static_cast<std::size_t>(c)];
            const chart::ReadingStatistics& r = s.readings;
            const QString counts[] = { locale.toString(r.readings), locale.toString(r.overLimit),
                locale.toString(r.noValue) };
            if (r.readings == 0) {
                table.rows.append({ fullName(c), kDash, kDash, kDash, kDash, kDash, counts[0],
                    counts[1], counts[2] });
                empty.append(t.text(msg::kNoReadingInRun).arg(fullName(c)));
                continue;
            }
            table.rows.append({ fullName(c), t.value(r.min), t.value(r.max), t.value(r.mean),
                r.readings > 1 ? t.value(r.standardDeviation) : kDash,
                s.mkt ? t.value(*s.mkt) : kDash, counts[0], counts[1], counts[2] });
            times.rows.append({ fullName(c), t.dateTime(r.minX), t.dateTime(r.maxX) });
        }
        flow.table(table);
        for (const QString& line : empty) {
            flow.space(0.8);
            flow.paragraph(line, flow.fonts().body);
        }
        if (!times.rows.isEmpty()) {
            flow.space(2.0);
            flow.table(times);
        }
        flow.space(1.5);
        flow.paragraph(t.text(msg::kStatisticsNote), flow.fonts().small);
        flow.paragraph(m_run.celsius
                ? t.text(msg::kMktDefinition)
                      .arg(QStringLiteral("ΔH"), t.shortest(m_options.activationEnergy))
                : t.text(msg::kNoUnitNoMkt),
            flow.fonts().small);
    }

    void limits(PageFlow& flow) const
    {
        flow.heading(t.text(msg::kLimits));
        if (m_summary.limits.empty()) {
            flow.paragraph(t.text(msg::kNoLimitsSet), flow.fonts().body);
            return;
        }
        ReportTable table;
        table.columns = { { t.text(msg::kLimit), 1.6 },
            { t.text(msg::kHysteresis), 0.9, Qt::AlignRight },
            { t.text(msg::kCrossings), 1.0, Qt::AlignRight },
            { t.text(msg::kTimeOutside), 1.0, Qt::AlignRight }, { t.text(msg::kLongest), 3.2 } };
        for (const LimitSummary& l : m_summary.limits) {
            QString longest = kDash;
            if (l.longest)
                longest = t.text(msg::kFromTo)
                              .arg(t.dateTime(l.longest->start),
                                  t.timeOrDateTime(l.longest->end, l.longest->start))
                    + QStringLiteral(" (") + t.duration(l.longest->seconds) + u')';
            table.rows.append({ limitText(l.rule),
                t.shortest(m_options.limits.hysteresis[static_cast<std::size_t>(l.rule.channel)]),
                t.locale().toString(l.crossings), t.duration(l.secondsOutside), longest });
        }
        flow.table(table);
        flow.space(1.5);
        for (int c = 0; c < kChannels; ++c) {
            const ChannelSummary& s = m_summary.channels[static_cast<std::size_t>(c)];
            if (!s.limited)
                continue;
            flow.paragraph(s.secondsOutside > 0.0
                    ? t.text(msg::kOutsideFor).arg(fullName(c), t.duration(s.secondsOutside))
                    : t.text(msg::kWithinLimits).arg(fullName(c)),
                flow.fonts().body);
        }
        flow.space(1.0);
        flow.paragraph(t.text(msg::kCrossingRule), flow.fonts().small);
    }

    void crossings(PageFlow& flow) const
    {
        if (m_summary.limits.empty())
            return;
        flow.heading(t.text(msg::kCrossingsTitle));
        if (m_summary.crossings.empty()) {
            flow.paragraph(t.text(msg::kNoCrossing), flow.fonts().body);
            return;
        }
        ReportTable table;
        table.columns = { { t.text(msg::kTime), 1.4 }, { t.text(msg::kChannel), 1.4 },
            { t.text(msg::kValue), 0.9, Qt::AlignRight }, { t.text(msg::kLimit), 1.6 } };
        for (const RunCrossing& c : m_summary.crossings) {
            const bool rate = c.rule.quantity == alarm::Quantity::RatePerMinute;
            table.rows.append({ t.dateTime(c.serial), fullName(c.rule.channel),
                rate ? t.value(c.value) + QStringLiteral(" /min") : t.value(c.value),
                limitText(c.rule) });
        }
        flow.table(table);
    }

    void events(PageFlow& flow) const
    {
        flow.heading(t.text(msg::kEvents));
        if (m_run.notes.empty()) {
            flow.paragraph(t.text(msg::kNoNotes), flow.fonts().body);
            return;
        }
        ReportTable table;
        table.columns = { { t.text(msg::kTime), 1.0 }, { t.text(msg::kNote), 3.0 } };
        for (const RunNote& note : m_run.notes)
            table.rows.append({ t.dateTime(note.serial), note.text });
        flow.table(table);
    }

    void fingerprint(PageFlow& flow) const
    {
        flow.heading(t.text(msg::kFingerprint));
        flow.paragraph(t.text(msg::kFingerprintWhy), flow.fonts().body);
        for (const RunPart& part : m_run.parts) {
            flow.space(1.2);
            QString label = partName(part);
            if (part.points > 0)
                label += QStringLiteral(", ") + t.dateTime(part.start);
            if (!part.firstSource.isEmpty())
                label += QStringLiteral(", ") + t.text(msg::kFirstFrom).arg(part.firstSource);
            flow.paragraph(label, flow.fonts().bold);
            flow.paragraph(part.sha256.isEmpty() ? t.text(msg::kNotKnown)
                                                 : QString::fromLatin1(part.sha256.toHex()),
                part.sha256.isEmpty() ? flow.fonts().body : flow.fonts().mono);
        }
    }

    void signature(PageFlow& flow) const
    {
        const double mm = flow.mm(1.0);
        flow.space(6.0);
        flow.block(24.0 * mm, [&](QPainter& p, const QRectF& r) {
            const QStringList labels { t.text(msg::kCheckedBy), t.text(msg::kDate),
                t.text(msg::kSignature) };
            const double gap = 6.0 * mm;
            const double width = (r.width() - 2.0 * gap) / 3.0;
            p.setFont(reportFonts().small);
            for (int i = 0; i < 3; ++i) {
                const double x = r.left() + i * (width + gap);
                const double line = r.top() + 14.0 * mm;
                p.setPen(QPen(Qt::black, 0.2 * mm));
                p.drawLine(QPointF(x, line), QPointF(x + width, line));
                p.drawText(
                    QRectF(x, line + mm, width, 6.0 * mm), Qt::AlignLeft | Qt::AlignTop, labels[i]);
            }
        });
    }

    const ReportRun& m_run;
    const ReportOptions& m_options;
    const RunSummary& m_summary;
    const ReportTexts& t;
};

} // namespace

QPageSize::PageSizeId paperForLocale(const QLocale& locale)
{
    // The countries that print on Letter; everywhere else A4.
    static const QList<QLocale::Territory> letter { QLocale::UnitedStates, QLocale::Canada,
        QLocale::Mexico, QLocale::PuertoRico, QLocale::Philippines, QLocale::Chile,
        QLocale::Colombia, QLocale::CostaRica, QLocale::Guatemala, QLocale::Panama,
        QLocale::Venezuela, QLocale::DominicanRepublic, QLocale::ElSalvador, QLocale::Nicaragua,
        QLocale::Belize };
    return letter.contains(locale.territory()) ? QPageSize::Letter : QPageSize::A4;
}

QByteArray renderReport(const ReportRun& run, const ReportOptions& options, int* pages)
{
    const ReportTexts texts(options.language, options.locale);
    const RunSummary summary = summarize(run, options.limits, options.activationEnergy);
    const Composer composer(run, options, summary, texts);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(options.paper), QPageLayout::Portrait,
        QMarginsF(18.0, 15.0, 18.0, 10.0), QPageLayout::Millimeter));
    writer.setTitle(composer.title());
    writer.setCreator(options.program);
    const ReportFonts fonts = reportFonts();

    int total = 0;
    {
        PageFlow measuring(writer, nullptr, fonts, {});
        composer.compose(measuring);
        total = measuring.page();
    }
    QPainter painter;
    if (!painter.begin(&writer))
        return {};
    PageFlow flow(writer, &painter, fonts, [&](QPainter& p, const QRectF& foot, int page) {
        composer.footer(p, foot, page, total, kResolution / 25.4);
    });
    composer.compose(flow);
    flow.finish();
    painter.end();
    if (pages)
        *pages = total;
    buffer.close();
    return buffer.data();
}

bool writeReport(const ReportRun& run, const ReportOptions& options, const QString& path,
    QString* error, bool waitForReader)
{
    const QByteArray pdf = renderReport(run, options);
    if (pdf.isEmpty()) {
        if (error)
            *error = QStringLiteral("the PDF could not be drawn");
        return false;
    }
    return writeWhole(
               path, [&pdf](QIODevice& device) { return device.write(pdf) == pdf.size(); }, error,
               waitForReader)
        == WriteOutcome::Written;
}

} // namespace tc4dl::report
