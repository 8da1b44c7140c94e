#pragma once

#include "SettingsPage.h"

#include <UsageViews/ViewServices.h>

namespace tallyvane {

class MenuBarPreview;

// Menu Bar: a live preview of the status item and the choices that shape it.
class MenuBarSettingsView : public SettingsPage {
    Q_OBJECT
public:
    explicit MenuBarSettingsView(const ViewServices& services, QWidget* parent = nullptr);

    MenuBarPreview* preview() const { return m_preview; }

private:
    MenuBarPreview* m_preview;
};

} // namespace tallyvane
