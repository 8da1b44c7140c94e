#include <FakeNotificationServer.h>
#include <Platform/DesktopNotifications.h>

#include <QCoroTask>
#include <QDBusConnection>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

// What every posted notification carries (application name, lifetime, identifier) is checked
// where the alert controller posts through this class; here what varies with the request and
// the server.
class TestDesktopNotifications : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(),
                 "needs a session bus: run inside dbus-run-session");
    }

    // Window names come from other programs' output; a server that reads markup must show them
    // as written, one that does not must get them unchanged. A silent alert asks for no sound.
    void postShowsTheBodyAsWritten_data()
    {
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("sound");
        QTest::addColumn<QString>("delivered");
        const QString tagged = u"<b>Opus</b> & \"co\" has 50% used."_s;
        QTest::newRow("markup server") << QStringList{u"body"_s, u"body-markup"_s} << tagged << true
                                       << u"&lt;b&gt;Opus&lt;/b&gt; &amp; &quot;co&quot; has 50% used."_s;
        QTest::newRow("plain server, silent") << QStringList{u"body"_s} << tagged << false << tagged;
        QTest::newRow("markup server, nothing to escape")
            << QStringList{u"body-markup"_s} << u"Weekly has 50% used."_s << true
            << u"Weekly has 50% used."_s;
    }
    void postShowsTheBodyAsWritten()
    {
        QFETCH(QStringList, capabilities);
        QFETCH(QString, body);
        QFETCH(bool, sound);
        QFETCH(QString, delivered);
        FakeNotificationServer server;
        server.setCapabilities(capabilities);
        QVERIFY(server.start());
        DesktopNotifications center;
        QVERIFY(QCoro::waitFor(center.post({u"usage.1"_s, u"Claude reached 50%"_s, body, sound})));
        QCOMPARE(server.calls().size(), 1);
        const FakeNotificationServer::Call& call = server.calls()[0];
        QCOMPARE(call.body, delivered);
        QCOMPARE(call.summary, u"Claude reached 50%"_s); // the summary is never markup
        // A new notification each time, shown as long as the server shows its own, no buttons.
        QCOMPARE(call.appName, u"Tallyvane"_s);
        QCOMPARE(call.replacesID, 0u);
        QCOMPARE(call.expireTimeout, -1);
        QVERIFY(call.actions.isEmpty());
        QVariantMap hints{{u"x-tallyvane-identifier"_s, u"usage.1"_s}};
        if (sound)
            hints.insert(u"sound-name"_s, u"message-new-instant"_s);
        QCOMPARE(call.hints, hints);
    }

    void serviceErrorIsReported()
    {
        FakeNotificationServer server;
        QVERIFY(server.start());
        server.failCall(0);
        DesktopNotifications center;
        QCOMPARE(QCoro::waitFor(center.post({u"usage.1"_s, u"t"_s, u"b"_s, true})),
                 std::unexpected(NotificationPostingError::serviceFailed));
        QVERIFY(QCoro::waitFor(center.post({u"usage.2"_s, u"t"_s, u"b"_s, true})));
        QCOMPARE(server.calls().size(), 2);
    }

    void authorizationFollowsTheServiceOwner()
    {
        DesktopNotifications center;
        QCOMPARE(QCoro::waitFor(center.requestAuthorization()), false);
        {
            FakeNotificationServer server;
            QVERIFY(server.start());
            QCOMPARE(QCoro::waitFor(center.authorization()), NotificationAuthorization::authorized);
            QCOMPARE(QCoro::waitFor(center.requestAuthorization()), true);
        }
        QCOMPARE(QCoro::waitFor(center.authorization()), NotificationAuthorization::denied);
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotifications)
#include "TestDesktopNotifications.moc"
