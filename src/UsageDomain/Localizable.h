#pragma once

#include <QCoreApplication>

namespace tallyvane {

// User-visible texts go through the application's "Localizable" string table; the English
// text is the key and the fallback.
inline QString localized(const char* english)
{
    return QCoreApplication::translate("Localizable", english);
}

} // namespace tallyvane
