#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/PreferencesAuthorizationFlags.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

enum class Reader {
    iconsOnly,
    showCodex,
    showClaude,
    threshold75,
    percentageMode,
    activeInterval,
    idleInterval,
    providerOrder,
    authorizedCodex
};

QVariant read(const Preferences& preferences, Reader reader)
{
    switch (reader) {
    case Reader::iconsOnly:
        return preferences.iconsOnly();
    case Reader::showCodex:
        return preferences.showService(ProviderService::codex);
    case Reader::showClaude:
        return preferences.showService(ProviderService::claude);
    case Reader::threshold75:
        return preferences.alertThresholdEnabled(75);
    case Reader::percentageMode:
        return preferences.percentageMode();
    case Reader::activeInterval:
        return preferences.activeRefreshInterval();
    case Reader::idleInterval:
        return preferences.idleRefreshInterval();
    case Reader::providerOrder: {
        QStringList names;
        for (ProviderService service : preferences.providerOrder())
            names.append(caseName(service));
        return names;
    }
    case Reader::authorizedCodex:
        return preferences.isAuthorized(ProviderService::codex);
    }
    return {};
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList keysOf(const QSignalSpy& spy)
{
    QStringList keys;
    for (const QList<QVariant>& arguments : spy)
        keys.append(arguments.at(0).toString());
    return keys;
}

} // namespace

class TestPreferences : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void freshInstallGivesEveryDefault();
    void readingRules_data();
    void readingRules();
    void valuesKeepTheirTypes();
    void anotherWriterEmitsExactlyTheChangedKeys();
    void rewritingTheSameValueEmitsNothing();
    void unreadableFileIsMovedAside_data();
    void unreadableFileIsMovedAside();
    void fileCorruptedWhileRunningFallsBackToDefaults();
    void authorizationFlagKeying();
    void failedWriteLeavesValueUnchanged();

private:
    QString path() const { return m_dir->filePath(u"config/Tallyvane/preferences.json"_s); }
    void writeFile(const QByteArray& contents) const;
    QStringList asideFiles() const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPreferences::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath(u"config"_s)));
}

