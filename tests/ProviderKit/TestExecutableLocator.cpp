#include "ChildScripts.h"

#include <ProviderKit/ExecutableLocator.h>

#include <QDir>
#include <QFile>
#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

class TestExecutableLocator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir.emplace();
        QVERIFY(m_dir->isValid());
    }

    void configuredComesFirstOnlyIfExecutable()
    {
        const QString configured = makeFile(u"configured/codex"_s);
        const QString candidate = makeFile(u"candidate/codex"_s);
        const QStringList candidates{m_dir->path(u"missing/codex"_s), candidate};
        // Found paths come back cleaned.
        const QString unclean = m_dir->path() + u"//configured/./codex"_s;
        QCOMPARE(ExecutableLocator::locate(u"codex"_s, unclean, candidates, {}), std::optional(configured));
        QVERIFY(QFile::setPermissions(configured, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(ExecutableLocator::locate(u"codex"_s, configured, candidates, {}), std::optional(candidate));
    }

    void searchPathSkipsEmptyDotAndRelativePieces()
    {
        const QString inBin = makeFile(u"bin/codex"_s);
        // The working directory holds an executable codex too; it must never be found through PATH.
        makeFile(u"codex"_s);
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        const EnvironmentMap environment{{u"PATH"_s, u"::.:bin:./:"_s + m_dir->path(u"bin"_s) + u":"_s}};
        const auto found = ExecutableLocator::locate(u"codex"_s, std::nullopt, {}, environment);
        QDir::setCurrent(previous);
        QCOMPARE(found, std::optional(inBin));
    }

    void onlyExecutableRegularFilesCount_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("found");
        QTest::newRow("executable file") << u"file"_s << true;
        QTest::newRow("file without x bit") << u"plain"_s << false;
        QTest::newRow("directory named codex") << u"directory"_s << false;
        QTest::newRow("link to executable") << u"link"_s << true;
        QTest::newRow("dangling link") << u"dangling"_s << false;
    }

    void onlyExecutableRegularFilesCount()
    {
        QFETCH(QString, kind);
        QFETCH(bool, found);
        const QString path = m_dir->path(u"bin/codex"_s);
        QVERIFY(QDir().mkpath(m_dir->path(u"bin"_s)));
        if (kind == u"file"_s || kind == u"plain"_s)
            makeFile(u"bin/codex"_s, kind == u"file"_s);
        else if (kind == u"directory"_s)
            QVERIFY(QDir().mkpath(path));
        else
            QVERIFY(
                QFile::link(kind == u"link"_s ? makeFile(u"real/codex"_s) : m_dir->path(u"nowhere"_s), path));

        const EnvironmentMap environment{{u"PATH"_s, m_dir->path(u"bin"_s)}};
        QCOMPARE(ExecutableLocator::locate(u"codex"_s, std::nullopt, {}, environment).has_value(), found);
        QCOMPARE(ExecutableLocator::locate(u"codex"_s, path, {}, {}).has_value(), found);
    }

    void nodeVersionsNewestFirst()
    {
        QCOMPARE(ExecutableLocator::nodeVersionCandidates(m_dir->path(), u"codex"_s), QStringList());
        const QString v22 = makeFile(u".nvm/versions/node/v22.1.0/bin/codex"_s);
        const QString v20 = makeFile(u".nvm/versions/node/v20.11.0/bin/codex"_s);
        const QString v18 = makeFile(u".nvm/versions/node/v18.20.0/bin/codex"_s);
        const QString v9 = makeFile(u".nvm/versions/node/v9.0.0/bin/codex"_s);
        makeFile(u".nvm/versions/node/v21.0.0/bin/node"_s);         // no codex
        makeFile(u".nvm/versions/node/v23.0.0/bin/codex"_s, false); // not executable
        makeFile(u".nvm/versions/node/v24.0.0"_s);                  // a file, not a directory
        makeFile(u".nvm/versions/node/.v25.0.0/bin/codex"_s);       // hidden
        QCOMPARE(ExecutableLocator::nodeVersionCandidates(m_dir->path(), u"codex"_s),
                 (QStringList{v22, v20, v18, v9}));

        // The newest node install wins over PATH.
        makeFile(u"bin/codex"_s);
        const EnvironmentMap environment{{u"PATH"_s, m_dir->path(u"bin"_s)}};
        QCOMPARE(ExecutableLocator::locateCodex(std::nullopt, environment, m_dir->path()),
                 std::optional(v22));
    }

    void codexFoundWhereLinuxUsersInstallIt_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("npmrc");
        QTest::addColumn<QString>("expected");
        QTest::newRow("~/.local/bin") << QStringList{u".local/bin"_s} << QString() << u".local/bin"_s;
        QTest::newRow("npm default user prefix")
            << QStringList{u".npm-global/bin"_s} << QString() << u".npm-global/bin"_s;
        QTest::newRow("npm prefix, absolute")
            << QStringList{u"npm/bin"_s} << u"prefix=@HOME@/npm\n"_s << u"npm/bin"_s;
        QTest::newRow("npm prefix, tilde and spaces")
            << QStringList{u"tools/bin"_s} << u"color=false\nprefix = ~/tools\n"_s << u"tools/bin"_s;
        QTest::newRow("npm prefix, quoted ${HOME}")
            << QStringList{u"q/bin"_s} << u"prefix=\"${HOME}/q\"\n"_s << u"q/bin"_s;
        QTest::newRow("npm prefix replaces the default")
            << QStringList{u".npm-global/bin"_s} << u"prefix=~/elsewhere\n"_s << QString();
        QTest::newRow("~/.local/bin before bun")
            << QStringList{u".bun/bin"_s, u".local/bin"_s} << QString() << u".local/bin"_s;
        QTest::newRow("npm before nvm before volta")
            << QStringList{u".volta/bin"_s, u".nvm/versions/node/v20.0.0/bin"_s, u".npm-global/bin"_s}
            << QString() << u".npm-global/bin"_s;
    }

    void codexFoundWhereLinuxUsersInstallIt()
    {
        QFETCH(QStringList, installed);
        QFETCH(QString, npmrc);
        QFETCH(QString, expected);
        for (const QString& directory : installed)
            makeFile(directory + u"/codex"_s);
        if (!npmrc.isEmpty()) {
            QFile file(m_dir->path(u".npmrc"_s));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(npmrc.replace(u"@HOME@"_s, m_dir->path()).toUtf8());
        }
        // What a session started from the desktop has; a system-wide codex would be found there.
        const EnvironmentMap desktopSession{{u"PATH"_s, u"/usr/bin:/bin"_s}};
        const auto found = ExecutableLocator::locateCodex(std::nullopt, desktopSession, m_dir->path());
        if (expected.isEmpty()) {
            QVERIFY(!found || !found->startsWith(m_dir->path()));
            return;
        }
        QCOMPARE(found, std::optional(m_dir->path(expected + u"/codex"_s)));
    }

private:
    QString makeFile(const QString& relativePath, bool executable = true)
    {
        return m_dir->write(relativePath, "exit 0\n", executable);
    }

    std::optional<ChildScripts> m_dir;
};

QTEST_GUILESS_MAIN(TestExecutableLocator)
#include "TestExecutableLocator.moc"
