#include "WindowPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tallyvane {

QRect WindowPlacement::fitted(QRect wanted, const QRect& available)
{
    if (available.isEmpty())
        return wanted;
    wanted.setSize(wanted.size().boundedTo(available.size()));
    const int x = std::clamp(wanted.left(), available.left(), available.right() + 1 - wanted.width());
    const int y = std::clamp(wanted.top(), available.top(), available.bottom() + 1 - wanted.height());
    wanted.moveTopLeft({x, y});
    return wanted;
}

QRect WindowPlacement::centred(QSize size, const QRect& available)
{
    QRect wanted(QPoint(), size);
    wanted.moveCenter(available.center());
    return fitted(wanted, available);
}

QRect WindowPlacement::beside(const QRect& anchor, QSize size, const QRect& available, int gap)
{
    const int x = anchor.center().x() - size.width() / 2;
    const int y = anchor.center().y() < available.center().y() ? anchor.bottom() + 1 + gap
                                                               : anchor.top() - gap - size.height();
    return fitted(QRect(QPoint(x, y), size), available);
}

namespace {

const QScreen* screenShowing(QPoint point)
{
    const QScreen* screen = QGuiApplication::screenAt(point);
    return screen ? screen : QGuiApplication::primaryScreen();
}

// The thickness assumed for an unreported bar along an edge `distance` pixels from the anchor.
int unreportedPanelThickness(int distance)
{
    // Farther in, the anchor is no panel item (a pointer left anywhere).
    constexpr int band = 48;
    return distance < band ? std::max(WindowPlacement::assumedPanel, 2 * distance + 1)
                           : WindowPlacement::assumedPanel;
}

} // namespace

QRect WindowPlacement::availableAround(QPoint point)
{
    const QScreen* screen = screenShowing(point);
    return screen ? screen->availableGeometry() : QRect();
}

QRect WindowPlacement::clearOfUnreportedPanels(const QRect& available, const QRect& screen,
                                               const QRect& anchor)
{
    if (available != screen || screen.isEmpty())
        return available;
    const int centre = anchor.center().y();
    return available.adjusted(0, unreportedPanelThickness(centre - screen.top()), 0,
                              -unreportedPanelThickness(screen.bottom() - centre));
}

QRect WindowPlacement::availableBeside(const QRect& anchor)
{
    const QScreen* screen = screenShowing(anchor.center());
    return screen ? clearOfUnreportedPanels(screen->availableGeometry(), screen->geometry(), anchor)
                  : QRect();
}

void WindowPlacement::apply(QWidget& window, const QRect& frame)
{
    // Before the window manager has framed a window its decorations are unknown; the frame is
    // then taken to be the window itself.
    const QSize decorations = window.frameGeometry().size() - window.size();
    const QSize inside = frame.size() - decorations;
    window.setMinimumSize(window.minimumSize().boundedTo(inside));
    window.resize(inside.boundedTo(window.maximumSize()));
    window.move(frame.topLeft());
}

void WindowPlacement::centre(QWidget& window)
{
    apply(window, centred(window.frameGeometry().size(), availableAround(QCursor::pos())));
}

void WindowPlacement::keepInside(QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect available = availableAround(frame.center());
    if (!available.isEmpty() && !available.contains(frame))
        apply(window, fitted(frame, available));
}

} // namespace tallyvane
