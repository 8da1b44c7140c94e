#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <optional>

struct xcb_connection_t;

namespace tallyvane {

// The window the X window manager calls active (_NET_ACTIVE_WINDOW on the root window). A popup
// that grabs the keyboard never holds the X input focus, so it hears nothing when the focus
// moves on; the manager's record still changes. Under Xwayland "none" means a Wayland window
// took the focus; on a plain X server managers also write it while a popup grabs the keyboard,
// so there it is not reported. Inert outside X11.
class X11ActiveWindow : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit X11ActiveWindow(QObject* parent = nullptr);
    ~X11ActiveWindow() override;

    // The active window now (0: none); nothing where no manager keeps the record.
    std::optional<quint32> current() const;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

Q_SIGNALS:
    void changed(quint32 window);

private:
    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    quint32 m_property = 0;
    bool m_noneIsAnotherWindow = false;
};

} // namespace tallyvane
