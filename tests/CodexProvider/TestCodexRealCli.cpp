#include <CodexProvider/CodexUsageProvider.h>

#include "ProcessProbes.h"

#include <QTemporaryDir>
#include <QTest>

#include "RealCodex.h"

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

// Runs the provider against the pinned real `codex` named by TALLYVANE_REAL_CODEX, with a
// scratch HOME so no real ~/.codex is read or written. No account is signed in there.
class TestCodexRealCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void probeFindsTheAppServer();
    void signedOutCollectionIsDeclined();
    void cleanupTestCase();

private:
    CodexUsageProvider provider() const;

    QString m_codex;
    QTemporaryDir m_home;
};

void TestCodexRealCli::initTestCase()
{
    TALLYVANE_REQUIRE_REAL_CODEX(m_codex);
    QVERIFY(m_home.isValid());
}

CodexUsageProvider TestCodexRealCli::provider() const
{
    EnvironmentMap environment = ProcessEnvironment::current();
    environment.insert(u"HOME"_s, m_home.path());
    return CodexUsageProvider(CodexLookup{
        .configuredExecutable = m_codex, .environment = environment, .homeDirectory = m_home.path()});
}

void TestCodexRealCli::probeFindsTheAppServer()
{
    const ProviderProbeResult probe = QCoro::waitFor(provider().probe());
    QCOMPARE(probe.availability, ProviderAvailability::availableWithLimitations);
    QCOMPARE(probe.capabilities.rawValue(), 7);
    QCOMPARE(probe.sourceVersion, u"codex-cli 0.171.0"_s);
    const ProviderDiagnostic experimental{
        DiagnosticSeverity::info, u"codex.experimental_protocol"_s,
        u"Codex collection uses a capability-probed experimental local protocol."_s};
    QCOMPARE(probe.diagnostics, QList{experimental});
}

void TestCodexRealCli::signedOutCollectionIsDeclined()
{
    const QUuid connection = QUuid::createUuid();
    const Instant observedAt = Instant::fromSecondsSince1970(1767225600);
    const ProviderCollectionResult result = QCoro::waitFor(provider().collect({connection, observedAt}));
    QCOMPARE(result.collectedAt, observedAt);
    QVERIFY(result.windows.isEmpty());
    QVERIFY(result.tokenBuckets.isEmpty());
    const ProviderDiagnostic declined{
        DiagnosticSeverity::error, u"codex.rpc_error"_s,
        u"Codex declined a local usage request; sign-in or protocol compatibility may need attention."_s};
    QCOMPARE(result.diagnostics, QList{declined});
}

void TestCodexRealCli::cleanupTestCase()
{
    if (m_codex.isEmpty())
        return;
    // The app-server child is reaped in the background: SIGTERM, then SIGKILL after its grace.
    QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), 8000);
}

QTEST_GUILESS_MAIN(TestCodexRealCli)
#include "TestCodexRealCli.moc"
