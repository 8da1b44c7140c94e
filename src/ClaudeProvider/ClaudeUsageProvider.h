#pragma once

#include <BuildConfiguration.h>
#include <ProviderKit/ClaudeOAuthSession.h>
#include <UsageDomain/TallyvaneProvider.h>

#include <QUrl>

#include <chrono>
#include <memory>

class QNetworkAccessManager;

namespace tallyvane {

// Claude usage from the signed-in account: one authenticated GET of the personal usage
// endpoint per collection, normalised. Never fails: every problem is exactly one error
// diagnostic with a fixed code and sentence, never server text, a token or an address.
// Holds no state between calls, so collections may overlap.
class ClaudeUsageProvider final : public TallyvaneProvider {
public:
    static constexpr std::chrono::milliseconds defaultRequestTimeout{10'000};

    // `network` may be null: the provider then builds its own ephemeral one. A supplied
    // manager must outlive the provider and its collections.
    explicit ClaudeUsageProvider(std::shared_ptr<ClaudeOAuthSession> session,
                                 QUrl apiBase = QUrl(QString::fromLatin1(BuildConfiguration::claudeApiBase)),
                                 QNetworkAccessManager* network = nullptr,
                                 std::chrono::milliseconds requestTimeout = defaultRequestTimeout);

    ProviderDescriptor descriptor() const override;
    // Looks at the store only: no request, no expiry check.
    QCoro::Task<ProviderProbeResult> probe() override;
    QCoro::Task<ProviderCollectionResult> collect(UsageCollectionRequest request) override;

private:
    const std::shared_ptr<ClaudeOAuthSession> m_session;
    const QUrl m_usageEndpoint;
    std::shared_ptr<QNetworkAccessManager> m_network;
    const std::chrono::milliseconds m_requestTimeout;
};

} // namespace tallyvane
