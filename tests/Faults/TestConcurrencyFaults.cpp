#include <TallyvaneUI/WidgetLiveServer.h>

#include "AppModelFixture.h"
#include "HttpTestClient.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int widgetRequests = 100;

} // namespace

class TestConcurrencyFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void burstOfRefreshesSignInAndWidgetRequests()
    {
        AppModelFixture f;
        f.authentication->setLoginAnswer(FakeAuthenticator::signedIn(ProviderService::claude));
        WidgetLiveServer server(*f.model, WidgetLiveServer::Limits{.port = 0});
        server.start();
        QVERIFY(server.isListening());
        QSignalSpy published(f.model.get(), &UsageAppModel::providersChanged);
        f.codex->hold();
        f.claude->hold();

        // Everything arrives while the first refresh is still collecting.
        QCoro::Task<> first = f.model->refresh(RefreshTrigger::manual);
        QCoro::Task<> second = f.model->refresh(RefreshTrigger::manual);
        QCoro::Task<> signIn = f.model->connect(ProviderService::claude);
        std::vector<std::unique_ptr<HttpTestClient>> clients;
        for (int index = 0; index < widgetRequests; ++index)
            clients.push_back(std::make_unique<HttpTestClient>(server.serverPort(),
                                                               HttpTestClient::widgetRequest("localhost")));
        QTRY_COMPARE(f.codex->pendingCount() + f.claude->pendingCount(), 2);
        QTest::qWait(300); // every request is in by now and waits
        for (const auto& client : clients)
            QVERIFY(client->received().isEmpty());

        f.codex->release();
        f.claude->release();
        QCoro::waitFor(first);
        QCoro::waitFor(second);
        QCoro::waitFor(signIn);
        // The three callers joined one collection, and each applied its summary once.
        QCOMPARE(f.codex->collectCount(), 1);
        QCOMPARE(f.claude->collectCount(), 1);
        // Codex answered first and was shown while Claude's collection was still under way.
        QCOMPARE(published.size(), 4);

        const auto allClosed = [&] {
            return std::all_of(clients.begin(), clients.end(),
                               [](const auto& client) { return client->isClosed(); });
        };
        QTRY_VERIFY_WITH_TIMEOUT(allClosed(), 30'000);
        // Requests the server took up only later ran refreshes of their own: one summary each,
        // always over both services.
        QCOMPARE(f.codex->collectCount(), f.claude->collectCount());
        QCOMPARE(published.size(), f.codex->collectCount() + 3);
        QVERIFY(!f.model->isRefreshing());
        QCOMPARE(f.model->authenticationAction(), std::nullopt);
        QCOMPARE(f.model->connectionStates().value(ProviderService::claude).status,
                 ProviderConnectionStatus::signedIn);
        QCOMPARE(f.model->providers().size(), 2);
        // Every request got the same whole document.
        const QByteArray expected = clients.front()->received();
        QVERIFY2(expected.startsWith("HTTP/1.1 200 OK\r\n"), expected.left(40).constData());
        for (const auto& client : clients)
            QCOMPARE(client->received(), expected);
    }
};

QTEST_GUILESS_MAIN(TestConcurrencyFaults)
#include "TestConcurrencyFaults.moc"
