#include "FeatureTile.h"

#include <UsageViews/IconView.h>
#include <UsageViews/SymbolIcon.h>
#include <UsageViews/UsageColors.h>

#include <QLabel>
#include <QVBoxLayout>

namespace tallyvane {

FeatureTile::FeatureTile(const QString& symbol, const QString& title, QWidget* parent)
    : SurfaceCard(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setSpacing(8);
    auto* icon = new IconView(SymbolIcon::inked(symbol, &UsageColors::accentOn), 26, this);
    auto* name = new QLabel(title, this);
    QFont heavier = name->font();
    heavier.setWeight(QFont::DemiBold);
    name->setFont(heavier);
    name->setAlignment(Qt::AlignHCenter);
    name->setWordWrap(true);
    column->addWidget(icon, 0, Qt::AlignHCenter);
    column->addWidget(name);
    setAccessibleName(title);
    setMinimumWidth(140);
}

} // namespace tallyvane
