#pragma once

#include "FractionAnimator.h"

#include <ProviderKit/ProviderService.h>

#include <QWidget>

namespace tallyvane {

// A ring of a window's used fraction with the whole percentage and a caption inside.
class UsageRing : public QWidget {
    Q_OBJECT
public:
    explicit UsageRing(ProviderService service, QWidget* parent = nullptr);

    void setUsedFraction(std::optional<double> fraction);
    void setCaption(const QString& caption);

    // "%1 percent %2" or "no data".
    static QString accessibleText(std::optional<double> fraction, const QString& caption);

    QSize sizeHint() const override { return {132, 132}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void describe();

    const ProviderService m_service;
    FractionAnimator m_fraction;
    QString m_caption;
};

} // namespace tallyvane
