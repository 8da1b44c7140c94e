#include "InMemoryAuthorizationFlags.h"

namespace tallyvane::testing {

InMemoryAuthorizationFlags::InMemoryAuthorizationFlags(QString prefix)
    : m_prefix(std::move(prefix))
{
}

bool InMemoryAuthorizationFlags::isAuthorized(ProviderService service) const
{
    return m_values.value(key(m_prefix, service), false);
}

void InMemoryAuthorizationFlags::setAuthorized(ProviderService service, bool authorized)
{
    m_values.insert(key(m_prefix, service), authorized);
    ++m_writeCount;
}

std::optional<bool> InMemoryAuthorizationFlags::storedValue(const QString& key) const
{
    const auto found = m_values.constFind(key);
    return found == m_values.constEnd() ? std::nullopt : std::optional(found.value());
}

} // namespace tallyvane::testing
