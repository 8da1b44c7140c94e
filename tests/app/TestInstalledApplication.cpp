#include <Platform/XdgAutostartEntry.h>
#include <TallyvaneUI/LoginItemController.h>

#include <QFileInfo>
#include <QProcess>
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
    void installedEntryLaunchesAndStartsAtLogin()
    {
        QTemporaryDir prefix;
        QTemporaryDir config;
        QProcess install;
        install.start(QStringLiteral(TALLYVANE_CMAKE),
                      {u"--install"_s, QStringLiteral(TALLYVANE_BUILD_DIR), u"--prefix"_s, prefix.path()});
        QVERIFY(install.waitForFinished(60'000));
        QCOMPARE(install.exitCode(), 0);

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
};

QTEST_GUILESS_MAIN(TestInstalledApplication)
#include "TestInstalledApplication.moc"
