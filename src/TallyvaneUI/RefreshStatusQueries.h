#pragma once

#include <ProviderKit/ProviderAuthenticating.h>

#include <QFuture>
#include <QHash>

#include <memory>

namespace tallyvane {

// One sign-in status answer per service and refresh: the model's own query and the provider
// gate's share it, so a slow check (a keyring that takes its time) is waited for once, and
// each service goes on as soon as its own answer is in. Sign-in and disconnect pass through.
// Main thread only.
class RefreshStatusQueries final : public ProviderAuthenticating {
public:
    explicit RefreshStatusQueries(std::shared_ptr<ProviderAuthenticating> authentication);

    // Forgets the previous refresh's answers; queries still running finish for their callers.
    void beginRefresh() { m_answers.clear(); }

    QCoro::Task<ProviderConnectionState> status(ProviderService service) override;
    QCoro::Task<ProviderConnectionState> login(ProviderService service) override;
    QCoro::Task<ProviderConnectionState> disconnect(ProviderService service) override;

private:
    const std::shared_ptr<ProviderAuthenticating> m_authentication;
    QHash<ProviderService, QFuture<ProviderConnectionState>> m_answers;
};

} // namespace tallyvane
