#include "OnboardingText.h"

#include <UsageViews/Appearance.h>

namespace tallyvane::OnboardingText {

QLabel* title(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = Appearance::scaledFont(label->font(), 1.9);
    font.setWeight(QFont::Bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    return label;
}

QLabel* secondary(const QString& text, QWidget* parent, qreal scale)
{
    auto* label = new QLabel(text, parent);
    label->setFont(Appearance::scaledFont(label->font(), scale));
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace tallyvane::OnboardingText
