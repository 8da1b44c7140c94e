#pragma once

#include <QFont>
#include <QLabel>

namespace tallyvane::OnboardingText {

// The step title: large and heavy.
QLabel* title(const QString& text, QWidget* parent);
// Secondary text in the placeholder colour, wrapped.
QLabel* secondary(const QString& text, QWidget* parent, qreal scale = 1.0);

} // namespace tallyvane::OnboardingText
