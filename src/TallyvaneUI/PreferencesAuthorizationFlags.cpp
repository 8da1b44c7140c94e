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
    if (m_preferences && !m_preferences->setAuthorized(service, authorized, m_keyPrefix))
        qWarning("The authorisation flag could not be saved");
}

} // namespace tallyvane
