#include "ChartModel.h"
#include "GraphStateFile.h"

#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

using namespace tc4dl::chart;

namespace {

// A model in which every setting differs from its default, with annotations (one holding a
// line break), both vertical lines and 4 × 1000 random cells.
ChartModel fullModel(quint32 seed = 4711)
{
    QRandomGenerator random(seed);
    ChartModel m;
    ChartLook& l = m.look;
    l.mainTitle = QStringLiteral("Kiln ÄÖÜ");
    l.subTitle = QStringLiteral(" ");
    l.xAxisLabel = QStringLiteral("Zeit");
    l.subsetLabels
        = { QStringLiteral("T1"), QStringLiteral("T2"), QString(), QStringLiteral("T4") };
    l.subsetColors = { 0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF };
    l.yAxisLabels = { QStringLiteral("a"), QStringLiteral("b") };
    l.gridStyle = GridStyle::Dash;
    l.graphForeColor = 0x010203;
    l.graphBackColor = 0x040506;
    l.deskColor = 0x070809;
    l.textColor = 0x0A0B0C;
    l.dateTimeMode = false;
    l.usingXDataII = false;
    l.xScale = { ScaleControl::ManualMinAndMax, 46000.25, 46000.5 };
    l.yScales = { { ScaleControl::ManualMinAndMax, -10, 50 }, { ScaleControl::Auto, -1.5, 2.5 } };
    l.multiAxesSubsets = { 1, 1, 1, 1 };
    l.multiAxesProportions = { 0.25, 0.25, 0.25, 0.25 };
    l.multiAxesThinSeparators = false;
    l.showGraphAnnotations = false;
    l.graphAnnotationTextSize = 80;
    l.showVertLineAnnotations = true;
    l.allowVertLineAnnotHotSpots = true;
    l.lineAnnotationTextSize = 120;
    l.allowGraphAnnotHotSpots = true;
    l.allowDataHotSpots = true;
    l.prepareImages = false;
    l.subsetByPoint = true;
    l.noHelp = false;
    l.allowPopup = true;
    l.allowDataLabels = DataLabels::Values;
    l.allowZooming = Zooming::HorzPlusVert;
    l.scrollingHorzZoom = true;
    l.scrollingVertZoom = true;
    l.allowAxisPage = false;
    l.arrowCursor = 2;
    l.noRandomPointsToExport = true;
    l.focalRect = false;
    l.allowBar = false;
    l.lineGapThreshold = 123.5;
    l.allowFontPage = false;
    l.allowPage1 = false;
    l.allowPage2 = false;
    l.allowSubsetsPage = false;

    m.setNullY(-7777.0f);
    m.setWorkingAxis(3);
    m.setVertLine(0, { 46000.3, 0xFF0000 });
    m.setVertLine(1, { 46000.4, 0x0000FF });
    m.setAnnotation(
        2, { kAnnotationCross, 46000.3, 21.5, QStringLiteral("13:04:05\r21.5"), 0x000000 });
    m.setAnnotation(4, { kAnnotationText, 46000.35, -3.25, QStringLiteral("note"), 0x123456 });
    m.setAnnotation(5, { 7, 1.0, 2.0, QString(), 0xABCDEF }); // a type we do not draw stays

    m.setSubsets(4);
    m.setPoints(1000);
    std::vector<double> xs(4000);
    std::vector<float> ys(4000);
    for (std::size_t i = 0; i < xs.size(); ++i) {
        xs[i] = 46000.0 + random.generateDouble();
        ys[i] = static_cast<float>(random.bounded(-500.0) + 250.0);
    }
    m.setAllX(xs.data(), static_cast<qsizetype>(xs.size()));
    m.setAllY(ys.data(), static_cast<qsizetype>(ys.size()));
    return m;
}

// Everything storeState covers; two models are the same state when their blocks are equal.
void compareModels(const ChartModel& a, const ChartModel& b)
{
    QVERIFY(a.look == b.look);
    QCOMPARE(a.nullY(), b.nullY());
    QCOMPARE(a.workingAxis(), b.workingAxis());
    QCOMPARE(a.annotationCount(), b.annotationCount());
    for (int i = 0; i < a.annotationCount(); ++i)
        QVERIFY2(a.annotation(i) == b.annotation(i), qPrintable(QString::number(i)));
    for (int i = 0; i < 2; ++i)
        QVERIFY(a.vertLine(i) == b.vertLine(i));
    QCOMPARE(a.subsets(), b.subsets());
    QCOMPARE(a.points(), b.points());
    QVERIFY(a.xValues() == b.xValues());
    QVERIFY(a.yValues() == b.yValues());
}

QByteArray withLength(const QByteArray& block)
{
    char length[4];
    qToLittleEndian(static_cast<quint32>(block.size()), length);
    return QByteArray(length, 4) + block;
}

void putI32(QByteArray& bytes, qsizetype at, qint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

} // namespace

class TestChartModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void roundTripKeepsEverySettingAndTheData()
    {
        const ChartModel original = fullModel();
        QVERIFY(!(original.look == ChartLook {}));
        ChartModel copy;
        QString error;
        QVERIFY2(copy.loadState(original.storeState(), &error), qPrintable(error));
        compareModels(original, copy);
        QCOMPARE(copy.annotation(2).text, QStringLiteral("13:04:05\r21.5"));
        QCOMPARE(copy.storeState(), original.storeState());
    }

