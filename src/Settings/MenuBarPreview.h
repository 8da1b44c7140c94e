#pragma once

#include <UsagePresentation/MenuBarProjection.h>
#include <UsageViews/ViewServices.h>

#include <UsageViews/SurfaceCard.h>

namespace tallyvane {

class MenuBarLabelView;

// The status item as the current settings would draw it, recomputed whenever a "menu."
// preference or the model's providers change.
class MenuBarPreview : public SurfaceCard {
    Q_OBJECT
public:
    explicit MenuBarPreview(const ViewServices& services, QWidget* parent = nullptr);

    const MenuBarProjection& projection() const { return m_projection; }

private:
    void showProjection();

    ViewServices m_services;
    MenuBarProjection m_projection;
    MenuBarLabelView* m_label;
};

} // namespace tallyvane
