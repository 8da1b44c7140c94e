#include "RefreshStatusQueries.h"

#include <QCoroFuture>
#include <QPromise>

namespace tallyvane {

namespace {

// Runs one query to its end whoever waits for it, and hands the answer to every waiter.
QCoro::Task<> answer(std::shared_ptr<ProviderAuthenticating> authentication, ProviderService service,
                     std::shared_ptr<QPromise<ProviderConnectionState>> promise)
{
    const ProviderConnectionState state = co_await authentication->status(service);
    promise->addResult(state);
    promise->finish();
}

} // namespace

RefreshStatusQueries::RefreshStatusQueries(std::shared_ptr<ProviderAuthenticating> authentication)
    : m_authentication(std::move(authentication))
{
}

QCoro::Task<ProviderConnectionState> RefreshStatusQueries::status(ProviderService service)
{
    if (!m_answers.contains(service)) {
        auto promise = std::make_shared<QPromise<ProviderConnectionState>>();
        promise->start();
        m_answers.insert(service, promise->future());
        answer(m_authentication, service, promise);
    }
    const QFuture<ProviderConnectionState> pending = m_answers.value(service);
    co_return co_await pending;
}

QCoro::Task<ProviderConnectionState> RefreshStatusQueries::login(ProviderService service)
{
    return m_authentication->login(service);
}

QCoro::Task<ProviderConnectionState> RefreshStatusQueries::disconnect(ProviderService service)
{
    return m_authentication->disconnect(service);
}

} // namespace tallyvane
