#include <ProviderKit/OAuthCallbackRequest.h>

#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

class TestOAuthCallbackRequest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QByteArrayList>("requests");
        QTest::addColumn<QString>("code"); // empty: every request is rejected
        QTest::addColumn<QString>("state");

        const auto accept = [](const char* name, const QByteArray& request, const QString& code,
                               const QString& state = u"s"_s) {
            QTest::newRow(name) << QByteArrayList{request} << code << state;
        };
        const auto reject = [](const char* name, const QByteArrayList& requests) {
            QTest::newRow(name) << requests << QString() << QString();
        };
        const QByteArray end = " HTTP/1.1\r\n\r\n"_ba;

        accept("browser request", "GET /callback?code=abc&state=xyz HTTP/1.1\r\nHost: localhost\r\n\r\n"_ba,
               u"abc"_s, u"xyz"_s);
        // Percent escapes and UTF-8 decoded, a plus left as it is.
        accept("decoding", "GET /callback?code=a%2Fb+%C3%A9&state=x%26y%3Dz"_ba + end, u"a/b+\u00e9"_s,
               u"x&y=z"_s);
        accept("first code wins, others ignored", "GET /callback?error=x&state=s&code=c&code=d"_ba + end,
               u"c"_s);
        accept("lenient request line", "\r\n\r\nPOST   /callback?code=c&state=s   HTTP/1.1\r\n"_ba, u"c"_s);
        accept("no line end", "GET /callback?code=c&state=s"_ba, u"c"_s);
        accept("bad bytes after the line", "GET /callback?code=c&state=s HTTP/1.1\r\nX: \xff\xfe\r\n\r\n"_ba,
               u"c"_s);

        reject("no request line", {QByteArray(), "\r\n\r\n"_ba, "GET\r\n\r\n"_ba,
                                   "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03"_ba});
        reject("path other than /callback",
               {"GET /favicon.ico"_ba + end, "GET /callback/?code=c&state=s"_ba + end,
                "GET /Callback?code=c&state=s"_ba + end, "GET /callbacks?code=c&state=s"_ba + end,
                "GET ?code=c&state=s"_ba + end, "GET //evil.example/callback?code=c&state=s"_ba + end,
                "GET / HTTP/1.1\r\nReferer: /callback?code=c&state=s\r\n\r\n"_ba});
        reject("code or state missing or empty",
               {"GET /callback?code=c"_ba + end, "GET /callback?state=s"_ba + end, "GET /callback"_ba + end,
                "GET /callback?code&state=s"_ba + end, "GET /callback?code=c&state="_ba + end,
                "GET /callback?code=&code=c&state=s"_ba + end, "GET /callback?Code=c&state=s"_ba + end});
        reject("undecodable",
               {"GET /callback?code=a%ZZ&state=s"_ba + end, "GET /callback?code=<c>&state=s"_ba + end});
    }

    void parse()
    {
        QFETCH(QByteArrayList, requests);
        QFETCH(QString, code);
        QFETCH(QString, state);

        for (const QByteArray& request : std::as_const(requests)) {
            const auto parsed = OAuthCallbackRequest::parse(request);
            if (code.isEmpty())
                QVERIFY2(!parsed && parsed.error() == ClaudeOAuthError::invalidCallback, request.constData());
            else
                QVERIFY2(parsed && *parsed == (OAuthCallback{.code = code, .state = state}),
                         request.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestOAuthCallbackRequest)
#include "TestOAuthCallbackRequest.moc"
