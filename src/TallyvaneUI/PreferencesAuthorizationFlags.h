#pragma once

#include "Preferences.h"

#include <ProviderKit/AuthorizationFlagStore.h>

#include <QPointer>

namespace tallyvane {

// The authentication manager's authorisation flags, kept in the user's preferences.
class PreferencesAuthorizationFlags final : public AuthorizationFlagStore {
public:
    explicit PreferencesAuthorizationFlags(Preferences& preferences,
                                           QString keyPrefix = QString(defaultKeyPrefix));

    bool isAuthorized(ProviderService service) const override;
    void setAuthorized(ProviderService service, bool authorized) override;

private:
    QPointer<Preferences> m_preferences;
    QString m_keyPrefix;
};

} // namespace tallyvane
