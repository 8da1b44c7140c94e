#include <ProviderKit/SharedCredentialReads.h>

#include "ManualClock.h"
#include "SlowCredentialStore.h"

#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

ClaudeOAuthCredential credential(const QString& access)
{
    return {.accessToken = access, .refreshToken = u"r"_s, .expiresAt = Instant(), .scopes = {}};
}

QString accessOf(const SharedCredentialReads::Loaded& loaded)
{
    if (!loaded)
        return u"(failed)"_s;
    return *loaded ? (*loaded)->accessToken : u"(none)"_s;
}

} // namespace

class TestSharedCredentialReads : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsOnceForLoadsThatComeTogether_data()
    {
        QTest::addColumn<QString>("between"); // what happens between two loads
        QTest::addColumn<int>("reads");
        QTest::addColumn<QString>("second");
        QTest::newRow("at the same time") << u"nothing, joined"_s << 1 << u"a1"_s;
        QTest::newRow("just after") << u"4 s"_s << 1 << u"a1"_s;
        QTest::newRow("past the reuse time") << u"6 s"_s << 2 << u"a1"_s;
        QTest::newRow("clock set back") << u"-1 s"_s << 2 << u"a1"_s;
        QTest::newRow("a save") << u"save"_s << 1 << u"a2"_s;
        QTest::newRow("a deletion") << u"remove"_s << 1 << u"(none)"_s;
        QTest::newRow("a failed read is read again") << u"failing"_s << 2 << u"(failed)"_s;
    }

    void readsOnceForLoadsThatComeTogether()
    {
        QFETCH(QString, between);
        QFETCH(int, reads);
        QFETCH(QString, second);
        ManualClock clock;
        const auto store = std::make_shared<SlowCredentialStore>();
        store->memory->setStored(credential(u"a1"_s));
        const auto shared = std::make_shared<SharedCredentialReads>(store, clock.function());

        if (between == "nothing, joined"_L1) {
            store->held = true;
            auto first = shared->load();
            auto joined = shared->load();
            store->release();
            QCOMPARE(accessOf(QCoro::waitFor(std::move(first))), u"a1"_s);
            QCOMPARE(accessOf(QCoro::waitFor(std::move(joined))), second);
            QCOMPARE(store->reads, reads);
            return;
        }
        if (between == "failing"_L1)
            store->memory->failLoad();
        const QString first = accessOf(QCoro::waitFor(shared->load()));
        QCOMPARE(first, between == "failing"_L1 ? u"(failed)"_s : u"a1"_s);
        if (between == "save"_L1)
            QVERIFY(QCoro::waitFor(shared->save(credential(u"a2"_s))));
        else if (between == "remove"_L1)
            QVERIFY(QCoro::waitFor(shared->remove()));
        else if (between.endsWith(" s"_L1))
            clock.advance(between.chopped(2).toDouble());
        QCOMPARE(accessOf(QCoro::waitFor(shared->load())), second);
        QCOMPARE(store->reads, reads);
    }

    void aWriteDuringAReadIsWhatLaterLoadsSee()
    {
        ManualClock clock;
        const auto store = std::make_shared<SlowCredentialStore>();
        store->memory->setStored(credential(u"a1"_s));
        const auto shared = std::make_shared<SharedCredentialReads>(store, clock.function());
        store->held = true;
        auto early = shared->load();
        QVERIFY(QCoro::waitFor(shared->save(credential(u"a2"_s))));
        // Asked after the save: neither the read begun before it nor its answer will do.
        auto late = shared->load();
        store->release();
        QCoro::waitFor(std::move(early));
        QCOMPARE(accessOf(QCoro::waitFor(std::move(late))), u"a2"_s);
        QCOMPARE(accessOf(QCoro::waitFor(shared->load())), u"a2"_s);
    }
};

QTEST_GUILESS_MAIN(TestSharedCredentialReads)
#include "TestSharedCredentialReads.moc"
