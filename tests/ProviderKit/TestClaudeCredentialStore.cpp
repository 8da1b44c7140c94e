#include <ProviderKit/ClaudeCredentialStore.h>

#include <QCoroSignal>
#include <QTest>
#include <QUuid>

#include <qt6keychain/keychain.h>

#include <cmath>
#include <limits>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

const ClaudeOAuthCredential sample{
    .accessToken = u"access-1"_s,
    .refreshToken = u"refresh-1"_s,
    .expiresAt = Instant::fromSecondsSinceReferenceDate(789012345.678901),
    .scopes = {u"user:profile"_s, u"user:inference"_s},
};

// The item as QtKeychain sees it, bypassing the store; nullopt when there is no item.
std::optional<QByteArray> readRaw(const ClaudeCredentialStore& store, QKeychain::Error* failure = nullptr)
{
    QKeychain::ReadPasswordJob job(store.service);
    job.setKey(store.account);
    job.setAutoDelete(false);
    auto finished = qCoro(&job, &QKeychain::Job::finished, std::chrono::seconds(10));
    job.start();
    if (!QCoro::waitFor(std::move(finished))) {
        if (failure)
            *failure = QKeychain::OtherError;
        return std::nullopt;
    }
    if (failure)
        *failure = job.error();
    if (job.error() != QKeychain::NoError)
        return std::nullopt;
    return job.binaryData();
}

void writeRaw(const ClaudeCredentialStore& store, const QByteArray& data)
{
    QKeychain::WritePasswordJob job(store.service);
    job.setKey(store.account);
    job.setAutoDelete(false);
    job.setBinaryData(data);
    auto finished = qCoro(&job, &QKeychain::Job::finished, std::chrono::seconds(10));
    job.start();
    QVERIFY(QCoro::waitFor(std::move(finished)));
    QCOMPARE(job.error(), QKeychain::NoError);
}

std::expected<std::optional<ClaudeOAuthCredential>, ClaudeOAuthError> load(ClaudeCredentialStore& store)
{
    return QCoro::waitFor(store.load());
}

std::expected<void, ClaudeOAuthError> save(ClaudeCredentialStore& store,
                                           const ClaudeOAuthCredential& credential)
{
    return QCoro::waitFor(store.save(credential));
}

std::expected<void, ClaudeOAuthError> remove(ClaudeCredentialStore& store)
{
    return QCoro::waitFor(store.remove());
}

} // namespace

class TestClaudeCredentialStore : public QObject {
    Q_OBJECT

    // Each test gets an item of its own so that a failing test leaves nothing behind for the next.
    ClaudeCredentialStore m_store;

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void loadWithNothingStoredIsAbsent();
    void savedCredentialLoadsEqual_data();
    void savedCredentialLoadsEqual();
    void secondSaveReplacesFirst();
    void removeSucceedsWhetherOrNotStored();
    void unreadableItemFailsAndIsLeftAlone_data();
    void unreadableItemFailsAndIsLeftAlone();
    void unencodableCredentialIsNotSaved();
    void twoStoresShareOneItem();
    void accountsAreSeparateItems();
};

void TestClaudeCredentialStore::initTestCase()
{
    QKeychain::Error failure = QKeychain::NoError;
    readRaw(ClaudeCredentialStore(u"app.tallyvane.test.probe"_s, u"probe"_s), &failure);
    if (failure == QKeychain::NoError || failure == QKeychain::EntryNotFound)
        return;
    if (qEnvironmentVariable("CI") == "true"_L1)
        QFAIL("no usable Secret Service on the session bus (run the tests through scripts/test)");
    QSKIP("no usable Secret Service on the session bus (run the tests through scripts/test)");
}

void TestClaudeCredentialStore::init()
{
    m_store =
        ClaudeCredentialStore(u"app.tallyvane.test."_s + QUuid::createUuid().toString(QUuid::WithoutBraces),
                              ClaudeCredentialStore::applicationAccount());
}

void TestClaudeCredentialStore::cleanup()
{
    QKeychain::DeletePasswordJob job(m_store.service);
    job.setKey(m_store.account);
    job.setAutoDelete(false);
    auto finished = qCoro(&job, &QKeychain::Job::finished, std::chrono::seconds(10));
    job.start();
    QCoro::waitFor(std::move(finished));
}

void TestClaudeCredentialStore::loadWithNothingStoredIsAbsent()
{
    const auto loaded = load(m_store);
    QVERIFY(loaded.has_value());
    QVERIFY(!loaded->has_value());
}

