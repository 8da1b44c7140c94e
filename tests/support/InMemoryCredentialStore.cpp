#include "InMemoryCredentialStore.h"

namespace tallyvane::testing {

QCoro::Task<std::expected<std::optional<ClaudeOAuthCredential>, ClaudeOAuthError>>
InMemoryCredentialStore::load()
{
    if (m_failLoad)
        co_return std::unexpected(ClaudeOAuthError::credentialStorageFailed);
    // A copy first: QCoro 0.8 moves from any lvalue co_returned as another type (here, the member).
    std::optional<ClaudeOAuthCredential> copy = m_stored;
    co_return copy;
}

QCoro::Task<std::expected<void, ClaudeOAuthError>>
InMemoryCredentialStore::save(ClaudeOAuthCredential credential)
{
    if (m_failSave)
        co_return std::unexpected(ClaudeOAuthError::credentialStorageFailed);
    m_stored = std::move(credential);
    ++m_saveCount;
    co_return {};
}

QCoro::Task<std::expected<void, ClaudeOAuthError>> InMemoryCredentialStore::remove()
{
    if (m_failRemove)
        co_return std::unexpected(ClaudeOAuthError::credentialStorageFailed);
    m_stored.reset();
    co_return {};
}

} // namespace tallyvane::testing
