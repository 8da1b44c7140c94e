#include "PopoverDismissal.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace tallyvane {

PopoverDismissal::PopoverDismissal(QWidget& window)
    : QObject(&window)
    , m_window(window)
{
    window.installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &PopoverDismissal::focusMoved);
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
