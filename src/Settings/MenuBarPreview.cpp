#include "MenuBarPreview.h"

#include <TallyvaneUI/MenuBarSettings.h>
#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <UsageDomain/Localizable.h>
#include <UsageViews/MenuBarLabelView.h>

#include <QHBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

MenuBarPreview::MenuBarPreview(const ViewServices& services, QWidget* parent)
    : SurfaceCard(parent)
    , m_services(services)
    , m_label(new MenuBarLabelView(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    layout->addWidget(m_label);
    layout->addStretch(1);

    connect(&services.preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key.startsWith(u"menu."_s))
            showProjection();
    });
    connect(&services.model, &UsageAppModel::providersChanged, this, &MenuBarPreview::showProjection);
    showProjection();
}

void MenuBarPreview::showProjection()
{
    m_projection = MenuBarProjection::project(m_services.model.menuSnapshots(),
                                              MenuBarSettings::read(m_services.preferences),
                                              MenuBarSettings::resetTimeFormat());
    m_label->setProjection(m_projection);
    setAccessibleName(localized("Menu bar preview: %1").arg(m_projection.accessibilityLabel));
}

} // namespace tallyvane
