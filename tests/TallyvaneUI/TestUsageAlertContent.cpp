#include <TallyvaneUI/UsageAlertContent.h>
#include <TallyvaneUI/UsageAlertSettings.h>

#include <QTest>
#include <QUuid>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

class TestUsageAlertContent : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void windowName_data();
    void windowName();
    void samplesTakeTheNewestWindowPerBucket();
    void texts_data();
    void texts();
    void identifiersAreFreshUuids();
    void settingsFromPreferences_data();
    void settingsFromPreferences();
};

namespace {

UsageWindowSample window(const QString& bucket, UsageWindowKind kind, std::optional<double> used,
                         double observedAt = 100)
{
    UsageWindowSample sample;
    sample.id = bucket + u'@' + QString::number(observedAt);
    sample.providerBucketID = bucket;
    sample.windowKind = kind;
    sample.observedAt = Instant::fromSecondsSince1970(observedAt);
    if (used)
        sample.usedFraction = Decimal::fromDouble(*used);
    return sample;
}

ProviderViewState provider(const QString& id, const QString& name, QList<UsageWindowSample> windows)
{
    ProviderViewState state;
    state.descriptor = ProviderDescriptor{id, name, std::nullopt};
    state.windows = std::move(windows);
    return state;
}

} // namespace

void TestUsageAlertContent::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestUsageAlertContent::windowName_data()
{
    QTest::addColumn<UsageWindowKind>("kind");
    QTest::addColumn<std::optional<QString>>("bucketName");
    QTest::addColumn<std::optional<QString>>("modelID");
    QTest::addColumn<QString>("expected");

    const std::optional<QString> none;
    QTest::newRow("bucket name wins")
        << UsageWindowKind::fiveHour << std::optional(u"Opus weekly"_s) << none << u"Opus weekly"_s;
    QTest::newRow("empty bucket name")
        << UsageWindowKind::fiveHour << std::optional(QString()) << none << u"Session"_s;
    QTest::newRow("fiveHour") << UsageWindowKind::fiveHour << none << none << u"Session"_s;
    QTest::newRow("sevenDay") << UsageWindowKind::sevenDay << none << none << u"Weekly"_s;
    QTest::newRow("model by id") << UsageWindowKind::modelSpecific << none << std::optional(u"opus"_s)
                                 << u"opus"_s;
    QTest::newRow("model with empty id")
        << UsageWindowKind::modelSpecific << none << std::optional(QString()) << u"Model"_s;
    QTest::newRow("model without id") << UsageWindowKind::modelSpecific << none << none << u"Model"_s;
    QTest::newRow("custom") << UsageWindowKind::custom << none << none << u"Custom"_s;
    QTest::newRow("unknown") << UsageWindowKind::unknown << none << std::optional(u"opus"_s) << u"Window"_s;
}

void TestUsageAlertContent::windowName()
{
    QFETCH(UsageWindowKind, kind);
    QFETCH(std::optional<QString>, bucketName);
    QFETCH(std::optional<QString>, modelID);
    QFETCH(QString, expected);

    UsageWindowSample sample = window(u"b"_s, kind, 0.5);
    sample.providerBucketName = bucketName;
    sample.modelID = modelID;
    QCOMPARE(UsageAlertContent::windowName(sample), expected);
}

void TestUsageAlertContent::samplesTakeTheNewestWindowPerBucket()
{
    UsageWindowSample newerSession = window(u"primary"_s, UsageWindowKind::fiveHour, 0.42, 200);
    newerSession.resetAt = Instant::fromSecondsSince1970(5000);
    const QList<ProviderViewState> providers{
        provider(u"codex.id"_s, u"Codex"_s,
                 {window(u"secondary"_s, UsageWindowKind::sevenDay, 0.3),
                  window(u"primary"_s, UsageWindowKind::fiveHour, 0.9, 100), newerSession,
                  window(u"credits"_s, UsageWindowKind::custom, std::nullopt)}),
        provider(u"claude.id"_s, u"Claude"_s,
                 {window(u"seven_day_opus"_s, UsageWindowKind::modelSpecific, 0.07)}),
    };

    const QList<UsageAlertSample> expected{
        {u"codex.id"_s, u"Codex"_s, u"primary"_s, u"Session"_s, 0.42, Instant::fromSecondsSince1970(5000)},
        {u"codex.id"_s, u"Codex"_s, u"secondary"_s, u"Weekly"_s, 0.3, std::nullopt},
        {u"claude.id"_s, u"Claude"_s, u"seven_day_opus"_s, u"Model"_s, 0.07, std::nullopt},
    };
    QCOMPARE(UsageAlertContent::samples(providers), expected);
}

void TestUsageAlertContent::texts_data()
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
        << UsageAlertEvent::threshold(literal, 75) << u"A%1B reached 75%"_s << u"%2 window has 93% used."_s;
    QTest::newRow("reset") << UsageAlertEvent::reset(sample) << u"Claude limit reset"_s
                           << u"Session is available again."_s;
}

void TestUsageAlertContent::texts()
{
    QFETCH(UsageAlertEvent, event);
    QFETCH(QString, title);
    QFETCH(QString, body);

    const UserNotification notification = UsageAlertContent::notification(event);
    QCOMPARE(notification.title, title);
    QCOMPARE(notification.body, body);
    QVERIFY(notification.playsDefaultSound);
}

void TestUsageAlertContent::identifiersAreFreshUuids()
{
    const UsageAlertEvent event =
        UsageAlertEvent::reset({u"id"_s, u"Codex"_s, u"b"_s, u"Weekly"_s, 0.01, {}});
    const QString first = UsageAlertContent::notification(event).identifier;
    const QString second = UsageAlertContent::notification(event).identifier;
    QVERIFY(first.startsWith("usage."_L1));
    const QUuid uuid(QStringView(first).mid(6));
    QVERIFY(!uuid.isNull());
    QCOMPARE(first.mid(6), uuid.toString(QUuid::WithoutBraces));
    QVERIFY(first != second);
}

void TestUsageAlertContent::settingsFromPreferences_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<UsageAlertSettings>("expected");
    QTest::addColumn<QList<double>>("fractions");

    QTest::newRow("defaults") << QVariantMap{} << UsageAlertSettings{} << QList<double>{0.5, 0.75, 0.9, 0.95};
    QTest::newRow("all set") << QVariantMap{{u"notifications.enabled"_s, true},
                                            {u"notifications.threshold.50"_s, false},
                                            {u"notifications.threshold.90"_s, false},
                                            {u"notifications.windowReset"_s, true}}
                             << UsageAlertSettings{true, false, true, false, true, true}
                             << QList<double>{0.75, 0.95};
    QTest::newRow("other types count as the default")
        << QVariantMap{{u"notifications.enabled"_s, u"true"_s},
                       {u"notifications.threshold.75"_s, 0},
                       {u"notifications.windowReset"_s, 1}}
        << UsageAlertSettings{} << QList<double>{0.5, 0.75, 0.9, 0.95};
}

void TestUsageAlertContent::settingsFromPreferences()
{
    QFETCH(QVariantMap, stored);
    QFETCH(UsageAlertSettings, expected);
    QFETCH(QList<double>, fractions);

    const UsageAlertSettings settings =
        UsageAlertSettings::read([&stored](const QString& key) { return stored.value(key); });
    QCOMPARE(settings, expected);
    QCOMPARE(settings.thresholdFractions(), fractions);
}

QTEST_GUILESS_MAIN(TestUsageAlertContent)
#include "TestUsageAlertContent.moc"