void TestClaudeCredentialStore::savedCredentialLoadsEqual_data()
{
    QTest::addColumn<ClaudeOAuthCredential>("credential");

    QTest::newRow("sub-second expiry, scopes in server order") << sample;
    QTest::newRow("no scopes, expiry before 2001") << ClaudeOAuthCredential{
        .accessToken = u"a"_s,
        .refreshToken = u"r"_s,
        .expiresAt = Instant::fromSecondsSince1970(0.25),
        .scopes = {},
    };
    QTest::newRow("tokens with quotes, backslashes and non-ASCII") << ClaudeOAuthCredential{
        .accessToken = u"sk-\"quoted\"\\\u00e9\u20ac"_s,
        .refreshToken = u"line\nbreak\u0000nul"_s,
        .expiresAt = Instant::fromSecondsSince1970(1'900'000'000.000123),
        .scopes = {u"z"_s, u"a"_s, u"m"_s},
    };
}

void TestClaudeCredentialStore::savedCredentialLoadsEqual()
{
    QFETCH(ClaudeOAuthCredential, credential);

    QVERIFY(save(m_store, credential).has_value());

    const auto loaded = load(m_store);
    QVERIFY(loaded.has_value());
    QVERIFY(loaded->has_value());
    QCOMPARE(loaded->value().expiresAt.secondsSince1970(), credential.expiresAt.secondsSince1970());
    QCOMPARE(loaded->value().scopes, credential.scopes);
    QVERIFY(**loaded == credential);
}

void TestClaudeCredentialStore::secondSaveReplacesFirst()
{
    ClaudeOAuthCredential second = sample;
    second.accessToken = u"access-2"_s;
    second.refreshToken = u"refresh-2"_s;
    second.expiresAt = sample.expiresAt.addingSeconds(3600.5);
    second.scopes = {u"user:inference"_s};

    QVERIFY(save(m_store, sample).has_value());
    QVERIFY(save(m_store, second).has_value());

    const auto loaded = load(m_store);
    QVERIFY(loaded.has_value() && loaded->has_value());
    QVERIFY(**loaded == second);
}

void TestClaudeCredentialStore::removeSucceedsWhetherOrNotStored()
{
    QVERIFY(remove(m_store).has_value());

    QVERIFY(save(m_store, sample).has_value());
    QVERIFY(remove(m_store).has_value());
    const auto loaded = load(m_store);
    QVERIFY(loaded.has_value());
    QVERIFY(!loaded->has_value());
    QVERIFY(!readRaw(m_store));

    QVERIFY(remove(m_store).has_value());
}

void TestClaudeCredentialStore::unreadableItemFailsAndIsLeftAlone_data()
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

void TestClaudeCredentialStore::unreadableItemFailsAndIsLeftAlone()
{
    QFETCH(QByteArray, data);
    writeRaw(m_store, data);

    const auto loaded = load(m_store);
    QVERIFY(!loaded.has_value());
    QCOMPARE(loaded.error(), ClaudeOAuthError::credentialStorageFailed);
    QCOMPARE(readRaw(m_store), std::optional<QByteArray>(data));
}

void TestClaudeCredentialStore::unencodableCredentialIsNotSaved()
{
    QVERIFY(save(m_store, sample).has_value());
    const std::optional<QByteArray> before = readRaw(m_store);
    QVERIFY(before);

    ClaudeOAuthCredential unencodable = sample;
    unencodable.expiresAt = Instant::fromSecondsSince1970(std::numeric_limits<double>::quiet_NaN());
    const auto saved = save(m_store, unencodable);
    QVERIFY(!saved.has_value());
    QCOMPARE(saved.error(), ClaudeOAuthError::credentialStorageFailed);
    QCOMPARE(readRaw(m_store), before);
}

void TestClaudeCredentialStore::twoStoresShareOneItem()
{
    ClaudeCredentialStore other(m_store.service, m_store.account);

    QVERIFY(save(m_store, sample).has_value());
    auto loaded = load(other);
    QVERIFY(loaded.has_value() && loaded->has_value());
    QVERIFY(**loaded == sample);

    ClaudeOAuthCredential rotated = sample;
    rotated.refreshToken = u"refresh-rotated"_s;
    QVERIFY(save(other, rotated).has_value());
    loaded = load(m_store);
    QVERIFY(loaded.has_value() && loaded->has_value());
    QVERIFY(**loaded == rotated);

    QVERIFY(remove(other).has_value());
    loaded = load(m_store);
    QVERIFY(loaded.has_value());
    QVERIFY(!loaded->has_value());
}

void TestClaudeCredentialStore::accountsAreSeparateItems()
{
    ClaudeCredentialStore otherAccount(m_store.service, u"secondary"_s);
    ClaudeCredentialStore otherService(m_store.service + u".other"_s, m_store.account);

    QVERIFY(save(m_store, sample).has_value());
    for (ClaudeCredentialStore* store : {&otherAccount, &otherService}) {
        const auto loaded = load(*store);
        QVERIFY(loaded.has_value());
        QVERIFY(!loaded->has_value());
        QVERIFY(remove(*store).has_value());
    }
    const auto loaded = load(m_store);
    QVERIFY(loaded.has_value() && loaded->has_value());
    QVERIFY(**loaded == sample);
}

QTEST_GUILESS_MAIN(TestClaudeCredentialStore)
#include "TestClaudeCredentialStore.moc"
