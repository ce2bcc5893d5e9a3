// What the main window asks of its child windows: every child of its document area answers
// the close question, Save goes to the active child, whatever its kind, and a child that keeps
// its data keeps the program open.

#include "ChildWindow.h"
#include "FileTypeName.h"
#include "MainWindowFixture.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>

using namespace tc4dl;
using namespace tc4dl::testing;

namespace {

// A child window of a kind the main window was not written for.
class OtherWindow final : public QWidget, public ChildWindow {
public:
    OtherWindow(QStringList& log, QString name, bool allowClose, CloseRank rank)
        : m_log(log),
          m_name(std::move(name)),
          m_allow(allowClose),
          m_rank(rank)
    {
    }
    CloseRank closeRank() const override { return m_rank; }
    bool closeQuery() override
    {
        m_log << m_name + QStringLiteral(" asked");
        return m_allow;
    }
    void save() override { m_log << m_name + QStringLiteral(" saved"); }

private:
    QStringList& m_log;
    QString m_name;
    bool m_allow;
    CloseRank m_rank;
};

} // namespace

class TestChildWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saveGoesToTheActiveChild()
    {
        Fixture f(QStringList { QStringLiteral("ttyS0") });
        f.window->FormShow();
        QStringList log;
        auto* other
            = new OtherWindow(log, QStringLiteral("table"), true, ChildWindow::CloseRank::Later);
        QMdiSubWindow* sub = f.window->mdiArea()->addSubWindow(other);
        sub->show();
        f.window->mdiArea()->setActiveSubWindow(sub);
        f.window->Save1Click();
        QCOMPARE(log, QStringList { QStringLiteral("table saved") });
    }

    void closeQuestionsInTheirOrder_data()
    {
        QTest::addColumn<bool>("laterAllows");
        QTest::addColumn<bool>("firstAllows");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<bool>("closes");
        const QString first = QStringLiteral("first asked");
        const QString later = QStringLiteral("later asked");
        QTest::newRow("both allow") << true << true << QStringList { first, later } << true;
        QTest::newRow("the first keeps it open") << true << false << QStringList { first } << false;
        QTest::newRow("the later keeps it open")
            << false << true << QStringList { first, later } << false;
    }
    void closeQuestionsInTheirOrder()
    {
        QFETCH(bool, laterAllows);
        QFETCH(bool, firstAllows);
        Fixture f(QStringList { QStringLiteral("ttyS0") });
        QStringList log;
        // Added in the other order: the rank, not the order of creation, decides.
        for (auto* child : { new OtherWindow(log, QStringLiteral("later"), laterAllows,
                                 ChildWindow::CloseRank::Later),
                 new OtherWindow(
                     log, QStringLiteral("first"), firstAllows, ChildWindow::CloseRank::First) })
            f.window->mdiArea()->addSubWindow(child)->show();
        QTEST(f.window->close(), "closes");
        QTEST(log, "asked");
        QCOMPARE(f.store.writes.isEmpty(), !(laterAllows && firstAllows));
    }

    // The Window menu lists every child under Tile and Cascade, marks the active one, and its
    // entry brings a minimized child back as the active one.
    void windowMenuListsAndActivatesChildren()
    {
        Fixture f(QStringList { QStringLiteral("ttyS0") });
        QStringList log;
        QList<QMdiSubWindow*> subs;
        for (const char* name : { "one", "two" }) {
            auto* child
                = new OtherWindow(log, QLatin1String(name), true, ChildWindow::CloseRank::Later);
            child->setWindowTitle(QLatin1String(name));
            subs << f.window->mdiArea()->addSubWindow(child);
            subs.back()->show();
        }
        subs[0]->showMinimized();
        f.window->mdiArea()->setActiveSubWindow(subs[1]);

        QMenu* menu = f.window->menu(QStringLiteral("Window1"));
        Q_EMIT menu->aboutToShow();
        QList<QAction*> entries;
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                entries << a;
        QCOMPARE(entries.size(), 4);
        QCOMPARE(entries[0], f.window->action(QStringLiteral("Tile1")));
        QCOMPARE(entries[1], f.window->action(QStringLiteral("Cascade1")));
        QCOMPARE(entries[2]->text(), QStringLiteral("&1 one"));
        QCOMPARE(entries[3]->text(), QStringLiteral("&2 two"));
        QVERIFY(!entries[2]->isChecked());
        QVERIFY(entries[3]->isChecked());

        entries[2]->trigger();
        QCOMPARE(f.window->mdiArea()->activeSubWindow(), subs[0]);
        QVERIFY(!subs[0]->isMinimized());

        // Opened again, the list is made anew, not added to.
        Q_EMIT menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 5); // Tile, Cascade, separator, two children
        QVERIFY(menu->actions()[3]->isChecked());
    }

    void saveNameFollowsTheChosenType_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        const QString text = QStringLiteral("TXT file(*.txt,data seperated by tab) (*.TXT *.txt)");
        const QString graph = QStringLiteral("Graph file(*.ghf,only for TC4DL) (*.GHF *.ghf)");
        QTest::newRow("text") << text << "run.ghf"
                              << "run.TXT";
        QTest::newRow("graph") << graph << "run.TXT"
                               << "run.GHF";
        QTest::newRow("no extension yet") << graph << "run"
                                          << "run.GHF";
        QTest::newRow("dots in the name") << text << "run.1.2.ghf"
                                          << "run.1.2.TXT";
        QTest::newRow("dot in a folder only") << text << "a.b/run"
                                              << "a.b/run.TXT";
        QTest::newRow("empty name stays") << text << ""
                                          << "";
        QTest::newRow("no pattern") << "All files (*)"
                                    << "run.ghf"
                                    << "run.ghf";
    }
    void saveNameFollowsTheChosenType()
    {
        QFETCH(QString, filter);
        QFETCH(QString, typed);
        QTEST(nameForFileType(filter, typed), "shown");
    }
};

QTEST_MAIN(TestChildWindows)
#include "tst_childwindows.moc"
