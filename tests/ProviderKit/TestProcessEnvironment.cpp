#include <ProviderKit/ProcessEnvironment.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(tallyvane::EnvironmentMap)

namespace {
// Every system tool directory, so that none is appended whatever this machine has.
const QString systemDirectories = u"/home/linuxbrew/.linuxbrew/bin:/snap/bin:/usr/local/bin:/usr/bin"_s;
} // namespace

class TestProcessEnvironment : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sanitizedKeepsOnlyTheAllowList_data();
    void sanitizedKeepsOnlyTheAllowList();
    void forExecutablePutsItsDirectoryFirst_data();
    void forExecutablePutsItsDirectoryFirst();
    void forExecutableAddsTheUsersToolDirectories();
    void forExecutableDropsSecrets();
};

void TestProcessEnvironment::sanitizedKeepsOnlyTheAllowList_data()
{
    QTest::addColumn<EnvironmentMap>("parent");
    QTest::addColumn<EnvironmentMap>("expected");
    const QString defaultPath = u"/usr/local/bin:/usr/bin:/bin"_s;

    QTest::newRow("user dropped") << EnvironmentMap{{u"HOME"_s, u"/home/a"_s},
                                                    {u"USER"_s, u"a"_s},
                                                    {u"PATH"_s, u"/bin"_s},
                                                    {u"LC_ALL"_s, u"C"_s}}
                                  << EnvironmentMap{{u"HOME"_s, u"/home/a"_s},
                                                    {u"PATH"_s, u"/bin"_s},
                                                    {u"LC_ALL"_s, u"C"_s}};
    QTest::newRow("no path gets the default")
        << EnvironmentMap{{u"HOME"_s, u"/home/a"_s}}
        << EnvironmentMap{{u"HOME"_s, u"/home/a"_s}, {u"PATH"_s, defaultPath}};
    // Empty and relative entries mean the working directory.
    QTest::newRow("empty path gets the default")
        << EnvironmentMap{{u"PATH"_s, QString()}} << EnvironmentMap{{u"PATH"_s, defaultPath}};
    QTest::newRow("only absolute entries kept")
        << EnvironmentMap{{u"PATH"_s, u"::.:bin:/usr/bin:./x:/bin:"_s}}
        << EnvironmentMap{{u"PATH"_s, u"/usr/bin:/bin"_s}};
    QTest::newRow("all seven kept, secrets dropped") << EnvironmentMap{{u"HOME"_s, u"h"_s},
                                                                       {u"PATH"_s, u"/p"_s},
                                                                       {u"TMPDIR"_s, u"t"_s},
                                                                       {u"LANG"_s, u"l"_s},
                                                                       {u"LC_ALL"_s, u"a"_s},
                                                                       {u"LC_CTYPE"_s, u"c"_s},
                                                                       {u"CODEX_HOME"_s, u"/h/codex"_s},
                                                                       {u"OPENAI_API_KEY"_s, u"sk"_s},
                                                                       {u"path"_s, u"lower"_s},
                                                                       {u"LC_TIME"_s, u"x"_s}}
                                                     << EnvironmentMap{{u"HOME"_s, u"h"_s},
                                                                       {u"PATH"_s, u"/p"_s},
                                                                       {u"TMPDIR"_s, u"t"_s},
                                                                       {u"LANG"_s, u"l"_s},
                                                                       {u"LC_ALL"_s, u"a"_s},
                                                                       {u"LC_CTYPE"_s, u"c"_s},
                                                                       {u"CODEX_HOME"_s, u"/h/codex"_s}};
}

void TestProcessEnvironment::sanitizedKeepsOnlyTheAllowList()
{
    QFETCH(EnvironmentMap, parent);
    QFETCH(EnvironmentMap, expected);
    QCOMPARE(ProcessEnvironment::sanitized(parent), expected);
}

void TestProcessEnvironment::forExecutablePutsItsDirectoryFirst_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("inheritedPath");
    QTest::addColumn<QString>("expectedPath");

    QTest::newRow("already listed") << u"/usr/bin/codex"_s << systemDirectories << systemDirectories;
    QTest::newRow("node version directory")
        << u"/home/a/.nvm/versions/node/v22.1.0/bin/codex"_s << systemDirectories
        << u"/home/a/.nvm/versions/node/v22.1.0/bin:"_s + systemDirectories;
    QTest::newRow("empty and relative entries dropped")
        << u"/opt/x/codex"_s << u"::.:"_s + systemDirectories + u":bin:"_s
        << u"/opt/x:"_s + systemDirectories;
    QTest::newRow("prefix is not a match")
        << u"/usr/bin/x/codex"_s << systemDirectories << u"/usr/bin/x:"_s + systemDirectories;
    QTest::newRow("root directory") << u"/codex"_s << systemDirectories << u"/:"_s + systemDirectories;
}

void TestProcessEnvironment::forExecutablePutsItsDirectoryFirst()
{
    QFETCH(QString, executable);
    QFETCH(QString, inheritedPath);
    QFETCH(QString, expectedPath);
    const EnvironmentMap application{{u"PATH"_s, inheritedPath}};
    QCOMPARE(ProcessEnvironment::forExecutable(executable, application, u"/nonexistent"_s).value(u"PATH"_s),
             expectedPath);
}

void TestProcessEnvironment::forExecutableAddsTheUsersToolDirectories()
{
    // A desktop session's PATH: the child still finds node and friends where the user put them.
    QTemporaryDir home;
    QVERIFY(home.isValid());
    for (const QString& directory : {u".local/bin"_s, u".bun/bin"_s, u".nvm/versions/node/v20.1.0/bin"_s})
        QVERIFY(QDir(home.path()).mkpath(directory));
    const EnvironmentMap application{{u"PATH"_s, systemDirectories + u":/bin"_s}};
    const QString path =
        ProcessEnvironment::forExecutable(home.filePath(u".local/bin/codex"_s), application, home.path())
            .value(u"PATH"_s);
    // Only directories that exist, each once, after what was inherited.
    QCOMPARE(path, home.filePath(u".local/bin"_s) + u':' + systemDirectories + u":/bin:"_s +
                       home.filePath(u".nvm/versions/node/v20.1.0/bin"_s) + u':' +
                       home.filePath(u".bun/bin"_s));
}

void TestProcessEnvironment::forExecutableDropsSecrets()
{
    const EnvironmentMap application{
        {u"HOME"_s, u"/home/a"_s}, {u"ANTHROPIC_API_KEY"_s, u"secret"_s}, {u"PATH"_s, systemDirectories}};
    const EnvironmentMap expected{{u"HOME"_s, u"/home/a"_s}, {u"PATH"_s, u"/opt/x:"_s + systemDirectories}};
    QCOMPARE(ProcessEnvironment::forExecutable(u"/opt/x/codex"_s, application, u"/nonexistent"_s), expected);
}

QTEST_GUILESS_MAIN(TestProcessEnvironment)
#include "TestProcessEnvironment.moc"
