#include "WidgetWindow.h"

#include "WidgetJsonWriter.h"

#include <QHashFunctions>
#include <QJsonObject>
#include <QJsonValue>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

double clampedFraction(double fraction)
{
    if (fraction <= 0)
        return 0;
    if (fraction > 1)
        return 1;
    return fraction;
}

} // namespace

WidgetWindow::WidgetWindow(QString id, QString name, double usedFraction, std::optional<WidgetDate> resetAt)
    : id(std::move(id))
    , name(std::move(name))
    , usedFraction(clampedFraction(usedFraction))
    , resetAt(resetAt)
{
}

void WidgetWindow::writeJson(WidgetJsonWriter& writer) const
{
    writer.beginObject();
    writer.key(u"id");
    writer.value(id);
    writer.key(u"name");
    writer.value(name);
    writer.key(u"usedFraction");
    writer.value(usedFraction);
    if (resetAt) {
        writer.key(u"resetAt");
        writer.value(resetAt->secondsSinceReferenceDate());
    }
    writer.endObject();
}

std::optional<WidgetWindow> WidgetWindow::fromJson(const QJsonValue& json)
{
    const QJsonObject object = json.toObject();
    const QJsonValue id = object.value("id"_L1);
    const QJsonValue name = object.value("name"_L1);
    const QJsonValue usedFraction = object.value("usedFraction"_L1);
    const QJsonValue resetAt = object.value("resetAt"_L1);
    if (!json.isObject() || !id.isString() || !name.isString() || !usedFraction.isDouble())
        return std::nullopt;
    if (!resetAt.isUndefined() && !resetAt.isNull() && !resetAt.isDouble())
        return std::nullopt;

    WidgetWindow window;
    window.id = id.toString();
    window.name = name.toString();
    window.usedFraction = usedFraction.toDouble();
    if (resetAt.isDouble())
        window.resetAt = WidgetDate::fromSecondsSinceReferenceDate(resetAt.toDouble());
    return window;
}

size_t qHash(const WidgetWindow& window, size_t seed) noexcept
{
    return qHashMulti(seed, window.id, window.name, window.usedFraction, window.resetAt.has_value(),
                      window.resetAt.value_or(WidgetDate()));
}

} // namespace tallyvane
