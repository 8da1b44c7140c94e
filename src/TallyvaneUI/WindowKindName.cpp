#include "WindowKindName.h"

#include <UsageDomain/Localizable.h>

namespace tallyvane {

QString windowKindName(UsageWindowKind kind)
{
    switch (kind) {
    case UsageWindowKind::fiveHour:
        return localized("Session");
    case UsageWindowKind::sevenDay:
        return localized("Weekly");
    case UsageWindowKind::modelSpecific:
        return localized("Model");
    case UsageWindowKind::custom:
        return localized("Custom");
    case UsageWindowKind::unknown:
        break;
    }
    return localized("Window");
}

} // namespace tallyvane
