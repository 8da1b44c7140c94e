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
    int read = -1;
    int write = -1;
    TestPipe()
    {
        int fds[2];
        if (::pipe(fds) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~TestPipe()
    {
        closeRead();
        closeWrite();
    }
    TestPipe(const TestPipe&) = delete;
    TestPipe& operator=(const TestPipe&) = delete;
    bool put(QByteArrayView bytes) const
    {
        return ::write(write, bytes.data(), size_t(bytes.size())) == bytes.size();
    }
    void closeRead()
    {
        if (read >= 0)
            ::close(read);
        read = -1;
    }
    void closeWrite()
    {
        if (write >= 0)
            ::close(write);
        write = -1;
    }
};

// An object as compact JSON, a failure as its case name.
QString outcome(const std::expected<QJsonObject, CodexOAuthError>& result)
{
    if (!result)
        return debugText(result.error());
    return QString::fromUtf8(QJsonDocument(*result).toJson(QJsonDocument::Compact));
}

void noOpHandler(int) {}

} // namespace

class TestLineDelimitedJSONReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsLinesAsTheyArrive_data();
    void readsLinesAsTheyArrive();
    void expiredDeadlineFailsWithoutReading();
    void deadlineIsFixedAtCreation();
    void silentPeerTimesOut();
    void interruptedWaitIsRetried();
    void closedDescriptorIsPollFailed();
};

void TestLineDelimitedJSONReader::readsLinesAsTheyArrive_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<bool>("closeAfterwards");
    QTest::addColumn<qint64>("outputLimit");
    QTest::addColumn<QStringList>("expected");

    const QByteArray bigValue(20000, 'v');
    const QByteArray bigLine = "{\"big\":\"" + bigValue + "\"}\n";

    QTest::newRow("empty lines skipped")
        << QByteArrayList{"\n\n{\"id\":1}\n"} << false << noLimit << QStringList{u"{\"id\":1}"_s};
    // Both come from one read: a second read would wait for the deadline and time out.
    QTest::newRow("two objects in one chunk") << QByteArrayList{"{\"a\":1}\n{\"b\":2}\n"} << false << noLimit
                                              << QStringList{u"{\"a\":1}"_s, u"{\"b\":2}"_s};
    QTest::newRow("object split across chunks") << QByteArrayList{"{\"id\":", "1,\"x\":", "true}\n"} << false
                                                << noLimit << QStringList{u"{\"id\":1,\"x\":true}"_s};
    QTest::newRow("line longer than one read")
        << QByteArrayList{bigLine} << false << noLimit << QStringList{QString::fromUtf8(bigLine.chopped(1))};
    QTest::newRow("carriage return is whitespace")
        << QByteArrayList{"{\"id\":1}\r\n"} << false << noLimit << QStringList{u"{\"id\":1}"_s};
    QTest::newRow("array line") << QByteArrayList{"[1,2]\n"} << false << noLimit
                                << QStringList{u"malformedResponse"_s};
    QTest::newRow("text line") << QByteArrayList{"hello\n"} << false << noLimit
                               << QStringList{u"malformedResponse"_s};
    QTest::newRow("number line") << QByteArrayList{"42\n"} << false << noLimit
                                 << QStringList{u"malformedResponse"_s};
    QTest::newRow("truncated object line")
        << QByteArrayList{"{\"id\":1\n"} << false << noLimit << QStringList{u"malformedResponse"_s};
    QTest::newRow("line after a malformed one is kept")
        << QByteArrayList{"nope\n{\"id\":2}\n"} << false << noLimit
        << QStringList{u"malformedResponse"_s, u"{\"id\":2}"_s};
    QTest::newRow("final line without line feed")
        << QByteArrayList{"{\"id\":1}\n{\"id\":2}"} << true << noLimit
        << QStringList{u"{\"id\":1}"_s, u"streamEnded"_s};
    QTest::newRow("nothing before end of stream")
        << QByteArrayList{} << true << noLimit << QStringList{u"streamEnded"_s};
    QTest::newRow("11 bytes over a limit of 10")
        << QByteArrayList{"{\"ab\":123}\n"} << false << qint64(10) << QStringList{u"outputLimitExceeded"_s};
    QTest::newRow("exactly the limit")
        << QByteArrayList{"{\"a\":123}\n"} << false << qint64(10) << QStringList{u"{\"a\":123}"_s};
    QTest::newRow("limit counts every chunk")
        << QByteArrayList{"{\"a\":1}\n", "{\"b\":2}\n", "{\"c\":3}\n"} << false << qint64(20)
        << QStringList{u"{\"a\":1}"_s, u"{\"b\":2}"_s, u"outputLimitExceeded"_s};
}

void TestLineDelimitedJSONReader::readsLinesAsTheyArrive()
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

void TestLineDelimitedJSONReader::expiredDeadlineFailsWithoutReading()
{
    TestPipe pipe;
    QVERIFY(pipe.put("{\"id\":1}\n"));
    LineDelimitedJSONReader reader(pipe.read, Clock::now() - 1s, noLimit);
    QCOMPARE(outcome(reader.nextObject()), u"timedOut"_s);
    QCOMPARE(reader.totalBytes(), 0);
    char buffer[16];
    QCOMPARE(::read(pipe.read, buffer, sizeof buffer), ssize_t(9));
}

void TestLineDelimitedJSONReader::deadlineIsFixedAtCreation()
{
    TestPipe pipe;
    LineDelimitedJSONReader reader(pipe.read, Clock::now() + 1s, noLimit);
    QVERIFY(pipe.put("{\"id\":1}\n{\"id\":2}\n"));
    QCOMPARE(outcome(reader.nextObject()), u"{\"id\":1}"_s);
    std::this_thread::sleep_for(1200ms);
    // The second line is already here, but the conversation's time is up.
    QCOMPARE(outcome(reader.nextObject()), u"timedOut"_s);
}

void TestLineDelimitedJSONReader::silentPeerTimesOut()
{
    TestPipe pipe;
    QVERIFY(pipe.put("{\"id\":"));
    LineDelimitedJSONReader reader(pipe.read, Clock::now() + 200ms, noLimit);
    QCOMPARE(outcome(reader.nextObject()), u"timedOut"_s);
}

void TestLineDelimitedJSONReader::interruptedWaitIsRetried()
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

void TestLineDelimitedJSONReader::closedDescriptorIsPollFailed()
{
    LineDelimitedJSONReader reader(-1, Clock::now() + 5s, noLimit);
    QCOMPARE(outcome(reader.nextObject()), u"pollFailed"_s);
}

QTEST_GUILESS_MAIN(TestLineDelimitedJSONReader)
#include "TestLineDelimitedJSONReader.moc"
