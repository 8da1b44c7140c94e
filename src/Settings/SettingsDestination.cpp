#include "SettingsDestination.h"

#include <UsageDomain/Localizable.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

QString settingsDestinationTitle(SettingsDestination destination)
{
    switch (destination) {
    case SettingsDestination::accounts:
        return localized("Accounts");
    case SettingsDestination::menuBar:
        return localized("Menu Bar");
    case SettingsDestination::general:
        break;
    }
    return localized("General");
}

QString settingsDestinationSymbol(SettingsDestination destination)
{
    switch (destination) {
    case SettingsDestination::accounts:
        return u"person.crop.circle"_s;
    case SettingsDestination::menuBar:
        return u"menubar.rectangle"_s;
    case SettingsDestination::general:
        break;
    }
    return u"gearshape"_s;
}

} // namespace tallyvane
