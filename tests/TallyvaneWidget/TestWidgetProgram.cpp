#include "ScriptedHttpServer.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {
namespace {

// As the application writes it: fixed key order, fractional dates, a non-ASCII window name.
const QByteArray document =
    R"({"updatedAt":818277931.5906656,"providers":[{"service":"codex","state":"available","windows":[)"
    R"({"id":"five_hour","name":"Fünf Stunden","usedFraction":0.93,"resetAt":818283331.25}]},)"
    R"({"service":"claude","state":"signInRequired","windows":[]}]})"_ba;

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The event loop keeps running meanwhile, so the server in this process can answer.
Run run(const QStringList& arguments, const char* program = TALLYVANE_WIDGET_PROGRAM)
{
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QString::fromUtf8(program), arguments);
    if (!finished.wait(30'000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

class TestWidgetProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oneShotOutputs_data()
    {
        QTest::addColumn<bool>("serving");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("expected"); // empty: the waybar object, checked below

        QTest::newRow("json as received") << true << u"json"_s << document + '\n';
        QTest::newRow("waybar") << true << u"waybar"_s << QByteArray();
        QTest::newRow("closed port text")
            << false << u"text"_s << "Codex Not available · Claude Not available\n"_ba;
    }

    void oneShotOutputs()
    {
        QFETCH(bool, serving);
        QFETCH(QString, format);
        QFETCH(QByteArray, expected);

        ScriptedHttpServer server(ScriptedHttpServer::jsonAnswer("HTTP/1.1 200 OK", document));
        QVERIFY(server.isListening());
        const QString endpoint = server.widgetEndpoint().toString();
        if (!serving)
            server.close(); // the port is now refused, as when the application is not running

        const Run result = run({u"--once"_s, u"--format"_s, format, u"--endpoint"_s, endpoint});
        QCOMPARE(result.exitCode, 0);
        if (!expected.isEmpty()) {
            QCOMPARE(result.out, expected);
            return;
        }
        const QJsonObject waybar = QJsonDocument::fromJson(result.out).object();
        QCOMPARE(waybar.value("class"_L1).toString(), u"critical"_s);
        QVERIFY(waybar.value("tooltip"_L1).toString().startsWith(u"Codex · Fünf Stunden · 93% · "_s));
    }

    // The picture, like the window, comes from the GUI program the one-shot program hands over to.
    void picturesComeFromTheWindowProgram()
    {
        QTemporaryDir folder;
        const QString picture = folder.filePath(u"widget.png"_s);
        const Run result = run({u"--render-png"_s, picture, u"--family"_s, u"small"_s, u"--sample"_s});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(QImage(picture).size(), QSize(340, 340));
    }

    // Both programs answer --help the same way; the window program must not open a widget.
    void helpIsPrinted_data()
    {
        QTest::addColumn<QByteArray>("program");
        QTest::newRow("tallyvane-widget") << QByteArray(TALLYVANE_WIDGET_PROGRAM);
        QTest::newRow("tallyvane-widget-window") << QByteArray(TALLYVANE_WIDGET_WINDOW_PROGRAM);
    }
    void helpIsPrinted()
    {
        QFETCH(QByteArray, program);
        const Run result = run({u"--help"_s}, program.constData());
        QCOMPARE(result.exitCode, 0);
        QVERIFY(result.out.contains("--once"));
        QVERIFY(result.out.contains("--family"));
        QVERIFY(!result.out.contains("--render-png"));
        QVERIFY(result.err.isEmpty());
    }

    void badArgumentsFailWithOneLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown option") << QStringList{u"--bogus"_s};
        QTest::newRow("unknown family") << QStringList{u"--family"_s, u"large"_s};
        QTest::newRow("unknown format") << QStringList{u"--once"_s, u"--format"_s, u"xml"_s};
        QTest::newRow("format without once") << QStringList{u"--format"_s, u"json"_s};
        QTest::newRow("endpoint not http")
            << QStringList{u"--once"_s, u"--endpoint"_s, u"file:///etc/passwd"_s};
        QTest::newRow("stray argument") << QStringList{u"--once"_s, u"extra"_s};
    }

    void badArgumentsFailWithOneLine()
    {
        QFETCH(QStringList, arguments);
        const Run result = run(arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY(result.out.isEmpty());
        QVERIFY(result.err.startsWith("tallyvane-widget: "));
        QCOMPARE(result.err.count('\n'), 1);
    }
};

} // namespace tallyvane::testing

QTEST_GUILESS_MAIN(tallyvane::testing::TestWidgetProgram)
#include "TestWidgetProgram.moc"
