#include "MessageTable.h"

#include <QObject>
#include <QTest>

using tc4dl::Language;
using tc4dl::MessageTable;
using tc4dl::Section;

namespace {

const QStringList kWindows = { "TfrmMain", "TfrmGraph", "TfrmPanel", "TfrmList", "TfrmSetup",
    "TfrmSetupRealTime", "TfrmSetupScale", "TfrmScope", "TfrmOpenSave", "TfrmErr", "TfrmAnnoEdit",
    "TfrmAbout", "ChartCustomizeDialog", "TfrmArchive", "TfrmChannels", "TfrmArchiveSettings",
    "TfrmLivePage" };

// Stored forms written with '|' for the 0x01 mark keep the tests readable.
QByteArray stored(QByteArray text)
{
    return text.replace('|', '\x01');
}

} // namespace

// A component with real properties, as a widget or action would have them.
class Component : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString text MEMBER m_text)
    Q_PROPERTY(QString toolTip MEMBER m_toolTip)
    Q_PROPERTY(QString statusTip MEMBER m_statusTip)
public:
    using QObject::QObject;
    QString m_text = "designed";
    QString m_toolTip;
    QString m_statusTip;
};

class TestMessageTable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Both stored columns and what the window shows (language in use, English fallback).
    void messages_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("german");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* window, const char* id, const char* english,
                             const char* german, const char* shown) {
            QTest::addRow("%s %s", window, id) << window << id << english << german << shown;
        };
        // clang-format off
        row("TfrmMain", "IDS_40", "invalid integer", "ungültige Ganzzahl", "ungültige Ganzzahl");
        row("TfrmMain", "IDS_172", "There are no data sets to save. Load the data from the meter or open a data set collection first.",
            "Es gibt keine Datensätze zum Speichern. Laden Sie zuerst die Daten aus dem Messgerät oder öffnen Sie eine Datensatz-Sammeldatei.",
            "Es gibt keine Datensätze zum Speichern. Laden Sie zuerst die Daten aus dem Messgerät oder öffnen Sie eine Datensatz-Sammeldatei.");
        row("TfrmSetup", "IDS_5", "The time is Second", "", "The time is Second");
        row("TfrmList", "IDS_0", "No", "Nein", "No");
        row("TfrmList", "IDS_6", "T4", "", "T4");
        row("TfrmGraph", "IDS_0", "Set", "Einrichten", "Einrichten");
        row("TfrmMain", "IDS_26", "There are datas in Real_Time graph ,it have to reset the graph.\\n",
            "Es sind Daten in der Echtzeitgrafik, die Grafik muss zurückgesetzt werden. \\n",
            "Es sind Daten in der Echtzeitgrafik, die Grafik muss zurückgesetzt werden. \\n");
        row("TfrmMain", "IDS_9", "On Connection", "Verbindung hergestellt", "Verbindung hergestellt");
        row("TfrmMain", "IDS_10", "Off Connection", "Verbindung aufgehoben", "Verbindung aufgehoben");
        row("TfrmMain", "IDS_41", "Saving Progress", "Speichern ", "Speichern ");
        row("TfrmMain", "IDS_42", "saving.....", "Speicher….", "Speicher….");
        row("TfrmMain", "IDS_53", "Data Retriving Progress", "Datenwiederherstellungsprozeß",
            "Datenwiederherstellungsprozeß");
        row("TfrmGraph", "IDS_24", " is invalid.", "ist ungültig.", "ist ungültig.");
        row("TfrmGraph", "IDS_26", "Do you want to save the changes ?",
            "Möchen Sie die Änderungen speichern ?", "Möchen Sie die Änderungen speichern ?");
        row("TfrmGraph", "IDS_41", "If you want to make new sampling rate effective,it have to reset the graph.\\n",
            "Damit das neue Intervall wirksam wird, muss die Grafik zurückgesetzt werden.\\n",
            "Damit das neue Intervall wirksam wird, muss die Grafik zurückgesetzt werden.\\n");
        row("TfrmSetup", "IDS_8", "Meter time updated fail, Error Code is ",
            "Meter Uhrzeitänderung fehlgeschlagen, Fehlercode ist",
            "Meter Uhrzeitänderung fehlgeschlagen, Fehlercode ist");
        row("TfrmMain", "IDS_999", "", "", "");
        row("TfrmSetup", "IDS_40", "", "", ""); // another window's message
        row("TfrmPanel", "IDS_0", "", "", "");
        row("TfrmNone", "IDS_0", "", "", "");
        // clang-format on
    }
    void messages()
    {
        QFETCH(QString, window);
        QFETCH(QString, id);
        QFETCH(QString, english);
        QFETCH(QString, german);
        QFETCH(QString, shown);
        const MessageTable table = MessageTable::forWindow(window);
        QCOMPARE(table.text(Section::Strings, id, Language::English), english);
        QCOMPARE(table.text(Section::Strings, id, Language::German), german);
        QCOMPARE(table.getTextOrDefault(id), shown);
    }

    // The stored bytes themselves: code page, line ends, marks, section order, row counts.
    void allWindowsLoad_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("messages");
        const QHash<QString, int> counts
            = { { "TfrmMain", 36 }, { "TfrmGraph", 23 }, { "TfrmList", 7 }, { "TfrmSetup", 9 },
                  { "ChartCustomizeDialog", 28 }, { "TfrmArchive", 53 }, { "TfrmChannels", 15 },
                  { "TfrmArchiveSettings", 20 }, { "TfrmLivePage", 5 } };
        for (const QString& window : kWindows)
            QTest::newRow(qPrintable(window)) << window << counts.value(window, 0);
    }
    void allWindowsLoad()
    {
        QFETCH(QString, window);
        QFETCH(int, messages);
        const QByteArray bytes = MessageTable::storedForm(window);
        QVERIFY(bytes.endsWith("\r\n"));
        QVERIFY(!bytes.contains("\xC3")); // no UTF-8 left over from an editor
        QStringList sections;
        int inStrings = 0;
        QList<QByteArray> lines = bytes.split('\n');
        lines.removeLast(); // after the final line end
        for (const QByteArray& line : lines) {
            QVERIFY2(line.endsWith('\r'), line.constData());
            const QByteArray content = line.chopped(1);
            if (!content.contains('\x01')) {
                sections << QString::fromLatin1(content);
            } else {
                QCOMPARE(content.count('\x01'), 3);
                QVERIFY(content.endsWith('\x01'));
                inStrings += sections.last() == "stStrings" ? 1 : 0;
            }
        }
        QCOMPARE(sections,
            QStringList({ "stCaptions", "stHints", "stDisplayLabels", "stFonts", "stMultiLines",
                "stDlgsCaptions", "stStrings", "stOtherStrings", "stLocales", "stCollections",
                "stCharSets" }));
        QCOMPARE(inStrings, messages);

        const MessageTable table = MessageTable::forWindow(window);
        QCOMPARE(
            table.languageInUse(), window == "TfrmList" ? Language::English : Language::German);
        QCOMPARE(table.textOrDefault(Section::DlgsCaptions, "Cancel"),
            window == "TfrmList" ? "Cancel" : "Abbrechen");
        QCOMPARE(table.text(Section::DlgsCaptions, "No To All", Language::English), "No To All");
    }

    void ellipsisIsOneWindows1252Byte()
    {
        QVERIFY(MessageTable::storedForm("TfrmMain").contains("Speicher\x85."));
    }

    void malformed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("isTable");
        QTest::addColumn<QString>("ids1"); // IDS_1 with German in use
        const QString none;
        // clang-format off
        QTest::newRow("empty") << QByteArray() << false << none;
        QTest::newRow("no sections") << stored("IDS_1|A|B|\r\n") << false << none;
        QTest::newRow("rows before first section") << stored("IDS_1|A|B|\r\nstStrings\r\n") << true << none;
        QTest::newRow("line without mark") << stored("stStrings\r\ngarbage\r\nIDS_1|A|B|\r\n") << true << "B";
        QTest::newRow("German cut off") << stored("stStrings\r\nIDS_1|Date|Dat") << true << "Date";
        QTest::newRow("cut after key") << stored("stStrings\r\nIDS_1") << true << none;
        QTest::newRow("LF only") << stored("stHints\nstStrings\nIDS_1|A|B|\n") << true << "B";
        QTest::newRow("bytes 0x80-0x9F") << stored("stStrings\r\nIDS_1|x|\x80\x85\x8A\x9F\x81\xE4\xDF|\r\n")
                                         << true << "\u20AC\u2026\u0160\u0178\u0081äß";
        // clang-format on
    }
    void malformed()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, isTable);
        QFETCH(QString, ids1);
        QString error;
        const auto table = MessageTable::parse(bytes, Language::German, &error);
        QCOMPARE(table.has_value(), isTable);
        QCOMPARE(error.isEmpty(), isTable);
        if (table)
            QCOMPARE(table->getTextOrDefault("IDS_1"), ids1);
    }

    // Every prefix of a real table, and copies with marks and line ends moved, parse safely; a
    // text cut off in the middle counts as missing rather than being shown shortened.
    void damagedTablesNeverCrash()
    {
        const QByteArray original = MessageTable::storedForm("TfrmGraph");
        for (qsizetype n = 0; n <= original.size(); ++n)
            (void)MessageTable::parse(original.first(n), Language::German);
        for (qsizetype i = 0; i < original.size(); i += 7) {
            QByteArray damaged = original;
            damaged[i] = damaged[i] == '\x01' ? '\n' : '\x01';
            (void)MessageTable::parse(damaged, Language::English);
        }
        const auto cut
            = MessageTable::parse(original.first(original.indexOf("Echtzeit ")), Language::German);
        QVERIFY(cut);
        QCOMPARE(cut->getTextOrDefault("IDS_6"), "Datenlogger");
        QCOMPARE(cut->getTextOrDefault("IDS_7"), "Real-Time Graph");
    }

    void applyTo()
    {
        const auto table = MessageTable::parse(stored("stCaptions\r\n"
                                                      "TfrmTest|Test|Pr\xFC"
                                                      "fung|\r\n" // Windows-1252 bytes
                                                      "btnRun|Run|Start|\r\n"
                                                      "grpBox|Group|Gruppe|\r\n"
                                                      "lblKeep|Label||\r\n"
                                                      "mnuBare|Bare||\r\n"
                                                      "lblGone|Gone|Weg|\r\n"
                                                      "stHints\r\n"
                                                      "btnRun|Run it|Starten|\r\n"
                                                      "grpBox|A group|Eine Gruppe|\r\n"
                                                      "stFonts\r\n"
                                                      "btnRun|Arial|Courier New|\r\n"
                                                      "stOtherStrings\r\n"
                                                      "cboDevice.Text|Device|Ger\xE4t|\r\n"
                                                      "cboBare.Text|Plain||\r\n"
                                                      "stCharSets\r\n"
                                                      "btnRun|ANSI_CHARSET|DEFAULT_CHARSET|\r\n"),
            Language::German);
        QVERIFY(table);

        QObject window;
        window.setObjectName("TfrmTest");
        QObject panel(&window);
        auto* run = new Component(&panel); // found below the first level too
        run->setObjectName("btnRun");
        auto* group = new QObject(&window);
        group->setObjectName("grpBox");
        auto* keep = new Component(&window);
        keep->setObjectName("lblKeep");
        auto* device = new QObject(&window);
        device->setObjectName("cboDevice");
        // Built without a caption: an untranslated row must not leave it blank.
        auto* bare = new Component(&window);
        bare->setObjectName("mnuBare");
        bare->m_text.clear();
        auto* bareBox = new Component(&window);
        bareBox->setObjectName("cboBare");
        bareBox->m_text.clear();

        QList<std::pair<QObject*, QString>> fonts;
        table->applyTo(&window, [&](QObject* o, const QString& f) { fonts.append({ o, f }); });

        QCOMPARE(window.property("windowTitle").toString(), "Prüfung");
        QCOMPARE(run->m_text, "Start");
        QCOMPARE(run->m_toolTip, "Starten");
        QCOMPARE(run->m_statusTip, "Starten");
        QVERIFY(run->dynamicPropertyNames().isEmpty()); // char sets are not applied
        QCOMPARE(group->property("title").toString(), "Gruppe");
        QCOMPARE(group->property("toolTip").toString(), "Eine Gruppe");
        QVERIFY(!group->property("statusTip").isValid());
        QCOMPARE(keep->m_text, "designed");
        QCOMPARE(bare->m_text, "Bare");
        QCOMPARE(bareBox->m_text, "Plain");
        QCOMPARE(device->property("text").toString(), "Gerät");
        QCOMPARE(fonts, (QList<std::pair<QObject*, QString>> { { run, "Courier New" } }));

        // Without a font setter, the fonts are left alone.
        table->applyTo(&window);
    }

    void builtInTableTitlesItsWindow()
    {
        QObject window;
        window.setObjectName("mainWindow");
        MessageTable::forWindow("TfrmPanel").applyTo(&window);
        QCOMPARE(window.property("windowTitle").toString(), "PANEL");
    }
};

QTEST_GUILESS_MAIN(TestMessageTable)
#include "tst_messagetable.moc"
