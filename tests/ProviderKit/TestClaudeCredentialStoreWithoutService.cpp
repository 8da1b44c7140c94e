#include "CredentialStoreOutcomes.h"
#include "PrivateSessionBus.h"

#include <QLocalServer>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

// Set in the child that does the storing, so the parent can give it an environment of its own;
// the value is the store's deadline in milliseconds.
constexpr auto probeVariable = "TALLYVANE_CREDENTIAL_STORE_PROBE";

// Runs the three operations and prints how each ended, one line.
int runProbe(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ClaudeCredentialStore store(u"app.tallyvane.test.unreachable"_s, u"primary"_s,
                                std::chrono::milliseconds(qEnvironmentVariableIntValue(probeVariable)));
    std::printf("%s\n", qPrintable(credentialStoreOutcomes(store)));
    return 0;
}

} // namespace

class TestClaudeCredentialStoreWithoutService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyOperationFails_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("deadline");

        QTest::newRow("no session bus at all")
            << u"none"_s << int(ClaudeCredentialStore::defaultDeadline.count());
        // Known from the bus at once: a deadline this long would otherwise outlast the test's guard.
        QTest::newRow("session bus without a keyring") << u"empty"_s << 600'000;
        // Only the deadline ends these operations; a short one keeps the test quick.
        QTest::newRow("bus that never answers") << u"silent"_s << 1000;
        // libsecret answers through the GLib main loop; without it no job ever finishes.
        QTest::newRow("event loop without GLib") << u"no-glib"_s << 1000;
    }

    void everyOperationFails()
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

        // Listens but is never served: connecting succeeds, and then nothing ever answers.
        QLocalServer silentBus;
        QProcess emptyBus;
        const auto stopBus = qScopeGuard([&] {
            emptyBus.terminate();
            emptyBus.waitForFinished(5'000);
        });
        if (situation == "none"_L1) {
            environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        } else if (situation == "silent"_L1) {
            QVERIFY(silentBus.listen(runtime.filePath(u"silent-bus"_s)));
            environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + silentBus.fullServerName());
        } else {
            if (situation == "no-glib"_L1)
                environment.insert(u"QT_NO_GLIB"_s, u"1"_s);
            // Nothing is on this bus. Only one that delivers its own replies is a working one.
            const QString address = startPrivateSessionBus(
                emptyBus, runtime.path(),
                situation == "empty"_L1 ? "<allow receive_sender=\"*\"/>"_ba : QByteArray());
            QVERIFY2(!address.isEmpty(), "dbus-daemon did not start");
            environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, address);
        }

        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(QCoreApplication::applicationFilePath());
        // Only a guard against hanging: three operations, each bounded by the store's deadline.
        if (!probe.waitForFinished(std::min(3 * deadline + 20'000, 60'000))) {
            probe.kill();
            probe.waitForFinished();
            QFAIL("the store did not finish");
        }
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(
            QString::fromUtf8(probe.readAllStandardOutput()).trimmed(),
            u"load=credentialStorageFailed save=credentialStorageFailed remove=credentialStorageFailed"_s);
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(probeVariable))
        return runProbe(argc, argv);
    QCoreApplication application(argc, argv);
    TestClaudeCredentialStoreWithoutService test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestClaudeCredentialStoreWithoutService.moc"
