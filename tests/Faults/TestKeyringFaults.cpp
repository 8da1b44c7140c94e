#include <ClaudeProvider/ClaudeUsageProvider.h>
#include <ProviderKit/ClaudeCredentialStore.h>
#include <ProviderKit/ClaudeOAuthSession.h>
#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <TallyvaneUI/UsageNotifications.h>

#include "CredentialStoreOutcomes.h"
#include "FakeProvider.h"
#include "PrivateSessionBus.h"

#include <QDBusVirtualObject>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

// Set in a child of this program (the bus connection is made once per process) to what it plays:
// a store user ("seed", "use" or "vanish"), a "silent" keyring, or a "refresh" of the model.
constexpr auto roleVariable = "TALLYVANE_KEYRING_FAULT_ROLE";
constexpr auto daemonVariable = "TALLYVANE_KEYRING_FAULT_DAEMON";
constexpr std::chrono::milliseconds storeDeadline{2000};
// Long enough that a Codex held behind it could not be shown within 2 s of its answer.
constexpr std::chrono::milliseconds refreshStoreDeadline{5000};
const QString secretsName = u"org.freedesktop.secrets"_s;

bool waitForSecretService(bool present)
{
    const QDeadlineTimer deadline(10'000);
    while (!deadline.hasExpired()) {
        if (QDBusConnection::sessionBus().interface()->isServiceRegistered(secretsName).value() == present)
            return true;
        QTest::qWait(50);
    }
    return false;
}

// A Secret Service that takes every call and never answers, as a hung keyring daemon would.
class SwallowingService final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return true; }
};

int runSilentSecrets(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    SwallowingService swallowing;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(u"/"_s, &swallowing, QDBusConnection::SubPath) ||
        !bus.registerService(secretsName))
        return 1;
    return QCoreApplication::exec();
}

// Codex signed in; Claude signed in exactly when its session reads a credential from the keyring.
class KeyringSignIn final : public ProviderAuthenticating {
public:
    explicit KeyringSignIn(std::shared_ptr<ClaudeOAuthSession> claude)
        : m_claude(std::move(claude))
    {
    }
    QCoro::Task<ProviderConnectionState> status(ProviderService service) override
    {
        if (service == ProviderService::codex)
            co_return ProviderConnectionState{service, ProviderConnectionStatus::signedIn, u"signed in"_s};
        auto asking = m_claude->isSignedIn();
        const bool signedIn = co_await asking;
        co_return ProviderConnectionState{
            service, signedIn ? ProviderConnectionStatus::signedIn : ProviderConnectionStatus::signedOut, {}};
    }
    QCoro::Task<ProviderConnectionState> login(ProviderService service) override { return status(service); }
    QCoro::Task<ProviderConnectionState> disconnect(ProviderService service) override
    {
        return status(service);
    }

private:
    std::shared_ptr<ClaudeOAuthSession> m_claude;
};

