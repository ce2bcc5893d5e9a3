// The real-time set-up dialog: the recording period it shows and the rule that a rate of
// 00:00 can never be confirmed.

#include "RecordingPeriod.h"
#include "TfrmSetupRealTime.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tc4dl;

class TestSetupRealTime : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void periodTexts_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("unpadded");
        QTest::addColumn<QString>("padded");
        QTest::newRow("2000 at 2 s") << qint64(4000) << "1:6:40"
                                     << "1:06:40";
        QTest::newRow("nothing") << qint64(0) << "0:0:0"
                                 << "0:00:00";
        QTest::newRow("2000 at 60:00") << qint64(2000 * 3600) << "2000:0:0"
                                       << "2000:00:00";
        QTest::newRow("just under an hour") << qint64(3599) << "0:59:59"
                                            << "0:59:59";
    }

    void periodTexts()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, unpadded);
        QFETCH(QString, padded);
        QCOMPARE(periodTextUnpadded(seconds), unpadded);
        QCOMPARE(periodTextPadded(seconds), padded);
    }

    void opensWithTwoThousandSamplesAndGermanTexts()
    {
        TfrmSetupRealTime dialog;
        QCOMPARE(dialog.samplesText(), QStringLiteral(" 2000"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Echtzeit-Einrichtung"));
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->text(),
            QStringLiteral("Abbrechen"));
        QCOMPARE(dialog.minutesList()->count(), 61);
        QCOMPARE(dialog.secondsList()->itemText(60), QStringLiteral("60"));
        // Run fills the lists without running the change handler.
        dialog.setPeriodText(periodTextUnpadded(2000 * 2));
        dialog.setRate(0, 2);
        QCOMPARE(dialog.periodText(), QStringLiteral("1:6:40"));
        QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    }

    void listChangesUpdateThePeriod_data()
    {
        QTest::addColumn<QString>("samples");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("secondsAfter");
        QTest::addColumn<QString>("period");
        QTest::newRow("2000 at 00:02") << " 2000" << 0 << 2 << 2 << "1:06:40";
        QTest::newRow("00:00 becomes 00:02") << " 2000" << 0 << 0 << 2 << "1:06:40";
        QTest::newRow("hours not limited") << " 2000" << 60 << 0 << 0 << "2000:00:00";
        QTest::newRow("blank number") << "     " << 1 << 30 << 30 << "0:00:00";
        QTest::newRow("not a number") << "" << 0 << 5 << 5 << "0:00:00";
        QTest::newRow("largest") << "99999" << 60 << 60 << 60 << "101665:39:00";
    }

    void listChangesUpdateThePeriod()
    {
        QFETCH(QString, samples);
        QFETCH(int, minutes);
        QFETCH(int, seconds);
        QFETCH(int, secondsAfter);
        QFETCH(QString, period);
        TfrmSetupRealTime dialog;
        dialog.setRate(5, 5);
        dialog.samplesField()->setText(samples);
        // As the user picks them: each list change runs the handler.
        dialog.minutesList()->setCurrentIndex(minutes);
        dialog.secondsList()->setCurrentIndex(seconds);
        QCOMPARE(dialog.seconds(), secondsAfter);
        QCOMPARE(dialog.periodText(), period);
    }

    // Five digits always fit however the number is typed over, and the period follows the
    // number as it is typed.
    void typingTheNumber_data()
    {
        QTest::addColumn<int>("selectFrom"); // -1: select all
        QTest::addColumn<int>("selectLength");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("samples"); // the field, trimmed
        QTest::addColumn<QString>("period"); // at 00:02
        QTest::newRow("over the digits") << 1 << 4 << "10000"
                                         << "10000"
                                         << "5:33:20";
        QTest::newRow("over everything") << -1 << 0 << "10000"
                                         << "10000"
                                         << "5:33:20";
        QTest::newRow("a fifth digit after the number") << 5 << 0 << "0"
                                                        << "20000"
                                                        << "11:06:40";
        QTest::newRow("six digits keep five") << -1 << 0 << "123456"
                                              << "12345"
                                              << "6:51:30";
        QTest::newRow("one digit") << 1 << 4 << "7"
                                   << "7"
                                   << "0:00:14";
        QTest::newRow("a letter is refused") << 1 << 4 << "3x"
                                             << "3"
                                             << "0:00:06";
    }
    void typingTheNumber()
    {
        QFETCH(int, selectFrom);
        QFETCH(int, selectLength);
        QFETCH(QString, typed);
        TfrmSetupRealTime dialog;
        dialog.setRate(0, 2);
        dialog.setPeriodText(QStringLiteral("1:6:40"));
        QLineEdit* field = dialog.samplesField();
        if (selectFrom < 0)
            field->selectAll();
        else
            field->setSelection(selectFrom, selectLength);
        QTest::keyClicks(field, typed);
        QTEST(field->text().trimmed(), "samples");
        QTEST(dialog.periodText(), "period");
    }
};

QTEST_MAIN(TestSetupRealTime)
#include "tst_setuprealtime.moc"
