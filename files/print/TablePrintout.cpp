#include "TablePrintout.h"

#include "Prompter.h"

#include <QAbstractItemModel>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace tc4dl {

namespace {

// The printer font: a fixed-pitch face of 8 points, whatever the system calls it.
QFont printerFont()
{
    QFont font(QStringLiteral("Monospace"), 8);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

} // namespace

TablePrintout::Grid TablePrintout::gridOf(
    const QAbstractItemModel& model, bool rowNumbers, const QString& corner)
{
    const int first = rowNumbers ? 1 : 0;
    Grid grid;
    grid.rowCount = model.rowCount() + 1;
    grid.columnCount = model.columnCount() + first;
    grid.cell = [&model, first, corner](int row, int column) {
        if (row == 0)
            return column < first ? corner
                                  : model.headerData(column - first, Qt::Horizontal).toString();
        if (column < first)
            return model.headerData(row - 1, Qt::Vertical).toString();
        return model.data(model.index(row - 1, column - first)).toString();
    };
    return grid;
}

QString TablePrintout::padded(const QString& text, int column)
{
    // Each column is a field of its width and a gap, so that in the fixed-pitch printer font
    // every column starts at the same place on every line, headings and one-digit row numbers
    // included. A longer text still gets one space, or a date and the time after it would
    // print as one unreadable run of digits.
    const int field = (column == kTimeColumn ? kTimeWidth : kOtherWidth) + kColumnGap;
    const qsizetype missing = field - text.size();
    return text + QString(missing > 0 ? missing : 1, QLatin1Char(' '));
}

QString TablePrintout::line(const QStringList& cells)
{
    QString out;
    for (int c = 0; c < cells.size(); ++c)
        out += padded(cells[c], c);
    return out;
}

int TablePrintout::rowsPerPage(int printableHeight, int lineHeight)
{
    if (lineHeight <= 0)
        return 1;
    // One line of top margin, then as many rows as fit wholly.
    return std::max(1, printableHeight / lineHeight - 1);
}

bool TablePrintout::run(const Grid& grid, QPrinter& printer, Prompter& prompter)
{
    if (!prompter.printDialog(printer))
        return false;
    return print(grid, printer);
}

bool TablePrintout::print(const Grid& grid, QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QFont font = printerFont();
    painter.setFont(font);
    const QFontMetrics metrics(font, &printer);
    // The height of the measuring text is the font's line height, whatever the text.
    const int h = std::max(1, metrics.size(0, QLatin1String(kMeasureText)).height());
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    const int perPage = rowsPerPage(area.height(), h);
    int onPage = 0;
    for (int r = 0; r < grid.rowCount; ++r) {
        if (onPage == perPage) {
            if (!printer.newPage())
                return false;
            onPage = 0;
        }
        QStringList cells;
        cells.reserve(grid.columnCount);
        for (int c = 0; c < grid.columnCount; ++c)
            cells << grid.cell(r, c);
        ++onPage;
        // Top of the text at y: the baseline lies the font's ascent below it.
        painter.drawText(QPoint(1, onPage * h + metrics.ascent()), line(cells));
    }
    return painter.end();
}

} // namespace tc4dl
