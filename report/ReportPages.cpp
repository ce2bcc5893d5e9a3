#include "ReportPages.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace tc4dl::report {

namespace {

// DejaVu comes with the program's package (fonts-dejavu-core) and holds every character the
// report's texts use, °, Δ and the German ones among them.
const QString kFamily = QStringLiteral("DejaVu Sans");
const QString kMonoFamily = QStringLiteral("DejaVu Sans Mono");

QFont font(const QString& family, double points, bool bold = false)
{
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    // No hinting: the same advances on every device, so the measuring pass and the painting
    // pass break lines alike.
    f.setHintingPreference(QFont::PreferNoHinting);
    // A hair of letter spacing keeps Qt from joining "fi" and "fl" into ligatures, which a
    // PDF reader's search and copy would not find as the letters.
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.1);
    return f;
}

constexpr double kFootMillimetres = 10.0;
constexpr double kCellPadMillimetres = 0.8;

} // namespace

ReportFonts reportFonts()
{
    return { font(kFamily, 17.0, true), font(kFamily, 11.5, true), font(kFamily, 9.0),
        font(kFamily, 9.0, true), font(kFamily, 7.5), font(kMonoFamily, 7.5), font(kFamily, 8.0),
        font(kFamily, 8.0, true) };
}

PageFlow::PageFlow(QPagedPaintDevice& device, QPainter* painter, const ReportFonts& fonts,
    std::function<void(QPainter&, const QRectF&, int)> footer)
    : m_device(device),
      m_painter(painter),
      m_fonts(fonts),
      m_footer(std::move(footer))
{
    const QRectF paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const double foot = mm(kFootMillimetres);
    m_body = QRectF(0.0, 0.0, paint.width(), std::max(1.0, paint.height() - foot));
    m_foot = QRectF(0.0, m_body.bottom(), paint.width(), foot);
    m_y = m_body.top();
}

double PageFlow::mm(double millimetres) const
{
    return millimetres * m_device.logicalDpiX() / 25.4;
}

void PageFlow::need(double height)
{
    // A heading waits for what follows it, so that it never stands alone at a page's foot.
    const QString heading = std::exchange(m_heading, QString());
    const double headingHeight = heading.isEmpty() ? 0.0 : headingBlockHeight(heading);
    // A block taller than a page starts on a fresh one and runs over its foot at worst; it is
    // never left out.
    if (m_y + headingHeight + height > m_body.bottom() && m_y > m_body.top())
        newPage();
    if (!heading.isEmpty())
        drawHeading(heading);
}

double PageFlow::headingBlockHeight(const QString& text) const
{
    return mm(2.5) + textHeight(text, m_fonts.heading, width()) + mm(2.5);
}

void PageFlow::drawHeading(const QString& text)
{
    const double height = textHeight(text, m_fonts.heading, width());
    m_y += mm(2.5);
    if (m_painter) {
        m_painter->save();
        m_painter->setFont(m_fonts.heading);
        m_painter->drawText(
            QRectF(m_body.left(), m_y, m_body.width(), height), Qt::AlignLeft | Qt::AlignTop, text);
        m_painter->setPen(QPen(Qt::black, mm(0.25)));
        const double line = m_y + height + mm(0.5);
        m_painter->drawLine(QPointF(m_body.left(), line), QPointF(m_body.right(), line));
        m_painter->restore();
    }
    m_y += height + mm(2.5);
}

void PageFlow::newPage()
{
    if (m_painter) {
        m_footer(*m_painter, m_foot, m_page);
        m_device.newPage();
    }
    ++m_page;
    m_y = m_body.top();
}

void PageFlow::finish()
{
    if (!m_heading.isEmpty())
        need(0.0);
    if (m_painter)
        m_footer(*m_painter, m_foot, m_page);
}

void PageFlow::block(double height, const std::function<void(QPainter&, const QRectF&)>& draw)
{
    need(height);
    if (m_painter) {
        m_painter->save();
        draw(*m_painter, QRectF(m_body.left(), m_y, m_body.width(), height));
        m_painter->restore();
    }
    m_y += height;
}

void PageFlow::space(double millimetres)
{
    if (!m_heading.isEmpty())
        return; // the room below a heading is its own
    m_y = std::min(m_y + mm(millimetres), m_body.bottom());
}

