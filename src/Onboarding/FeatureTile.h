#pragma once

#include <UsageViews/SurfaceCard.h>

namespace tallyvane {

// One promise of the welcome step: a symbol over a short title, on a card.
class FeatureTile : public SurfaceCard {
    Q_OBJECT
public:
    FeatureTile(const QString& symbol, const QString& title, QWidget* parent = nullptr);
};

} // namespace tallyvane
