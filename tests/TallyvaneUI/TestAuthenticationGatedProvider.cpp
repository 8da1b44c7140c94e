#include <TallyvaneUI/AuthenticationGatedProvider.h>

#include "FakeAuthenticator.h"
#include "FakeProvider.h"

#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

class TestAuthenticationGatedProvider : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void passesThroughWhileSignedIn();
    void answersWithTheSignInWarningOtherwise_data();
    void answersWithTheSignInWarningOtherwise();
};

void TestAuthenticationGatedProvider::passesThroughWhileSignedIn()
{
    auto provider = FakeProvider::create(providerID(ProviderService::claude));
    provider->answerWithWindowAnd({});
    auto authentication = std::make_shared<FakeAuthenticator>();
    AuthenticationGatedProvider gate(ProviderService::claude, provider, authentication);

    const UsageCollectionRequest request{QUuid::createUuid(), Instant::fromSecondsSince1970(1'780'000'000)};
    const ProviderCollectionResult result = QCoro::waitFor(gate.collect(request));
    QCOMPARE(provider->collectCount(), 1);
    QCOMPARE(result.windows.size(), 1);
    QVERIFY(result.diagnostics.isEmpty());
    QCOMPARE(gate.descriptor(), provider->descriptor());
}

void TestAuthenticationGatedProvider::answersWithTheSignInWarningOtherwise_data()
{
    QTest::addColumn<ProviderConnectionState>("state");
    QTest::addColumn<ProviderAvailability>("availability");
    QTest::addColumn<QString>("message");
    const auto codex = ProviderService::codex;
    QTest::newRow("signed out with a detail")
        << ProviderConnectionState{codex, ProviderConnectionStatus::signedOut, u"ChatGPT sign-in required"_s}
        << ProviderAvailability::authenticationRequired << u"ChatGPT sign-in required"_s;
    QTest::newRow("no detail") << ProviderConnectionState{codex, ProviderConnectionStatus::failed,
                                                          std::nullopt}
                               << ProviderAvailability::authenticationRequired
                               << u"Sign in to access this account's usage."_s;
    QTest::newRow("not installed") << ProviderConnectionState{codex, ProviderConnectionStatus::notInstalled,
                                                              u"Command-line tool not found"_s}
                                   << ProviderAvailability::notInstalled << u"Command-line tool not found"_s;
    QTest::newRow("unsupported version")
        << ProviderConnectionState{codex, ProviderConnectionStatus::unsupportedVersion, u"Update"_s}
        << ProviderAvailability::unsupportedVersion << u"Update"_s;
    QTest::newRow("disconnected here, signed in for the tool")
        << ProviderConnectionState{codex, ProviderConnectionStatus::disconnected, u"Account available"_s}
        << ProviderAvailability::authenticationRequired << u"Account available"_s;
}

void TestAuthenticationGatedProvider::answersWithTheSignInWarningOtherwise()
{
    QFETCH(ProviderConnectionState, state);
    QFETCH(ProviderAvailability, availability);
    QFETCH(QString, message);
    auto provider = FakeProvider::create(providerID(ProviderService::codex));
    provider->answerWithWindowAnd({});
    auto authentication = std::make_shared<FakeAuthenticator>();
    authentication->setStatus(state);
    AuthenticationGatedProvider gate(ProviderService::codex, provider, authentication);

    const Instant observedAt = Instant::fromSecondsSince1970(1'780'000'123.5);
    const ProviderCollectionResult result = QCoro::waitFor(gate.collect({QUuid::createUuid(), observedAt}));
    const ProviderDiagnostic expected{DiagnosticSeverity::warning, u"codex.authentication_required"_s,
                                      message};
    QCOMPARE(provider->collectCount(), 0);
    QVERIFY(result.windows.isEmpty() && result.tokenBuckets.isEmpty());
    QCOMPARE(result.diagnostics, QList<ProviderDiagnostic>{expected});
    QCOMPARE(result.collectedAt, observedAt);
    QCOMPARE(result.provider, provider->descriptor());

    const ProviderProbeResult probe = QCoro::waitFor(gate.probe());
    QCOMPARE(provider->probeCount(), 0);
    QCOMPARE(probe.availability, availability);
    QVERIFY(probe.capabilities.isEmpty());
    QCOMPARE(probe.diagnostics, QList<ProviderDiagnostic>{expected});
}

QTEST_GUILESS_MAIN(TestAuthenticationGatedProvider)
#include "TestAuthenticationGatedProvider.moc"
