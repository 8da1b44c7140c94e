#include <ProviderKit/LineDelimitedJSONReader.h>

#include <QJsonDocument>
#include <QTest>

#include <chrono>
#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Clock = LineDelimitedJSONReader::Clock;

namespace {

constexpr qint64 noLimit = 524288;

// Both ends of a pipe(2), closed on destruction.
struct TestPipe {
    int fds[2] = {-1, -1};
    const int& read = fds[0];
    TestPipe() { (void)::pipe(fds); }
    ~TestPipe()
    {
        ::close(fds[0]);
        closeWrite();
    }
    bool put(QByteArrayView bytes) const
    {
        return ::write(fds[1], bytes.data(), size_t(bytes.size())) == bytes.size();
    }
    void closeWrite()
    {
        if (fds[1] >= 0)
            ::close(std::exchange(fds[1], -1));
    }
};

// An object as compact JSON, a failure as its case name.
QString outcome(const std::expected<QJsonObject, CodexOAuthError>& result)
{
    return result ? QString::fromUtf8(QJsonDocument(*result).toJson(QJsonDocument::Compact))
                  : debugText(result.error());
}

void row(const char* name, const QByteArrayList& chunks, const QStringList& expected, bool close = false,
         qint64 limit = noLimit)
{
    QTest::newRow(name) << chunks << close << limit << expected;
}

void noOpHandler(int) {}

} // namespace

class TestLineDelimitedJSONReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsLinesAsTheyArrive_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<bool>("closeAfterwards");
        QTest::addColumn<qint64>("outputLimit");
        QTest::addColumn<QStringList>("expected");
        const QByteArray bigLine = "{\"big\":\"" + QByteArray(20000, 'v') + "\"}\n";
        const QString malformed = u"malformedResponse"_s;

        row("empty lines skipped", {"\n\n{\"id\":1}\n"}, {u"{\"id\":1}"_s});
        // Both come from one read: a second read would wait for the deadline and time out.
        row("two objects in one chunk", {"{\"a\":1}\n{\"b\":2}\n"}, {u"{\"a\":1}"_s, u"{\"b\":2}"_s});
        row("object split across chunks", {"{\"id\":", "1,\"x\":", "true}\n"}, {u"{\"id\":1,\"x\":true}"_s});
        row("line longer than one read", {bigLine}, {QString::fromUtf8(bigLine.chopped(1))});
        row("carriage return is whitespace", {"{\"id\":1}\r\n"}, {u"{\"id\":1}"_s});
        row("array line", {"[1,2]\n"}, {malformed});
        row("text line", {"hello\n"}, {malformed});
        row("line after a malformed one is kept", {"nope\n{\"id\":2}\n"}, {malformed, u"{\"id\":2}"_s});
        row("final line without line feed", {"{\"id\":1}\n{\"id\":2}"}, {u"{\"id\":1}"_s, u"streamEnded"_s},
            true);
        row("nothing before end of stream", {}, {u"streamEnded"_s}, true);
        row("11 bytes over a limit of 10", {"{\"ab\":123}\n"}, {u"outputLimitExceeded"_s}, false, 10);
        row("exactly the limit", {"{\"a\":123}\n"}, {u"{\"a\":123}"_s}, false, 10);
        row("limit counts every chunk", {"{\"a\":1}\n", "{\"b\":2}\n", "{\"c\":3}\n"},
            {u"{\"a\":1}"_s, u"{\"b\":2}"_s, u"outputLimitExceeded"_s}, false, 20);
    }

    void readsLinesAsTheyArrive()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(bool, closeAfterwards);
        QFETCH(qint64, outputLimit);
        QFETCH(QStringList, expected);

        TestPipe pipe;
        QVERIFY(pipe.read >= 0);
        // Pauses between writes keep the chunks apart on the reading side.
        std::thread writer([&] {
            for (const QByteArray& chunk : chunks) {
                pipe.put(chunk);
                std::this_thread::sleep_for(30ms);
            }
            if (closeAfterwards)
                pipe.closeWrite();
        });
        LineDelimitedJSONReader reader(pipe.read, Clock::now() + 5s, outputLimit);
        QStringList actual;
        for (qsizetype i = 0; i < expected.size(); ++i)
            actual.append(outcome(reader.nextObject()));
        writer.join();
        QCOMPARE(actual, expected);
    }

    void oneDeadlineForTheWholeConversation()
    {
        TestPipe pipe;
        QVERIFY(pipe.put("{\"id\":1}\n"));
        LineDelimitedJSONReader expired(pipe.read, Clock::now() - 1s, noLimit);
        QCOMPARE(outcome(expired.nextObject()), u"timedOut"_s);
        QCOMPARE(expired.totalBytes(), 0); // an expired deadline reads nothing
        char buffer[16];
        QCOMPARE(::read(pipe.read, buffer, sizeof buffer), ssize_t(9));

        LineDelimitedJSONReader reader(pipe.read, Clock::now() + 1s, noLimit);
        QVERIFY(pipe.put("{\"id\":1}\n{\"id\":2}\n"));
        QCOMPARE(outcome(reader.nextObject()), u"{\"id\":1}"_s);
        std::this_thread::sleep_for(1200ms);
        // The second line is already here, but the conversation's time is up.
        QCOMPARE(outcome(reader.nextObject()), u"timedOut"_s);

        TestPipe silent;
        QVERIFY(silent.put("{\"id\":"));
        LineDelimitedJSONReader partial(silent.read, Clock::now() + 200ms, noLimit);
        QCOMPARE(outcome(partial.nextObject()), u"timedOut"_s);
    }

    void interruptedWaitIsRetried()
    {
        struct sigaction action = {};
        struct sigaction previous = {};
        action.sa_handler = noOpHandler; // no SA_RESTART: poll returns EINTR
        QCOMPARE(::sigaction(SIGUSR1, &action, &previous), 0);

        TestPipe pipe;
        const pthread_t readingThread = ::pthread_self();
        std::thread interrupter([&] {
            for (int i = 0; i < 3; ++i) {
                std::this_thread::sleep_for(50ms);
                ::pthread_kill(readingThread, SIGUSR1);
            }
            std::this_thread::sleep_for(50ms);
            pipe.put("{\"id\":1}\n");
        });
        LineDelimitedJSONReader reader(pipe.read, Clock::now() + 5s, noLimit);
        const QString result = outcome(reader.nextObject());
        interrupter.join();
        ::sigaction(SIGUSR1, &previous, nullptr);
        QCOMPARE(result, u"{\"id\":1}"_s);
    }

    void closedDescriptorIsPollFailed()
    {
        LineDelimitedJSONReader reader(-1, Clock::now() + 5s, noLimit);
        QCOMPARE(outcome(reader.nextObject()), u"pollFailed"_s);
    }
};

QTEST_GUILESS_MAIN(TestLineDelimitedJSONReader)
#include "TestLineDelimitedJSONReader.moc"
