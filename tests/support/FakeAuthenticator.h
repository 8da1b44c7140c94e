#pragma once

#include <ProviderKit/ProviderAuthenticating.h>

#include <QHash>
#include <QObject>

namespace tallyvane::testing {

// An authentication manager the test scripts: the state each service reports, what a sign-in
// answers, and whether sign-ins and disconnects (which always sign out) wait for release().
class FakeAuthenticator : public QObject, public ProviderAuthenticating {
    Q_OBJECT
public:
    FakeAuthenticator();

    QCoro::Task<ProviderConnectionState> status(ProviderService service) override;
    QCoro::Task<ProviderConnectionState> login(ProviderService service) override;
    QCoro::Task<ProviderConnectionState> disconnect(ProviderService service) override;

    void setStatus(ProviderConnectionState state) { m_status.insert(state.service, state); }
    void setLoginAnswer(ProviderConnectionState state) { m_loginAnswer.insert(state.service, state); }
    // Held sign-ins and disconnects wait until release().
    void holdActions() { m_holdActions = true; }
    void release();

    int statusCount(ProviderService service) const { return m_statusCount.value(service); }
    int loginCount(ProviderService service) const { return m_loginCount.value(service); }
    int disconnectCount(ProviderService service) const { return m_disconnectCount.value(service); }

    static ProviderConnectionState signedIn(ProviderService service);
    static ProviderConnectionState signedOut(ProviderService service, const QString& detail = {});

Q_SIGNALS:
    void released();

private:
    QCoro::Task<void> waitWhileHeld();

    QHash<ProviderService, ProviderConnectionState> m_status;
    QHash<ProviderService, ProviderConnectionState> m_loginAnswer;
    QHash<ProviderService, int> m_statusCount;
    QHash<ProviderService, int> m_loginCount;
    QHash<ProviderService, int> m_disconnectCount;
    bool m_holdActions = false;
};

} // namespace tallyvane::testing
