#pragma once

#include <TallyvaneUI/ProviderViewState.h>
#include <UsageDomain/Instant.h>
#include <UsagePresentation/MenuBarConfiguration.h>

#include <QList>
#include <QString>

namespace tallyvane {

// The tray item's tooltip, which stands in for the menu-bar text: tray hosts show it as the
// item's text and read it out. Unlike the menu bar it may be read on another day, so a reset
// that is not today carries its weekday or date, and a service without usage says why in words.
namespace StatusToolTip {

// One line per shown service, in display order, whatever `iconsOnly` says (the tooltip is the
// only place left for the text); the first shown window's forecast follows its service's line.
QString text(const QList<ProviderViewState>& providers, const MenuBarConfiguration& configuration,
             Instant now);
// The reset time alone when it falls today; with the abbreviated weekday within the next six
// days; otherwise with the locale's short date.
QString resetTime(Instant reset, Instant now);

} // namespace StatusToolTip
} // namespace tallyvane
