// The table printout: the padding rule of its lines, the page layout, and what a printer
// really gets (printed to PDF and read back as text).

#include "ScriptedPrompter.h"
#include "TablePrintout.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace tc4dl;
using testing::ScriptedPrompter;

namespace {

QString spaces(int n)
{
    return QString(n, QLatin1Char(' '));
}

// A table as the table window holds it: the row numbers in the vertical headers.
std::unique_ptr<QStandardItemModel> table(int rows)
{
    auto model = std::make_unique<QStandardItemModel>(rows, 6);
    model->setHorizontalHeaderLabels({ "Date", "Time", "T1", "T2", "T3", "T4" });
    for (int r = 0; r < rows; ++r) {
        model->setVerticalHeaderItem(r, new QStandardItem(QString::number(r + 1)));
        const QStringList cells { "15.04.2013",
            QStringLiteral("14:%1:09").arg(r % 60, 2, 10, QLatin1Char('0')), "21.5", "OL", "-3.2",
            QStringLiteral("%1.0").arg(r) };
        for (int c = 0; c < 6; ++c)
            model->setItem(r, c, new QStandardItem(cells[c]));
    }
    return model;
}

// The pages of a PDF as text lines, blank lines dropped.
QList<QStringList> pdfPages(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), { "-layout", path, "-" });
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    QList<QStringList> pages;
    for (const QString& page : QString::fromUtf8(process.readAllStandardOutput()).split('\f')) {
        QStringList lines;
        for (const QString& l : page.split('\n'))
            if (!l.trimmed().isEmpty())
                lines << l.trimmed();
        if (!lines.isEmpty())
            pages << lines;
    }
    return pages;
}

void pdfPrinter(QPrinter& printer, const QString& path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
}

} // namespace

