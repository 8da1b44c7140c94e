#include "AppModelFixture.h"

#include "RealisticUsage.h"

#include <QCoroTask>

namespace tallyvane::testing {

namespace {
std::shared_ptr<FakeProvider> fakeProvider(ProviderService service)
{
    return std::make_shared<FakeProvider>(
        ProviderDescriptor{providerID(service), displayName(service), std::nullopt});
}
} // namespace

AppModelFixture::AppModelFixture(UsageNotificationController* controller, UsageAppModel::Timing timing,
                                 std::shared_ptr<ProviderAuthenticating> signIn)
    : codex(fakeProvider(ProviderService::codex))
    , claude(fakeProvider(ProviderService::claude))
{
    codex->answerWithWindowAnd({});
    claude->answerWithWindowAnd({});
    model = std::make_unique<UsageAppModel>(
        signIn ? std::move(signIn) : authentication,
        UsageAppModel::ProviderMap{{ProviderService::codex, codex}, {ProviderService::claude, claude}},
        clock.function(), preferences, controller ? *controller : notifications, timing);
}

void AppModelFixture::answerRealistically()
{
    codex->setCollection(RealisticUsage::collection(ProviderService::codex, clock.current()));
    claude->setCollection(RealisticUsage::collection(ProviderService::claude, clock.current()));
}

void AppModelFixture::refresh()
{
    QCoro::waitFor(model->refresh(RefreshTrigger::manual));
}

} // namespace tallyvane::testing
