#pragma once

#include "FakeAuthenticator.h"
#include "FakeProvider.h"
#include "ManualClock.h"

#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <TallyvaneUI/UsageNotifications.h>
#include <UsageViews/ViewServices.h>

#include <QTemporaryDir>

#include <memory>
#include <utility>

namespace tallyvane::testing {

// One model with scripted providers, a scripted authenticator, preferences in a scratch folder
// and a clock the test moves. Both services start signed in, each answering one window.
struct AppModelFixture {
    QTemporaryDir directory;
    Preferences preferences{directory.filePath(QStringLiteral("preferences.json"))};
    UsageNotificationController notifications{nullptr, [] { return UsageAlertSettings{}; }};
    ManualClock clock;
    std::shared_ptr<FakeAuthenticator> authentication = std::make_shared<FakeAuthenticator>();
    std::shared_ptr<FakeProvider> codex;
    std::shared_ptr<FakeProvider> claude;
    std::unique_ptr<UsageAppModel> model;

    // `controller` replaces the silent notification controller, `signIn` the scripted authenticator.
    explicit AppModelFixture(UsageNotificationController* controller = nullptr,
                             UsageAppModel::Timing timing = {.tick = std::chrono::hours(1)},
                             std::shared_ptr<ProviderAuthenticating> signIn = nullptr);

    FakeProvider& provider(ProviderService service)
    {
        return service == ProviderService::codex ? *codex : *claude;
    }
    int collections() const { return codex->collectCount() + claude->collectCount(); }

    // What the views need over this model; links open nowhere unless `openUrl` records them.
    ViewServices viewServices(std::function<bool(const QUrl&)> openUrl = [](const QUrl&) { return true; })
    {
        return {*model, preferences, clock.function(), std::move(openUrl)};
    }

    // Both providers answer with RealisticUsage as of the clock's time.
    void answerRealistically();
    // Refreshes once, waiting until the model has published.
    void refresh();
};

} // namespace tallyvane::testing
