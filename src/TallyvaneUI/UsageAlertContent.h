#pragma once

#include "ProviderViewState.h"
#include "UsageAlertEvent.h"

#include <Platform/UserNotification.h>

namespace tallyvane {

// Pure functions between view states, alert samples and the notification texts.
namespace UsageAlertContent {

// The window's own name when it has one, else a name for its kind; localised either way.
QString windowName(const UsageWindowSample& window);

// One sample per bucket of each provider (the newest window), in provider and display order.
// The used share is the used fraction, else 1 - the remaining one; windows with neither are
// left out.
QList<UsageAlertSample> samples(const QList<ProviderViewState>& providers);

QString title(const UsageAlertEvent& event);
QString body(const UsageAlertEvent& event);

// Title, body, the default sound and a fresh "usage.<uuid>" identifier.
UserNotification notification(const UsageAlertEvent& event);

} // namespace UsageAlertContent
} // namespace tallyvane