void TestPreferences::writeFile(const QByteArray& contents) const
{
    QDir().mkpath(m_dir->filePath(u"config/Tallyvane"_s));
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

QStringList TestPreferences::asideFiles() const
{
    return QDir(m_dir->filePath(u"config/Tallyvane"_s))
        .entryList({u"preferences.json.unreadable-*"_s}, QDir::Files);
}

void TestPreferences::freshInstallGivesEveryDefault()
{
    Preferences preferences; // the default location under XDG_CONFIG_HOME
    QCOMPARE(preferences.filePath(), path());
    QCOMPARE(preferences.iconsOnly(), false);
    QCOMPARE(preferences.showPercentage(), true);
    QCOMPARE(preferences.percentageMode(), u"consumed"_s);
    QCOMPARE(preferences.showReset(), true);
    QCOMPARE(preferences.windowKind(), u"fiveHour"_s);
    QCOMPARE(preferences.density(), u"compact"_s);
    QCOMPARE(preferences.showService(ProviderService::codex), true);
    QCOMPARE(preferences.showService(ProviderService::claude), true);
    QCOMPARE(preferences.providerOrderText(), u"codex,claude"_s);
    QCOMPARE(preferences.providerOrder(), (QList{ProviderService::codex, ProviderService::claude}));
    QCOMPARE(preferences.activeRefreshInterval(), 120.0);
    QCOMPARE(preferences.idleRefreshInterval(), 600.0);
    QCOMPARE(preferences.storedRefreshActiveSeconds(), 120.0);
    QCOMPARE(preferences.storedRefreshIdleSeconds(), 600.0);
    QCOMPARE(preferences.notificationsEnabled(), false);
    for (int percent : Preferences::alertThresholds)
        QVERIFY2(preferences.alertThresholdEnabled(percent), qPrintable(QString::number(percent)));
    QCOMPARE(preferences.windowResetNotifications(), false);
    QCOMPARE(preferences.onboardingCompleted(), false);
    QCOMPARE(preferences.isAuthorized(ProviderService::codex), false);
    QVERIFY(!QFile::exists(path())); // reading writes nothing
}

void TestPreferences::readingRules_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<Reader>("reader");
    QTest::addColumn<QVariant>("expected");

    const auto names = [](QStringList list) { return QVariant(list); };

    QTest::newRow("showCodex as a string")
        << R"({"menu.showCodex": "false"})"_ba << Reader::showCodex << QVariant(true);
    QTest::newRow("showCodex false") << R"({"menu.showCodex": false})"_ba << Reader::showCodex
                                     << QVariant(false);
    QTest::newRow("showClaude as a number")
        << R"({"menu.showClaude": 0})"_ba << Reader::showClaude << QVariant(true);
    QTest::newRow("threshold off") << R"({"notifications.threshold.75": false})"_ba << Reader::threshold75
                                   << QVariant(false);
    QTest::newRow("false default, string true")
        << R"({"menu.iconsOnly": "true"})"_ba << Reader::iconsOnly << QVariant(true);
    QTest::newRow("false default, number 1")
        << R"({"menu.iconsOnly": 1})"_ba << Reader::iconsOnly << QVariant(true);
    QTest::newRow("false default, string no")
        << R"({"menu.iconsOnly": "no"})"_ba << Reader::iconsOnly << QVariant(false);
    QTest::newRow("false default, object")
        << R"({"menu.iconsOnly": {}})"_ba << Reader::iconsOnly << QVariant(false);
    QTest::newRow("string of another type")
        << R"({"menu.percentageMode": 5})"_ba << Reader::percentageMode << QVariant(u"consumed"_s);
    QTest::newRow("unknown string passes")
        << R"({"menu.percentageMode": "bogus"})"_ba << Reader::percentageMode << QVariant(u"bogus"_s);
    QTest::newRow("active 30") << R"({"advanced.refreshActiveSeconds": 30})"_ba << Reader::activeInterval
                               << QVariant(120.0);
    QTest::newRow("active 0") << R"({"advanced.refreshActiveSeconds": 0})"_ba << Reader::activeInterval
                              << QVariant(120.0);
    QTest::newRow("active -5") << R"({"advanced.refreshActiveSeconds": -5})"_ba << Reader::activeInterval
                               << QVariant(120.0);
    QTest::newRow("active 150.5") << R"({"advanced.refreshActiveSeconds": 150.5})"_ba
                                  << Reader::activeInterval << QVariant(150.5);
    QTest::newRow("active not a number")
        << R"({"advanced.refreshActiveSeconds": "soon"})"_ba << Reader::activeInterval << QVariant(120.0);
    QTest::newRow("active infinite text")
        << R"({"advanced.refreshActiveSeconds": "inf"})"_ba << Reader::activeInterval << QVariant(120.0);
    QTest::newRow("idle NaN text") << R"({"advanced.refreshIdleSeconds": "nan"})"_ba << Reader::idleInterval
                                   << QVariant(600.0);
    QTest::newRow("idle numeric text")
        << R"({"advanced.refreshIdleSeconds": "900"})"_ba << Reader::idleInterval << QVariant(900.0);
    QTest::newRow("idle 0") << R"({"advanced.refreshIdleSeconds": 0})"_ba << Reader::idleInterval
                            << QVariant(600.0);
    QTest::newRow("idle 30 raised to 120")
        << R"({"advanced.refreshIdleSeconds": 30})"_ba << Reader::idleInterval << QVariant(120.0);
    QTest::newRow("idle 900") << R"({"advanced.refreshIdleSeconds": 900})"_ba << Reader::idleInterval
                              << QVariant(900.0);
    QTest::newRow("order with a space")
        << R"({"menu.providerOrder": "claude, codex"})"_ba << Reader::providerOrder << names({u"claude"_s});
    QTest::newRow("order reversed") << R"({"menu.providerOrder": "claude,codex"})"_ba << Reader::providerOrder
                                    << names({u"claude"_s, u"codex"_s});
    QTest::newRow("order letter case")
        << R"({"menu.providerOrder": "Codex,claude"})"_ba << Reader::providerOrder << names({u"claude"_s});
    QTest::newRow("order empty pieces")
        << R"({"menu.providerOrder": ",,codex,,"})"_ba << Reader::providerOrder << names({u"codex"_s});
    QTest::newRow("order empty") << R"({"menu.providerOrder": ""})"_ba << Reader::providerOrder << names({});
    QTest::newRow("authorised as a string") << R"({"connections.oauth-authorized.v2.codex": "true"})"_ba
                                            << Reader::authorizedCodex << QVariant(true);
}

