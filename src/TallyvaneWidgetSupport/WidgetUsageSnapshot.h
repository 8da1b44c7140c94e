#pragma once

#include "WidgetProviderUsage.h"

#include <QByteArray>
#include <QByteArrayView>

namespace tallyvane {

// The document the application serves to the desktop widget.
struct WidgetUsageSnapshot {
    // When the application last refreshed; for a fallback document, when it was made.
    WidgetDate updatedAt;
    // The application always sends codex, then claude.
    QList<WidgetProviderUsage> providers;

    void writeJson(WidgetJsonWriter& writer) const;
    static std::optional<WidgetUsageSnapshot> fromJson(const QJsonValue& json);

    // Compact UTF-8 with the keys in their fixed order; nothing when a number is not finite.
    std::optional<QByteArray> toJsonBytes() const;
    // Nothing unless the whole document decodes: one unknown value rejects all of it.
    static std::optional<WidgetUsageSnapshot> fromJsonBytes(QByteArrayView bytes);

    friend bool operator==(const WidgetUsageSnapshot&, const WidgetUsageSnapshot&) = default;
};

size_t qHash(const WidgetUsageSnapshot& snapshot, size_t seed = 0) noexcept;

} // namespace tallyvane
