#include "WidgetUsageSnapshot.h"

#include "WidgetJsonWriter.h"

#include <QHashFunctions>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

void WidgetUsageSnapshot::writeJson(WidgetJsonWriter& writer) const
{
    writer.beginObject();
    writer.key(u"updatedAt");
    writer.value(updatedAt.secondsSinceReferenceDate());
    writer.key(u"providers");
    writer.beginArray();
    for (const WidgetProviderUsage& provider : providers)
        provider.writeJson(writer);
    writer.endArray();
    writer.endObject();
}

std::optional<WidgetUsageSnapshot> WidgetUsageSnapshot::fromJson(const QJsonValue& json)
{
    const QJsonObject object = json.toObject();
    const QJsonValue updatedAt = object.value("updatedAt"_L1);
    const QJsonValue providers = object.value("providers"_L1);
    if (!updatedAt.isDouble() || !providers.isArray())
        return std::nullopt;

    WidgetUsageSnapshot snapshot{.updatedAt = WidgetDate::fromSecondsSinceReferenceDate(updatedAt.toDouble()),
                                 .providers = {}};
    for (const QJsonValue& element : providers.toArray()) {
        std::optional<WidgetProviderUsage> provider = WidgetProviderUsage::fromJson(element);
        if (!provider)
            return std::nullopt;
        snapshot.providers.append(std::move(*provider));
    }
    return snapshot;
}

std::optional<QByteArray> WidgetUsageSnapshot::toJsonBytes() const
{
    WidgetJsonWriter writer;
    writeJson(writer);
    return writer.finish();
}

std::optional<WidgetUsageSnapshot> WidgetUsageSnapshot::fromJsonBytes(QByteArrayView bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return fromJson(document.object());
}

size_t qHash(const WidgetUsageSnapshot& snapshot, size_t seed) noexcept
{
    return qHashMulti(seed, snapshot.updatedAt,
                      qHashRange(snapshot.providers.begin(), snapshot.providers.end()));
}

} // namespace tallyvane
