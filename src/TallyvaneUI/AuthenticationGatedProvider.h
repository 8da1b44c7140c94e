#pragma once

#include <ProviderKit/ProviderAuthenticating.h>
#include <UsageDomain/TallyvaneProvider.h>

#include <memory>

namespace tallyvane {

// Passes probes and collections to the wrapped provider only while its service is signed in;
// otherwise answers at once with a sign-in warning. A warning is a successful refresh, so a
// signed-out service never enters backoff.
class AuthenticationGatedProvider final : public TallyvaneProvider {
public:
    AuthenticationGatedProvider(ProviderService service, std::shared_ptr<TallyvaneProvider> provider,
                                std::shared_ptr<ProviderAuthenticating> authentication);

    ProviderDescriptor descriptor() const override { return m_provider->descriptor(); }
    QCoro::Task<ProviderProbeResult> probe() override;
    QCoro::Task<ProviderCollectionResult> collect(UsageCollectionRequest request) override;

private:
    const ProviderService m_service;
    const std::shared_ptr<TallyvaneProvider> m_provider;
    const std::shared_ptr<ProviderAuthenticating> m_authentication;
};

} // namespace tallyvane