    void ghfFileHoldsLengthThenBlock()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("graph.ghf"));
        const ChartModel original = fullModel();
        QString error;
        QVERIFY2(saveGraphState(original, path, &error), qPrintable(error));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.size() > 4);
        QCOMPARE(
            qFromLittleEndian<quint32>(bytes.constData()), static_cast<quint32>(bytes.size() - 4));
        QCOMPARE(bytes.mid(4), original.storeState());

        ChartModel loaded;
        QVERIFY2(loadGraphState(loaded, path, &error), qPrintable(error));
        compareModels(original, loaded);
    }

    void saveToImpossiblePathNamesTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("no/such/folder/graph.ghf"));
        QString error;
        QVERIFY(!saveGraphState(ChartModel(), path, &error));
        QVERIFY2(error.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(path)),
            qPrintable(error));
        QVERIFY(!QFile::exists(path));
    }

    void loadMissingFileNamesTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing.ghf"));
        ChartModel m;
        QString error;
        QVERIFY(!loadGraphState(m, path, &error));
        QVERIFY2(error.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(path)),
            qPrintable(error));
    }

    void badFilesAreRejected_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected"); // a part of the error text

        const QByteArray block = fullModel().storeState();
        const QByteArray file = withLength(block);
        const QString streamError = QStringLiteral("Stream read error");

        QTest::newRow("empty file") << QByteArray() << streamError;
        QTest::newRow("two bytes") << QByteArray("\x10\x00", 2) << streamError;
        QTest::newRow("block cut short") << file.left(file.size() - 1) << streamError;
        QTest::newRow("length only") << file.left(4) << streamError;
        // More than any graph can take: refused on its length, before the block is read.
        QTest::newRow("length 0xFFFFFFFF")
            << (QByteArray(4, '\xFF') + block.left(100)) << QStringLiteral("never takes more than");

        QTest::newRow("empty block") << withLength(QByteArray()) << QStringLiteral("magic");
        QByteArray magic = block;
        magic[0] = 'X';
        QTest::newRow("wrong magic") << withLength(magic) << QStringLiteral("magic");
        QByteArray version = block;
        putI32(version, 4, 2);
        QTest::newRow("wrong version") << withLength(version) << QStringLiteral("version 2");

        // An empty model's block ends with subsets and points: claim far more cells.
        QByteArray empty = ChartModel().storeState();
        QVERIFY(empty.size() <= 200);
        QByteArray huge = empty;
        putI32(huge, huge.size() - 8, 64);
        putI32(huge, huge.size() - 4, 10000000);
        QTest::newRow("64 x 10^7 cells") << withLength(huge) << QStringLiteral("at most");
        QByteArray short_ = empty;
        putI32(short_, short_.size() - 4, 1000000);
        QTest::newRow("cells beyond the bytes") << withLength(short_) << QStringLiteral("bytes");
        QByteArray negative = empty;
        putI32(negative, negative.size() - 4, -1);
        QTest::newRow("negative points") << withLength(negative) << QStringLiteral("-1 points");
        QByteArray noSubsets = empty;
        putI32(noSubsets, noSubsets.size() - 8, 0);
        QTest::newRow("zero subsets") << withLength(noSubsets) << QStringLiteral("0 subsets");
        QTest::newRow("trailing byte")
            << withLength(block + QByteArray(1, '\0')) << QStringLiteral("bytes");

        // The main title's length field sits right after magic and version.
        QByteArray longTitle = block;
        putI32(longTitle, 8, 0x7FFFFFFF);
        QTest::newRow("title longer than block")
            << withLength(longTitle) << QStringLiteral("entries");
        QByteArray badSwitch = empty;
        // dateTimeMode follows the three titles, three empty lists, grid style, four colours.
        const qsizetype switchAt = 8 + 3 * 4 + 3 * 4 + 4 + 4 * 4;
        QCOMPARE(badSwitch[switchAt], '\1');
        badSwitch[switchAt] = 2;
        QTest::newRow("switch of value 2") << withLength(badSwitch) << QStringLiteral("switch");
        QByteArray badGrid = empty;
        putI32(badGrid, switchAt - 4 * 4 - 4, 9);
        QTest::newRow("grid style 9") << withLength(badGrid) << QStringLiteral("0..3");
    }
    void badFilesAreRejected()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.ghf"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(content), content.size());
        }
        ChartModel m = fullModel(99);
        const QByteArray before = m.storeState();
        const quint64 revision = m.revision();
        QString error;
        QVERIFY(!loadGraphState(m, path, &error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QCOMPARE(m.revision(), revision);
        QCOMPARE(m.storeState(), before);
    }

    // Damaged blocks must never crash; a rejected one leaves the model alone, an accepted one
    // is a consistent state that survives its own round trip.
    void damagedBlocksNeverCrash()
    {
        ChartModel source;
        source.setSubsets(4);
        source.setPoints(20);
        for (int p = 0; p < 20; ++p)
            for (int s = 0; s < 4; ++s) {
                source.setX(s, p, 46000 + p / 86400.0);
                source.setY(s, p, p * 1.5 - s);
            }
        for (int i = 0; i < 5; ++i)
            source.setAnnotation(i, { i % 3, i * 1.0, i * 2.0, QStringLiteral("a\rb"), 0x10203 });
        source.look.subsetLabels = { QStringLiteral("T1"), QStringLiteral("T2") };
        source.look.multiAxesSubsets = { 1, 1, 1, 1 };
        const QByteArray valid = source.storeState();

        QRandomGenerator random(20261209);
        ChartModel target = fullModel(5);
        QByteArray reference = target.storeState();
        int accepted = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray block = valid;
            const int kind = random.bounded(3);
            if (kind != 1)
                block.truncate(random.bounded(static_cast<int>(block.size()) + 1));
            if (kind != 0 && !block.isEmpty()) {
                const int flips = 1 + random.bounded(4);
                for (int f = 0; f < flips; ++f)
                    block[random.bounded(static_cast<int>(block.size()))]
                        = static_cast<char>(random.bounded(256));
            }
            QString error;
            if (target.loadState(block, &error)) {
                ++accepted;
                reference = target.storeState();
                ChartModel again;
                QVERIFY(again.loadState(reference));
                QCOMPARE(again.storeState(), reference);
            } else {
                QVERIFY(!error.isEmpty());
                QCOMPARE(target.storeState(), reference);
            }
        }
        // Flips inside the cells give valid data, so some blocks must have been taken.
        QVERIFY(accepted > 0);
    }

    void resizingKeepsRemainingCells_data()
    {
        QTest::addColumn<int>("subsets");
        QTest::addColumn<int>("points");
        QTest::newRow("more points") << 3 << 8;
        QTest::newRow("fewer points") << 3 << 2;
        QTest::newRow("no points") << 3 << 0;
        QTest::newRow("more subsets") << 5 << 5;
        QTest::newRow("one subset") << 1 << 5;
        QTest::newRow("both change") << 2 << 9;
        QTest::newRow("most subsets") << 64 << 5;
    }
    void resizingKeepsRemainingCells()
    {
        QFETCH(int, subsets);
        QFETCH(int, points);
        ChartModel m;
        m.setSubsets(3);
        m.setPoints(5);
        for (int s = 0; s < 3; ++s)
            for (int p = 0; p < 5; ++p) {
                m.setX(s, p, 100 * s + p);
                m.setY(s, p, -(100 * s + p));
            }
        m.setSubsets(subsets);
        m.setPoints(points);
        QCOMPARE(m.subsets(), subsets);
        QCOMPARE(m.points(), points);
        QCOMPARE(m.xValues().size(), std::size_t(subsets) * std::size_t(points));
        for (int s = 0; s < subsets; ++s)
            for (int p = 0; p < points; ++p) {
                const bool kept = s < 3 && p < 5;
                QCOMPARE(m.x(s, p), kept ? 100.0 * s + p : 0.0);
                QCOMPARE(m.y(s, p), kept ? -(100.0f * s + p) : m.nullY());
            }
    }

    // A window switching data sets loads a small state (the template) over a long graph and
    // grows it again: the room kept from the long graph must never show through as cells.
    void shorterStatesOverLongGraphsKeepNoOldCells_data()
    {
        QTest::addColumn<int>("loadedPoints");
        QTest::addColumn<int>("grownTo");
        QTest::newRow("empty template, regrown") << 0 << 3000;
        QTest::newRow("short state, regrown") << 10 << 3000;
        QTest::newRow("short state, grown beyond") << 10 << 5000;
        QTest::newRow("short state, kept short") << 10 << 10;
    }
    void shorterStatesOverLongGraphsKeepNoOldCells()
    {
        QFETCH(int, loadedPoints);
        QFETCH(int, grownTo);
        ChartModel small;
        small.setSubsets(4);
        small.setPoints(loadedPoints);
        for (int p = 0; p < loadedPoints; ++p)
            small.setY(1, p, 5.0 + p);
        const QByteArray state = small.storeState();

        ChartModel m = fullModel();
        m.setPoints(3000);
        m.setX(0, -1, 123.0);
        m.setY(0, -1, 45.0);
        QVERIFY(m.loadState(state));
        compareModels(m, small);
        m.setPoints(grownTo);
        for (int s = 0; s < 4; ++s)
            for (int p = loadedPoints; p < grownTo; ++p) {
                QCOMPARE(m.x(s, p), 0.0);
                QCOMPARE(m.y(s, p), m.nullY());
            }
        QCOMPARE(m.xValues().size(), std::size_t(4) * std::size_t(grownTo));
    }

    void sizesAreBounded()
    {
        ChartModel m;
        m.setSubsets(1000);
        QCOMPARE(m.subsets(), ChartModel::kMaxSubsets);
        m.setSubsets(0);
        QCOMPARE(m.subsets(), 1);
        m.setPoints(-5);
        QCOMPARE(m.points(), 0);
        for (int i : { -1, ChartModel::kMaxAnnotations })
            m.setAnnotation(i, { kAnnotationCross, 1, 1, QStringLiteral("x"), 0 });
        QCOMPARE(m.annotationCount(), 0);
        m.setAnnotation(9, {});
        QCOMPARE(m.annotationCount(), 10);
    }

    void pointMinusOneAddressesTheWholeSubset()
    {
        ChartModel m;
        m.setSubsets(4);
        m.setPoints(6);
        m.setX(1, -1, 46000.5);
        m.setY(2, -1, 21.25);
        for (int p = 0; p < 6; ++p)
            for (int s = 0; s < 4; ++s) {
                QCOMPARE(m.x(s, p), s == 1 ? 46000.5 : 0.0);
                QCOMPARE(m.y(s, p), s == 2 ? 21.25f : 9999.0f);
            }
        // Reads outside the cells give X 0 and Y null; writes there change nothing.
        const quint64 revision = m.revision();
        for (auto [s, p] : std::initializer_list<std::pair<int, int>> {
                 { 1, -1 }, { -1, 0 }, { 4, 0 }, { 0, 6 }, { 0, -2 } }) {
            QCOMPARE(m.x(s, p), 0.0);
            QCOMPARE(m.y(s, p), 9999.0f);
            m.setX(s, p, 1.0);
            m.setY(s, p, 1.0);
        }
        QCOMPARE(m.revision(), revision + 2); // only the two writes to point -1 of subset 1
        QCOMPARE(m.y(1, 0), 1.0f);
    }

    void wholeArrayWritesArePointMajor()
    {
        ChartModel m;
        m.setSubsets(4);
        m.setPoints(3);
        std::vector<double> xs(12);
        std::vector<float> ys(12);
        for (int i = 0; i < 12; ++i) {
            xs[std::size_t(i)] = i;
            ys[std::size_t(i)] = 0.5f * i;
        }
        m.setAllX(xs.data(), 12);
        m.setAllY(ys.data(), 12);
        for (int p = 0; p < 3; ++p)
            for (int s = 0; s < 4; ++s) {
                QCOMPARE(m.x(s, p), double(p * 4 + s));
                QCOMPARE(m.y(s, p), 0.5f * (p * 4 + s));
            }
        // A short buffer fills the first cells; a long one stops at the last cell.
        const std::vector<double> two { -1, -2 };
        m.setAllX(two.data(), 2);
        QCOMPARE(m.x(0, 0), -1.0);
        QCOMPARE(m.x(1, 0), -2.0);
        QCOMPARE(m.x(2, 0), 2.0);
        std::vector<float> many(100, 7.0f);
        m.setAllY(many.data(), 100);
        QCOMPARE(m.y(3, 2), 7.0f);
        QCOMPARE(m.yValues().size(), std::size_t(12));
    }

    void scalesFollowTheWorkingAxis()
    {
        ChartModel m;
        m.setWorkingAxis(2);
        m.setYScale({ ScaleControl::ManualMinAndMax, -10, 50 });
        m.setYAxisLabel(QStringLiteral("T3"));
        QCOMPARE(m.look.yScales.size(), 3);
        QVERIFY((m.yScale(2) == Scale { ScaleControl::ManualMinAndMax, -10, 50 }));
        QVERIFY(m.yScale(0) == Scale {});
        QVERIFY(m.yScale(7) == Scale {});
        QCOMPARE(m.yAxisLabel(2), QStringLiteral("T3"));
        QCOMPARE(m.yAxisLabel(1), QString());
        m.setWorkingAxis(-3);
        QCOMPARE(m.workingAxis(), 0);
        m.setWorkingAxis(1000);
        QCOMPARE(m.workingAxis(), ChartModel::kMaxSubsets - 1);
    }

    void multiAxesListsGrowAndEmpty()
    {
        ChartModel m;
        m.setMultiAxesSubsets(3, 1);
        m.setMultiAxesProportions(1, 0.5);
        QCOMPARE(m.look.multiAxesSubsets, (QList<int> { 0, 0, 0, 1 }));
        QCOMPARE(m.look.multiAxesProportions, (QList<double> { 0.0, 0.5 }));
        m.setMultiAxesSubsets(ChartModel::kMaxSubsets, 1);
        m.setMultiAxesProportions(-2, 1.0);
        QCOMPARE(m.look.multiAxesSubsets.size(), 4);
        QCOMPARE(m.look.multiAxesProportions.size(), 2);
        m.setMultiAxesSubsets(-1, 0);
        QVERIFY(m.look.multiAxesSubsets.isEmpty());
        m.setMultiAxesProportions(-1, 0);
        QVERIFY(m.look.multiAxesProportions.isEmpty());
    }

    void axesFollowMultiAxesSubsets_data()
    {
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<QList<double>>("proportions");
        QTest::addColumn<int>("axes");
        QTest::addColumn<QList<int>>("axisOfSubset"); // of subsets 0..3

        QTest::newRow("no list") << QList<int> {} << QList<double> {} << 1
                                 << QList<int> { 0, 0, 0, 0 };
        QTest::newRow("split view")
            << QList<int> { 1, 1, 1, 1 } << QList<double> { .25, .25, .25, .25 } << 4
            << QList<int> { 0, 1, 2, 3 };
        QTest::newRow("proportion 1.0 shares")
            << QList<int> { 1, 1, 1, 1 } << QList<double> { 1.0 } << 1 << QList<int> { 0, 0, 0, 0 };
        QTest::newRow("emptied, then 1.0") << QList<int> {} << QList<double> { 1.0, .25, .25, .25 }
                                           << 1 << QList<int> { 0, 0, 0, 0 };
        QTest::newRow("two pairs")
            << QList<int> { 2, 2 } << QList<double> { .5, .5 } << 2 << QList<int> { 0, 0, 1, 1 };
        QTest::newRow("one axis of all")
            << QList<int> { 4 } << QList<double> { .25 } << 1 << QList<int> { 0, 0, 0, 0 };
        QTest::newRow("rest stays on last")
            << QList<int> { 1, 1 } << QList<double> { .5, .5 } << 2 << QList<int> { 0, 1, 1, 1 };
        QTest::newRow("empty axis kept") << QList<int> { 1, 0, 3 } << QList<double> { .3, .3, .4 }
                                         << 3 << QList<int> { 0, 2, 2, 2 };
        QTest::newRow("list beyond subsets")
            << QList<int> { 2, 2, 1, 1 } << QList<double> { .25 } << 2 << QList<int> { 0, 0, 1, 1 };
        QTest::newRow("huge group") << QList<int> { 1, 0x7FFFFFFF, 1 } << QList<double> { .5, .5 }
                                    << 2 << QList<int> { 0, 1, 1, 1 };
    }
    void axesFollowMultiAxesSubsets()
    {
        QFETCH(QList<int>, counts);
        QFETCH(QList<double>, proportions);
        QFETCH(int, axes);
        QFETCH(QList<int>, axisOfSubset);
        ChartModel m;
        m.setSubsets(4);
        m.look.multiAxesSubsets = counts;
        m.look.multiAxesProportions = proportions;
        QCOMPARE(m.axisCount(), axes);
        QCOMPARE(m.isSplit(), axes > 1);
        for (int s = 0; s < 4; ++s)
            QCOMPARE(m.axisOfSubset(s), axisOfSubset[s]);
    }

    // Axis groups in a stored state must split the subsets into axes the graph can draw; any
    // other list is an impossible count like the others, and the block is rejected whole.
    void stateAxisGroupsMustFitTheSubsets_data()
    {
        QTest::addColumn<int>("subsets");
        QTest::addColumn<QList<int>>("groups");
        QTest::addColumn<bool>("accepted");

        QTest::newRow("none") << 4 << QList<int> {} << true;
        QTest::newRow("split view") << 4 << QList<int> { 1, 1, 1, 1 } << true;
        QTest::newRow("split view of one channel") << 1 << QList<int> { 1, 1, 1, 1 } << true;
        QTest::newRow("two pairs") << 4 << QList<int> { 2, 2 } << true;
        QTest::newRow("one of all") << 4 << QList<int> { 4 } << true;
        QTest::newRow("overflowing group") << 2 << QList<int> { 1, 0x7FFFFFFF } << false;
        QTest::newRow("group larger than subsets") << 4 << QList<int> { 5 } << false;
        QTest::newRow("empty group") << 4 << QList<int> { 1, 0, 3 } << false;
        QTest::newRow("negative group") << 4 << QList<int> { -1, 5 } << false;
        QTest::newRow("subsets left without axis") << 4 << QList<int> { 1, 1 } << false;
        QTest::newRow("more groups than subsets can be")
            << ChartModel::kMaxSubsets << QList<int>(ChartModel::kMaxSubsets + 1, 1) << false;
    }
    void stateAxisGroupsMustFitTheSubsets()
    {
        QFETCH(int, subsets);
        QFETCH(QList<int>, groups);
        QFETCH(bool, accepted);
        ChartModel written;
        written.setSubsets(subsets);
        written.setPoints(2);
        written.look.multiAxesSubsets = groups;
        const QByteArray block = written.storeState();

        ChartModel m;
        m.setSubsets(3);
        m.look.mainTitle = QStringLiteral("kept");
        const QByteArray before = m.storeState();
        QString error;
        QCOMPARE(m.loadState(block, &error), accepted);
        if (accepted) {
            QCOMPARE(m.look.multiAxesSubsets, groups);
            for (int s = 0; s < subsets; ++s)
                QVERIFY(m.axisOfSubset(s) >= 0 && m.axisOfSubset(s) < m.axisCount());
        } else {
            QVERIFY(error.contains(QStringLiteral("axis group")));
            QCOMPARE(m.storeState(), before);
        }
    }

    void changesTellTheFirstChangedPoint()
    {
        ChartModel m;
        m.setSubsets(4);
        m.setPoints(10);
        m.markSeen();
        QCOMPARE(m.firstChangedPoint(), 10);

        quint64 revision = m.revision();
        m.setY(1, 7, 3.0);
        QCOMPARE(m.firstChangedPoint(), 7);
        m.setX(0, 8, 3.0);
        QCOMPARE(m.firstChangedPoint(), 7);
        QVERIFY(m.revision() > revision);

        m.setPoints(5);
        QCOMPARE(m.firstChangedPoint(), 5);
        m.markSeen();
        m.setPoints(12);
        QCOMPARE(m.firstChangedPoint(), 5);

        m.markSeen();
        revision = m.revision();
        m.setAnnotation(4, {});
        m.setVertLine(0, { 1.0, 0 });
        m.setYScale({});
        m.touchLook();
        QCOMPARE(m.revision(), revision + 4);
        QCOMPARE(m.firstChangedPoint(), 12);

        for (int change = 0; change < 4; ++change) {
            m.markSeen();
            const float one = 1.0f;
            const double zero = 0.0;
            switch (change) {
            case 0:
                m.setAllY(&one, 1);
                break;
            case 1:
                m.setAllX(&zero, 1);
                break;
            case 2:
                m.setSubsets(3);
                break;
            case 3:
                QVERIFY(m.loadState(fullModel().storeState()));
                break;
            }
            QCOMPARE(m.firstChangedPoint(), 0);
        }
    }

    void removedAnnotationKeepsItsPlace()
    {
        ChartModel m;
        m.setAnnotation(2, { kAnnotationCross, 5.0, 6.0, QStringLiteral("x"), 0x123 });
        m.removeAnnotation(2);
        m.removeAnnotation(50);
        QCOMPARE(m.annotationCount(), 3);
        QVERIFY(
            (m.annotation(2) == GraphAnnotation { kAnnotationText, 5.0, 6.0, QString(), 0x123 }));
        QVERIFY(m.annotation(3) == GraphAnnotation {});
        QVERIFY(m.vertLine(2) == VertLineAnnotation {});
    }
};

QTEST_GUILESS_MAIN(TestChartModel)
#include "tst_chartmodel.moc"
