#include "StatusItemActivation.h"

#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QMutex>

#include <mutex>

using namespace Qt::Literals::StringLiterals;

// Exported by QtDBus, declared only in its private headers: called with every incoming method
// call before it is delivered.
void qDBusAddSpyHook(void (*hook)(const QDBusMessage&));

namespace tallyvane {
namespace {

struct Latest {
    QMutex mutex;
    std::optional<QPoint> point;
    QDeadlineTimer expires;
};

Latest& latest()
{
    static Latest instance;
    return instance;
}

} // namespace

void StatusItemActivation::watch()
{
    static std::once_flag installed;
    std::call_once(installed, [] { qDBusAddSpyHook(&StatusItemActivation::record); });
}

std::optional<QPoint> StatusItemActivation::pointIn(const QDBusMessage& message)
{
    static const QStringList members{u"Activate"_s, u"SecondaryActivate"_s, u"ContextMenu"_s};
    if (message.type() != QDBusMessage::MethodCallMessage ||
        message.interface() != "org.kde.StatusNotifierItem"_L1 || !members.contains(message.member()))
        return std::nullopt;
    const QVariantList arguments = message.arguments();
    if (arguments.size() != 2)
        return std::nullopt;
    const QPoint point(arguments[0].toInt(), arguments[1].toInt());
    if (point.isNull())
        return std::nullopt;
    return point;
}

void StatusItemActivation::record(const QDBusMessage& message)
{
    const std::optional<QPoint> point = pointIn(message);
    if (!point)
        return;
    Latest& state = latest();
    const QMutexLocker lock(&state.mutex);
    state.point = point;
    state.expires = QDeadlineTimer(std::chrono::seconds(30));
}

std::optional<QPoint> StatusItemActivation::take()
{
    Latest& state = latest();
    const QMutexLocker lock(&state.mutex);
    std::optional<QPoint> point = std::exchange(state.point, std::nullopt);
    if (state.expires.hasExpired())
        return std::nullopt;
    return point;
}

} // namespace tallyvane
