#pragma once

#include <QString>

namespace tallyvane {

// Who the application says it is to the desktop: its name, version, desktop entry and icon.
// Deliberately no display name: Qt appends one to every window title on Linux, which made
// "Tallyvane Settings — Tallyvane"; the titles name the application themselves.
class ApplicationIdentity {
public:
    // Name, version and desktop entry are static: they may be set before any application object.
    static void name(const QString& version);
    // The window icon needs the GUI application.
    static void applyIcon();
    static void apply(const QString& version)
    {
        name(version);
        applyIcon();
    }
};

} // namespace tallyvane