// One refresh with Claude's credential behind the keyring: prints how long after the Codex
// provider's answer its numbers were shown, and how Claude ended and when.
int runRefresh(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (!waitForSecretService(true)) {
        std::printf("no secret service\n");
        return 1;
    }
    QTemporaryDir directory;
    Preferences preferences(directory.filePath(u"preferences.json"_s));
    UsageNotificationController notifications(nullptr, [] { return UsageAlertSettings{}; });
    const auto claudeSession = std::make_shared<ClaudeOAuthSession>(
        std::make_shared<ClaudeCredentialStore>(u"app.tallyvane.test.faults"_s, u"primary"_s,
                                                refreshStoreDeadline),
        [](const QUrl&) { return false; });
    const auto codex = std::make_shared<testing::FakeProvider>(
        ProviderDescriptor{providerID(ProviderService::codex), u"Codex"_s, std::nullopt});
    codex->answerWithWindowAnd({});
    codex->setAnswerDelay(std::chrono::milliseconds(200));
    UsageAppModel model(std::make_shared<KeyringSignIn>(claudeSession),
                        {{ProviderService::codex, codex},
                         {ProviderService::claude, std::make_shared<ClaudeUsageProvider>(claudeSession)}},
                        &Instant::now, preferences, notifications, {.tick = std::chrono::hours(1)});

    QElapsedTimer elapsed;
    elapsed.start();
    qint64 answeredAt = -1;
    qint64 shownAt = -1;
    QObject::connect(codex.get(), &testing::FakeProvider::collectAnswered,
                     [&] { answeredAt = elapsed.elapsed(); });
    QObject::connect(&model, &UsageAppModel::providersChanged, [&] {
        for (const ProviderViewState& state : model.providers()) {
            if (state.service == ProviderService::codex && !state.windows.isEmpty() && shownAt < 0)
                shownAt = elapsed.elapsed();
        }
    });
    QCoro::waitFor(model.refresh(RefreshTrigger::manual));
    const bool claudeSignedIn =
        model.connectionState(ProviderService::claude).status == ProviderConnectionStatus::signedIn;
    std::printf("codex-shown-after-answer-ms=%lld claude-signed-in=%s claude-after-bound=%s\n",
                shownAt - answeredAt, claudeSignedIn ? "yes" : "no",
                // The deadline's timer is coarse: it may fire up to 5 % early.
                elapsed.elapsed() >= refreshStoreDeadline.count() * 9 / 10 ? "yes" : "no");
    return 0;
}

int runProbe(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ClaudeCredentialStore store(u"app.tallyvane.test.faults"_s, u"primary"_s, storeDeadline);
    if (!waitForSecretService(true)) {
        std::printf("no secret service\n");
        return 1;
    }
    const QByteArray mode = qgetenv(roleVariable);
    if (mode == "seed" || mode == "vanish") {
        const bool saved =
            QCoro::waitFor(store.save({.accessToken = u"a1"_s, .refreshToken = u"r1"_s})).has_value();
        const auto loaded = QCoro::waitFor(store.load());
        std::printf("seeded=%s ", saved && loaded && *loaded ? "yes" : "no");
    }
    if (mode == "vanish") {
        ::kill(pid_t(qEnvironmentVariableIntValue(daemonVariable)), SIGKILL);
        if (!waitForSecretService(false)) {
            std::printf("keyring still there\n");
            return 1;
        }
    }
    if (mode != "seed")
        std::printf("%s", qPrintable(testing::credentialStoreOutcomes(store)));
    std::printf("\n");
    return 0;
}

// A private session bus and a keyring daemon on it, both ours to stop; the shared test session's
// keyring is never touched.
struct PrivateSession {
    QTemporaryDir root;
    QProcess bus;
    QProcess keyring;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();

    ~PrivateSession()
    {
        stopKeyring();
        bus.terminate();
        bus.waitForFinished(5000);
    }

