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
    void configuredNotExecutableFallsThrough();
    void configuredWinsOverCandidates();
    void searchPathSkipsEmptyDotAndRelativePieces();
    void onlyExecutableRegularFilesCount_data();
    void onlyExecutableRegularFilesCount();
    void nodeVersionsNewestFirst();
    void nodeVersionsMissingDirectoryIsEmpty();
    void codexLookupPrefersNodeVersionsOverPath();

private:
    QString makeFile(const QString& relativePath, bool executable);
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
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    file.setPermissions(permissions);
    return path;
}

void TestExecutableLocator::configuredNotExecutableFallsThrough()
{
    const QString configured = makeFile(u"configured/codex"_s, false);
    const QString candidate = makeFile(u"candidate/codex"_s, true);
    const auto found = ExecutableLocator::locate(u"codex"_s, configured,
                                                 {m_dir->filePath(u"missing/codex"_s), candidate}, {});
    QCOMPARE(found, std::optional<QString>(candidate));
}

void TestExecutableLocator::configuredWinsOverCandidates()
{
    const QString configured = makeFile(u"configured/codex"_s, true);
    const QString candidate = makeFile(u"candidate/codex"_s, true);
    // Found paths come back cleaned.
    const QString unclean = m_dir->path() + u"//configured/./codex"_s;
    QCOMPARE(ExecutableLocator::locate(u"codex"_s, unclean, {candidate}, {}),
             std::optional<QString>(configured));
}

void TestExecutableLocator::searchPathSkipsEmptyDotAndRelativePieces()
{
    const QString inBin = makeFile(u"bin/codex"_s, true);
    makeFile(u"codex"_s, true);
    // The working directory holds an executable codex too; it must never be found through PATH.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const EnvironmentMap environment{{u"PATH"_s, u"::.:bin:./:"_s + m_dir->filePath(u"bin"_s) + u":"_s}};
    const auto found = ExecutableLocator::locate(u"codex"_s, std::nullopt, {}, environment);
    QDir::setCurrent(previous);
    QCOMPARE(found, std::optional<QString>(inBin));

    const EnvironmentMap onlyDots{{u"PATH"_s, u"::.:"_s}};
    QDir::setCurrent(m_dir->path());
    const auto none = ExecutableLocator::locate(u"codex"_s, std::nullopt, {}, onlyDots);
    QDir::setCurrent(previous);
    QVERIFY(!none);
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
    if (kind == u"file"_s)
        makeFile(u"bin/codex"_s, true);
    else if (kind == u"plain"_s)
        makeFile(u"bin/codex"_s, false);
    else if (kind == u"directory"_s)
        QVERIFY(QDir().mkpath(path));
    else if (kind == u"link"_s)
        QVERIFY(QFile::link(makeFile(u"real/codex"_s, true), path));
    else
        QVERIFY(QFile::link(m_dir->filePath(u"nowhere"_s), path));

    const EnvironmentMap environment{{u"PATH"_s, m_dir->filePath(u"bin"_s)}};
    QCOMPARE(ExecutableLocator::locate(u"codex"_s, std::nullopt, {}, environment).has_value(), found);
    QCOMPARE(ExecutableLocator::locate(u"codex"_s, path, {}, {}).has_value(), found);
}

void TestExecutableLocator::nodeVersionsNewestFirst()
{
    const QString v22 = makeFile(u".nvm/versions/node/v22.1.0/bin/codex"_s, true);
    const QString v20 = makeFile(u".nvm/versions/node/v20.11.0/bin/codex"_s, true);
    const QString v18 = makeFile(u".nvm/versions/node/v18.20.0/bin/codex"_s, true);
    const QString v9 = makeFile(u".nvm/versions/node/v9.0.0/bin/codex"_s, true);
    makeFile(u".nvm/versions/node/v21.0.0/bin/node"_s, true);   // no codex
    makeFile(u".nvm/versions/node/v23.0.0/bin/codex"_s, false); // not executable
    makeFile(u".nvm/versions/node/v24.0.0"_s, true);            // a file, not a directory
    makeFile(u".nvm/versions/node/.v25.0.0/bin/codex"_s, true); // hidden
    QCOMPARE(ExecutableLocator::nodeVersionCandidates(m_dir->path(), u"codex"_s),
             (QStringList{v22, v20, v18, v9}));
}

void TestExecutableLocator::nodeVersionsMissingDirectoryIsEmpty()
{
    QCOMPARE(ExecutableLocator::nodeVersionCandidates(m_dir->path(), u"codex"_s), QStringList());
}

void TestExecutableLocator::codexLookupPrefersNodeVersionsOverPath()
{
    if (QFile::exists(u"/opt/homebrew/bin/codex"_s) || QFile::exists(u"/usr/local/bin/codex"_s))
        QSKIP("a system-wide codex would be found first");
    const QString inPath = makeFile(u"bin/codex"_s, true);
    const QString node = makeFile(u".nvm/versions/node/v20.11.0/bin/codex"_s, true);
    const EnvironmentMap environment{{u"PATH"_s, m_dir->filePath(u"bin"_s)}};
    QCOMPARE(ExecutableLocator::locateCodex(std::nullopt, environment, m_dir->path()),
             std::optional<QString>(node));
    QFile::remove(node);
    QCOMPARE(ExecutableLocator::locateCodex(std::nullopt, environment, m_dir->path()),
             std::optional<QString>(inPath));
}

QTEST_GUILESS_MAIN(TestExecutableLocator)
#include "TestExecutableLocator.moc"
