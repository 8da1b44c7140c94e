#include "X11ActiveWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace tallyvane {
namespace {

template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> ReplyPointer<Reply> owned(Reply* reply)
{
    return ReplyPointer<Reply>(reply, &std::free);
}

xcb_connection_t* x11Connection()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

} // namespace

X11ActiveWindow::X11ActiveWindow(QObject* parent)
    : QObject(parent)
    , m_connection(x11Connection())
{
    if (!m_connection)
        return;
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const xcb_screen_iterator_t roots = xcb_setup_roots_iterator(setup);
    if (!roots.rem)
        return;
    m_root = roots.data->root;
    static constexpr char name[] = "_NET_ACTIVE_WINDOW";
    const auto atom = owned(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, sizeof(name) - 1, name), nullptr));
    const auto attributes = owned(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, m_root), nullptr));
    if (!atom || !attributes)
        return;
    m_property = atom->atom;
    // Xwayland names its outputs XWAYLAND0, XWAYLAND1, ...
    const QList<QScreen*> screens = QGuiApplication::screens();
    m_noneIsAnotherWindow = std::ranges::any_of(screens, [](const QScreen* screen) {
        return screen->name().startsWith(QLatin1StringView("XWAYLAND"));
    });
    // Added to what the platform already selects on the root window.
    const quint32 mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11ActiveWindow::~X11ActiveWindow()
{
    if (m_property && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::optional<quint32> X11ActiveWindow::current() const
{
    if (!m_property)
        return std::nullopt;
    const auto reply = owned(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, m_root, m_property, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!reply || reply->type != XCB_ATOM_WINDOW || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    return *static_cast<const quint32*>(xcb_get_property_value(reply.get()));
}

bool X11ActiveWindow::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
    if (notify->window != m_root || notify->atom != m_property)
        return false;
    const std::optional<quint32> active = current();
    if (active && (*active != 0 || m_noneIsAnotherWindow))
        Q_EMIT changed(*active);
    // The platform may want the same notification.
    return false;
}

} // namespace tallyvane
