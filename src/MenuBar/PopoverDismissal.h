#pragma once

#include <QObject>

class QWidget;
class QWindow;

namespace tallyvane {

// Closes a transient window the way people expect of a popover, whatever the window system
// allows it: on Escape, on a click outside it, and when another window (of this application or
// another one) takes the focus after it had it. Qt's own popup handling covers none of this
// where its pointer and keyboard grabs fail (Xwayland, some tray hosts), nor ordinary windows.
class PopoverDismissal : public QObject {
    Q_OBJECT
public:
    // Watches `window` for as long as both live.
    explicit PopoverDismissal(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusMoved(QWindow* focus);

    QWidget& m_window;
    // Focus loss counts only after the window had the focus since it was shown: it may be
    // shown while another window still holds it.
    bool m_hadFocus = false;
};

} // namespace tallyvane
