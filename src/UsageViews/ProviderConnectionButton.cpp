#include "ProviderConnectionButton.h"

#include "Appearance.h"

#include <BuildConfiguration.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <UsageDomain/Localizable.h>

namespace tallyvane {

ProviderConnectionButton::ProviderConnectionButton(const ViewServices& services, ProviderService service,
                                                   bool compact, QWidget* parent)
    : QPushButton(parent)
    , m_services(services)
    , m_service(service)
{
    if (compact)
        setFont(Appearance::scaledFont(font(), 0.9));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QPushButton::clicked, this, &ProviderConnectionButton::trigger);
    connect(&services.model, &UsageAppModel::connectionStatesChanged, this,
            &ProviderConnectionButton::refresh);
    connect(&services.model, &UsageAppModel::authenticationActionChanged, this,
            &ProviderConnectionButton::refresh);
    refresh();
}

ProviderConnectionButton::Action ProviderConnectionButton::action(ProviderService service,
                                                                  ProviderConnectionStatus status)
{
    if (service == ProviderService::codex && status == ProviderConnectionStatus::notInstalled)
        return Action::install;
    if (service == ProviderService::codex && status == ProviderConnectionStatus::unsupportedVersion)
        return Action::update;
    if (isAuthenticated(status) || status == ProviderConnectionStatus::disconnecting)
        return Action::disconnect;
    return Action::connect;
}

QString ProviderConnectionButton::title(Action action)
{
    switch (action) {
    case Action::install:
        return localized("Install");
    case Action::update:
        return localized("Update");
    case Action::disconnect:
        return localized("Disconnect");
    case Action::connect:
        break;
    }
    return localized("Connect");
}

QString ProviderConnectionButton::helpText(ProviderService service, Action action)
{
    switch (action) {
    case Action::install:
    case Action::update:
        return localized("Open the official Codex CLI installation guide");
    case Action::disconnect:
        return disconnectExplanation(service);
    case Action::connect:
        break;
    }
    return connectExplanation(service);
}

void ProviderConnectionButton::refresh()
{
    const ProviderConnectionStatus status = m_services.model.connectionState(m_service).status;
    m_action = action(m_service, status);
    setText(title(m_action));
    setToolTip(helpText(m_service, m_action));
    setAccessibleDescription(toolTip());
    // The model runs one sign-in or disconnect at a time.
    setEnabled(!m_services.model.authenticationAction());
}

void ProviderConnectionButton::trigger()
{
    switch (m_action) {
    case Action::install:
    case Action::update:
        m_services.openUrl(QUrl(QString::fromUtf8(BuildConfiguration::codexInstallGuideURL)));
        return;
    case Action::connect: {
        // The task runs on by itself; the model publishes its progress.
        QCoro::Task<> running = m_services.model.connect(m_service);
        return;
    }
    case Action::disconnect: {
        QCoro::Task<> running = m_services.model.disconnect(m_service);
        return;
    }
    }
}

} // namespace tallyvane