class TestTablePrintout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is needed to read the printouts back");
    }

    // Every column starts at the same character on every line: a field of its width and a
    // gap of two.
    void linesLineUpInFixedFields_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("line");
        QTest::newRow("one-digit row number")
            << QStringList { "7", "x" } << "7" + spaces(11) + "x" + spaces(11);
        QTest::newRow("two-digit row number")
            << QStringList { "42", "x" } << "42" + spaces(10) + "x" + spaces(11);
        QTest::newRow("ten-character date keeps the gap before the time")
            << QStringList { "1", "15.04.2013", "14:05:09" }
            << "1" + spaces(11) + "15.04.2013" + spaces(2) + "14:05:09" + spaces(11);
        QTest::newRow("time column is 17 wide") << QStringList { "", "", "14:05:09 PM",
            "1" } << spaces(12) + spaces(12) + "14:05:09 PM" + spaces(8) + "1" + spaces(11);
        QTest::newRow("longer than its field")
            << QStringList { "1234567890123", "", "12345678901234567890" }
            << "1234567890123" + spaces(1) + spaces(12) + "12345678901234567890" + spaces(1);
        QTest::newRow("heading") << QStringList { "No", "Date", "Time", "T1", "T2", "T3", "T4" }
                                 << "No" + spaces(10) + "Date" + spaces(8) + "Time" + spaces(15)
                + "T1" + spaces(10) + "T2" + spaces(10) + "T3" + spaces(10) + "T4" + spaces(10);
        QTest::newRow("no cells") << QStringList {} << "";
    }

    void linesLineUpInFixedFields()
    {
        QFETCH(QStringList, cells);
        QFETCH(QString, line);
        QCOMPARE(TablePrintout::line(cells), line);
        // Rows 1-9 and 10 on line up column for column.
        if (cells.size() == 2)
            QCOMPARE(line.indexOf(QLatin1Char('x')), 12);
    }

    void rowsPerPage_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("lineHeight");
        QTest::addColumn<int>("rows");
        QTest::newRow("exact") << 1000 << 20 << 49;
        QTest::newRow("remainder") << 1019 << 20 << 49;
        QTest::newRow("two lines") << 40 << 20 << 1;
        QTest::newRow("smaller than a line") << 10 << 20 << 1;
        QTest::newRow("no line height") << 1000 << 0 << 1;
    }

    void rowsPerPage()
    {
        QFETCH(int, height);
        QFETCH(int, lineHeight);
        QFETCH(int, rows);
        const int got = TablePrintout::rowsPerPage(height, lineHeight);
        QCOMPARE(got, rows);
        // A page's rows, from one line below the top, end inside it where any fits.
        if (lineHeight > 0 && height >= 2 * lineHeight)
            QVERIFY((got + 1) * lineHeight <= height);
    }

    void gridOfATableModel()
    {
        const auto model = table(2);
        const TablePrintout::Grid withNumbers = TablePrintout::gridOf(*model, true);
        QCOMPARE(withNumbers.rowCount, 3);
        QCOMPARE(withNumbers.columnCount, 7);
        QCOMPARE(withNumbers.cell(0, 0), QString());
        QCOMPARE(TablePrintout::gridOf(*model, true, QStringLiteral("No")).cell(0, 0),
            QStringLiteral("No"));
        QCOMPARE(withNumbers.cell(0, 1), QStringLiteral("Date"));
        QCOMPARE(withNumbers.cell(2, 0), QStringLiteral("2"));
        QCOMPARE(withNumbers.cell(2, 6), QStringLiteral("1.0"));
        const TablePrintout::Grid own = TablePrintout::gridOf(*model, false);
        QCOMPARE(own.columnCount, 6);
        QCOMPARE(own.cell(1, 0), QStringLiteral("15.04.2013"));
    }

    void printsEveryRowOnEqualPages_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("one page") << 5;
        QTest::newRow("several pages") << 230;
    }

    void printsEveryRowOnEqualPages()
    {
        QFETCH(int, rows);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("table.pdf"));
        const auto model = table(rows);
        QPrinter printer(QPrinter::HighResolution);
        pdfPrinter(printer, path);
        QVERIFY(TablePrintout::print(
            TablePrintout::gridOf(*model, true, QStringLiteral("No")), printer));

        const QList<QStringList> pages = pdfPages(path);
        QVERIFY(!pages.isEmpty());
        QStringList all;
        for (const QStringList& page : pages)
            all << page;
        QCOMPARE(all.size(), rows + 1);
        QVERIFY(all.constFirst().startsWith(QStringLiteral("No")));
        QVERIFY(all.constFirst().endsWith(QStringLiteral("T4")));
        for (int r = 1; r <= rows; ++r) {
            // Each row whole and in order: its number first, its last cell last.
            const QStringList words = all[r].split(' ', Qt::SkipEmptyParts);
            QCOMPARE(words.constFirst(), QString::number(r));
            QCOMPARE(words.constLast(), QStringLiteral("%1.0").arg(r - 1));
        }
        for (int p = 1; p + 1 < pages.size(); ++p)
            QCOMPARE(pages[p].size(), pages[0].size());
        QVERIFY(pages.constLast().size() <= pages[0].size());
        if (rows > 200)
            QVERIFY(pages.size() > 1);
    }

    void cancelledPrintDialogPrintsNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("none.pdf"));
        QPrinter printer;
        pdfPrinter(printer, path);
        ScriptedPrompter prompter;
        prompter.printAnswers << false << true;
        const auto model = table(3);
        QVERIFY(!TablePrintout::run(TablePrintout::gridOf(*model, true), printer, prompter));
        QVERIFY(!QFile::exists(path));
        QVERIFY(TablePrintout::run(TablePrintout::gridOf(*model, true), printer, prompter));
        QCOMPARE(pdfPages(path).value(0).size(), 4);
        QCOMPARE(prompter.printQuestions.size(), 2);
    }
};

QTEST_MAIN(TestTablePrintout)
#include "tst_tableprintout.moc"