    bool startBus()
    {
        for (const char* folder : {"home", "data", "config", "cache", "runtime"})
            QDir(root.path()).mkpath(QString::fromLatin1(folder));
        QFile::setPermissions(root.filePath(u"runtime"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert(u"HOME"_s, root.filePath(u"home"_s));
        environment.insert(u"XDG_DATA_HOME"_s, root.filePath(u"data"_s));
        environment.insert(u"XDG_CONFIG_HOME"_s, root.filePath(u"config"_s));
        environment.insert(u"XDG_CACHE_HOME"_s, root.filePath(u"cache"_s));
        environment.insert(u"XDG_RUNTIME_DIR"_s, root.filePath(u"runtime"_s));
        environment.remove(u"DISPLAY"_s);
        environment.remove(u"WAYLAND_DISPLAY"_s);
        // The keyring daemon does not start on a bus that refuses it eavesdropping.
        const QString address =
            testing::startPrivateSessionBus(bus, root.path(), "<allow eavesdrop=\"true\"/>"_ba);
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, address);
        return !address.isEmpty();
    }

    // Unlocked: creates and opens the login keyring with a password from standard input.
    bool startKeyring(bool unlocked)
    {
        keyring.setProcessEnvironment(environment);
        keyring.setStandardOutputFile(QProcess::nullDevice());
        keyring.setStandardErrorFile(QProcess::nullDevice());
        QStringList arguments{u"--foreground"_s, u"--components=secrets"_s};
        if (unlocked)
            arguments.append(u"--unlock"_s);
        keyring.start(u"gnome-keyring-daemon"_s, arguments);
        if (!keyring.waitForStarted(10'000))
            return false;
        if (unlocked) {
            keyring.write("test");
            keyring.waitForBytesWritten(5000);
        }
        keyring.closeWriteChannel();
        return true;
    }

    void stopKeyring()
    {
        if (keyring.state() == QProcess::NotRunning)
            return;
        keyring.terminate();
        if (!keyring.waitForFinished(5000)) {
            keyring.kill();
            keyring.waitForFinished(5000);
        }
    }

    // Starts this program in the session, playing `role`.
    void start(QProcess& child, const char* role)
    {
        QProcessEnvironment childEnvironment = environment;
        childEnvironment.insert(QString::fromLatin1(roleVariable), QString::fromLatin1(role));
        childEnvironment.insert(QString::fromLatin1(daemonVariable), QString::number(keyring.processId()));
        child.setProcessEnvironment(childEnvironment);
        child.start(QCoreApplication::applicationFilePath());
    }

    // What the child playing `role` printed.
    QString probe(const char* role)
    {
        QProcess child;
        start(child, role);
        // Only a guard against hanging: each keyring call is bounded by the store's deadline.
        if (!child.waitForFinished(60'000)) {
            child.kill();
            child.waitForFinished();
            return u"probe hung"_s;
        }
        if (child.exitStatus() != QProcess::NormalExit)
            return u"probe crashed"_s;
        return QString::fromUtf8(child.readAllStandardOutput()).trimmed();
    }
};

} // namespace

class TestKeyringFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keyringFailureIsReportedWithoutHanging_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("expected");
        const QString failed =
            u"load=credentialStorageFailed save=credentialStorageFailed remove=credentialStorageFailed"_s;
        QTest::newRow("keyring locked, no prompter") << u"locked"_s << failed;
        QTest::newRow("keyring gone between two calls") << u"vanish"_s << u"seeded=yes "_s + failed;
    }

    void keyringFailureIsReportedWithoutHanging()
    {
        QFETCH(QString, situation);
        QFETCH(QString, expected);
        PrivateSession session;
        QVERIFY2(session.startBus(), "dbus-daemon did not start");

        QVERIFY(session.startKeyring(true));
        if (situation == "locked"_L1) {
            QCOMPARE(session.probe("seed"), u"seeded=yes"_s);
            session.stopKeyring();
            // The login keyring now exists, and a daemon without the password keeps it locked.
            QVERIFY(session.startKeyring(false));
            QCOMPARE(session.probe("use"), expected);
        } else {
            QCOMPARE(session.probe("vanish"), expected);
        }
    }

    void unansweredKeyringHoldsOnlyClaude()
    {
        PrivateSession session;
        QVERIFY2(session.startBus(), "dbus-daemon did not start");
        QProcess silent;
        session.start(silent, "silent");
        QVERIFY(silent.waitForStarted(10'000));
        const auto stopSilent = qScopeGuard([&silent] {
            silent.kill();
            silent.waitForFinished(5000);
        });

        const QString output = session.probe("refresh");
        const QRegularExpressionMatch figures =
            QRegularExpression(
                u"^codex-shown-after-answer-ms=(-?\\d+) claude-signed-in=no claude-after-bound=yes$"_s)
                .match(output);
        QVERIFY2(silent.state() == QProcess::Running, "the silent keyring went away");
        QVERIFY2(figures.hasMatch(), qPrintable(output));
        const qint64 gap = figures.captured(1).toLongLong();
        QVERIFY2(gap >= 0 && gap < 2000, qPrintable(output));
    }
};

int main(int argc, char** argv)
{
    const QByteArray role = qgetenv(roleVariable);
    if (role == "silent")
        return runSilentSecrets(argc, argv);
    if (role == "refresh")
        return runRefresh(argc, argv);
    if (!role.isEmpty())
        return runProbe(argc, argv);
    QCoreApplication application(argc, argv);
    TestKeyringFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestKeyringFaults.moc"
