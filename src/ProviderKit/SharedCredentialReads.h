#pragma once

#include "ClaudeCredentialStoring.h"

#include <UsageDomain/Instant.h>

#include <QFuture>
#include <QPromise>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tallyvane {

// The credential item as every Claude session of the application sees it: loads that come
// together are one keyring read. A load joins a read still under way, and one that starts
// within reuseSeconds of the last good answer takes that answer, so a refresh's sign-in check
// and its provider wait for a slow keyring once. Saves and deletions go through at once, and
// what they wrote is the answer from then on; a failed read is never reused. Main thread only.
class SharedCredentialReads final : public ClaudeCredentialStoring,
                                    public std::enable_shared_from_this<SharedCredentialReads> {
public:
    using Loaded = std::expected<std::optional<ClaudeOAuthCredential>, ClaudeOAuthError>;

    static constexpr double reuseSeconds = 5;

    explicit SharedCredentialReads(std::shared_ptr<ClaudeCredentialStoring> store,
                                   std::function<Instant()> clock = {});

    QCoro::Task<Loaded> load() override;
    QCoro::Task<std::expected<void, ClaudeOAuthError>> save(ClaudeOAuthCredential credential) override;
    QCoro::Task<std::expected<void, ClaudeOAuthError>> remove() override;

private:
    struct Known {
        std::optional<ClaudeOAuthCredential> credential;
        Instant readAt;
    };

    QCoro::Task<> readThrough(std::shared_ptr<QPromise<Loaded>> promise, std::uint64_t writes);
    // A write forgets what was read; the last one to finish well tells what is stored.
    std::uint64_t beginWrite();
    void endWrite(std::uint64_t write, bool succeeded, std::optional<ClaudeOAuthCredential> written);
    void remember(std::optional<ClaudeOAuthCredential> credential);

    const std::shared_ptr<ClaudeCredentialStoring> m_store;
    const std::function<Instant()> m_clock;
    std::optional<QFuture<Loaded>> m_reading;
    std::optional<Known> m_known;
    std::uint64_t m_writes = 0; // a read that saw fewer writes than this is not reused
};

} // namespace tallyvane
