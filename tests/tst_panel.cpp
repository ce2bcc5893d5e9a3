#include "TfrmPanel.h"

#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>

using namespace tc4dl;

Q_DECLARE_METATYPE(tc4dl::Mark)

namespace {

// Records what the panel asks of the main window.
class FakeHost : public PanelHost {
public:
    bool sendKey(char byte) override
    {
        sent.append(byte);
        return connected;
    }
    bool meterConnected() const override { return connected; }
    void showPlainMessage(const QString& text) override { messages.append(text); }
    bool maxMinTickBusy() const override { return busyRounds > 0; }
    void processEvents() override
    {
        ++processEventsCalls;
        if (onProcessEvents)
            onProcessEvents();
        if (busyRounds > 0)
            --busyRounds;
    }

    QByteArray sent;
    QStringList messages;
    bool connected = true;
    int busyRounds = 0; // the blink tick stays busy for this many rounds of event processing
    int processEventsCalls = 0;
    std::function<void()> onProcessEvents;
};

// A panel in a frameless subwindow of a shown MDI area, as the main window embeds it.
struct Embedded {
    explicit Embedded(FakeHost& host)
    {
        area.resize(700, 700);
        panel = new TfrmPanel(host);
        sub = area.addSubWindow(panel, Qt::FramelessWindowHint);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->move(40, 30);
        area.show();
        sub->show();
    }
    // A point of the panel in the coordinates of the top-level window.
    [[nodiscard]] QPoint inWindow(QPoint panelPoint) const
    {
        return panel->mapTo(&area, panelPoint);
    }
    [[nodiscard]] QWindow* window() const { return area.windowHandle(); }

