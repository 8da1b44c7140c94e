#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace tallyvane {

// The two text styles of a settings row, so every row reads the same.
namespace SettingsRowText {
QLabel* title(const QString& text, QWidget* parent);
// Smaller, in the palette's secondary text colour, wrapping.
QLabel* detail(const QString& text, QWidget* parent);
} // namespace SettingsRowText

} // namespace tallyvane
