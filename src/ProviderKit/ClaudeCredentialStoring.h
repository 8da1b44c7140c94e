#pragma once

#include "ClaudeOAuthCredential.h"
#include "ClaudeOAuthError.h"

#include <QCoroTask>

#include <expected>
#include <optional>

namespace tallyvane {

// Where the Claude credential is kept: one item, create-or-replace, absent is not an error,
// deleting a missing item succeeds. Every failure is credentialStorageFailed. The keyring
// answers over D-Bus, so the operations suspend rather than block.
class ClaudeCredentialStoring {
public:
    virtual ~ClaudeCredentialStoring() = default;

    virtual QCoro::Task<std::expected<std::optional<ClaudeOAuthCredential>, ClaudeOAuthError>> load() = 0;
    virtual QCoro::Task<std::expected<void, ClaudeOAuthError>> save(ClaudeOAuthCredential credential) = 0;
    virtual QCoro::Task<std::expected<void, ClaudeOAuthError>> remove() = 0;

protected:
    ClaudeCredentialStoring() = default;
    ClaudeCredentialStoring(const ClaudeCredentialStoring&) = default;
    ClaudeCredentialStoring& operator=(const ClaudeCredentialStoring&) = default;
};

} // namespace tallyvane