    QMdiArea area;
    QPointer<TfrmPanel> panel;
    QPointer<QMdiSubWindow> sub;
};

QImage render(TfrmPanel& panel)
{
    QImage image(panel.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    panel.render(&image);
    return image;
}

} // namespace

class TestPanel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every element at its designed place; -1 marks a size the element takes from its text.
    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        const auto row = [](const char* name, int x, int y, int w, int h) {
            QTest::newRow(name) << QString::fromLatin1(name) << QRect(x, y, w, h);
        };
        row("imgPanel", 0, -2, 150, 436);
        row("btnClose", 21, 189, 42, 28);
        row("btnT1_T2", 83, 190, 44, 28);
        row("btnHOLD", 22, 243, 42, 28);
        row("btnMMA", 84, 244, 42, 28);
        row("btnRec", 23, 293, 41, 31);
        row("btnCF", 78, 296, 51, 29);
        row("Label4", 33, 74, -1, -1);
        row("Label5", 33, 109, -1, -1);
        row("lblT3", 89, 74, -1, -1);
        row("lblT4", 89, 109, -1, -1);
        row("lblT1Value", 25, 88, 52, -1);
        row("lblT2Value", 27, 120, 52, -1);
        row("lblT3Value", 80, 88, 52, -1);
        row("lblT4Value", 78, 121, 52, -1);
        row("Label7", 11, 135, -1, -1);
        row("lblNoConnection", 16, 88, -1, -1);
        row("lblREC", 21, 137, 18, 9);
        row("lblMAX", 42, 137, 18, 9);
        row("lblMIN", 66, 137, 16, 9);
        row("lblHold", 86, 137, 24, 9);
        row("lblRel", 115, 137, 16, 9);
        row("imgT1C", 48, 75, 9, 11);
        row("imgt1F", 63, 75, 9, 11);
        row("imgT2C", 48, 111, 9, 11);
        row("imgT2F", 63, 111, 9, 11);
        row("imgT3C", 104, 75, 9, 11);
        row("imgT3F", 119, 75, 9, 11);
        row("imgT4C", 104, 110, 9, 11);
        row("imgT4F", 119, 110, 9, 11);
        row("imgBAT", 15, 104, 10, 7);
        row("imgAutoOff", 15, 73, 14, 14);
    }

    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        FakeHost host;
        TfrmPanel panel(host);
        auto* element = panel.findChild<QWidget*>(name);
        QVERIFY2(element, qPrintable(name));
        QCOMPARE(element->parentWidget(), &panel);
        QCOMPARE(element->pos(), geometry.topLeft());
        if (geometry.width() >= 0)
            QCOMPARE(element->width(), geometry.width());
        if (geometry.height() >= 0)
            QCOMPARE(element->height(), geometry.height());
        // Texts size themselves, and everything but the picture stays inside the window.
        QVERIFY(!element->size().isEmpty());
        if (name != u"imgPanel")
            QVERIFY(panel.rect().contains(element->geometry()));
        if (auto* label = qobject_cast<QLabel*>(element); label && name.endsWith(u"Value"))
            QVERIFY(label->alignment().testFlag(Qt::AlignRight));
    }

    void initialState()
    {
        FakeHost host;
        TfrmPanel panel(host);
        QCOMPARE(panel.objectName(), QStringLiteral("frmPanel"));
        QCOMPARE(panel.size(), QSize(150, 435));
        QCOMPARE(panel.minimumSize(), panel.maximumSize());
        // White where the picture's rounded corners leave the client area free.
        const QImage image = render(panel);
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
        QCOMPARE(image.pixelColor(149, 434), QColor(Qt::white));
        QCOMPARE(panel.findChild<QWidget*>(QStringLiteral("btnClose"))->cursor().shape(),
            Qt::PointingHandCursor);

        for (std::size_t m = 0; m < kMarkCount; ++m) {
            const auto mark = static_cast<Mark>(m);
            QCOMPARE(panel.isMarkVisible(mark), mark == Mark::LabelT3 || mark == Mark::LabelT4);
        }
        for (int channel = 0; channel < 4; ++channel)
            QCOMPARE(panel.valueText(channel), QStringLiteral("-- -- -- --"));
        QVERIFY(!panel.noConnectionVisible());
        QVERIFY(!panel.modeKeyDown());
        QCOMPARE(panel.modeKeyTicks(), 0);
        QVERIFY(!panel.mmaTimerActive());
        QVERIFY(host.sent.isEmpty());
    }

    void marks_data()
    {
        QTest::addColumn<Mark>("mark");
        QTest::addColumn<QString>("name");
        const auto row = [](Mark mark, const char* name) {
            QTest::newRow(name) << mark << QString::fromLatin1(name);
        };
        row(Mark::Rec, "lblREC");
        row(Mark::Hold, "lblHold");
        row(Mark::Rel, "lblRel");
        row(Mark::Max, "lblMAX");
        row(Mark::Min, "lblMIN");
        row(Mark::AutoOff, "imgAutoOff");
        row(Mark::Battery, "imgBAT");
        row(Mark::T1C, "imgT1C");
        row(Mark::T1F, "imgt1F");
        row(Mark::T2C, "imgT2C");
        row(Mark::T2F, "imgT2F");
        row(Mark::T3C, "imgT3C");
        row(Mark::T3F, "imgT3F");
        row(Mark::T4C, "imgT4C");
        row(Mark::T4F, "imgT4F");
        row(Mark::LabelT3, "lblT3");
        row(Mark::LabelT4, "lblT4");
    }

    // Each mark switches its own element, and no other, and shows on the picture.
    void marks()
    {
        QFETCH(Mark, mark);
        QFETCH(QString, name);
        FakeHost host;
        TfrmPanel panel(host);
        panel.show();
        auto* element = panel.findChild<QWidget*>(name);
        QVERIFY(element);
        const auto others = [&] {
            QList<bool> states;
            for (std::size_t m = 0; m < kMarkCount; ++m)
                if (static_cast<Mark>(m) != mark)
                    states.append(panel.isMarkVisible(static_cast<Mark>(m)));
            return states;
        };
        const QList<bool> before = others();
        QImage hidden;
        for (const bool visible : { false, true, false, true }) {
            panel.setMarkVisible(mark, visible);
            QCOMPARE(panel.isMarkVisible(mark), visible);
            QCOMPARE(element->isVisible(), visible);
            QCOMPARE(others(), before);
            const QImage place = render(panel).copy(element->geometry());
            if (!visible)
                hidden = place;
            else
                QVERIFY(place != hidden);
        }
    }

    void valuesAndNoConnection()
    {
        FakeHost host;
        TfrmPanel panel(host);
        const QStringList names { QStringLiteral("lblT1Value"), QStringLiteral("lblT2Value"),
            QStringLiteral("lblT3Value"), QStringLiteral("lblT4Value") };
        const QStringList texts { QStringLiteral("23.4"), QStringLiteral("-5.0"),
            QStringLiteral("1 -- 2"), QStringLiteral("OL") };
        for (int channel = 0; channel < 4; ++channel)
            panel.setValueText(channel, texts[channel]);
        for (int channel = 0; channel < 4; ++channel) {
            QCOMPARE(panel.valueText(channel), texts[channel]);
            QCOMPARE(panel.findChild<QLabel*>(names[channel])->text(), texts[channel]);
        }

        panel.show();
        auto* label = panel.findChild<QLabel*>(QStringLiteral("lblNoConnection"));
        panel.setNoConnectionVisible(true);
        QVERIFY(panel.noConnectionVisible());
        QVERIFY(label->isVisible());
        // It covers the readings of T1 and T3, lets presses through to the picture, and its
        // German text, wider than the display at the designed size, still ends on the glass.
        QVERIFY(label->geometry().intersects(panel.findChild<QLabel*>(names[0])->geometry()));
        QVERIFY(panel.childAt(label->geometry().center()) != label);
        QVERIFY2(label->geometry().right() < 141, qPrintable(QString::number(label->width())));
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
        panel.setNoConnectionVisible(false);
        QVERIFY(!panel.noConnectionVisible());
    }

    void germanTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QString>("expected");
        QTest::newRow("title") << QString() << QByteArray("windowTitle") << QStringLiteral("PANEL");
        QTest::newRow("no connection") << QStringLiteral("lblNoConnection") << QByteArray("text")
                                       << QStringLiteral("Keine Verbindung");
        QTest::newRow("T1") << QStringLiteral("Label4") << QByteArray("text")
                            << QStringLiteral("T1");
        QTest::newRow("close hint") << QStringLiteral("btnClose") << QByteArray("toolTip")
                                    << QStringLiteral("Schließe Bedienfeld");
        QTest::newRow("MAX/MIN hint")
            << QStringLiteral("btnMMA") << QByteArray("toolTip")
            << QStringLiteral("Ein Mausklick zum Wechseln im AVG/MAX/MIN-Mode, zum Löschen 2 "
                              "Sekunden gedrückt halten.");
    }

    void germanTexts()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, property);
        QFETCH(QString, expected);
        FakeHost host;
        TfrmPanel panel(host);
        QObject* object = name.isEmpty() ? &panel : panel.findChild<QObject*>(name);
        QVERIFY(object);
        QCOMPARE(object->property(property.constData()).toString(), expected);
    }

    void clickKeys_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<char>("byte");
        QTest::newRow("HOLD") << QStringLiteral("btnHOLD") << 'H';
        QTest::newRow("REC") << QStringLiteral("btnRec") << 'E';
        QTest::newRow("C/F") << QStringLiteral("btnCF") << 'C';
        QTest::newRow("T1-T2") << QStringLiteral("btnT1_T2") << 'T';
    }

    void clickKeys()
    {
        QFETCH(QString, name);
        QFETCH(char, byte);
        FakeHost host;
        TfrmPanel panel(host);
        panel.show();
        auto* key = panel.findChild<QWidget*>(name);
        QVERIFY(key);
        QVERIFY(!key->toolTip().isEmpty());

        QTest::mouseClick(key, Qt::LeftButton);
        QCOMPARE(host.sent, QByteArray(1, byte));
        // Other buttons are no click, nor is a press released beside the key.
        QTest::mouseClick(key, Qt::RightButton);
        QTest::mousePress(key, Qt::LeftButton);
        QTest::mouseRelease(key, Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(host.sent, QByteArray(1, byte));

        // Without a connection the key still goes to the link, which then writes nothing;
        // the panel shows no message of its own.
        host.connected = false;
        QTest::mouseClick(key, Qt::LeftButton);
        QCOMPARE(host.sent, QByteArray(2, byte));
        QVERIFY(host.messages.isEmpty());
    }

    void maxMinClick_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("left") << Qt::LeftButton;
        QTest::newRow("right") << Qt::RightButton;
    }

    // Pressed and released before the hold limit: the next AVG/MAX/MIN mode, at the release.
    void maxMinClick()
    {
        QFETCH(Qt::MouseButton, button);
        FakeHost host;
        TfrmPanel panel(host);
        panel.show();
        auto* key = panel.findChild<QWidget*>(QStringLiteral("btnMMA"));
        auto* timer = panel.findChild<QTimer*>(QStringLiteral("MMATimer"));
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 1000);

        QTest::mousePress(key, button);
        QVERIFY(panel.modeKeyDown());
        QVERIFY(panel.mmaTimerActive());
        panel.MMATimerTimer();
        panel.MMATimerTimer();
        QCOMPARE(panel.modeKeyTicks(), 2);
        QVERIFY(host.sent.isEmpty());

        QTest::mouseRelease(key, button);
        QCOMPARE(host.sent, QByteArray("M"));
        QVERIFY(!panel.modeKeyDown());
        QCOMPARE(panel.modeKeyTicks(), 0);
        QVERIFY(!panel.mmaTimerActive());
        QVERIFY(host.messages.isEmpty());
    }

    // Held until the third tick: the mode is left at that tick, the release sends nothing.
    void maxMinHold()
    {
        FakeHost host;
        TfrmPanel panel(host);
        panel.btnMMAMouseDown();
        panel.MMATimerTimer();
        panel.MMATimerTimer();
        QVERIFY(host.sent.isEmpty());
        panel.MMATimerTimer();
        QCOMPARE(host.sent, QByteArray("N"));
        QVERIFY(!panel.modeKeyDown());
        QCOMPARE(panel.modeKeyTicks(), 0);
        QVERIFY(!panel.mmaTimerActive());
        panel.btnMMAMouseUp();
        QCOMPARE(host.sent, QByteArray("N"));

        // A release handled while the cancel is being sent must not add the click's byte.
        struct ReleasingHost : FakeHost {
            TfrmPanel* panel = nullptr;
            bool sendKey(char byte) override
            {
                FakeHost::sendKey(byte);
                panel->btnMMAMouseUp();
                return true;
            }
        };
        ReleasingHost releasing;
        TfrmPanel other(releasing);
        releasing.panel = &other;
        other.btnMMAMouseDown();
        for (int i = 0; i < 3; ++i)
            other.MMATimerTimer();
        QCOMPARE(releasing.sent, QByteArray("N"));
    }

    // Released without a connection: the message, nothing written, and the hold stays armed.
    void maxMinReleaseWithoutConnection()
    {
        FakeHost host;
        host.connected = false;
        TfrmPanel panel(host);
        panel.show();
        QTest::mouseClick(panel.findChild<QWidget*>(QStringLiteral("btnMMA")), Qt::LeftButton);
        QCOMPARE(host.messages, QStringList { QStringLiteral("No Connection") });
        QVERIFY(host.sent.isEmpty());
        QVERIFY(panel.modeKeyDown());
        QVERIFY(panel.mmaTimerActive());

        // The third tick still sends the cancel; the link decides whether it is written.
        panel.MMATimerTimer();
        panel.MMATimerTimer();
        QVERIFY(host.sent.isEmpty());
        panel.MMATimerTimer();
        QCOMPARE(host.sent, QByteArray("N"));
        QVERIFY(!panel.modeKeyDown());
        QVERIFY(!panel.mmaTimerActive());
        QCOMPARE(host.messages.size(), 1);
    }

    void dragMovesTheSubWindow_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QPoint>("grip"); // where the press lands, in panel coordinates
        QTest::addColumn<bool>("moves");
        QTest::newRow("left on the case") << Qt::LeftButton << QPoint(75, 172) << true;
        QTest::newRow("left on a reading") << Qt::LeftButton << QPoint(60, 95) << true;
        QTest::newRow("left on a mark") << Qt::LeftButton << QPoint(30, 141) << true;
        QTest::newRow("right on the case") << Qt::RightButton << QPoint(75, 172) << false;
        QTest::newRow("middle on the case") << Qt::MiddleButton << QPoint(75, 172) << false;
        QTest::newRow("left on a key") << Qt::LeftButton << QPoint(40, 255) << false;
    }

    void dragMovesTheSubWindow()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(QPoint, grip);
        QFETCH(bool, moves);
        FakeHost host;
        Embedded e(host);
        e.panel->setMarkVisible(Mark::Rec, true);
        e.panel->setValueText(0, QStringLiteral("23.4"));
        QVERIFY(QTest::qWaitForWindowExposed(&e.area));
        // Frameless: the panel fills its subwindow.
        QCOMPARE(e.panel->geometry(), QRect(0, 0, 150, 435));
        QCOMPARE(e.sub->size(), QSize(150, 435));
        QCOMPARE(e.panel->frameWindow(), e.sub.data());

        const QPoint start = e.sub->pos();
        const QPoint offset(37, 52);
        const QPoint pressAt = e.inWindow(grip);
        QTest::mousePress(e.window(), button, {}, pressAt);
        QTest::mouseMove(e.window(), pressAt + offset);
        QTest::mouseRelease(e.window(), button, {}, pressAt + offset);
        QCOMPARE(e.sub->pos(), moves ? start + offset : start);

        // After the release, moving the mouse moves nothing.
        const QPoint now = e.sub->pos();
        QTest::mouseMove(e.window(), pressAt + offset + QPoint(20, 20));
        QCOMPARE(e.sub->pos(), now);
        QVERIFY(host.sent.isEmpty());
    }

    void activation()
    {
        FakeHost host;
        Embedded e(host);
        auto* other = e.area.addSubWindow(new QWidget);
        other->show();
        QVERIFY(QTest::qWaitForWindowExposed(&e.area));
        QSignalSpy activated(e.panel.data(), &TfrmPanel::activated);

        e.area.setActiveSubWindow(other);
        activated.clear();
        e.area.setActiveSubWindow(e.sub);
        QCOMPARE(activated.count(), 1);
        // Another child becoming active is not the panel's activation.
        e.area.setActiveSubWindow(other);
        QCOMPARE(activated.count(), 1);
        e.panel->FormActivate();
        QCOMPARE(activated.count(), 2);
    }

    void closeKey()
    {
        FakeHost host;
        {
            Embedded e(host);
            QSignalSpy closed(e.panel.data(), &TfrmPanel::closed);
            QTest::mouseClick(
                e.panel->findChild<QWidget*>(QStringLiteral("btnClose")), Qt::LeftButton);
            QCOMPARE(closed.count(), 1);
            QVERIFY(e.sub.isNull() || !e.sub->isVisible());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(e.sub.isNull()); // the subwindow deletes itself, and the panel with it
            QVERIFY(e.panel.isNull());
        }
        // Without a subwindow the panel closes itself.
        TfrmPanel panel(host);
        panel.show();
        QSignalSpy closed(&panel, &TfrmPanel::closed);
        QTest::mouseClick(panel.findChild<QWidget*>(QStringLiteral("btnClose")), Qt::LeftButton);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!panel.isVisible());
        QVERIFY(host.sent.isEmpty());
    }

    // The close question waits, processing events, while a MAX/MIN blink tick runs; closing
    // the subwindow (as the main window does) asks the panel all the same.
    void closeQuestion_data()
    {
        QTest::addColumn<bool>("embedded");
        QTest::addColumn<int>("busyRounds");
        QTest::newRow("alone, idle") << false << 0;
        QTest::newRow("alone, tick running") << false << 3;
        QTest::newRow("subwindow, idle") << true << 0;
        QTest::newRow("subwindow, tick running") << true << 2;
    }

    void closeQuestion()
    {
        QFETCH(bool, embedded);
        QFETCH(int, busyRounds);
        FakeHost host;
        std::optional<Embedded> e;
        std::optional<TfrmPanel> alone;
        TfrmPanel* panel = nullptr;
        if (embedded) {
            panel = e.emplace(host).panel;
        } else {
            panel = &alone.emplace(host);
            panel->show();
        }
        panel->btnMMAMouseDown();
        QSignalSpy closed(panel, &TfrmPanel::closed);
        QList<int> closedWhileWaiting;
        host.onProcessEvents = [&] { closedWhileWaiting.append(closed.count()); };

        host.busyRounds = busyRounds;
        QVERIFY(embedded ? e->sub->close() : panel->close());
        QCOMPARE(host.processEventsCalls, busyRounds);
        QCOMPARE(closedWhileWaiting, QList<int>(busyRounds, 0));
        QCOMPARE(closed.count(), 1);
        QVERIFY(!panel->mmaTimerActive());
        QVERIFY(host.sent.isEmpty());
    }
};

QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
