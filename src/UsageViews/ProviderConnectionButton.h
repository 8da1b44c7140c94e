#pragma once

#include "ViewServices.h"

#include <ProviderKit/ProviderConnectionStatus.h>
#include <ProviderKit/ProviderService.h>

#include <QPushButton>

namespace tallyvane {

// The one control that installs, updates, connects or disconnects a service, depending on its
// connection status; disabled while any sign-in or disconnect runs.
class ProviderConnectionButton : public QPushButton {
    Q_OBJECT
public:
    enum class Action { install, update, connect, disconnect };

    ProviderConnectionButton(const ViewServices& services, ProviderService service, bool compact,
                             QWidget* parent = nullptr);

    static Action action(ProviderService service, ProviderConnectionStatus status);
    static QString title(Action action);
    static QString helpText(ProviderService service, Action action);

private:
    void refresh();
    void trigger();

    const ViewServices& m_services;
    const ProviderService m_service;
    Action m_action = Action::connect;
};

} // namespace tallyvane
