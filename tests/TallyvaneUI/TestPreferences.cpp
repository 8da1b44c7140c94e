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

// A stored key and the getter that reads it.
struct Reader {
    QByteArray key;
    QVariant (*read)(const Preferences&);
};

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
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath(u"config"_s)));
    }

    // The defaults that no other case here reads back.
    void freshInstallGivesEveryDefault()
    {
        Preferences preferences; // the default location under XDG_CONFIG_HOME
        QCOMPARE(preferences.filePath(), path());
        QCOMPARE(preferences.showPercentage(), true);
        QCOMPARE(preferences.windowKind(), u"fiveHour"_s);
        QCOMPARE(preferences.providerOrderText(), u"codex,claude"_s);
        QCOMPARE(preferences.providerOrder(), (QList{ProviderService::codex, ProviderService::claude}));
        QCOMPARE(preferences.storedRefreshActiveSeconds(), 120.0);
        QCOMPARE(preferences.storedRefreshIdleSeconds(), 600.0);
        QCOMPARE(preferences.onboardingCompleted(), false);
        QVERIFY(!QFile::exists(path())); // reading writes nothing
    }

    void readingRules_data()
    {
        QTest::addColumn<Reader>("reader");
        QTest::addColumn<QByteArray>("value"); // JSON text stored under the reader's key
        QTest::addColumn<QVariant>("expected");

        const auto row = [](const char* name, const Reader& reader, const char* json,
                            const QVariant& expected) {
            QTest::newRow(name) << reader << QByteArray(json) << expected;
        };
        using P = const Preferences&;
        const Reader iconsOnly{"menu.iconsOnly", [](P p) -> QVariant { return p.iconsOnly(); }};
        const Reader showCodex{"menu.showCodex",
                               [](P p) -> QVariant { return p.showService(ProviderService::codex); }};
        const Reader showClaude{"menu.showClaude",
                                [](P p) -> QVariant { return p.showService(ProviderService::claude); }};
        const Reader percentageMode{"menu.percentageMode",
                                    [](P p) -> QVariant { return p.percentageMode(); }};
        const Reader activeInterval{"advanced.refreshActiveSeconds",
                                    [](P p) -> QVariant { return p.activeRefreshInterval(); }};
        const Reader idleInterval{"advanced.refreshIdleSeconds",
                                  [](P p) -> QVariant { return p.idleRefreshInterval(); }};
        const Reader authorizedCodex{"connections.oauth-authorized.v2.codex",
                                     [](P p) -> QVariant { return p.isAuthorized(ProviderService::codex); }};
        const Reader providerOrder{"menu.providerOrder", [](P p) -> QVariant {
                                       QStringList names;
                                       for (ProviderService service : p.providerOrder())
                                           names.append(caseName(service));
                                       return names;
                                   }};

        row("showCodex as a string", showCodex, R"("false")", true);
        row("showClaude as a number", showClaude, R"(0)", true);
        row("false default, string true", iconsOnly, R"("true")", true);
        row("false default, number 1", iconsOnly, R"(1)", true);
        row("false default, string no", iconsOnly, R"("no")", false);
        row("string of another type", percentageMode, R"(5)", QVariant(u"consumed"_s));
        row("unknown string passes", percentageMode, R"("bogus")", QVariant(u"bogus"_s));
        row("active 30", activeInterval, R"(30)", 120.0);
        row("active not a number", activeInterval, R"("soon")", 120.0);
        row("active infinite text", activeInterval, R"("inf")", 120.0);
        row("idle NaN text", idleInterval, R"("nan")", 600.0);
        row("idle numeric text", idleInterval, R"("900")", 900.0);
        row("idle 0", idleInterval, R"(0)", 600.0);
        row("idle 30 raised to 120", idleInterval, R"(30)", 120.0);
        row("order with a space", providerOrder, R"("claude, codex")", QVariant(QStringList{u"claude"_s}));
        row("order reversed", providerOrder, R"("claude,codex")",
            QVariant(QStringList{u"claude"_s, u"codex"_s}));
        row("order letter case", providerOrder, R"("Codex,claude")", QVariant(QStringList{u"claude"_s}));
        row("order empty pieces", providerOrder, R"(",,codex,,")", QVariant(QStringList{u"codex"_s}));
        row("order empty", providerOrder, R"("")", QVariant(QStringList{}));
        row("authorised as a string", authorizedCodex, R"("true")", true);
    }

    void readingRules()
    {
        QFETCH(Reader, reader);
        QFETCH(QByteArray, value);
        QFETCH(QVariant, expected);

        writeFile("{\"" + reader.key + "\": " + value + "}");
        Preferences preferences(path());
        QCOMPARE(reader.read(preferences), expected);
    }

    void valuesKeepTheirTypes()
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
        QCOMPARE(reopened.iconsOnly(), true);
        QCOMPARE(reopened.showService(ProviderService::claude), false);
        QCOMPARE(reopened.activeRefreshInterval(), 150.5);
        QCOMPARE(reopened.idleRefreshInterval(), 900.0);
        QCOMPARE(reopened.density(), u"detailed"_s);
        QCOMPARE(reopened.providerOrderText(), u"claude,codex"_s);
        QCOMPARE(reopened.alertThresholdEnabled(90), false);
        QCOMPARE(reopened.alertThresholdEnabled(95), true);

        // On disk the values are JSON booleans, numbers and strings, not text.
        QFile file(path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject expected{{u"menu.iconsOnly"_s, true},
                                   {u"menu.showClaude"_s, false},
                                   {u"advanced.refreshActiveSeconds"_s, 150.5},
                                   {u"advanced.refreshIdleSeconds"_s, 900.0},
                                   {u"menu.density"_s, u"detailed"_s},
                                   {u"menu.providerOrder"_s, u"claude,codex"_s},
                                   {u"notifications.threshold.90"_s, false}};
        QCOMPARE(QJsonDocument::fromJson(file.readAll()).object(), expected);
        // No lock or temporary files are left behind.
        QCOMPARE(QDir(m_dir->filePath(u"config/Tallyvane"_s)).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"preferences.json"_s});
    }

    void anotherWriterEmitsExactlyTheChangedKeys()
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

    void rewritingTheSameValueEmitsNothing()
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

    void unreadableFileIsMovedAside_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("movedAside");

        QTest::newRow("not JSON") << "{\"menu.showReset\": false,"_ba << true;
        QTest::newRow("an array") << "[false]"_ba << true;
        QTest::newRow("empty file") << ""_ba << false;
    }

    void unreadableFileIsMovedAside()
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

    void fileCorruptedWhileRunningFallsBackToDefaults()
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

    void fileUnreadableAfterAGoodReadKeepsTheSettings_data()
    {
        QTest::addColumn<bool>("asFolder");
        QTest::newRow("replaced by a folder") << true;
        QTest::newRow("no read permission") << false;
    }

    void fileUnreadableAfterAGoodReadKeepsTheSettings()
    {
        QFETCH(bool, asFolder);
        writeFile(R"({"menu.showReset": false, "menu.density": "detailed"})");
        Preferences preferences(path());
        QSignalSpy spy(&preferences, &Preferences::changed);

        if (asFolder) {
            QVERIFY(QFile::remove(path()));
            QVERIFY(QDir().mkpath(path()));
        } else {
            QVERIFY(QFile::setPermissions(path(), QFileDevice::WriteOwner));
            if (QFile(path()).open(QIODevice::ReadOnly))
                QSKIP("This user reads files regardless of their permissions");
        }
        preferences.reload();
        QCOMPARE(preferences.showReset(), false);
        QCOMPARE(preferences.density(), u"detailed"_s);
        QCOMPARE(spy.size(), 0);
        QCOMPARE(asideFiles().size(), 0);
    }

    void authorizationFlagKeying()
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

    void failedWriteLeavesValueUnchanged()
    {
        // A directory where the file should be cannot be replaced, even by root.
        QVERIFY(QDir().mkpath(path()));
        Preferences preferences(path());
        QSignalSpy spy(&preferences, &Preferences::changed);
        QVERIFY(!preferences.setIconsOnly(true));
        QCOMPARE(preferences.iconsOnly(), false);
        QCOMPARE(spy.size(), 0);
    }

private:
    QString path() const { return m_dir->filePath(u"config/Tallyvane/preferences.json"_s); }
    void writeFile(const QByteArray& contents) const
    {
        QDir().mkpath(m_dir->filePath(u"config/Tallyvane"_s));
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }

    QStringList asideFiles() const
    {
        return QDir(m_dir->filePath(u"config/Tallyvane"_s))
            .entryList({u"preferences.json.unreadable-*"_s}, QDir::Files);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "TestPreferences.moc"
