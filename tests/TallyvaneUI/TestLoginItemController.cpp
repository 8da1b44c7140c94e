#include <TallyvaneUI/LoginItemController.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

using State = LoginItemController::State;

namespace {
const QByteArray installedEntry =
    "[Desktop Entry]\nType=Application\nName=Tallyvane\nExec=/usr/bin/tallyvane %U\n"
    "\n[Desktop Action Dashboard]\nExec=/usr/bin/tallyvane --dashboard\n";
const QByteArray autostartEntry = "[Desktop Entry]\nType=Application\nExec=/usr/bin/tallyvane\n";
} // namespace

class TestLoginItemController : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath(u"config"_s)));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath(u"data"_s)));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_dir->filePath(u"system"_s)));
    }

    void cleanup()
    {
        QFile::setPermissions(m_dir->filePath(u"config/autostart"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void state_data()
    {
        QTest::addColumn<QByteArray>("installed"); // empty: not installed
        QTest::addColumn<QByteArray>("entry");     // empty: no autostart entry
        QTest::addColumn<State>("expected");
        QTest::addColumn<bool>("isOn");
        const auto row = [](const char* name, const QByteArray& installed, const QByteArray& entry,
                            State state) {
            QTest::newRow(name) << installed << entry << state << (state == State::enabled);
        };

        row("not installed", ""_ba, ""_ba, State::unavailable);
        row("not installed, stale entry", ""_ba, autostartEntry, State::unavailable);
        row("installed without Exec", "[Desktop Entry]\nName=Tallyvane\n"_ba, ""_ba, State::unavailable);
        row("no entry", installedEntry, ""_ba, State::disabled);
        row("entry", installedEntry, autostartEntry, State::enabled);
        row("Hidden=true", installedEntry, autostartEntry + "Hidden=true\n", State::disabled);
        row("Hidden=false", installedEntry, autostartEntry + "Hidden=false\n", State::enabled);
        row("Hidden in another group", installedEntry, autostartEntry + "[Other]\nHidden=true\n",
            State::enabled);
        row("switched off for GNOME", installedEntry, autostartEntry + "X-GNOME-Autostart-enabled=false\n",
            State::disabled);
    }

    void state()
    {
        QFETCH(QByteArray, installed);
        QFETCH(QByteArray, entry);
        QFETCH(State, expected);
        QFETCH(bool, isOn);

        if (!installed.isEmpty())
            install(installed);
        if (!entry.isEmpty())
            writeEntry(entry);
        LoginItemController controller;
        QCOMPARE(controller.state(), expected);
        QCOMPARE(controller.isOn(), isOn);
        QCOMPARE(controller.message(),
                 expected == State::unavailable
                     ? std::optional(u"Launch at login needs the installed application."_s)
                     : std::nullopt);
    }

    void turningOnAndOff_data()
    {
        QTest::addColumn<QByteArray>("exec");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char* name, const QByteArray& exec, const QByteArray& expected) {
            QTest::newRow(name) << exec << expected;
        };

        row("field code dropped", "/usr/bin/tallyvane %U"_ba, "/usr/bin/tallyvane"_ba);
        row("quoted path kept", R"("/opt/Tally Vane/bin/tallyvane" --hidden %f)"_ba,
            R"("/opt/Tally Vane/bin/tallyvane" --hidden)"_ba);
        row("escaped percent kept", "env LABEL=%%U tallyvane"_ba, "env LABEL=%%U tallyvane"_ba);
    }

    void turningOnAndOff()
    {
        QFETCH(QByteArray, exec);
        QFETCH(QByteArray, expected);

        install("[Desktop Entry]\nType=Application\nExec=" + exec + "\n");
        writeEntry(autostartEntry + "Hidden=true\n"); // left by the desktop's own settings
        LoginItemController controller;
        QCOMPARE(controller.state(), State::disabled);
        QSignalSpy stateChanges(&controller, &LoginItemController::stateChanged);

        controller.setEnabled(true);
        QCOMPARE(controller.state(), State::enabled);
        QCOMPARE(controller.failure(), std::nullopt);
        QCOMPARE(stateChanges.size(), 1);
        const QList<QByteArray> lines = entryContents().split('\n');
        QVERIFY2(lines.contains("Exec=" + expected), entryContents().constData());
        QVERIFY(lines.contains("Type=Application"));
        QVERIFY(!entryContents().contains("Hidden"));

        controller.setEnabled(false);
        QVERIFY(!QFile::exists(entryPath()));
        QCOMPARE(controller.state(), State::disabled);
        controller.setEnabled(false); // nothing left to remove is no failure
        QCOMPARE(controller.message(), std::nullopt);
    }

    void turningOnWithoutInstallationFails()
    {
        LoginItemController controller;
        controller.setEnabled(true);
        QCOMPARE(controller.state(), State::unavailable);
        QCOMPARE(controller.failure(), u"Launch at login needs the installed application."_s);
        QVERIFY(!QFile::exists(entryPath()));
    }

    void failedChangeThenSuccessClearsTheMessage()
    {
        install(installedEntry);
        // A plain file where the autostart directory belongs blocks the write, even for root.
        QFile blocker(m_dir->filePath(u"config/autostart"_s));
        QDir().mkpath(m_dir->filePath(u"config"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        LoginItemController controller;
        QSignalSpy messages(&controller, &LoginItemController::messageChanged);
        controller.setEnabled(true);
        QCOMPARE(controller.state(), State::disabled);
        QCOMPARE(controller.isOn(), false);
        QCOMPARE(controller.message(), u"The autostart entry could not be written."_s);
        QCOMPARE(messages.size(), 1);

        QVERIFY(blocker.remove());
        controller.setEnabled(true);
        QCOMPARE(controller.state(), State::enabled);
        QCOMPARE(controller.message(), std::nullopt);
        QCOMPARE(messages.size(), 2);
    }

    void readOnlyAutostartDirectory()
    {
        if (geteuid() == 0)
            QSKIP("root writes into read-only directories");
        install(installedEntry);
        writeEntry(autostartEntry);
        QVERIFY(QFile::setPermissions(m_dir->filePath(u"config/autostart"_s),
                                      QFile::ReadOwner | QFile::ExeOwner));

        LoginItemController controller;
        QCOMPARE(controller.state(), State::enabled);
        controller.setEnabled(false);
        QCOMPARE(controller.state(), State::enabled);
        QCOMPARE(controller.message(), u"The autostart entry could not be removed."_s);
        QVERIFY(QFile::exists(entryPath()));

        controller.setEnabled(true); // replacing needs the directory too
        QCOMPARE(controller.state(), State::enabled);
        QCOMPARE(controller.message(), u"The autostart entry could not be written."_s);
    }

    void messages_data()
    {
        QTest::addColumn<State>("state");
        QTest::addColumn<std::optional<QString>>("failure");
        QTest::addColumn<std::optional<QString>>("expected");
        const auto row = [](const char* name, State state, const std::optional<QString>& failure,
                            const std::optional<QString>& expected) {
            QTest::newRow(name) << state << failure << expected;
        };

        const std::optional<QString> none;
        const std::optional<QString> failure = u"The autostart entry could not be written."_s;
        const std::optional<QString> approve =
            u"Approve Tallyvane in System Settings to finish enabling this."_s;

        row("awaiting approval", State::awaitingApproval, none, approve);
        row("awaiting approval, failure", State::awaitingApproval, failure, approve);
        row("unavailable, pending failure", State::unavailable, failure, failure);
        row("disabled, failure", State::disabled, failure, failure);
    }

    void messages()
    {
        QFETCH(State, state);
        QFETCH(std::optional<QString>, failure);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(LoginItemController::messageFor(state, failure), expected);
    }

private:
    QString entryPath() const
    {
        return m_dir->filePath(u"config/autostart/app.tallyvane.Tallyvane.desktop"_s);
    }
    void install(const QByteArray& desktopEntry) const
    {
        // Installed system-wide, as a package would.
        QDir().mkpath(m_dir->filePath(u"system/applications"_s));
        QFile file(m_dir->filePath(u"system/applications/app.tallyvane.Tallyvane.desktop"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(desktopEntry);
    }

    void writeEntry(const QByteArray& contents) const
    {
        QDir().mkpath(m_dir->filePath(u"config/autostart"_s));
        QFile file(entryPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    QByteArray entryContents() const
    {
        QFile file(entryPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestLoginItemController)
#include "TestLoginItemController.moc"
