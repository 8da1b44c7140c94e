#include <TallyvaneUI/RefreshStatusQueries.h>
#include <TallyvaneUI/UsageAppModel.h>

#include "AppModelFixture.h"

#include <QCoroSignal>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;

namespace {

// Answers the Claude status only when released, as a keyring that takes its time would.
class HeldClaudeStatus final : public QObject, public ProviderAuthenticating {
    Q_OBJECT
public:
    QCoro::Task<ProviderConnectionState> status(ProviderService service) override
    {
        ++asked[service];
        if (service == ProviderService::claude && held)
            co_await qCoro(this, &HeldClaudeStatus::released);
        co_return FakeAuthenticator::signedIn(service);
    }
    QCoro::Task<ProviderConnectionState> login(ProviderService service) override
    {
        co_return FakeAuthenticator::signedIn(service);
    }
    QCoro::Task<ProviderConnectionState> disconnect(ProviderService service) override
    {
        co_return FakeAuthenticator::signedOut(service);
    }
    void release()
    {
        held = false;
        Q_EMIT released();
    }

    QHash<ProviderService, int> asked;
    bool held = true;

Q_SIGNALS:
    void released();
};

} // namespace

class TestRefreshStatusQueries : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oneQueryPerServiceAndRefresh()
    {
        const auto authentication = std::make_shared<HeldClaudeStatus>();
        RefreshStatusQueries queries(authentication);
        auto first = queries.status(ProviderService::claude);
        auto joined = queries.status(ProviderService::claude);
        authentication->release();
        QCOMPARE(QCoro::waitFor(std::move(first)).status, ProviderConnectionStatus::signedIn);
        QCOMPARE(QCoro::waitFor(std::move(joined)).status, ProviderConnectionStatus::signedIn);
        // Answered, the answer still serves this refresh; the next one asks again.
        QCoro::waitFor(queries.status(ProviderService::claude));
        QCOMPARE(authentication->asked.value(ProviderService::claude), 1);
        queries.beginRefresh();
        QCoro::waitFor(queries.status(ProviderService::claude));
        QCOMPARE(authentication->asked.value(ProviderService::claude), 2);
    }

    void slowClaudeStatusDoesNotHoldCodex()
    {
        const auto authentication = std::make_shared<HeldClaudeStatus>();
        AppModelFixture fixture(nullptr, {.tick = std::chrono::hours(1)}, authentication);
        UsageAppModel& model = *fixture.model;
        FakeProvider& claude = *fixture.claude;

        QCoro::Task<> refreshing = model.refresh(RefreshTrigger::manual);
        // Codex's status, collection and numbers come while Claude's sign-in check still waits.
        QTRY_COMPARE(model.providers().size(), 1);
        QCOMPARE(model.providers().at(0).service, ProviderService::codex);
        QVERIFY(!model.providers().at(0).windows.isEmpty());
        QCOMPARE(model.connectionState(ProviderService::codex).status, ProviderConnectionStatus::signedIn);
        QCOMPARE(model.connectionState(ProviderService::claude).status, ProviderConnectionStatus::checking);
        QCOMPARE(claude.collectCount(), 0);
        QVERIFY(model.isRefreshing());

        authentication->release();
        QCoro::waitFor(std::move(refreshing));
        QCOMPARE(model.providers().size(), 2);
        QCOMPARE(claude.collectCount(), 1);
        // The model's query and the gate's were one.
        QCOMPARE(authentication->asked.value(ProviderService::claude), 1);
        QCOMPARE(authentication->asked.value(ProviderService::codex), 1);
    }
};

QTEST_GUILESS_MAIN(TestRefreshStatusQueries)
#include "TestRefreshStatusQueries.moc"
