#include "PopoverDismissal.h"

#include "X11ActiveWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace tallyvane {

PopoverDismissal::PopoverDismissal(QWidget& window)
    : QObject(&window)
    , m_window(window)
{
    window.installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &PopoverDismissal::focusMoved);
    m_activeWindow = new X11ActiveWindow(this);
    connect(m_activeWindow, &X11ActiveWindow::changed, this, &PopoverDismissal::activeWindowChanged);
}

bool PopoverDismissal::isOwnWindow(quint32 window) const
{
    const QWindow* own = m_window.windowHandle();
    if (!own || window == 0)
        return false;
    return std::ranges::any_of(QGuiApplication::allWindows(), [&](const QWindow* candidate) {
        return candidate->handle() && candidate->winId() == window &&
               (candidate == own || candidate->transientParent() == own);
    });
}

void PopoverDismissal::activeWindowChanged(quint32 window)
{
    if (!m_window.isVisible() || window == m_activeAtShow || isOwnWindow(window))
        return;
    m_window.close();
}

void PopoverDismissal::focusMoved(QWindow* focus)
{
    if (!m_window.isVisible())
        return;
    const QWindow* own = m_window.windowHandle();
    if (focus && focus == own) {
        m_hadFocus = true;
        return;
    }
    // Menus and dialogs opened from the popover itself keep it open.
    if (focus && own && focus->transientParent() == own)
        return;
    if (m_hadFocus)
        m_window.close();
}

bool PopoverDismissal::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_window)
        return false;
    switch (event->type()) {
    case QEvent::Show:
        m_hadFocus =
            QGuiApplication::focusWindow() && QGuiApplication::focusWindow() == m_window.windowHandle();
        m_activeAtShow = m_activeWindow->current();
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            m_window.close();
            return true;
        }
        break;
    case QEvent::MouseButtonPress: {
        // A grabbing window gets the clicks made outside it too.
        const auto* press = static_cast<QMouseEvent*>(event);
        if (!m_window.rect().contains(press->position().toPoint())) {
            m_window.close();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace tallyvane