void TestPreferences::readingRules()
{
    QFETCH(QByteArray, stored);
    QFETCH(Reader, reader);
    QFETCH(QVariant, expected);

    writeFile(stored);
    Preferences preferences(path());
    QCOMPARE(read(preferences, reader), expected);
}

void TestPreferences::valuesKeepTheirTypes()
{
    {
        Preferences preferences(path());
        QVERIFY(preferences.setIconsOnly(true));
        QVERIFY(preferences.setShowService(ProviderService::claude, false));
        QVERIFY(preferences.setRefreshActiveSeconds(150.5));
        QVERIFY(preferences.setRefreshIdleSeconds(900));
        QVERIFY(preferences.setDensity(u"detailed"_s));
        QVERIFY(preferences.setProviderOrder({ProviderService::claude, ProviderService::codex}));
        QVERIFY(preferences.setAlertThresholdEnabled(90, false));
        QCOMPARE(preferences.iconsOnly(), true); // readable at once
    }

    Preferences reopened(path());
    QCOMPARE(reopened.value(u"menu.iconsOnly"_s).typeId(), QMetaType::Bool);
    QCOMPARE(reopened.value(u"menu.showClaude"_s).typeId(), QMetaType::Bool);
    QCOMPARE(reopened.value(u"advanced.refreshActiveSeconds"_s).typeId(), QMetaType::Double);
    QCOMPARE(reopened.value(u"advanced.refreshIdleSeconds"_s).typeId(), QMetaType::Double);
    QCOMPARE(reopened.value(u"menu.density"_s).typeId(), QMetaType::QString);
    QCOMPARE(reopened.iconsOnly(), true);
    QCOMPARE(reopened.showService(ProviderService::claude), false);
    QCOMPARE(reopened.activeRefreshInterval(), 150.5);
    QCOMPARE(reopened.idleRefreshInterval(), 900.0);
    QCOMPARE(reopened.density(), u"detailed"_s);
    QCOMPARE(reopened.providerOrderText(), u"claude,codex"_s);
    QCOMPARE(reopened.alertThresholdEnabled(90), false);
    QCOMPARE(reopened.alertThresholdEnabled(95), true);

    // On disk the values are JSON booleans and numbers, not text.
    QFile file(path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    QVERIFY(object.value(u"menu.iconsOnly"_s).isBool());
    QVERIFY(object.value(u"advanced.refreshActiveSeconds"_s).isDouble());
    // No lock or temporary files are left behind.
    QCOMPARE(QDir(m_dir->filePath(u"config/Tallyvane"_s)).entryList(QDir::Files | QDir::Hidden),
             QStringList{u"preferences.json"_s});
}

void TestPreferences::anotherWriterEmitsExactlyTheChangedKeys()
{
    writeFile(R"({"menu.showReset": true, "menu.density": "compact", "notifications.enabled": true})");
    Preferences watcher(path());
    QSignalSpy spy(&watcher, &Preferences::changed);

    Preferences other(path()); // stands in for another process
    QVERIFY(other.setShowReset(false));
    QVERIFY(other.setRefreshActiveSeconds(300));
    QVERIFY(other.remove(u"notifications.enabled"_s));
    QVERIFY(other.setDensity(u"compact"_s)); // same value: not a change

    const QStringList expected{u"advanced.refreshActiveSeconds"_s, u"menu.showReset"_s,
                               u"notifications.enabled"_s};
    QTRY_COMPARE(sorted(keysOf(spy)), expected);
    QTest::qWait(100); // late events from the same writes must not repeat a key
    QCOMPARE(sorted(keysOf(spy)), expected);
    QCOMPARE(watcher.showReset(), false);
    QCOMPARE(watcher.activeRefreshInterval(), 300.0);
    QCOMPARE(watcher.notificationsEnabled(), false);

    // Still watching after the file was replaced three times.
    spy.clear();
    QVERIFY(other.setOnboardingCompleted(true));
    QTRY_COMPARE(keysOf(spy), QStringList{u"onboarding.completed.v1"_s});
}

void TestPreferences::rewritingTheSameValueEmitsNothing()
{
    Preferences preferences(path());
    QSignalSpy spy(&preferences, &Preferences::changed);
    QVERIFY(preferences.setShowPercentage(false));
    QCOMPARE(keysOf(spy), QStringList{u"menu.showPercentage"_s});
    QVERIFY(preferences.setShowPercentage(false));
    QTest::qWait(100);
    QCOMPARE(keysOf(spy), QStringList{u"menu.showPercentage"_s});

    // A number replacing a boolean is a change even though 1 == true for QVariant.
    QVERIFY(preferences.setValue(u"menu.iconsOnly"_s, true));
    spy.clear();
    QVERIFY(preferences.setValue(u"menu.iconsOnly"_s, 1.0));
    QCOMPARE(keysOf(spy), QStringList{u"menu.iconsOnly"_s});
}

void TestPreferences::unreadableFileIsMovedAside_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("movedAside");

    QTest::newRow("not JSON") << "{\"menu.showReset\": false,"_ba << true;
    QTest::newRow("an array") << "[false]"_ba << true;
    QTest::newRow("empty file") << ""_ba << false;
}

