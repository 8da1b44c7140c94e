#include "AuthenticationGatedProvider.h"

#include "SignInNotice.h"

namespace tallyvane {

AuthenticationGatedProvider::AuthenticationGatedProvider(
    ProviderService service, std::shared_ptr<TallyvaneProvider> provider,
    std::shared_ptr<ProviderAuthenticating> authentication)
    : m_service(service)
    , m_provider(std::move(provider))
    , m_authentication(std::move(authentication))
{
}

QCoro::Task<ProviderProbeResult> AuthenticationGatedProvider::probe()
{
    // Copies first: the gate may be released while a call is suspended.
    const auto provider = m_provider;
    const auto authentication = m_authentication;
    const ProviderService service = m_service;
    const ProviderConnectionState state = co_await authentication->status(service);
    if (state.status == ProviderConnectionStatus::signedIn) {
        ProviderProbeResult result = co_await provider->probe();
        co_return result;
    }
    co_return ProviderProbeResult{
        .provider = provider->descriptor(),
        .availability = SignInNotice::availability(state.status),
        .diagnostics = {SignInNotice::diagnostic(service, state.detail)},
    };
}

QCoro::Task<ProviderCollectionResult> AuthenticationGatedProvider::collect(UsageCollectionRequest request)
{
    const auto provider = m_provider;
    const auto authentication = m_authentication;
    const ProviderService service = m_service;
    const ProviderConnectionState state = co_await authentication->status(service);
    if (state.status == ProviderConnectionStatus::signedIn) {
        ProviderCollectionResult result = co_await provider->collect(request);
        co_return result;
    }
    co_return ProviderCollectionResult{
        .provider = provider->descriptor(),
        .collectedAt = request.observedAt,
        .diagnostics = {SignInNotice::diagnostic(service, state.detail)},
    };
}

} // namespace tallyvane
