#include "FakeAuthenticator.h"

#include <QCoroSignal>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

FakeAuthenticator::FakeAuthenticator()
{
    for (ProviderService service : allCases<ProviderService>()) {
        setStatus(signedIn(service));
        setLoginAnswer(signedIn(service));
    }
}

ProviderConnectionState FakeAuthenticator::signedIn(ProviderService service)
{
    return {service, ProviderConnectionStatus::signedIn, displayName(service) + u" account"_s};
}

ProviderConnectionState FakeAuthenticator::signedOut(ProviderService service, const QString& detail)
{
    return {service, ProviderConnectionStatus::signedOut,
            detail.isEmpty() ? std::optional<QString>() : std::optional<QString>(detail)};
}

void FakeAuthenticator::release()
{
    m_holdActions = false;
    Q_EMIT released();
}

QCoro::Task<void> FakeAuthenticator::waitWhileHeld()
{
    while (m_holdActions)
        co_await qCoro(this, &FakeAuthenticator::released);
}

QCoro::Task<ProviderConnectionState> FakeAuthenticator::status(ProviderService service)
{
    ++m_statusCount[service];
    co_return m_status.value(service);
}

QCoro::Task<ProviderConnectionState> FakeAuthenticator::login(ProviderService service)
{
    ++m_loginCount[service];
    co_await waitWhileHeld();
    co_return m_loginAnswer.value(service);
}

QCoro::Task<ProviderConnectionState> FakeAuthenticator::disconnect(ProviderService service)
{
    ++m_disconnectCount[service];
    co_await waitWhileHeld();
    co_return signedOut(service);
}

} // namespace tallyvane::testing
