#include <ProviderKit/ProviderConnectionStatus.h>
#include <ProviderKit/ProviderService.h>

#include <QTest>

#include <algorithm>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

class TestProviderService : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mapsProviderIdentifiersExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // -1: no service
        QTest::newRow("codex") << u"app.tallyvane.codex.subscription"_s << int(ProviderService::codex);
        QTest::newRow("claude") << u"app.tallyvane.claude.subscription"_s << int(ProviderService::claude);
        QTest::newRow("other letter case") << u"App.Tallyvane.Codex.Subscription"_s << -1;
        QTest::newRow("raw value is not a provider id") << u"codex"_s << -1;
        QTest::newRow("trailing space") << u"app.tallyvane.claude.subscription "_s << -1;
    }

    void mapsProviderIdentifiersExactly()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const auto service = serviceForProviderID(text);
        QCOMPARE(service ? int(*service) : -1, expected);
        if (service)
            QCOMPARE(providerID(*service), text);
    }

    void ordersCodexBeforeClaude()
    {
        auto cases = allCases<ProviderService>();
        QCOMPARE(cases[0], ProviderService::codex);
        std::ranges::reverse(cases);
        std::ranges::sort(cases, {}, sortOrder);
        QCOMPARE(cases[0], ProviderService::codex);
        QCOMPARE(caseNamed<ProviderService>(u"claude"), ProviderService::claude);
        QVERIFY(!caseNamed<ProviderService>(u"Claude"));
        QVERIFY(ownsCredentials(ProviderService::claude) && !ownsCredentials(ProviderService::codex));
    }

    void busyAndAuthenticatedFlags()
    {
        using enum ProviderConnectionStatus;
        QVERIFY(isBusy(checking) && isBusy(connecting) && isBusy(disconnecting) && !isBusy(failed));
        QVERIFY(isAuthenticated(signedIn) && !isAuthenticated(disconnected));
    }
};

QTEST_GUILESS_MAIN(TestProviderService)
#include "TestProviderService.moc"
