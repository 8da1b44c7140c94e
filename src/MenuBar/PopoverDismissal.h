#pragma once

#include <QObject>

#include <optional>

class QWidget;
class QWindow;

namespace tallyvane {

class X11ActiveWindow;

// Closes a transient window the way people expect of a popover, whatever the window system
// allows it: on Escape, on a click outside it, and when another window (of this application or
// another one) takes the focus after it had it. Qt's own popup handling covers none of this
// where its pointer and keyboard grabs fail (Xwayland, some tray hosts), nor ordinary windows.
class PopoverDismissal : public QObject {
    Q_OBJECT
public:
    // Watches `window` for as long as both live.
    explicit PopoverDismissal(QWidget& window);

    // The window system says `window` is now its active window (0: one it does not manage).
    // Another window than at the time the popover was shown, and not the popover or a window
    // opened from it, takes the focus.
    void activeWindowChanged(quint32 window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusMoved(QWindow* focus);

    bool isOwnWindow(quint32 window) const;

    QWidget& m_window;
    X11ActiveWindow* m_activeWindow = nullptr;
    std::optional<quint32> m_activeAtShow;
    // Focus loss counts only after the window had the focus since it was shown: it may be
    // shown while another window still holds it.
    bool m_hadFocus = false;
};

} // namespace tallyvane
