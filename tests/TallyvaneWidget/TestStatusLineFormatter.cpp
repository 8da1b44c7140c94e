#include <TallyvaneWidget/StatusLineFormatter.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {
namespace {

const WidgetDate now = WidgetDate::fromSecondsSinceReferenceDate(800'000'000);

WidgetProviderUsage provider(WidgetProviderService service, WidgetProviderState state,
                             QList<WidgetWindow> windows = {})
{
    return {.service = service, .state = state, .windows = std::move(windows)};
}

WidgetProviderUsage codexAt(double used, const QString& name = u"Five-hour"_s)
{
    return provider(WidgetProviderService::codex, WidgetProviderState::available,
                    {WidgetWindow(u"primary"_s, name, used, now.addingSeconds(5400))});
}

WidgetProviderUsage claudeSignedOut()
{
    return provider(WidgetProviderService::claude, WidgetProviderState::signInRequired);
}

} // namespace

class TestStatusLineFormatter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void outputsFollowTheShownWindows_data()
    {
        QTest::addColumn<WidgetUsageSnapshot>("snapshot");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("severity");
        QTest::addColumn<int>("percentage");
        QTest::addColumn<QString>("tooltip");

        const WidgetDate twoMinutesAgo = now.addingSeconds(-120);
        const auto document = [&](QList<WidgetProviderUsage> providers) {
            return WidgetUsageSnapshot{.updatedAt = twoMinutesAgo, .providers = std::move(providers)};
        };
        const WidgetProviderUsage claudeWeekly =
            provider(WidgetProviderService::claude, WidgetProviderState::available,
                     {WidgetWindow(u"seven_day"_s, u"Weekly"_s, 0.58, std::nullopt),
                      WidgetWindow(u"five_hour"_s, u"Five-hour"_s, 0.99, now)});

        QTest::newRow("available") << document({codexAt(0.31), claudeWeekly}) << u"Codex 31% · Claude 58%"_s
                                   << u"normal"_s << 58
                                   << u"Codex · Five-hour · 31% · 1 hr, 30 min\nClaude · Weekly · 58%\n"
                                      u"Updated 2 min. ago"_s;
        QTest::newRow("signed out only")
            << document({provider(WidgetProviderService::codex, WidgetProviderState::unavailable),
                         claudeSignedOut()})
            << u"Codex Not available · Claude Sign in required"_s << u"unavailable"_s << 0
            << u"Codex · Not available\nClaude · Sign in required\nCould not update 2 min. ago"_s;
        QTest::newRow("available without windows")
            << document({provider(WidgetProviderService::codex, WidgetProviderState::available),
                         claudeSignedOut()})
            << u"Codex No usage data · Claude Sign in required"_s << u"normal"_s << 0
            << u"Codex · No usage data\nClaude · Sign in required\nUpdated 2 min. ago"_s;
        QTest::newRow("provider's own window name")
            << document({codexAt(0.4, u"Usage"_s)}) << u"Codex 40%"_s << u"normal"_s << 40
            << u"Codex · Usage · 40% · 1 hr, 30 min\nUpdated 2 min. ago"_s;

        // Rounded percentages must not decide the class: 74.99 % shows 75 but is not a warning.
        const struct {
            const char* name;
            double used;
            const char* severity;
            int percentage;
        } thresholds[] = {{"below warning", 0.7499, "normal", 75},
                          {"warning", 0.75, "warning", 75},
                          {"below critical", 0.9199, "warning", 92},
                          {"critical", 0.92, "critical", 92},
                          {"over-full", 1.0, "critical", 100}};
        for (const auto& row : thresholds) {
            const WidgetUsageSnapshot snapshot = document({codexAt(row.used), claudeSignedOut()});
            QTest::newRow(row.name) << snapshot << StatusLineFormatter::text(snapshot)
                                    << QString::fromLatin1(row.severity) << row.percentage << QString();
        }
    }

    void outputsFollowTheShownWindows()
    {
        QFETCH(WidgetUsageSnapshot, snapshot);
        QFETCH(QString, text);
        QFETCH(QString, severity);
        QFETCH(int, percentage);
        QFETCH(QString, tooltip);

        QCOMPARE(StatusLineFormatter::format(StatusLineFormatter::Format::text, snapshot, now),
                 text.toUtf8() + '\n');
        const QByteArray output =
            StatusLineFormatter::format(StatusLineFormatter::Format::waybar, snapshot, now);
        QVERIFY(output.endsWith('\n') && output.count('\n') == 1);
        const QJsonObject waybar = QJsonDocument::fromJson(output).object();
        QCOMPARE(waybar.value("text"_L1).toString(), text);
        QCOMPARE(waybar.value("class"_L1).toString(), severity);
        QCOMPARE(waybar.value("percentage"_L1).toInt(-1), percentage);
        if (!tooltip.isEmpty())
            QCOMPARE(waybar.value("tooltip"_L1).toString(), tooltip);
    }

    // Window names come from other programs; waybar reads text and tooltip as Pango markup, so
    // a name must show as written and never open a tag.
    void waybarEscapesMarkup_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("tooltipLine");
        QTest::newRow("tag") << u"<span size='99999'>Opus</span>"_s
                             << u"Codex · &lt;span size='99999'&gt;Opus&lt;/span&gt; · 31% · 1 hr, 30 min"_s;
        QTest::newRow("entity") << u"Tom & Jerry &amp;"_s
                                << u"Codex · Tom &amp; Jerry &amp;amp; · 31% · 1 hr, 30 min"_s;
    }

    void waybarEscapesMarkup()
    {
        QFETCH(QString, name);
        QFETCH(QString, tooltipLine);
        const WidgetUsageSnapshot snapshot{.updatedAt = now, .providers = {codexAt(0.31, name)}};
        const QJsonObject waybar =
            QJsonDocument::fromJson(
                StatusLineFormatter::format(StatusLineFormatter::Format::waybar, snapshot, now))
                .object();
        QCOMPARE(waybar.value("tooltip"_L1).toString().split(u'\n').value(0), tooltipLine);
        QCOMPARE(waybar.value("text"_L1).toString(), u"Codex 31%"_s);
        // The document output is not markup and keeps the name as it is.
        const std::optional<WidgetUsageSnapshot> document =
            WidgetUsageSnapshot::fromJsonBytes(StatusLineFormatter::json(snapshot));
        QVERIFY(document);
        QCOMPARE(document->providers.value(0).windows.value(0).name, name);
    }
};

} // namespace tallyvane::testing

QTEST_GUILESS_MAIN(tallyvane::testing::TestStatusLineFormatter)
#include "TestStatusLineFormatter.moc"
