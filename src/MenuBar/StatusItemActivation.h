#pragma once

#include <QPoint>

#include <optional>

class QDBusMessage;

namespace tallyvane {

// Where a StatusNotifierItem host says the tray item was activated. Qt's tray icon reports the
// activation but drops the point that came with it, so the calls are read on their way in.
class StatusItemActivation {
public:
    // Starts reading; idempotent. Incoming D-Bus calls are then dispatched on the main thread.
    static void watch();
    // The point of the latest activation or menu request, if it came in the last 30 seconds;
    // each point is handed out once.
    static std::optional<QPoint> take();
    // The point a host passed in `message`, when it is an activation or menu request with one
    // (hosts that do not know it pass 0, 0).
    static std::optional<QPoint> pointIn(const QDBusMessage& message);
    // Records the point of `message`, if any; what the watch does with each incoming call.
    static void record(const QDBusMessage& message);
};

} // namespace tallyvane
