#include <ProviderKit/ClaudeOAuthCredential.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

// The keyring item's bytes, written out by hand: every item saved by an earlier version must
// still load, which no save-then-load round trip can show.
class TestClaudeCredentialBytes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writtenAndReadAsTheseBytes_data()
    {
        QTest::addColumn<ClaudeOAuthCredential>("credential");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("two scopes, in the server's order")
            << ClaudeOAuthCredential{u"sk-ant-oat01-a1"_s,
                                     u"sk-ant-ort01-r1"_s,
                                     Instant::fromSecondsSinceReferenceDate(789012345.25),
                                     {u"user:profile"_s, u"user:inference"_s}}
            << R"({"accessToken":"sk-ant-oat01-a1","expiresAt":789012345.25,"refreshToken":"sk-ant-ort01-r1",)"
               R"("scopes":["user:profile","user:inference"]})"_ba;
        QTest::newRow("no scopes, expiry before 2001")
            << ClaudeOAuthCredential{u"a"_s, u"r"_s, Instant::fromSecondsSinceReferenceDate(-86400.5), {}}
            << R"({"accessToken":"a","expiresAt":-86400.5,"refreshToken":"r","scopes":[]})"_ba;
        QTest::newRow("quotes and non-ASCII in a token")
            << ClaudeOAuthCredential{u"a\"b\\\u00e9"_s, u"r"_s, Instant::fromSecondsSinceReferenceDate(1), {}}
            << "{\"accessToken\":\"a\\\"b\\\\\xc3\xa9\",\"expiresAt\":1,\"refreshToken\":\"r\",\"scopes\":[]}"_ba;
    }

    void writtenAndReadAsTheseBytes()
    {
        QFETCH(ClaudeOAuthCredential, credential);
        QFETCH(QByteArray, bytes);
        QCOMPARE(QJsonDocument(toJson(credential).toObject()).toJson(QJsonDocument::Compact), bytes);
        const auto read = fromJsonBytes<ClaudeOAuthCredential>(bytes);
        QVERIFY(read);
        QCOMPARE(*read, credential);
    }
};

QTEST_GUILESS_MAIN(TestClaudeCredentialBytes)
#include "TestClaudeCredentialBytes.moc"
