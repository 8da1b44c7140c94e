#pragma once

#include <TallyvaneWidgetSupport/WidgetUsageSnapshot.h>

#include <QString>

namespace tallyvane::WidgetTexts {

// Every text the widget shows, from its own "TallyvaneWidget" table; English is key and fallback.

QString stateMessage(WidgetProviderState state);
// "Five-hour", "Weekly" and "Model" are translated; any other name is shown as sent.
QString windowDisplayName(const QString& name);
// The fraction as a whole percentage in the user's locale ("31%"), rounded as every surface rounds.
QString percent(double usedFraction);
// "Codex, 31% used" or "Claude, Sign in required".
QString providerAccessibleName(const WidgetProviderUsage& provider);

// A document without any available provider counts as a failed update, even if it arrived.
bool anyAvailable(const WidgetUsageSnapshot& snapshot);
// "Updated 2 min. ago" or "Could not update 2 min. ago", relative to `now`.
QString footer(const WidgetUsageSnapshot& snapshot, WidgetDate now);
QString footerAccessibleName(const WidgetUsageSnapshot& snapshot, WidgetDate now);

} // namespace tallyvane::WidgetTexts
