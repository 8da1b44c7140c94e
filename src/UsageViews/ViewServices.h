#pragma once

#include <UsageDomain/Instant.h>

#include <QUrl>

#include <functional>

namespace tallyvane {

class Preferences;
class UsageAppModel;

// What every window and card needs, passed by reference; the clock and the URL opener are
// injected so that views render and behave the same in tests.
struct ViewServices {
    UsageAppModel& model;
    Preferences& preferences;
    std::function<Instant()> now;
    std::function<bool(const QUrl&)> openUrl;
};

} // namespace tallyvane
