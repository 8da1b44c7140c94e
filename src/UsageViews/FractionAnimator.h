#pragma once

#include <QObject>
#include <QVariantAnimation>

#include <functional>
#include <optional>

namespace tallyvane {

// Holds the fraction a meter or ring shows and eases it towards a new value, or jumps at once
// when the user reduces motion or there is no value on one side.
class FractionAnimator : public QObject {
    Q_OBJECT
public:
    FractionAnimator(std::function<void()> repaint, QObject* parent);

    void setTarget(std::optional<double> fraction);
    std::optional<double> target() const { return m_target; }
    // The value to draw now.
    std::optional<double> shown() const { return m_shown; }

private:
    const std::function<void()> m_repaint;
    QVariantAnimation m_animation;
    std::optional<double> m_target;
    std::optional<double> m_shown;
};

} // namespace tallyvane
