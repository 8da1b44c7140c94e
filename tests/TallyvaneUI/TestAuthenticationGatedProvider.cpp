#include <TallyvaneUI/AuthenticationGatedProvider.h>

#include "FakeAuthenticator.h"
#include "FakeProvider.h"

#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

// Which availability and notice each connection state gives is the assembler suite's to pin;
// here, that the gate asks before the provider is touched and answers both calls alike.
class TestAuthenticationGatedProvider : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void passesThroughWhileSignedIn()
    {
        auto provider = FakeProvider::create(providerID(ProviderService::claude));
        provider->answerWithWindowAnd({});
        AuthenticationGatedProvider gate(ProviderService::claude, provider,
                                         std::make_shared<FakeAuthenticator>());
        const ProviderCollectionResult result =
            QCoro::waitFor(gate.collect({QUuid::createUuid(), Instant::fromSecondsSince1970(1'780'000'000)}));
        QCOMPARE(provider->collectCount(), 1);
        QCOMPARE(result.windows.size(), 1);
        QVERIFY(result.diagnostics.isEmpty());
        QCOMPARE(gate.descriptor(), provider->descriptor());
    }

    void answersWithTheSignInNoticeOtherwise()
    {
        auto provider = FakeProvider::create(providerID(ProviderService::codex));
        provider->answerWithWindowAnd({});
        auto authentication = std::make_shared<FakeAuthenticator>();
        authentication->setStatus({ProviderService::codex, ProviderConnectionStatus::notInstalled,
                                   u"Command-line tool not found"_s});
        AuthenticationGatedProvider gate(ProviderService::codex, provider, authentication);

        const Instant observedAt = Instant::fromSecondsSince1970(1'780'000'123.5);
        const ProviderCollectionResult result =
            QCoro::waitFor(gate.collect({QUuid::createUuid(), observedAt}));
        const QList<ProviderDiagnostic> expected{{DiagnosticSeverity::warning,
                                                  u"codex.authentication_required"_s,
                                                  u"Command-line tool not found"_s}};
        QCOMPARE(provider->collectCount(), 0);
        QVERIFY(result.windows.isEmpty() && result.tokenBuckets.isEmpty());
        QCOMPARE(result.diagnostics, expected);
        QCOMPARE(result.collectedAt, observedAt);
        QCOMPARE(result.provider, provider->descriptor());

        const ProviderProbeResult probe = QCoro::waitFor(gate.probe());
        QCOMPARE(provider->probeCount(), 0);
        QCOMPARE(probe.availability, ProviderAvailability::notInstalled);
        QVERIFY(probe.capabilities.isEmpty());
        QCOMPARE(probe.diagnostics, expected);
    }
};

QTEST_GUILESS_MAIN(TestAuthenticationGatedProvider)
#include "TestAuthenticationGatedProvider.moc"
