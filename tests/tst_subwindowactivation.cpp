// The activation of a child window of the document area: its frame's activation counts, the
// main window's does not, and the frame is followed when the window moves to another one; the
// frame of dialogs and message boxes.

#include "DialogFrame.h"
#include "SubWindowActivation.h"

#include <QDialog>
#include <QMessageBox>
#include <QWindow>

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>

using namespace tc4dl;

namespace {

// A child window as the real ones are: its events go to the watch first.
class Child : public QWidget {
public:
    Child()
        : activation(*this, [this] { ++activations; })
    {
    }
    bool event(QEvent* event) override
    {
        if (QMdiSubWindow* frame = activation.handle(*event))
            frames << frame;
        return QWidget::event(event);
    }

    SubWindowActivation activation;
    int activations = 0;
    QList<QPointer<QMdiSubWindow>> frames; // as handle() reported them
};

void sendActivate(QWidget& widget)
{
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&widget, &activate);
}

} // namespace

class TestSubWindowActivation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void standingAloneItsOwnEventCounts()
    {
        Child child;
        sendActivate(child);
        QCOMPARE(child.activations, 1);
        child.activation.stop();
        sendActivate(child); // a window standing alone has nothing to stop: its event counts
        QCOMPARE(child.activations, 2);
    }

    void inAFrameOnlyTheFramesActivationCounts()
    {
        QMdiArea area;
        auto* child = new Child;
        QMdiSubWindow* frame = area.addSubWindow(child);
        QMdiSubWindow* other = area.addSubWindow(new QWidget);
        area.show();
        frame->show();
        other->show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        QCOMPARE(child->frames.size(), 1);
        QCOMPARE(child->frames.first(), frame);

        area.setActiveSubWindow(other);
        child->activations = 0;
        area.setActiveSubWindow(frame);
        QCOMPARE(child->activations, 1);
        // The main window's activation reaches the child too: not the child's own.
        sendActivate(*child);
        area.setActiveSubWindow(other);
        QCOMPARE(child->activations, 1);

        // Moved to a frame of its own: the old frame no longer speaks for it.
        QMdiSubWindow* moved = area.addSubWindow(child);
        moved->show();
        QCOMPARE(child->frames.size(), 2);
        QCOMPARE(child->frames.last(), moved);
        area.setActiveSubWindow(other);
        child->activations = 0;
        area.setActiveSubWindow(moved);
        QCOMPARE(child->activations, 1);
        area.setActiveSubWindow(frame);
        area.setActiveSubWindow(other);
        QCOMPARE(child->activations, 1);

        // A window on its way out hears nothing more.
        child->activation.stop();
        area.setActiveSubWindow(moved);
        QCOMPARE(child->activations, 1);
    }

    // Dialogs offer only a close box and hang on the window they belong to; a dialog with
    // its own fixed frame keeps it.
    void dialogsGetACloseOnlyFrameAndTheirOwner()
    {
        QWidget owner;
        owner.resize(300, 200);
        QMessageBox box(&owner);
        frameAsDialog(box, &owner);
        const Qt::WindowFlags flags = box.windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(box.windowHandle());
        QCOMPARE(box.windowHandle()->transientParent(), owner.windowHandle());

        QDialog fixed(nullptr, kFixedDialogFlags);
        frameAsDialog(fixed, &owner);
        QCOMPARE(fixed.windowFlags() & kFixedDialogFlags, kFixedDialogFlags);
        QCOMPARE(fixed.windowHandle()->transientParent(), owner.windowHandle());
    }
};

QTEST_MAIN(TestSubWindowActivation)
#include "tst_subwindowactivation.moc"
