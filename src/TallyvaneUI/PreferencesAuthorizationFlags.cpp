#include "PreferencesAuthorizationFlags.h"

namespace tallyvane {

PreferencesAuthorizationFlags::PreferencesAuthorizationFlags(Preferences& preferences, QString keyPrefix)
    : m_preferences(&preferences)
    , m_keyPrefix(std::move(keyPrefix))
{
}

bool PreferencesAuthorizationFlags::isAuthorized(ProviderService service) const
{
    return m_preferences && m_preferences->isAuthorized(service, m_keyPrefix);
}

void PreferencesAuthorizationFlags::setAuthorized(ProviderService service, bool authorized)
{
    // The store has no way to report a failed write, and the application writes no log: a flag
    // that could not be stored reads as before at the next launch, which the user can mend by
    // connecting or disconnecting again.
    if (m_preferences)
        m_preferences->setAuthorized(service, authorized, m_keyPrefix);
}

} // namespace tallyvane
