#include <FakeNotificationServer.h>
#include <Platform/DesktopNotifications.h>

#include <QCoroTask>
#include <QDBusConnection>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

class TestDesktopNotifications : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void authorizationFollowsTheServiceOwner();
    void notifyCarriesEverything();
    void serviceErrorIsReported();
    void bodyIsEscapedForMarkupServers_data();
    void bodyIsEscapedForMarkupServers();
};

void TestDesktopNotifications::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs a session bus: run inside dbus-run-session");
}

void TestDesktopNotifications::authorizationFollowsTheServiceOwner()
{
    DesktopNotifications center;
    QCOMPARE(QCoro::waitFor(center.authorization()), NotificationAuthorization::denied);
    QCOMPARE(QCoro::waitFor(center.requestAuthorization()), false);
    {
        FakeNotificationServer server;
        QVERIFY(server.start());
        QCOMPARE(QCoro::waitFor(center.authorization()), NotificationAuthorization::authorized);
        QCOMPARE(QCoro::waitFor(center.requestAuthorization()), true);
    }
    QCOMPARE(QCoro::waitFor(center.authorization()), NotificationAuthorization::denied);
}

void TestDesktopNotifications::notifyCarriesEverything()
{
    FakeNotificationServer server;
    QVERIFY(server.start());
    DesktopNotifications center;

    QVERIFY(QCoro::waitFor(
        center.post({u"usage.1"_s, u"Codex reached 50%"_s, u"Session has 50% used."_s, true})));
    QVERIFY(QCoro::waitFor(center.post({u"usage.2"_s, u"Silent"_s, u"Body"_s, false})));

    QCOMPARE(server.calls().size(), 2);
    const FakeNotificationServer::Call& first = server.calls()[0];
    QCOMPARE(first.appName, u"Tallyvane"_s);
    QCOMPARE(first.summary, u"Codex reached 50%"_s);
    QCOMPARE(first.body, u"Session has 50% used."_s);
    QCOMPARE(first.expireTimeout, -1);
    QCOMPARE(first.hints, (QVariantMap{{u"sound-name"_s, u"message-new-instant"_s},
                                       {u"x-tallyvane-identifier"_s, u"usage.1"_s}}));
    QVERIFY(!server.calls()[1].hints.contains(u"sound-name"_s));
}

void TestDesktopNotifications::serviceErrorIsReported()
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

// Window names come from other programs' output; a server that reads markup must show them as
// written, one that does not must get them unchanged.
void TestDesktopNotifications::bodyIsEscapedForMarkupServers_data()
{
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("delivered");
    const QString tagged = u"<b>Opus</b> & \"co\" has 50% used."_s;
    QTest::newRow("markup server") << QStringList{u"body"_s, u"body-markup"_s} << tagged
                                   << u"&lt;b&gt;Opus&lt;/b&gt; &amp; &quot;co&quot; has 50% used."_s;
    QTest::newRow("plain server") << QStringList{u"body"_s} << tagged << tagged;
    QTest::newRow("markup server, nothing to escape")
        << QStringList{u"body-markup"_s} << u"Weekly has 50% used."_s << u"Weekly has 50% used."_s;
}

void TestDesktopNotifications::bodyIsEscapedForMarkupServers()
{
    QFETCH(QStringList, capabilities);
    QFETCH(QString, body);
    QFETCH(QString, delivered);
    FakeNotificationServer server;
    server.setCapabilities(capabilities);
    QVERIFY(server.start());
    DesktopNotifications center;
    QVERIFY(QCoro::waitFor(center.post({u"usage.1"_s, u"Claude reached 50%"_s, body, true})));
    QCOMPARE(server.calls().size(), 1);
    QCOMPARE(server.calls()[0].body, delivered);
    QCOMPARE(server.calls()[0].summary, u"Claude reached 50%"_s); // the summary is never markup
}

QTEST_GUILESS_MAIN(TestDesktopNotifications)
#include "TestDesktopNotifications.moc"
