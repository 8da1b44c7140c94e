#include <ProviderKit/ProcessEnvironment.h>

#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(tallyvane::EnvironmentMap)

class TestProcessEnvironment : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sanitizedKeepsOnlyTheAllowList_data();
    void sanitizedKeepsOnlyTheAllowList();
    void forExecutablePutsItsDirectoryFirst_data();
    void forExecutablePutsItsDirectoryFirst();
    void forExecutableDropsSecrets();
};

void TestProcessEnvironment::sanitizedKeepsOnlyTheAllowList_data()
{
    QTest::addColumn<EnvironmentMap>("parent");
    QTest::addColumn<EnvironmentMap>("expected");
    const QString defaultPath = u"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin"_s;

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
    QTest::newRow("empty path kept") << EnvironmentMap{{u"PATH"_s, QString()}}
                                     << EnvironmentMap{{u"PATH"_s, QString()}};
    QTest::newRow("all six kept, secrets dropped")
        << EnvironmentMap{{u"HOME"_s, u"h"_s},
                          {u"PATH"_s, u"p"_s},
                          {u"TMPDIR"_s, u"t"_s},
                          {u"LANG"_s, u"l"_s},
                          {u"LC_ALL"_s, u"a"_s},
                          {u"LC_CTYPE"_s, u"c"_s},
                          {u"OPENAI_API_KEY"_s, u"sk"_s},
                          {u"path"_s, u"lower"_s},
                          {u"LC_TIME"_s, u"x"_s}}
        << EnvironmentMap{{u"HOME"_s, u"h"_s}, {u"PATH"_s, u"p"_s},   {u"TMPDIR"_s, u"t"_s},
                          {u"LANG"_s, u"l"_s}, {u"LC_ALL"_s, u"a"_s}, {u"LC_CTYPE"_s, u"c"_s}};
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
    QTest::addColumn<EnvironmentMap>("application");
    QTest::addColumn<QString>("expectedPath");

    QTest::newRow("already listed") << u"/opt/homebrew/bin/codex"_s
                                    << EnvironmentMap{{u"PATH"_s, u"/usr/bin:/opt/homebrew/bin"_s}}
                                    << u"/usr/bin:/opt/homebrew/bin"_s;
    QTest::newRow("node version directory") << u"/home/a/.nvm/versions/node/v22.1.0/bin/codex"_s
                                            << EnvironmentMap{{u"PATH"_s, u"/usr/bin:/bin"_s}}
                                            << u"/home/a/.nvm/versions/node/v22.1.0/bin:/usr/bin:/bin"_s;
    QTest::newRow("empty path") << u"/opt/x/codex"_s << EnvironmentMap{{u"PATH"_s, QString()}}
                                << u"/opt/x:"_s;
    QTest::newRow("missing path uses the default")
        << u"/opt/x/codex"_s << EnvironmentMap{}
        << u"/opt/x:/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin"_s;
    QTest::newRow("default already lists it")
        << u"/usr/bin/codex"_s << EnvironmentMap{} << u"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin"_s;
    QTest::newRow("unsplit value kept")
        << u"/opt/x/codex"_s << EnvironmentMap{{u"PATH"_s, u"::/bin:"_s}} << u"/opt/x:::/bin:"_s;
    QTest::newRow("prefix is not a match")
        << u"/usr/bin/codex"_s << EnvironmentMap{{u"PATH"_s, u"/usr/bin/x"_s}} << u"/usr/bin:/usr/bin/x"_s;
    QTest::newRow("root directory") << u"/codex"_s << EnvironmentMap{{u"PATH"_s, u"/bin"_s}} << u"/:/bin"_s;
}

void TestProcessEnvironment::forExecutablePutsItsDirectoryFirst()
{
    QFETCH(QString, executable);
    QFETCH(EnvironmentMap, application);
    QFETCH(QString, expectedPath);
    QCOMPARE(ProcessEnvironment::forExecutable(executable, application).value(u"PATH"_s), expectedPath);
}

void TestProcessEnvironment::forExecutableDropsSecrets()
{
    const EnvironmentMap application{
        {u"HOME"_s, u"/home/a"_s}, {u"ANTHROPIC_API_KEY"_s, u"secret"_s}, {u"PATH"_s, u"/bin"_s}};
    const EnvironmentMap expected{{u"HOME"_s, u"/home/a"_s}, {u"PATH"_s, u"/opt/x:/bin"_s}};
    QCOMPARE(ProcessEnvironment::forExecutable(u"/opt/x/codex"_s, application), expected);
}

QTEST_GUILESS_MAIN(TestProcessEnvironment)
#include "TestProcessEnvironment.moc"
