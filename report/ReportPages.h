#pragma once

#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>

class QPagedPaintDevice;
class QPainter;

namespace tc4dl::report {

// The fonts of a report: one family, embedded in the PDF as it is drawn.
struct ReportFonts {
    QFont title;
    QFont heading;
    QFont body;
    QFont bold;
    QFont small;
    QFont mono;
    QFont table;
    QFont tableBold;
};
[[nodiscard]] ReportFonts reportFonts();

// A table: a header row and rows of cells, each column a share of the width. A cell's text
// wraps within its column; nothing is cut off.
struct ReportTable {
    struct Column {
        QString header;
        double share = 1.0;
        Qt::Alignment align = Qt::AlignLeft;
    };
    QList<Column> columns;
    QList<QStringList> rows;
};

// Text flowing down the pages of a report. The same calls run twice: first only measuring (no
// painter), which counts the pages, then painting with that count known, so every page can say
// "Page 2 of 3". A block that does not fit below goes to the next page; a table goes on
// across pages with its header repeated.
class PageFlow {
public:
    // `painter` null: the measuring pass. `footer(painter, page)` draws a page's foot.
    PageFlow(QPagedPaintDevice& device, QPainter* painter, const ReportFonts& fonts,
        std::function<void(QPainter&, const QRectF& foot, int page)> footer);

    [[nodiscard]] bool painting() const { return m_painter != nullptr; }
    [[nodiscard]] QPainter* painter() const { return m_painter; }
    [[nodiscard]] const ReportFonts& fonts() const { return m_fonts; }
    [[nodiscard]] int page() const { return m_page; }
    [[nodiscard]] double width() const { return m_body.width(); }
    [[nodiscard]] double left() const { return m_body.left(); }
    [[nodiscard]] double y() const { return m_y; }
    // Device units per millimetre.
    [[nodiscard]] double mm(double millimetres) const;

    // Room for `height` below, or the next page.
    void need(double height);
    // A block of `height` at the current place: `draw(painter, rect)` paints it.
    void block(double height, const std::function<void(QPainter&, const QRectF&)>& draw);
    void space(double millimetres);

    [[nodiscard]] double textHeight(const QString& text, const QFont& font, double width) const;
    void paragraph(const QString& text, const QFont& font);
    // A section's heading: drawn with what follows it, on the next page when that does not fit.
    void heading(const QString& text);
    // Labels and their values in two columns, the labels as wide as the widest.
    void fields(const QList<QPair<QString, QString>>& rows);
    void table(const ReportTable& table);

    // Ends the last page (its foot); the pages counted so far are all there are.
    void finish();

private:
    void newPage();
    [[nodiscard]] double headingBlockHeight(const QString& text) const;
    void drawHeading(const QString& text);
    double rowHeight(const ReportTable& table, const QStringList& cells, const QFont& font,
        const QList<double>& widths) const;
    void drawRow(const ReportTable& table, const QStringList& cells, const QFont& font,
        const QList<double>& widths, double height);

    QPagedPaintDevice& m_device;
    QPainter* m_painter;
    ReportFonts m_fonts;
    std::function<void(QPainter&, const QRectF&, int)> m_footer;
    QRectF m_body;
    QRectF m_foot;
    double m_y = 0.0;
    int m_page = 1;
    QString m_heading; // waiting for the block after it
};

} // namespace tc4dl::report
