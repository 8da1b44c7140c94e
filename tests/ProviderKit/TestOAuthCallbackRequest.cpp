#include <ProviderKit/OAuthCallbackRequest.h>

#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

class TestOAuthCallbackRequest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsCodeAndState_data();
    void readsCodeAndState();
    void rejectsUnusableRequests_data();
    void rejectsUnusableRequests();
    void redirectReplyIsExact();
};

void TestOAuthCallbackRequest::readsCodeAndState_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("state");

    QTest::newRow("browser request")
        << "GET /callback?code=abc&state=xyz HTTP/1.1\r\nHost: localhost\r\n\r\n"_ba << u"abc"_s << u"xyz"_s;
    QTest::newRow("percent-decoded") << "GET /callback?code=a%2Fb&state=x%26y%3Dz HTTP/1.1\r\n\r\n"_ba
                                     << u"a/b"_s << u"x&y=z"_s;
    QTest::newRow("plus stays a plus")
        << "GET /callback?code=a+b&state=s HTTP/1.1\r\n\r\n"_ba << u"a+b"_s << u"s"_s;
    QTest::newRow("utf-8 decoded") << "GET /callback?code=%C3%A9&state=s HTTP/1.1\r\n\r\n"_ba << u"\u00e9"_s
                                   << u"s"_s;
    QTest::newRow("first code wins") << "GET /callback?code=first&code=second&state=s HTTP/1.1\r\n\r\n"_ba
                                     << u"first"_s << u"s"_s;
    QTest::newRow("state before code, other items ignored")
        << "GET /callback?error=x&state=s&code=c HTTP/1.1\r\n\r\n"_ba << u"c"_s << u"s"_s;
    QTest::newRow("leading blank lines skipped")
        << "\r\n\r\nGET /callback?code=c&state=s HTTP/1.1\r\n\r\n"_ba << u"c"_s << u"s"_s;
    QTest::newRow("repeated spaces") << "GET   /callback?code=c&state=s   HTTP/1.1\r\n"_ba << u"c"_s
                                     << u"s"_s;
    QTest::newRow("method not checked")
        << "POST /callback?code=c&state=s HTTP/1.1\r\n"_ba << u"c"_s << u"s"_s;
    QTest::newRow("no line end") << "GET /callback?code=c&state=s"_ba << u"c"_s << u"s"_s;
    QTest::newRow("bad bytes after the request line")
        << "GET /callback?code=c&state=s HTTP/1.1\r\nX: \xff\xfe\r\n\r\n"_ba << u"c"_s << u"s"_s;
}

void TestOAuthCallbackRequest::readsCodeAndState()
{
    QFETCH(QByteArray, request);
    QFETCH(QString, code);
    QFETCH(QString, state);

    const auto parsed = OAuthCallbackRequest::parse(request);
    QVERIFY(parsed.has_value());
    QCOMPARE(parsed->code, code);
    QCOMPARE(parsed->state, state);
}

void TestOAuthCallbackRequest::rejectsUnusableRequests_data()
{
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("only line ends") << "\r\n\r\n"_ba;
    QTest::newRow("no target") << "GET\r\n\r\n"_ba;
    QTest::newRow("zero bytes") << QByteArray(64, '\0');
    QTest::newRow("favicon") << "GET /favicon.ico HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("trailing slash") << "GET /callback/?code=c&state=s HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("other case") << "GET /Callback?code=c&state=s HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("longer path") << "GET /callbacks?code=c&state=s HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("no path") << "GET ?code=c&state=s HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("other authority path") << "GET //evil.example/callback?code=c&state=s HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("missing state") << "GET /callback?code=c HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("missing code") << "GET /callback?state=s HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("no query") << "GET /callback HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("code without value") << "GET /callback?code&state=s HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("empty state") << "GET /callback?code=c&state= HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("first code empty") << "GET /callback?code=&code=c&state=s HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("names are case-sensitive") << "GET /callback?Code=c&state=s HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("broken percent escape") << "GET /callback?code=a%ZZ&state=s HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("disallowed character") << "GET /callback?code=<c>&state=s HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("query in a header only")
        << "GET / HTTP/1.1\r\nReferer: /callback?code=c&state=s\r\n\r\n"_ba;
    QTest::newRow("garbage") << "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03"_ba;
}

void TestOAuthCallbackRequest::rejectsUnusableRequests()
{
    QFETCH(QByteArray, request);
    const auto parsed = OAuthCallbackRequest::parse(request);
    QVERIFY(!parsed.has_value());
    QCOMPARE(parsed.error(), ClaudeOAuthError::invalidCallback);
}

void TestOAuthCallbackRequest::redirectReplyIsExact()
{
    QCOMPARE(OAuthCallbackRequest::redirectReply(
                 "https://platform.example.test/oauth/code/success?app=claude-code"),
             "HTTP/1.1 302 Found\r\n"
             "Location: https://platform.example.test/oauth/code/success?app=claude-code\r\n"
             "Content-Length: 0\r\n"
             "Connection: close\r\n"
             "\r\n"_ba);
}

QTEST_GUILESS_MAIN(TestOAuthCallbackRequest)
#include "TestOAuthCallbackRequest.moc"
