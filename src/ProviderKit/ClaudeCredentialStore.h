#pragma once

#include "ClaudeCredentialStoring.h"

#include <QString>

#include <chrono>

namespace tallyvane {

// The Claude credential as one Secret Service item reached through QtKeychain: the item's
// service name is `service`, its key is `account`. There is never a plain-file fallback, and
// a keyring that does not answer within `deadline` counts as a failure.
class ClaudeCredentialStore final : public ClaudeCredentialStoring {
public:
    static constexpr std::chrono::milliseconds defaultDeadline{10'000};

    static QString applicationService();
    static QString applicationAccount();

    // Names the application's item.
    ClaudeCredentialStore();
    ClaudeCredentialStore(QString service, QString account,
                          std::chrono::milliseconds deadline = defaultDeadline);

    QString service;
    QString account;
    // Per operation. Operations queue behind one another, so one that never ends makes the
    // following ones miss their deadlines too.
    std::chrono::milliseconds deadline;

    QCoro::Task<std::expected<std::optional<ClaudeOAuthCredential>, ClaudeOAuthError>> load() override;
    QCoro::Task<std::expected<void, ClaudeOAuthError>> save(ClaudeOAuthCredential credential) override;
    QCoro::Task<std::expected<void, ClaudeOAuthError>> remove() override;
};

} // namespace tallyvane
