#pragma once

#include <ProviderKit/ClaudeCredentialStoring.h>

namespace tallyvane::testing {

// The credential store in memory, answering at once. Each operation can be told to fail with
// credentialStorageFailed; a failing operation changes nothing.
class InMemoryCredentialStore final : public ClaudeCredentialStoring {
public:
    explicit InMemoryCredentialStore(std::optional<ClaudeOAuthCredential> stored = std::nullopt)
        : m_stored(std::move(stored))
    {
    }

    QCoro::Task<std::expected<std::optional<ClaudeOAuthCredential>, ClaudeOAuthError>> load() override;
    QCoro::Task<std::expected<void, ClaudeOAuthError>> save(ClaudeOAuthCredential credential) override;
    QCoro::Task<std::expected<void, ClaudeOAuthError>> remove() override;

    const std::optional<ClaudeOAuthCredential>& stored() const { return m_stored; }
    void setStored(std::optional<ClaudeOAuthCredential> credential) { m_stored = std::move(credential); }
    int saveCount() const { return m_saveCount; }

    void failLoad(bool fail = true) { m_failLoad = fail; }
    void failSave(bool fail = true) { m_failSave = fail; }
    void failRemove(bool fail = true) { m_failRemove = fail; }

private:
    std::optional<ClaudeOAuthCredential> m_stored;
    int m_saveCount = 0;
    bool m_failLoad = false;
    bool m_failSave = false;
    bool m_failRemove = false;
};

} // namespace tallyvane::testing
