#pragma once

#include "ProviderService.h"

#include <UsageDomain/EnumCases.h>

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

namespace tallyvane {

// Where the user's "this application may read usage" decision is kept per service. A Codex
// account signed in for the command-line tool is not by itself consent for us to read it.
// The application's preferences implement this; an absent value reads as false.
class AuthorizationFlagStore {
public:
    // The application's prefix; with it the Codex key is "connections.oauth-authorized.v2.codex".
    static constexpr QLatin1StringView defaultKeyPrefix{"connections.oauth-authorized.v2"};

    // "<prefix>.<service raw value>": the one spelling every implementation stores under.
    static QString key(QStringView prefix, ProviderService service)
    {
        return prefix.toString() + QLatin1Char('.') + caseName(service);
    }

    virtual ~AuthorizationFlagStore() = default;

    virtual bool isAuthorized(ProviderService service) const = 0;
    virtual void setAuthorized(ProviderService service, bool authorized) = 0;

protected:
    AuthorizationFlagStore() = default;
    AuthorizationFlagStore(const AuthorizationFlagStore&) = default;
    AuthorizationFlagStore& operator=(const AuthorizationFlagStore&) = default;
};

} // namespace tallyvane
