#pragma once

#include "FractionAnimator.h"

#include <ProviderKit/ProviderService.h>

#include <QWidget>

namespace tallyvane {

// A horizontal bar of a window's used fraction in the provider's colours.
class UsageMeter : public QWidget {
    Q_OBJECT
public:
    explicit UsageMeter(ProviderService service, QWidget* parent = nullptr);

    void setUsedFraction(std::optional<double> fraction);
    std::optional<double> usedFraction() const { return m_fraction.target(); }

    QSize sizeHint() const override { return {160, 8}; }
    QSize minimumSizeHint() const override { return {40, 6}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ProviderService m_service;
    FractionAnimator m_fraction;
};

} // namespace tallyvane
