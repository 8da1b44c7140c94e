#pragma once

#include "Preferences.h"

#include <UsagePresentation/MenuBarConfiguration.h>
#include <UsagePresentation/MenuBarProjection.h>

#include <QLocale>

namespace tallyvane {

// Reads the menu-bar settings out of the preferences for the projection.
namespace MenuBarSettings {

// Unknown texts give each setting's default; "unknown" as the window kind means automatic.
// The stored provider order is completed with the services it leaves out, in their usual order.
MenuBarConfiguration read(const Preferences& preferences);

// The locale's short time format without seconds: its digits, 12- or 24-hour clock and
// day-period marker kept.
QString hourMinuteFormat(const QLocale& locale);

// Hour and minute of the local time, 12- or 24-hour as the user's locale writes it.
MenuBarProjection::TimeFormat resetTimeFormat();

} // namespace MenuBarSettings
} // namespace tallyvane