double PageFlow::textHeight(const QString& text, const QFont& font, double width) const
{
    const QFontMetricsF metrics(font, &m_device);
    if (text.isEmpty())
        return metrics.height();
    return metrics
        .boundingRect(QRectF(0.0, 0.0, std::max(1.0, width), 1e7),
            Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text)
        .height();
}

void PageFlow::paragraph(const QString& text, const QFont& font)
{
    const double height = textHeight(text, font, width());
    block(height, [&](QPainter& p, const QRectF& r) {
        p.setFont(font);
        p.drawText(r, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
    });
}

void PageFlow::heading(const QString& text)
{
    if (!m_heading.isEmpty())
        drawHeading(std::exchange(m_heading, QString()));
    m_heading = text;
}

void PageFlow::fields(const QList<QPair<QString, QString>>& rows)
{
    const QFontMetricsF metrics(m_fonts.bold, &m_device);
    double labelWidth = 0.0;
    for (const auto& row : rows)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(row.first));
    labelWidth = std::min(labelWidth + mm(3.0), width() / 2.0);
    const double valueWidth = width() - labelWidth;
    for (const auto& row : rows) {
        const double height = std::max(textHeight(row.first, m_fonts.bold, labelWidth),
            textHeight(row.second, m_fonts.body, valueWidth));
        block(height, [&](QPainter& p, const QRectF& r) {
            const int flags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop;
            p.setFont(m_fonts.bold);
            p.drawText(QRectF(r.left(), r.top(), labelWidth, r.height()), flags, row.first);
            p.setFont(m_fonts.body);
            p.drawText(
                QRectF(r.left() + labelWidth, r.top(), valueWidth, r.height()), flags, row.second);
        });
    }
}

double PageFlow::rowHeight(const ReportTable& table, const QStringList& cells, const QFont& font,
    const QList<double>& widths) const
{
    const double pad = mm(kCellPadMillimetres);
    double height = 0.0;
    for (qsizetype c = 0; c < table.columns.size(); ++c)
        height = std::max(height, textHeight(cells.value(c), font, widths[c] - 2.0 * pad));
    return height + pad;
}

void PageFlow::drawRow(const ReportTable& table, const QStringList& cells, const QFont& font,
    const QList<double>& widths, double height)
{
    const double pad = mm(kCellPadMillimetres);
    block(height, [&](QPainter& p, const QRectF& r) {
        p.setFont(font);
        double x = r.left();
        for (qsizetype c = 0; c < table.columns.size(); ++c) {
            const QRectF cell(x + pad, r.top() + pad / 2.0, widths[c] - 2.0 * pad, r.height());
            p.drawText(
                cell, Qt::TextWordWrap | Qt::AlignTop | table.columns[c].align, cells.value(c));
            x += widths[c];
        }
    });
}

void PageFlow::table(const ReportTable& table)
{
    double shares = 0.0;
    for (const auto& column : table.columns)
        shares += column.share;
    QList<double> widths;
    for (const auto& column : table.columns)
        widths.append(width() * column.share / std::max(shares, 1e-9));
    QStringList headers;
    for (const auto& column : table.columns)
        headers.append(column.header);
    const double headerHeight = rowHeight(table, headers, m_fonts.tableBold, widths);
    const auto header = [&] {
        drawRow(table, headers, m_fonts.tableBold, widths, headerHeight);
        block(mm(0.6), [&](QPainter& p, const QRectF& r) {
            p.setPen(QPen(Qt::black, mm(0.15)));
            p.drawLine(QPointF(r.left(), r.top() + mm(0.2)), QPointF(r.right(), r.top() + mm(0.2)));
        });
    };
    // The header and the first row stay together.
    const double first
        = table.rows.isEmpty() ? 0.0 : rowHeight(table, table.rows.first(), m_fonts.table, widths);
    need(headerHeight + mm(0.6) + first);
    header();
    for (const QStringList& row : table.rows) {
        const double height = rowHeight(table, row, m_fonts.table, widths);
        const int before = m_page;
        need(height);
        if (m_page != before)
            header();
        drawRow(table, row, m_fonts.table, widths, height);
    }
}

} // namespace tc4dl::report
