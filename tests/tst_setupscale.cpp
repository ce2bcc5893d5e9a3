// The Y axis dialog: whole numbers shown, boxes read in their fixed order, the last bad entry
// named, and the annotation text dialog.

#include "TfrmAnnoEdit.h"
#include "TfrmSetupScale.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>

using namespace tc4dl;

class TestSetupScale : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheRangesAndGermanTexts()
    {
        TfrmSetupScale dialog;
        dialog.setRanges({ { { -10, 50 }, { -10, 50 }, { 20, 80 }, { 0, 1370 } } });
        QCOMPARE(dialog.minBox(0)->text(), QStringLiteral("-10"));
        QCOMPARE(dialog.maxBox(0)->text(), QStringLiteral("50"));
        QCOMPARE(dialog.minBox(2)->text(), QStringLiteral("20"));
        QCOMPARE(dialog.maxBox(3)->text(), QStringLiteral("1370"));
        QCOMPARE(dialog.saveBox()->text(), QStringLiteral("Diese Einstellung speichern "));
        QVERIFY(!dialog.saveSetting());
        QCOMPARE(dialog.findChild<QGroupBox*>(QStringLiteral("GroupBox1"))->title(),
            dialog.windowTitle());
    }

    void readsEveryBox_data()
    {
        QTest::addColumn<QStringList>("boxes"); // T1 MIN, T1 MAX, T2 MIN, … T4 MAX
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("bad");
        QTest::newRow("all whole")
            << QStringList { "-10", "50", "0", "100", "5", "6", "7", "8" } << true << QString();
        QTest::newRow("MIN above MAX is accepted")
            << QStringList { "90", "10", "0", "1", "0", "1", "0", "1" } << true << QString();
        QTest::newRow("a decimal")
            << QStringList { "12.5", "50", "0", "1", "0", "1", "0", "1" } << false << "12.5";
        QTest::newRow("empty") << QStringList { "0", "1", "", "1", "0", "1", "0", "1" } << false
                               << "";
        // T4 MAX is read first and T1 MIN last: the last failure named is T1's.
        QTest::newRow("two bad, last named")
            << QStringList { "x", "1", "0", "1", "0", "1", "0", "y" } << false << "x";
        QTest::newRow("beyond 32 bits") << QStringList { "0", "99999999999", "0", "1", "0", "1",
            "0", "1" } << false << "99999999999";
    }

    void readsEveryBox()
    {
        QFETCH(QStringList, boxes);
        QFETCH(bool, valid);
        QFETCH(QString, bad);
        TfrmSetupScale dialog;
        for (int c = 0; c < 4; ++c) {
            dialog.minBox(c)->setText(boxes.at(2 * c));
            dialog.maxBox(c)->setText(boxes.at(2 * c + 1));
        }
        QString badText = QStringLiteral("untouched");
        const auto ranges = dialog.readRanges(&badText);
        QCOMPARE(ranges.has_value(), valid);
        if (valid) {
            for (int c = 0; c < 4; ++c) {
                QCOMPARE((*ranges)[c].min, boxes.at(2 * c).toInt());
                QCOMPARE((*ranges)[c].max, boxes.at(2 * c + 1).toInt());
            }
        } else {
            QCOMPARE(badText, bad);
        }
    }

    void annotationTextDialog()
    {
        TfrmAnnoEdit dialog;
        // No caption, and not the program's name Qt puts in for an empty one.
        QVERIFY(!dialog.windowTitle().isEmpty() && dialog.windowTitle().trimmed().isEmpty());
        QVERIFY(dialog.text().isEmpty());
        QTest::keyClicks(dialog.editBox(), QStringLiteral("Ofen an"));
        QCOMPARE(dialog.text(), QStringLiteral("Ofen an"));
    }
};

QTEST_MAIN(TestSetupScale)
#include "tst_setupscale.moc"
