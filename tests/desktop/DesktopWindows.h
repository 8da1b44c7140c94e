#pragma once

#include <QList>
#include <QRect>
#include <QString>

namespace tallyvane::testing {

struct DesktopWindow {
    QString id; // sway's container id or the X window id
    QString title;
    QRect rect;
};

// Where windows are looked up: sway's tree holds the windows it manages (Xwayland's too), the
// X server also those that place themselves (popups are override-redirect on X11).
enum class WindowSystem { sway, x11 };

// The windows a process shows, as the compositor or the X server sees them.
class DesktopWindows {
public:
    static QList<DesktopWindow> of(qint64 pid, WindowSystem system);
    // The output (sway) or the root window (X11).
    static QRect screen(WindowSystem system);
    // Asks the window manager to close the process's windows, as a title-bar button does.
    static bool close(qint64 pid);
    static bool isSway();
};

} // namespace tallyvane::testing
