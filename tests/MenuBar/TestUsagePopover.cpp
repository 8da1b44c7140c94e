#include <MenuBar/MenuBarController.h>
#include <MenuBar/PopoverDismissal.h>
#include <MenuBar/StatusItemActivation.h>
#include <MenuBar/UsagePopover.h>

#include "AppModelFixture.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Popover {
    AppModelFixture fixture;
    ViewServices services = fixture.viewServices();
};

// Shows the popover as the controller does and waits until it has the focus.
bool openFocused(UsagePopover& popover)
{
    popover.show();
    popover.activateWindow();
    return QTest::qWaitForWindowActive(&popover);
}

} // namespace

Q_DECLARE_METATYPE(UsagePopover::Kind)

class TestUsagePopover : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void kindFollowsThePlatform_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("ordinaryWindow");
        QTest::newRow("X11") << u"xcb"_s << false;
        QTest::newRow("Wayland") << u"wayland"_s << true;
        QTest::newRow("Wayland with EGL") << u"wayland-egl"_s << true;
    }
    void kindFollowsThePlatform()
    {
        QFETCH(QString, platform);
        QFETCH(bool, ordinaryWindow);
        QCOMPARE(UsagePopover::isOrdinaryWindow(platform), ordinaryWindow);

        Popover p;
        const UsagePopover popover(p.services, UsagePopover::kindFor(platform));
        QCOMPARE(popover.windowType(), ordinaryWindow ? Qt::Window : Qt::Popup);
        QCOMPARE(popover.windowTitle(), u"Tallyvane"_s);
    }

    void closesOnEscapeFocusLossAndClickOutside_data()
    {
        QTest::addColumn<UsagePopover::Kind>("kind");
        QTest::addColumn<QString>("action");
        const auto popup = UsagePopover::Kind::popup;
        const auto window = UsagePopover::Kind::ordinaryWindow;
        QTest::newRow("popup, Escape") << popup << u"Escape"_s;
        QTest::newRow("popup, focus elsewhere") << popup << u"focus"_s;
        QTest::newRow("popup, click outside") << popup << u"click"_s;
        QTest::newRow("window, Escape") << window << u"Escape"_s;
        QTest::newRow("window, focus elsewhere") << window << u"focus"_s;
    }
    void closesOnEscapeFocusLossAndClickOutside()
    {
        QFETCH(UsagePopover::Kind, kind);
        QFETCH(QString, action);
        Popover p;
        UsagePopover popover(p.services, kind);
        QVERIFY(openFocused(popover));
        QTest::qWait(50);
        QVERIFY(popover.isVisible());

        QWidget other;
        if (action == "Escape"_L1) {
            // Where the focus sits on a control, Escape still reaches the popover.
            QWidget* control = popover.focusWidget() ? popover.focusWidget() : &popover;
            QTest::keyClick(control, Qt::Key_Escape);
        } else if (action == "focus"_L1) {
            other.show();
            other.activateWindow();
        } else {
            QTest::mouseClick(&popover, Qt::LeftButton, {}, QPoint(-30, popover.height() / 2));
        }
        QTRY_VERIFY(!popover.isVisible());
    }

    // Where a popup grabs the keyboard it never holds the X focus; the window manager's record
    // of the active window tells it another window took over.
    void closesWhenTheWindowSystemActivatesAnotherWindow_data()
    {
        QTest::addColumn<QString>("activated");
        QTest::addColumn<bool>("closes");
        QTest::newRow("another application's window") << u"other"_s << true;
        QTest::newRow("none: a Wayland window, under Xwayland") << u"none"_s << true;
        QTest::newRow("the popover itself") << u"popover"_s << false;
        QTest::newRow("a dialog opened from the popover") << u"dialog"_s << false;
        QTest::newRow("another window of this application") << u"own"_s << true;
    }
    void closesWhenTheWindowSystemActivatesAnotherWindow()
    {
        QFETCH(QString, activated);
        QFETCH(bool, closes);
        Popover p;
        UsagePopover popover(p.services, UsagePopover::Kind::popup);
        QVERIFY(openFocused(popover));
        auto* dismissal = popover.findChild<PopoverDismissal*>();
        QVERIFY(dismissal);
        QWidget dialog(&popover, Qt::Dialog);
        dialog.winId();
        QWidget own;
        own.winId();
        const QHash<QString, quint32> windows{{u"other"_s, 0x5a00007},
                                              {u"none"_s, 0},
                                              {u"popover"_s, quint32(popover.winId())},
                                              {u"dialog"_s, quint32(dialog.winId())},
                                              {u"own"_s, quint32(own.winId())}};
        dismissal->activeWindowChanged(windows.value(activated));
        QCOMPARE(popover.isVisible(), !closes);
    }

    // The point a StatusNotifierItem host passes with Activate, else the pointer.
    void opensAtTheActivationPoint_data()
    {
        QTest::addColumn<QPoint>("activation"); // (0, 0): the host did not say
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QPoint>("expected");
        // The offscreen screen is 800 x 600 and reports no panels, so bars along the top and
        // bottom are assumed; the popover is 360 x 560.
        QTest::newRow("top right corner") << QPoint(790, 8) << QPoint(100, 300) << QPoint(440, 40);
        QTest::newRow("bottom left corner") << QPoint(12, 595) << QPoint(100, 300) << QPoint(0, 40);
        QTest::newRow("no point: the pointer") << QPoint(0, 0) << QPoint(200, 2) << QPoint(20, 40);
    }
    void opensAtTheActivationPoint()
    {
        QFETCH(QPoint, activation);
        QFETCH(QPoint, pointer);
        QFETCH(QPoint, expected);
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            QSKIP("needs a session bus");
        Popover p;
        MenuBarController controller(p.services, nullptr, nullptr);
        // Started with the tray item, which the offscreen platform never shows.
        StatusItemActivation::watch();
        QCursor::setPos(pointer);

        // As a host calls it: from another connection, to the item's object. Nobody answers it
        // here (the offscreen platform has no tray); the call is seen on its way in all the same.
        QDBusConnection host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"host"_s);
        QDBusMessage call = QDBusMessage::createMethodCall(bus.baseService(), u"/StatusNotifierItem"_s,
                                                           u"org.kde.StatusNotifierItem"_s, u"Activate"_s);
        call << activation.x() << activation.y();
        QDBusPendingCall pending = host.asyncCall(call);
        QDBusPendingCallWatcher watcher(pending);
        QSignalSpy answered(&watcher, &QDBusPendingCallWatcher::finished);
        QVERIFY(answered.wait(5000));
        QDBusConnection::disconnectFromBus(u"host"_s);

        controller.togglePopover();
        QVERIFY(controller.popoverIsShown());
        QCOMPARE(controller.popover().frameGeometry().topLeft(), expected);
        QVERIFY(controller.popover().screen()->availableGeometry().contains(
            controller.popover().frameGeometry()));
    }
};

QTEST_MAIN(TestUsagePopover)
#include "TestUsagePopover.moc"
