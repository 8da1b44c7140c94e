#include <CodexProvider/CodexUsageProvider.h>

#include "CodexExpectations.h"
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
    void initTestCase()
    {
        TALLYVANE_REQUIRE_REAL_CODEX(m_codex);
        QVERIFY(m_home.isValid());
    }

    void probeFindsTheAppServer()
    {
        const ProviderProbeResult probe = QCoro::waitFor(provider().probe());
        QCOMPARE(probe.availability, ProviderAvailability::availableWithLimitations);
        QCOMPARE(probe.capabilities.rawValue(), 7);
        QCOMPARE(probe.sourceVersion, u"codex-cli 0.171.0"_s);
        QCOMPARE(probe.diagnostics, QList{experimentalProtocol});
    }

    void signedOutCollectionIsDeclined()
    {
        const ProviderCollectionResult result =
            QCoro::waitFor(provider().collect({codexConnection, codexObservedAt}));
        QCOMPARE(result.collectedAt, codexObservedAt);
        QVERIFY(result.windows.isEmpty() && result.tokenBuckets.isEmpty());
        QCOMPARE(result.diagnostics, QList{declinedRequest});
    }

    void cleanupTestCase()
    {
        if (m_codex.isEmpty())
            return;
        // The app-server child is reaped in the background: SIGTERM, then SIGKILL after its grace.
        QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), reaperWaitMs);
    }

private:
    CodexUsageProvider provider() const;

    QString m_codex;
    QTemporaryDir m_home;
};

CodexUsageProvider TestCodexRealCli::provider() const
{
    EnvironmentMap environment = ProcessEnvironment::current();
    environment.insert(u"HOME"_s, m_home.path());
    return CodexUsageProvider(CodexLookup{
        .configuredExecutable = m_codex, .environment = environment, .homeDirectory = m_home.path()});
}

QTEST_GUILESS_MAIN(TestCodexRealCli)
#include "TestCodexRealCli.moc"
