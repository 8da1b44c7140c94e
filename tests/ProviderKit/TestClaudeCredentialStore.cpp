#include <ProviderKit/ClaudeCredentialStore.h>

#include <QCoroSignal>
#include <QTest>
#include <QUuid>

#include <qt6keychain/keychain.h>

#include <limits>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

using Loaded = std::expected<std::optional<ClaudeOAuthCredential>, ClaudeOAuthError>;
const Loaded absent = std::optional<ClaudeOAuthCredential>();

const ClaudeOAuthCredential sample{
    .accessToken = u"access-1"_s,
    .refreshToken = u"refresh-1"_s,
    .expiresAt = Instant::fromSecondsSinceReferenceDate(789012345.678901),
    .scopes = {u"user:profile"_s, u"user:inference"_s},
};

// Runs a QtKeychain job on the store's item directly, bypassing the store.
template <typename Job> QKeychain::Error runJob(const ClaudeCredentialStore& store, Job& job)
{
    job.setKey(store.account);
    job.setAutoDelete(false);
    auto finished = qCoro(&job, &QKeychain::Job::finished, std::chrono::seconds(10));
    job.start();
    return QCoro::waitFor(std::move(finished)) ? job.error() : QKeychain::OtherError;
}

// The item as QtKeychain sees it; nullopt when there is none.
std::optional<QByteArray> readRaw(const ClaudeCredentialStore& store)
{
    QKeychain::ReadPasswordJob job(store.service);
    return runJob(store, job) == QKeychain::NoError ? std::optional(job.binaryData()) : std::nullopt;
}

Loaded load(ClaudeCredentialStore& store)
{
    return QCoro::waitFor(store.load());
}

std::expected<void, ClaudeOAuthError> save(ClaudeCredentialStore& store,
                                           const ClaudeOAuthCredential& credential)
{
    return QCoro::waitFor(store.save(credential));
}

bool remove(ClaudeCredentialStore& store)
{
    return QCoro::waitFor(store.remove()).has_value();
}

const auto storageFailed = std::unexpected(ClaudeOAuthError::credentialStorageFailed);

} // namespace

class TestClaudeCredentialStore : public QObject {
    Q_OBJECT

    // Each test gets an item of its own so that a failing test leaves nothing behind for the next.
    ClaudeCredentialStore m_store;

private Q_SLOTS:
    void initTestCase()
    {
        const ClaudeCredentialStore probe(u"app.tallyvane.test.probe"_s, u"probe"_s);
        QKeychain::ReadPasswordJob job(probe.service);
        const QKeychain::Error failure = runJob(probe, job);
        if (failure == QKeychain::NoError || failure == QKeychain::EntryNotFound)
            return;
        if (qEnvironmentVariable("CI") == "true"_L1)
            QFAIL("no usable Secret Service on the session bus (run the tests through scripts/test)");
        QSKIP("no usable Secret Service on the session bus (run the tests through scripts/test)");
    }

    void init()
    {
        m_store = ClaudeCredentialStore(u"app.tallyvane.test."_s +
                                            QUuid::createUuid().toString(QUuid::WithoutBraces),
                                        ClaudeCredentialStore::applicationAccount());
    }

    void cleanup()
    {
        QKeychain::DeletePasswordJob job(m_store.service);
        runJob(m_store, job);
    }

    void savedCredentialLoadsEqual()
    {
        // The item's exact bytes are pinned elsewhere; here the keyring must hand back every byte.
        const ClaudeOAuthCredential credential{
            .accessToken = u"sk-\"quoted\"\\\u00e9\u20ac"_s,
            .refreshToken = u"line\nbreak\u0000nul"_s,
            .expiresAt = Instant::fromSecondsSince1970(1'900'000'000.000123),
            .scopes = {u"z"_s, u"a"_s, u"m"_s},
        };
        QVERIFY(load(m_store) == absent);
        QVERIFY(save(m_store, credential));
        QVERIFY(load(m_store) == Loaded(credential)); // exact: the expiry to the microsecond, scopes in order
    }

    void unreadableItemFailsAndIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("data");

        QTest::newRow("not JSON") << "\x00\xff\xfe garbage"_ba;
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("JSON array") << R"(["accessToken"])"_ba;
        QTest::newRow("only accessToken") << R"({"accessToken":"a"})"_ba;
        QTest::newRow("expiresAt as ISO-8601 text")
            << R"({"accessToken":"a","refreshToken":"r","expiresAt":"2026-01-01T00:00:00Z","scopes":[]})"_ba;
        QTest::newRow("scopes as text")
            << R"({"accessToken":"a","refreshToken":"r","expiresAt":1,"scopes":"x"})"_ba;
    }

    void unreadableItemFailsAndIsLeftAlone()
    {
        QFETCH(QByteArray, data);
        QKeychain::WritePasswordJob job(m_store.service);
        job.setBinaryData(data);
        QCOMPARE(runJob(m_store, job), QKeychain::NoError);

        QVERIFY(load(m_store) == storageFailed);
        QCOMPARE(readRaw(m_store), std::optional<QByteArray>(data));
    }

    void unencodableCredentialIsNotSaved()
    {
        QVERIFY(save(m_store, sample));
        const std::optional<QByteArray> before = readRaw(m_store);
        QVERIFY(before);

        ClaudeOAuthCredential unencodable = sample;
        unencodable.expiresAt = Instant::fromSecondsSince1970(std::numeric_limits<double>::quiet_NaN());
        QVERIFY(save(m_store, unencodable) == storageFailed);
        QCOMPARE(readRaw(m_store), before);
    }

    void twoStoresShareOneItem()
    {
        ClaudeCredentialStore other(m_store.service, m_store.account);
        QVERIFY(save(m_store, sample));
        QVERIFY(load(other) == Loaded(sample));

        // A save through the other replaces every field, so nothing of the first survives.
        const ClaudeOAuthCredential rotated{.accessToken = u"access-2"_s,
                                            .refreshToken = u"refresh-rotated"_s,
                                            .expiresAt = sample.expiresAt.addingSeconds(3600.5),
                                            .scopes = {u"user:inference"_s}};
        QVERIFY(save(other, rotated));
        QVERIFY(load(m_store) == Loaded(rotated));

        QVERIFY(remove(other));
        QVERIFY(load(m_store) == absent);
    }

    void accountsAreSeparateItems()
    {
        ClaudeCredentialStore otherAccount(m_store.service, u"secondary"_s);
        ClaudeCredentialStore otherService(m_store.service + u".other"_s, m_store.account);

        QVERIFY(save(m_store, sample));
        for (ClaudeCredentialStore* store : {&otherAccount, &otherService}) {
            QVERIFY(load(*store) == absent);
            QVERIFY(remove(*store));
        }
        QVERIFY(load(m_store) == Loaded(sample));
    }
};

QTEST_GUILESS_MAIN(TestClaudeCredentialStore)
#include "TestClaudeCredentialStore.moc"