void TestPreferences::unreadableFileIsMovedAside()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, movedAside);

    writeFile(contents);
    Preferences preferences(path());
    QCOMPARE(preferences.showReset(), true);
    QCOMPARE(asideFiles().size(), movedAside ? 1 : 0);
    if (!movedAside)
        return;

    QVERIFY(!QFile::exists(path()));
    QVERIFY(preferences.setDensity(u"detailed"_s));
    QFile aside(m_dir->filePath(u"config/Tallyvane/"_s + asideFiles().constFirst()));
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), contents);
    QCOMPARE(Preferences(path()).density(), u"detailed"_s);
}

void TestPreferences::fileCorruptedWhileRunningFallsBackToDefaults()
{
    writeFile(R"({"menu.showReset": false, "menu.density": "detailed"})");
    Preferences preferences(path());
    QSignalSpy spy(&preferences, &Preferences::changed);

    writeFile("garbage");
    QTRY_COMPARE(sorted(keysOf(spy)), (QStringList{u"menu.density"_s, u"menu.showReset"_s}));
    QCOMPARE(preferences.showReset(), true);
    QCOMPARE(preferences.density(), u"compact"_s);
    QCOMPARE(asideFiles().size(), 1);
}

void TestPreferences::authorizationFlagKeying()
{
    Preferences preferences(path());
    PreferencesAuthorizationFlags flags(preferences);
    QCOMPARE(flags.isAuthorized(ProviderService::codex), false);

    flags.setAuthorized(ProviderService::codex, true);
    QCOMPARE(preferences.value(u"connections.oauth-authorized.v2.codex"_s), QVariant(true));
    QCOMPARE(flags.isAuthorized(ProviderService::codex), true);
    QCOMPARE(flags.isAuthorized(ProviderService::claude), false);

    PreferencesAuthorizationFlags otherPrefix(preferences, u"tests.flags"_s);
    QCOMPARE(otherPrefix.isAuthorized(ProviderService::codex), false);
    otherPrefix.setAuthorized(ProviderService::claude, true);
    QVERIFY(preferences.contains(u"tests.flags.claude"_s));

    flags.setAuthorized(ProviderService::codex, false);
    QCOMPARE(Preferences(path()).isAuthorized(ProviderService::codex), false);
}

void TestPreferences::failedWriteLeavesValueUnchanged()
{
    // A directory where the file should be cannot be replaced, even by root.
    QVERIFY(QDir().mkpath(path()));
    Preferences preferences(path());
    QSignalSpy spy(&preferences, &Preferences::changed);
    QVERIFY(!preferences.setIconsOnly(true));
    QCOMPARE(preferences.iconsOnly(), false);
    QCOMPARE(spy.size(), 0);
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "TestPreferences.moc"
