#include <ProviderKit/ExecutableLocator.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

class TestExecutableLocator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void configuredComesFirstOnlyIfExecutable();
    void searchPathSkipsEmptyDotAndRelativePieces();
    void onlyExecutableRegularFilesCount_data();
    void onlyExecutableRegularFilesCount();
    void nodeVersionsNewestFirst();

private:
    QString makeFile(const QString& relativePath, bool executable = true);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestExecutableLocator::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestExecutableLocator::makeFile(const QString& relativePath, bool executable)
{
    const QString path = m_dir->filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner |
                        (executable ? QFile::ExeOwner : QFile::Permission{}));
    return path;
}

void TestExecutableLocator::configuredComesFirstOnlyIfExecutable()
{
    const QString configured = makeFile(u"configured/codex"_s);
    const QString candidate = makeFile(u"candidate/codex"_s);
    const QStringList candidates{m_dir->filePath(u"missing/codex"_s), candidate};
    // Found paths come back cleaned.
    const QString unclean = m_dir->path() + u"//configured/./codex"_s;
    QCOMPARE(ExecutableLocator::locate(u"codex"_s, unclean, candidates, {}), std::optional(configured));
    QVERIFY(QFile::setPermissions(configured, QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(ExecutableLocator::locate(u"codex"_s, configured, candidates, {}), std::optional(candidate));
}

void TestExecutableLocator::searchPathSkipsEmptyDotAndRelativePieces()
{
    const QString inBin = makeFile(u"bin/codex"_s);
    // The working directory holds an executable codex too; it must never be found through PATH.
    makeFile(u"codex"_s);
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const EnvironmentMap environment{{u"PATH"_s, u"::.:bin:./:"_s + m_dir->filePath(u"bin"_s) + u":"_s}};
    const auto found = ExecutableLocator::locate(u"codex"_s, std::nullopt, {}, environment);
    QDir::setCurrent(previous);
    QCOMPARE(found, std::optional(inBin));
}

void TestExecutableLocator::onlyExecutableRegularFilesCount_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("found");
    QTest::newRow("executable file") << u"file"_s << true;
    QTest::newRow("file without x bit") << u"plain"_s << false;
    QTest::newRow("directory named codex") << u"directory"_s << false;
    QTest::newRow("link to executable") << u"link"_s << true;
    QTest::newRow("dangling link") << u"dangling"_s << false;
}

void TestExecutableLocator::onlyExecutableRegularFilesCount()
{
    QFETCH(QString, kind);
    QFETCH(bool, found);
    const QString path = m_dir->filePath(u"bin/codex"_s);
    QVERIFY(QDir().mkpath(m_dir->filePath(u"bin"_s)));
    if (kind == u"file"_s || kind == u"plain"_s)
        makeFile(u"bin/codex"_s, kind == u"file"_s);
    else if (kind == u"directory"_s)
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(
            QFile::link(kind == u"link"_s ? makeFile(u"real/codex"_s) : m_dir->filePath(u"nowhere"_s), path));

    const EnvironmentMap environment{{u"PATH"_s, m_dir->filePath(u"bin"_s)}};
    QCOMPARE(ExecutableLocator::locate(u"codex"_s, std::nullopt, {}, environment).has_value(), found);
    QCOMPARE(ExecutableLocator::locate(u"codex"_s, path, {}, {}).has_value(), found);
}

void TestExecutableLocator::nodeVersionsNewestFirst()
{
    if (QFile::exists(u"/opt/homebrew/bin/codex"_s) || QFile::exists(u"/usr/local/bin/codex"_s))
        QSKIP("a system-wide codex would be found first");
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

    // The newest node install wins over PATH; without one, PATH is searched.
    const QString inPath = makeFile(u"bin/codex"_s);
    const EnvironmentMap environment{{u"PATH"_s, m_dir->filePath(u"bin"_s)}};
    QCOMPARE(ExecutableLocator::locateCodex(std::nullopt, environment, m_dir->path()), std::optional(v22));
    QCOMPARE(ExecutableLocator::locateCodex(std::nullopt, environment, m_dir->filePath(u"nohome"_s)),
             std::optional(inPath));
}

QTEST_GUILESS_MAIN(TestExecutableLocator)
#include "TestExecutableLocator.moc"
