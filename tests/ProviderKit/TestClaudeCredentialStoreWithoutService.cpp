#include <ProviderKit/ClaudeCredentialStore.h>

#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

// Set in the child that does the storing, so the parent can give it an environment of its own;
// the value is the store's deadline in milliseconds.
constexpr auto probeVariable = "TALLYVANE_CREDENTIAL_STORE_PROBE";

QString outcome(const auto& result)
{
    return result.has_value() ? u"ok"_s : caseName(result.error());
}

// Runs the three operations and prints how each ended, one line.
int runProbe(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ClaudeCredentialStore store(u"app.tallyvane.test.unreachable"_s, u"primary"_s,
                                std::chrono::milliseconds(qEnvironmentVariableIntValue(probeVariable)));
    const ClaudeOAuthCredential credential{
        .accessToken = u"a"_s,
        .refreshToken = u"r"_s,
        .expiresAt = Instant::fromSecondsSince1970(1),
        .scopes = {u"s"_s},
    };
    const QString load = outcome(QCoro::waitFor(store.load()));
    const QString save = outcome(QCoro::waitFor(store.save(credential)));
    const QString remove = outcome(QCoro::waitFor(store.remove()));
    std::printf("load=%s save=%s remove=%s\n", qPrintable(load), qPrintable(save), qPrintable(remove));
    return 0;
}

// A session bus of its own with nothing on it and nothing it could start.
class EmptyBus {
public:
    EmptyBus()
    {
        if (!m_directory.isValid())
            return;
        QFile config(m_directory.filePath(u"bus.conf"_s));
        if (!config.open(QIODevice::WriteOnly))
            return;
        // No <servicedir>: nothing can be activated on this bus.
        config.write("<busconfig><type>session</type><listen>unix:dir="_ba + m_directory.path().toUtf8() +
                     "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                     "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                     "<allow own=\"*\"/></policy></busconfig>\n"_ba);
        config.close();
        m_daemon.start(u"dbus-daemon"_s,
                       {u"--nofork"_s, u"--print-address=1"_s, u"--config-file"_s, config.fileName()});
        if (m_daemon.waitForReadyRead(10'000))
            m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }
    ~EmptyBus()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished(5'000);
    }
    EmptyBus(const EmptyBus&) = delete;
    EmptyBus& operator=(const EmptyBus&) = delete;

    QString address() const { return m_address; }

private:
    QTemporaryDir m_directory;
    QProcess m_daemon;
    QString m_address;
};

} // namespace

class TestClaudeCredentialStoreWithoutService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyOperationFails_data();
    void everyOperationFails();
};

void TestClaudeCredentialStoreWithoutService::everyOperationFails_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("deadline");

    const int usual = int(ClaudeCredentialStore::defaultDeadline.count());
    QTest::newRow("bus address leads nowhere") << u"unreachable"_s << usual;
    QTest::newRow("no session bus at all") << u"none"_s << usual;
    QTest::newRow("session bus without a keyring") << u"empty"_s << usual;
    // Only the deadline ends these operations; a short one keeps the test quick.
    QTest::newRow("bus that never answers") << u"silent"_s << 1000;
    // libsecret answers through the GLib main loop; without it no job ever finishes.
    QTest::newRow("event loop without GLib") << u"no-glib"_s << 1000;
}

void TestClaudeCredentialStoreWithoutService::everyOperationFails()
{
    QFETCH(QString, situation);
    QFETCH(int, deadline);

    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(probeVariable), QString::number(deadline));
    // Without these the bus could still be found or autolaunched.
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.remove(u"XDG_CURRENT_DESKTOP"_s);

    std::optional<EmptyBus> emptyBus;
    // Listens but is never served: connecting succeeds, and then nothing ever answers.
    QLocalServer silentBus;
    if (situation == "unreachable"_L1) {
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent"_s);
    } else if (situation == "none"_L1) {
        environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
    } else if (situation == "silent"_L1) {
        QVERIFY(silentBus.listen(runtime.filePath(u"silent-bus"_s)));
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + silentBus.fullServerName());
    } else {
        if (situation == "no-glib"_L1)
            environment.insert(u"QT_NO_GLIB"_s, u"1"_s);
        emptyBus.emplace();
        QVERIFY2(!emptyBus->address().isEmpty(), "dbus-daemon did not start");
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, emptyBus->address());
    }

    QProcess probe;
    probe.setProcessEnvironment(environment);
    probe.start(QCoreApplication::applicationFilePath());
    // Only a guard against hanging: three operations, each bounded by the store's deadline.
    if (!probe.waitForFinished(3 * deadline + 20'000)) {
        probe.kill();
        probe.waitForFinished();
        QFAIL("the store did not finish");
    }
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(),
             u"load=credentialStorageFailed save=credentialStorageFailed remove=credentialStorageFailed"_s);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(probeVariable))
        return runProbe(argc, argv);
    QCoreApplication application(argc, argv);
    TestClaudeCredentialStoreWithoutService test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestClaudeCredentialStoreWithoutService.moc"
