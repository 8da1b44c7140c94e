#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

namespace tallyvane::testing {

struct DesktopWindow {
    QString id; // sway's container id or the X window id
    QString title;
    QRect rect;
};

// Where windows are looked up: sway's tree holds the windows it manages (Xwayland's too), the
// X server also those that place themselves (popups are override-redirect on X11), GNOME Shell
// answers through its Eval call.
enum class WindowSystem { sway, x11, gnome };

// The windows a process shows, as the compositor or the X server sees them.
class DesktopWindows {
public:
    static QList<DesktopWindow> of(qint64 pid, WindowSystem system);
    // The output (sway, GNOME's primary monitor) or the root window (X11).
    static QRect screen(WindowSystem system);
    // GNOME Shell's top bar, in pixels; 0 elsewhere.
    static int gnomeTopBarHeight();
    // Asks the window manager to close the process's windows, as a title-bar button does.
    static bool close(qint64 pid, WindowSystem system);
    // Runs a script in GNOME Shell (with --unsafe-mode); false when it throws or is refused.
    static bool gnomeEval(const QString& script);

    // The first window with this title (other than `except`) the process shows within boundMs.
    static std::optional<DesktopWindow> waitFor(qint64 pid, WindowSystem system, const QString& title,
                                                int boundMs, const QString& except = {});
    // Whether the window with this id lies inside `area` within boundMs: a compositor may map a
    // window first and place it a frame later.
    static bool settlesInside(qint64 pid, WindowSystem system, const QString& id, const QRect& area,
                              int boundMs);
    // For failure messages: title, position and size of each window the process shows.
    static QString describe(qint64 pid, WindowSystem system);
};

} // namespace tallyvane::testing
