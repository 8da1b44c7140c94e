#pragma once

#include "ProviderConnectionState.h"

#include <QCoroTask>

namespace tallyvane {

// How the application model reaches the authentication manager. Every answer names the
// service it was asked about; failures are states (failed, signedOut, ...), never errors.
class ProviderAuthenticating {
public:
    virtual ~ProviderAuthenticating() = default;

    virtual QCoro::Task<ProviderConnectionState> status(ProviderService service) = 0;
    // May take as long as the service's sign-in (the browser wait included).
    virtual QCoro::Task<ProviderConnectionState> login(ProviderService service) = 0;
    virtual QCoro::Task<ProviderConnectionState> disconnect(ProviderService service) = 0;

protected:
    ProviderAuthenticating() = default;
    ProviderAuthenticating(const ProviderAuthenticating&) = default;
    ProviderAuthenticating& operator=(const ProviderAuthenticating&) = default;
};

} // namespace tallyvane
