#pragma once

#include <QList>
#include <QRect>
#include <QString>

namespace tallyvane::testing {

struct DesktopWindow {
    QString title;
    QRect rect;
};

// The windows a process shows, as the compositor (sway's tree) or the X server sees them.
class DesktopWindows {
public:
    static QList<DesktopWindow> of(qint64 pid);
    // The output (sway) or the root window (X11).
    static QRect screen();
    // Asks the window manager to close the process's windows, as a title-bar button does.
    static bool close(qint64 pid);
    static bool isSway();
};

} // namespace tallyvane::testing
