#include <Platform/XdgAutostartEntry.h>
#include <TallyvaneUI/LoginItemController.h>

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

// Installs this build into a scratch prefix and checks what a desktop sees there: an entry
// that starts the installed program, and launch at login that starts the same one.
class TestInstalledApplication : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_prefix.isValid());
        QProcess install;
        install.start(QStringLiteral(TALLYVANE_CMAKE),
                      {u"--install"_s, QStringLiteral(TALLYVANE_BUILD_DIR), u"--prefix"_s, m_prefix.path()});
        QVERIFY(install.waitForFinished(60'000));
        QCOMPARE(install.exitCode(), 0);
    }

    // Answered without a display: a terminal on a server, or a package's post-install check.
    void commandLineNeedsNoDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed");
        QTest::newRow("version") << QStringList{u"--version"_s} << 0 << u"Tallyvane " TALLYVANE_VERSION ""_s;
        QTest::newRow("short version") << QStringList{u"-v"_s} << 0 << u"Tallyvane " TALLYVANE_VERSION ""_s;
        QTest::newRow("help") << QStringList{u"--help"_s} << 0 << u"-v, --version"_s;
        QTest::newRow("unknown option") << QStringList{u"--frobnicate"_s} << 1 << u"'frobnicate'"_s;
        QTest::newRow("stray argument") << QStringList{u"extra"_s} << 1 << u"Usage:"_s;
    }

    void commandLineNeedsNoDisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, printed);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(name);
        program.setProcessEnvironment(environment);
        program.start(m_prefix.filePath(u"bin/tallyvane"_s), arguments);
        QVERIFY(program.waitForFinished(20'000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString output =
            QString::fromLocal8Bit(program.readAllStandardOutput() + program.readAllStandardError());
        QVERIFY2(output.contains(printed), qPrintable(output));
    }

    void installedEntryLaunchesAndStartsAtLogin()
    {
        const QTemporaryDir& prefix = m_prefix;
        QTemporaryDir config;

        const QString program = prefix.filePath(u"bin/tallyvane"_s);
        QVERIFY(QFileInfo(program).isExecutable());
        QVERIFY(QFileInfo(prefix.filePath(u"bin/tallyvane-widget"_s)).isExecutable());
        QVERIFY(QFileInfo::exists(
            prefix.filePath(u"share/icons/hicolor/scalable/apps/app.tallyvane.Tallyvane.svg"_s)));
        QVERIFY(QFileInfo::exists(prefix.filePath(u"share/metainfo/app.tallyvane.Tallyvane.metainfo.xml"_s)));

        qputenv("XDG_DATA_DIRS", prefix.filePath(u"share"_s).toLocal8Bit());
        qputenv("XDG_DATA_HOME", config.filePath(u"data"_s).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QCOMPARE(XdgAutostartEntry::installedCommand(), program);

        LoginItemController loginItem;
        loginItem.setEnabled(true);
        QVERIFY(loginItem.isOn());
        const QSettings entry(XdgAutostartEntry::entryPath(), QSettings::IniFormat);
        QCOMPARE(entry.value(u"Desktop Entry/Exec"_s).toString(), program);
    }

private:
    QTemporaryDir m_prefix;
};

QTEST_GUILESS_MAIN(TestInstalledApplication)
#include "TestInstalledApplication.moc"
