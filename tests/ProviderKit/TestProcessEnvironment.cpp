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

// "NAME=value NAME=value", split at spaces and the first '='.
EnvironmentMap environment(const QString& text)
{
    EnvironmentMap map;
    for (const QString& entry : text.split(u' ', Qt::SkipEmptyParts))
        map.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    return map;
}
} // namespace

class TestProcessEnvironment : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sanitizedKeepsOnlyTheAllowList_data()
    {
        QTest::addColumn<EnvironmentMap>("parent");
        QTest::addColumn<EnvironmentMap>("expected");
        const QString defaultPath = u"/usr/local/bin:/usr/bin:/bin"_s;

        QTest::newRow("user and secrets dropped, all seven kept")
            << environment(u"HOME=h USER=a PATH=/p TMPDIR=t LANG=l LC_ALL=a LC_CTYPE=c CODEX_HOME=/h/codex "
                           u"OPENAI_API_KEY=sk path=lower LC_TIME=x"_s)
            << environment(u"HOME=h PATH=/p TMPDIR=t LANG=l LC_ALL=a LC_CTYPE=c CODEX_HOME=/h/codex"_s);
        QTest::newRow("no path gets the default")
            << environment(u"HOME=h"_s) << environment(u"HOME=h PATH="_s + defaultPath);
        // Empty and relative entries mean the working directory.
        QTest::newRow("empty path gets the default")
            << environment(u"PATH="_s) << environment(u"PATH="_s + defaultPath);
        QTest::newRow("only absolute entries kept")
            << environment(u"PATH=::.:bin:/usr/bin:./x:/bin:"_s) << environment(u"PATH=/usr/bin:/bin"_s);
    }

    void sanitizedKeepsOnlyTheAllowList()
    {
        QFETCH(EnvironmentMap, parent);
        QFETCH(EnvironmentMap, expected);
        QCOMPARE(ProcessEnvironment::sanitized(parent), expected);
    }

    void forExecutablePutsItsDirectoryFirst_data()
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

    void forExecutablePutsItsDirectoryFirst()
    {
        QFETCH(QString, executable);
        QFETCH(QString, inheritedPath);
        QFETCH(QString, expectedPath);
        const EnvironmentMap application{{u"PATH"_s, inheritedPath}};
        QCOMPARE(
            ProcessEnvironment::forExecutable(executable, application, u"/nonexistent"_s).value(u"PATH"_s),
            expectedPath);
    }

    void forExecutableAddsTheUsersToolDirectories()
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

    void forExecutableDropsSecrets()
    {
        const EnvironmentMap application =
            environment(u"HOME=/home/a ANTHROPIC_API_KEY=secret PATH="_s + systemDirectories);
        const EnvironmentMap expected = environment(u"HOME=/home/a PATH=/opt/x:"_s + systemDirectories);
        QCOMPARE(ProcessEnvironment::forExecutable(u"/opt/x/codex"_s, application, u"/nonexistent"_s),
                 expected);
    }
};

QTEST_GUILESS_MAIN(TestProcessEnvironment)
#include "TestProcessEnvironment.moc"
