#pragma once

#include <TallyvaneWidgetSupport/WidgetUsageSnapshot.h>

#include <QByteArray>
#include <QString>

namespace tallyvane {

// The one-shot outputs for terminals and status bars, built from one loaded document. Each
// shows what the widget shows: every provider's first window, or its state message.
namespace StatusLineFormatter {

enum class Format { text, json, waybar };

// "Codex 31% · Claude Sign in required"
QString text(const WidgetUsageSnapshot& snapshot);
// The document in its wire form.
QByteArray json(const WidgetUsageSnapshot& snapshot);
// One JSON object with "text", "tooltip", "class" and "percentage"; text and tooltip are
// escaped for Pango markup.
QByteArray waybar(const WidgetUsageSnapshot& snapshot, WidgetDate now);

// "critical" from 0.92, "warning" from 0.75, "unavailable" with no provider available, else "normal".
QString severityClass(const WidgetUsageSnapshot& snapshot);
// The highest shown whole percentage, 0 when nothing is shown.
int highestPercentage(const WidgetUsageSnapshot& snapshot);

// The output for `format`, ending in a newline.
QByteArray format(Format format, const WidgetUsageSnapshot& snapshot, WidgetDate now);

} // namespace StatusLineFormatter
} // namespace tallyvane
