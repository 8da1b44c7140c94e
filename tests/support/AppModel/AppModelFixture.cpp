#include "AppModelFixture.h"

#include <QCoroTask>

namespace tallyvane::testing {

AppModelFixture::AppModelFixture(UsageNotificationController* controller, UsageAppModel::Timing timing)
    : codex(FakeProvider::create(providerID(ProviderService::codex)))
    , claude(FakeProvider::create(providerID(ProviderService::claude)))
{
    codex->answerWithWindowAnd({});
    claude->answerWithWindowAnd({});
    model = std::make_unique<UsageAppModel>(
        authentication,
        UsageAppModel::ProviderMap{{ProviderService::codex, codex}, {ProviderService::claude, claude}},
        clock.function(), preferences, controller ? *controller : notifications, timing);
}

void AppModelFixture::refresh()
{
    QCoro::waitFor(model->refresh(RefreshTrigger::manual));
}

} // namespace tallyvane::testing
