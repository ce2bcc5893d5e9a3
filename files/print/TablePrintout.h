#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QAbstractItemModel;
class QPrinter;

namespace tc4dl {

class Prompter;

// The table window's printout: every row of the grid, the heading row and the row-number
// column included, as lines of fixed-pitch text, one grid row a line. A cell is padded with
// spaces to its column's width (17 for the time column, 10 for the others) and a gap of two,
// so the columns line up on paper. Rows fill each page from one line below its top edge;
// each page but the last holds the same number of rows, and every row lies inside the
// printable area.
class TablePrintout {
public:
    // The grid as text: rowCount rows of columnCount cells, row 0 the heading row.
    struct Grid {
        int rowCount = 0;
        int columnCount = 0;
        std::function<QString(int row, int column)> cell;
    };

    static constexpr int kTimeColumn = 2;
    static constexpr int kTimeWidth = 17;
    static constexpr int kOtherWidth = 10;
    static constexpr int kColumnGap = 2;
    // The text whose height is the line height; it is never printed.
    static constexpr const char* kMeasureText = "String Grid Printout";

    // The grid of a table model: row 0 from the horizontal headers, then the model's rows;
    // with `rowNumbers` the vertical headers come first as column 0, headed by `corner` (a
    // model that keeps its row numbers in its own first column passes false).
    [[nodiscard]] static Grid gridOf(
        const QAbstractItemModel& model, bool rowNumbers, const QString& corner = QString());

    // One printed line.
    [[nodiscard]] static QString line(const QStringList& cells);
    [[nodiscard]] static QString padded(const QString& text, int column);

    // Rows on every full page for a printable height and a line height (at least one).
    [[nodiscard]] static int rowsPerPage(int printableHeight, int lineHeight);

    // Asks the print dialog on `printer` and prints; false when the user cancelled or the
    // job could not start.
    static bool run(const Grid& grid, QPrinter& printer, Prompter& prompter);
    // Prints without asking.
    static bool print(const Grid& grid, QPrinter& printer);
};

} // namespace tc4dl
