#include <UsagePresentation/MenuBarProjection.h>

#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;
using Change = void (*)(MenuBarConfiguration&);

namespace {

UsageWindowSample window(const char* fraction, double observedAt = 0,
                         UsageWindowKind kind = UsageWindowKind::fiveHour)
{
    return {.windowKind = kind,
            .observedAt = Instant::fromSecondsSince1970(observedAt),
            .usedFraction = Decimal::fromString(QString::fromLatin1(fraction))};
}

// Codex, and Claude first but hidden unless enabled, with the fresh-install settings changed by the row.
void addRow(const char* name, QList<UsageWindowSample> codexWindows, Change change, const char* texts,
            const char* label)
{
    MenuBarConfiguration configuration{.enabledProviderIDs = {u"codex"_s},
                                       .providerOrder = {u"gone"_s, u"claude"_s, u"claude"_s}};
    change(configuration);
    const ProviderMenuSnapshot claude{u"claude"_s, u"Claude"_s, {window("0.1")}};
    QTest::newRow(name) << QList{ProviderMenuSnapshot{u"codex"_s, u"Codex"_s, codexWindows}, claude}
                        << configuration << QString::fromUtf8(texts) + QString::fromUtf8(label);
}

} // namespace

class TestMenuBarProjection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void projects_data()
    {
        QTest::addColumn<QList<ProviderMenuSnapshot>>("snapshots");
        QTest::addColumn<MenuBarConfiguration>("configuration");
        QTest::addColumn<QString>("expected"); // "<id> <text> " per entry, then "| <label>"
        UsageWindowSample w42 = window("0.42");
        w42.resetAt = Instant::fromSecondsSince1970(1699970700); // 14:05 UTC
        const Change none = [](auto&) {};
        const Change remaining = [](auto& c) { c.percentageMode = PercentageDisplayMode::remaining; };
        const Change detailed = [](auto& c) { c.density = MenuBarDensity::detailed; };
        const Change iconsOnly = [](auto& c) { c.iconsOnly = true; };
        const Change weekly = [](auto& c) { c.selectedWindowKind = UsageWindowKind::sevenDay; };
        const Change noneEnabled = [](auto& c) { c.enabledProviderIDs = {}; };
        const Change both = [](auto& c) { c.enabledProviderIDs = {u"codex"_s, u"claude"_s}; };
        addRow("consumed", {w42}, none, "codex 42% 14:05 ", "| Codex, 42% consumed, resets at 14:05");
        addRow("remaining", {w42}, remaining, "codex 58% 14:05 ", "| Codex, 58% remaining, resets at 14:05");
        addRow("detailed", {w42}, detailed, "codex Codex 42% 14:05 ",
               "| Codex, 42% consumed, resets at 14:05");
        addRow("no windows", {}, none, "codex — ", "| Codex, usage unavailable");
        addRow("icons only", {w42}, iconsOnly, "codex  ", "| Codex, 42% consumed, resets at 14:05");
        addRow("selected kind missing", {window("0.3")}, weekly, "codex 30% ", "| Codex, 30% consumed");
        addRow("latest of the kind",
               {window("0.1", 1), window("0.2", 9), window("0.9", 20, UsageWindowKind::sevenDay)}, none,
               "codex 20% ", "| Codex, 20% consumed");
        addRow("order", {window("0.42")}, both, "claude 10% codex 42% ",
               "| Claude, 10% consumed; Codex, 42% consumed");
        addRow("all disabled", {w42}, noneEnabled, "", "| Tallyvane unavailable");
        addRow("remaining floor", {window("1.2")}, remaining, "codex 0% ", "| Codex, 0% remaining");
    }

    void projects()
    {
        QFETCH(QList<ProviderMenuSnapshot>, snapshots);
        QFETCH(MenuBarConfiguration, configuration);
        const MenuBarProjection projection = MenuBarProjection::project(
            snapshots, configuration, [](Instant t) { return t.toDateTime().toString(u"HH:mm"_s); });
        QString actual;
        for (const MenuBarProjection::Entry& entry : projection.entries)
            actual += entry.providerID + u' ' + entry.text + u' ';
        QTEST(QString(actual + u"| "_s + projection.accessibilityLabel), "expected");
    }
};

QTEST_GUILESS_MAIN(TestMenuBarProjection)
#include "TestMenuBarProjection.moc"
