#include "FractionAnimator.h"

#include "Appearance.h"

namespace tallyvane {

FractionAnimator::FractionAnimator(std::function<void()> repaint, QObject* parent)
    : QObject(parent)
    , m_repaint(std::move(repaint))
{
    m_animation.setDuration(350);
    m_animation.setEasingCurve(QEasingCurve::OutCubic);
    connect(&m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_shown = value.toDouble();
        m_repaint();
    });
}

void FractionAnimator::setTarget(std::optional<double> fraction)
{
    if (fraction == m_target)
        return;
    const std::optional<double> from = m_shown;
    m_target = fraction;
    m_animation.stop();
    if (!from || !fraction || Appearance::prefersReducedMotion()) {
        m_shown = fraction;
        m_repaint();
        return;
    }
    m_animation.setStartValue(*from);
    m_animation.setEndValue(*fraction);
    m_animation.start();
}

} // namespace tallyvane
