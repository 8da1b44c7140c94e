#pragma once

#include "WidgetDate.h"

#include <QString>

#include <optional>

class QJsonValue;

namespace tallyvane {

class WidgetJsonWriter;

// One usage window as the widget shows it; identified by id.
struct WidgetWindow {
    QString id;
    QString name;
    // Share of the allowance used: 0 nothing, 1 exhausted.
    double usedFraction = 0;
    std::optional<WidgetDate> resetAt;

    WidgetWindow() = default;
    // Clamps the fraction into [0, 1]; a decoded window keeps the value as sent.
    WidgetWindow(QString id, QString name, double usedFraction, std::optional<WidgetDate> resetAt);

    // "resetAt" is left out when absent.
    void writeJson(WidgetJsonWriter& writer) const;
    // A missing or null "resetAt" is an absent reset time.
    static std::optional<WidgetWindow> fromJson(const QJsonValue& json);

    friend bool operator==(const WidgetWindow&, const WidgetWindow&) = default;
};

size_t qHash(const WidgetWindow& window, size_t seed = 0) noexcept;

} // namespace tallyvane
