#pragma once

#include <ProviderKit/AuthorizationFlagStore.h>

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace tallyvane::testing {

// Authorisation flags in memory, stored under the same keys the preferences use, and counting
// writes so a test can tell "left alone" from "set to the value it already had".
class InMemoryAuthorizationFlags final : public AuthorizationFlagStore {
public:
    explicit InMemoryAuthorizationFlags(QString prefix = QString(defaultKeyPrefix))
        : m_prefix(std::move(prefix))
    {
    }

    bool isAuthorized(ProviderService service) const override
    {
        return m_values.value(key(m_prefix, service));
    }
    void setAuthorized(ProviderService service, bool authorized) override
    {
        m_values.insert(key(m_prefix, service), authorized);
        ++m_writeCount;
    }

    // The stored value under `key`; absent when never written.
    std::optional<bool> storedValue(const QString& key) const
    {
        return m_values.contains(key) ? std::optional(m_values.value(key)) : std::nullopt;
    }
    QStringList keys() const { return m_values.keys(); }
    int writeCount() const { return m_writeCount; }

private:
    const QString m_prefix;
    QHash<QString, bool> m_values;
    int m_writeCount = 0;
};

} // namespace tallyvane::testing
