#include <ProviderKit/ClaudeOAuthSession.h>
#include <UsageViews/LinkOpener.h>
#include <UsageViews/OpenLinkDialog.h>

#include "FakeBrowser.h"
#include "FakeClaudeServer.h"
#include "InMemoryCredentialStore.h"
#include "ManualClock.h"

#include <QClipboard>
#include <QCoroTask>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString clientID = u"0d6c1a52-3b7e-4f0a-9c2d-1e5f8a7b6c4d"_s;
const QUrl guide(u"https://developers.example/codex/cli"_s);

// A desktop whose launcher answers at once, as told.
LinkOpener::Launch desktopThatOpens(bool opens)
{
    return [opens](const QUrl&, std::function<void(bool)> done) { done(opens); };
}

} // namespace

class TestLinkOpener : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addressIsShownOnlyWhenNothingOpenedIt_data()
    {
        QTest::addColumn<bool>("opens");
        QTest::newRow("browser opened") << true;
        QTest::newRow("no browser") << false;
    }
    void addressIsShownOnlyWhenNothingOpenedIt()
    {
        QFETCH(bool, opens);
        LinkOpener links(desktopThatOpens(opens));
        QVERIFY(links.open(guide));
        QCOMPARE(links.dialog() != nullptr, !opens);
        if (opens)
            return;
        OpenLinkDialog& dialog = *links.dialog();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.findChild<QLineEdit*>()->text(), guide.toString());
        dialog.copyButton()->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), guide.toString());
    }

    // The real opener with neither a portal nor a launcher: the sign-in does not fail at once,
    // it waits while the user takes the address from the dialog to a browser, and completes.
    void signInWaitsWhileTheAddressIsCopiedByHand()
    {
        FakeClaudeServer server(clientID);
        server.script(FakeClaudeServer::tokenPath,
                      FakeClaudeServer::jsonResponse(200, QJsonObject{{u"access_token"_s, u"access-a1"_s},
                                                                      {u"refresh_token"_s, u"refresh-r1"_s},
                                                                      {u"expires_in"_s, 3600}}));
        FakeBrowser browser(server, clientID);
        DesktopUrlOpener desktop(QDBusConnection(u"no bus"_s), {.launcher = u"/nonexistent/xdg-open"_s});
        LinkOpener links(LinkOpener::desktop(desktop));
        QObject::connect(&links, &LinkOpener::addressShown, &links,
                         [&browser](const QUrl& address) { browser.opener()(address); });
        auto store = std::make_shared<InMemoryCredentialStore>();
        ManualClock clock;
        ClaudeOAuthSession session(
            store, [&links](const QUrl& address) { return links.open(address); }, server.baseURL(),
            server.baseURL(), clientID, nullptr, std::chrono::seconds(20), 20.0, clock.function());

        const auto signedIn = QCoro::waitFor(session.login());
        QVERIFY(signedIn);
        QVERIFY(links.dialog() && links.dialog()->isVisible());
        QCOMPARE(links.dialog()->address(), browser.openedURL());
        QCOMPARE(browser.problems(), QStringList());
        QVERIFY(QCoro::waitFor(session.isSignedIn()));
    }
};

QTEST_MAIN(TestLinkOpener)
#include "TestLinkOpener.moc"
