#include "AlertWindows.h"

#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageAlertContent.h>
#include <TallyvaneUI/UsageAlertSettings.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

class TestUsageAlertContent : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void windowName_data()
    {
        QTest::addColumn<UsageWindowKind>("kind");
        QTest::addColumn<std::optional<QString>>("bucketName");
        QTest::addColumn<std::optional<QString>>("modelID");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, UsageWindowKind kind, const std::optional<QString>& bucketName,
                            const std::optional<QString>& modelID, const QString& expected) {
            QTest::newRow(name) << kind << bucketName << modelID << expected;
        };

        const std::optional<QString> none;
        using enum UsageWindowKind;
        row("bucket name wins", fiveHour, u"Opus weekly"_s, none, u"Opus weekly"_s);
        row("empty bucket name, fiveHour", fiveHour, QString(), none, u"Session"_s);
        row("model by id", modelSpecific, none, u"opus"_s, u"opus"_s);
        row("model with empty id", modelSpecific, none, QString(), u"Model"_s);
        row("model without id", modelSpecific, none, none, u"Model"_s);
        row("unknown", unknown, none, u"opus"_s, u"Window"_s);
    }

    void windowName()
    {
        QFETCH(UsageWindowKind, kind);
        QFETCH(std::optional<QString>, bucketName);
        QFETCH(std::optional<QString>, modelID);
        QFETCH(QString, expected);

        UsageWindowSample sample = alertWindow(u"b"_s, kind, 0.5);
        sample.providerBucketName = bucketName;
        sample.modelID = modelID;
        QCOMPARE(UsageAlertContent::windowName(sample), expected);
    }

    void samplesTakeTheNewestWindowPerBucket()
    {
        UsageWindowSample newerSession = alertWindow(u"primary"_s, UsageWindowKind::fiveHour, 0.42, 200);
        newerSession.resetAt = Instant::fromSecondsSince1970(5000);
        const QList<ProviderViewState> providers{
            alertProvider(u"codex.id"_s, u"Codex"_s,
                          {alertWindow(u"secondary"_s, UsageWindowKind::sevenDay, 0.3),
                           alertWindow(u"primary"_s, UsageWindowKind::fiveHour, 0.9, 100), newerSession,
                           alertWindow(u"credits"_s, UsageWindowKind::custom, std::nullopt)}),
            alertProvider(u"claude.id"_s, u"Claude"_s,
                          {alertWindow(u"seven_day_opus"_s, UsageWindowKind::modelSpecific, 0.07)}),
        };

        const QList<UsageAlertSample> expected{
            {u"codex.id"_s, u"Codex"_s, u"primary"_s, u"Session"_s, 0.42,
             Instant::fromSecondsSince1970(5000)},
            {u"codex.id"_s, u"Codex"_s, u"secondary"_s, u"Weekly"_s, 0.3, std::nullopt},
            {u"claude.id"_s, u"Claude"_s, u"seven_day_opus"_s, u"Model"_s, 0.07, std::nullopt},
        };
        QCOMPARE(UsageAlertContent::samples(providers), expected);
    }

    void texts_data()
    {
        QTest::addColumn<UsageAlertEvent>("event");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");

        const UsageAlertSample sample{u"id"_s, u"Claude"_s, u"b"_s, u"Session"_s, 0.925, std::nullopt};
        QTest::newRow("threshold") << UsageAlertEvent::threshold(sample, 90) << u"Claude reached 90%"_s
                                   << u"Session has 93% used."_s;
        UsageAlertSample half = sample;
        half.usedFraction = 0.505;
        QTest::newRow("used share rounds half away from zero")
            << UsageAlertEvent::threshold(half, 50) << u"Claude reached 50%"_s << u"Session has 51% used."_s;
        UsageAlertSample literal = sample;
        literal.providerName = u"A%1B"_s;
        literal.windowName = u"%2 window"_s;
        QTest::newRow("names are not format strings")
            << UsageAlertEvent::threshold(literal, 75) << u"A%1B reached 75%"_s
            << u"%2 window has 93% used."_s;
        QTest::newRow("reset") << UsageAlertEvent::reset(sample) << u"Claude limit reset"_s
                               << u"Session is available again."_s;
    }

    void texts()
    {
        QFETCH(UsageAlertEvent, event);
        QFETCH(QString, title);
        QFETCH(QString, body);

        const UserNotification notification = UsageAlertContent::notification(event);
        QCOMPARE(notification.title, title);
        QCOMPARE(notification.body, body);
        QVERIFY(notification.playsDefaultSound);
        // "usage." and a fresh UUID, so no notification replaces another.
        const QString id = notification.identifier;
        QCOMPARE(u"usage."_s + QUuid(QStringView(id).mid(6)).toString(QUuid::WithoutBraces), id);
        QVERIFY(id != UsageAlertContent::notification(event).identifier);
    }

    void settingsFromPreferences_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<UsageAlertSettings>("expected");
        QTest::addColumn<QList<double>>("fractions");

        QTest::newRow("defaults") << QVariantMap{} << UsageAlertSettings{}
                                  << QList<double>{0.5, 0.75, 0.9, 0.95};
        QTest::newRow("all set") << QVariantMap{{u"notifications.enabled"_s, true},
                                                {u"notifications.threshold.50"_s, false},
                                                {u"notifications.threshold.90"_s, false},
                                                {u"notifications.windowReset"_s, true}}
                                 << UsageAlertSettings{true, false, true, false, true, true}
                                 << QList<double>{0.75, 0.95};
        // Off-by-default switches take the plain boolean read; on-by-default ones want a boolean.
        QTest::newRow("text and numbers")
            << QVariantMap{{u"notifications.enabled"_s, u"true"_s},
                           {u"notifications.threshold.75"_s, 0},
                           {u"notifications.windowReset"_s, 1}}
            << UsageAlertSettings{true, true, true, true, true, true} << QList<double>{0.5, 0.75, 0.9, 0.95};
    }

    void settingsFromPreferences()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(UsageAlertSettings, expected);
        QFETCH(QList<double>, fractions);

        QTemporaryDir directory;
        const QString path = directory.filePath(u"preferences.json"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(QJsonObject::fromVariantMap(stored)).toJson());
        file.close();
        const Preferences preferences(path);

        const UsageAlertSettings settings = UsageAlertSettings::read(preferences);
        QCOMPARE(settings, expected);
        QCOMPARE(settings.thresholdFractions(), fractions);
        // What the settings window shows.
        QCOMPARE(preferences.notificationsEnabled(), expected.enabled);
        QCOMPARE(preferences.windowResetNotifications(), expected.windowReset);
    }
};

QTEST_GUILESS_MAIN(TestUsageAlertContent)
#include "TestUsageAlertContent.moc"
