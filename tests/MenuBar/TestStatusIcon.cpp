#include <MenuBar/StatusIconPainter.h>
#include <MenuBar/StatusToolTip.h>

#include "IconContrast.h"

#include <QPainter>
#include <QTest>

#include <cmath>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

using Kind = StatusIconContent::Kind;

QImage over(const QColor& panel, const QPixmap& icon)
{
    QImage image(icon.size(), QImage::Format_RGB32);
    image.fill(panel);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, icon);
    return image;
}

// Wednesday 4 March 2026, 10:00 UTC.
const Instant now = Instant::fromDateTime(QDateTime(QDate(2026, 3, 4), QTime(10, 0), Qt::UTC));

struct Service {
    const char* id;
    const char* name;
    ProviderAvailability availability;
    std::optional<double> used;
    // The reset, in seconds from now; absent: the window reports none.
    std::optional<double> resetIn;
    bool hasWindow = true;
};

ProviderViewState state(const Service& service)
{
    ProviderViewState state;
    state.descriptor =
        ProviderDescriptor{QString::fromLatin1(service.id), QString::fromLatin1(service.name), std::nullopt};
    state.availability = service.availability;
    if (service.hasWindow) {
        UsageWindowSample window;
        window.windowKind = UsageWindowKind::fiveHour;
        window.observedAt = now;
        if (service.used)
            window.usedFraction = Decimal::fromDouble(*service.used);
        if (service.resetIn)
            window.resetAt = now.addingSeconds(*service.resetIn);
        state.windows.append(window);
    }
    return state;
}

MenuBarConfiguration configuration(bool iconsOnly, MenuBarDensity density)
{
    MenuBarConfiguration configuration;
    configuration.enabledProviderIDs = {u"codex"_s, u"claude"_s};
    configuration.providerOrder = {u"codex"_s, u"claude"_s};
    configuration.iconsOnly = iconsOnly;
    configuration.density = density;
    return configuration;
}

} // namespace

class TestStatusIcon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void percentageReadsOnAnyPanel_data()
    {
        QTest::addColumn<StatusIconContent>("content");
        const auto codex = ProviderService::codex;
        const auto claude = ProviderService::claude;
        QTest::newRow("codex") << StatusIconContent{Kind::ring, {codex}, 0.31, u"31"_s};
        QTest::newRow("claude") << StatusIconContent{Kind::ring, {claude}, 0.58, u"58"_s};
        QTest::newRow("warning") << StatusIconContent{Kind::ring, {codex}, 0.8, u"80"_s};
        QTest::newRow("critical") << StatusIconContent{Kind::ring, {claude}, 0.95, u"95"_s};
        QTest::newRow("full") << StatusIconContent{Kind::ring, {codex}, 1.0, u"100"_s};
        QTest::newRow("no value") << StatusIconContent{Kind::ring, {claude}, std::nullopt, u"\u2014"_s};
        QTest::newRow("first refresh") << StatusIconContent::pending();
    }

    // The glyph is what differs between the icon with its text and the same icon with an empty
    // text; each of its pixels is measured against what lies behind it, on each panel colour.
    void percentageReadsOnAnyPanel()
    {
        QFETCH(StatusIconContent, content);
        StatusIconContent blank = content;
        blank.percent = QString();
        const QIcon icon = StatusIconPainter::icon(content);
        const QIcon ground = StatusIconPainter::icon(blank);
        QList<int> sizes;
        for (const QSize& size : icon.availableSizes())
            sizes.append(size.width());
        for (const int size : {16, 22, 24, 32, 48, 64})
            QVERIFY2(sizes.contains(size), qPrintable(u"no %1 px icon"_s.arg(size)));

        for (const int size : std::as_const(sizes)) {
            if (size > 64)
                continue;
            for (const QColor& panel :
                 {QColor(0, 0, 0), QColor(0x2b, 0x30, 0x3b), QColor(0xff, 0xff, 0xff)}) {
                const QImage with = over(panel, icon.pixmap(size));
                const QImage without = over(panel, ground.pixmap(size));
                int glyph = 0;
                int legible = 0;
                for (int y = 0; y < size; ++y) {
                    for (int x = 0; x < size; ++x) {
                        const QRgb a = with.pixel(x, y);
                        const QRgb b = without.pixel(x, y);
                        if (std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                      std::abs(qBlue(a) - qBlue(b))}) < 24)
                            continue;
                        ++glyph;
                        legible += IconContrast::ratio(a, b) >= 3.0 ? 1 : 0;
                    }
                }
                const QString where = u"%1 px on %2: %3 of %4 glyph pixels at 3:1"_s.arg(size)
                                          .arg(panel.name())
                                          .arg(legible)
                                          .arg(glyph);
                QVERIFY2(glyph >= 3, qPrintable(where));
                // Antialiased edges blend into the ground; the strokes themselves must read.
                QVERIFY2(legible * 2 >= glyph, qPrintable(where));
            }
        }
    }

    void toolTipDatesResetsAndNamesMissingUsage_data()
    {
        qputenv("TZ", "UTC");
        QLocale::setDefault(QLocale::c());
        QTest::addColumn<QList<Service>>("services");
        QTest::addColumn<bool>("iconsOnly");
        QTest::addColumn<MenuBarDensity>("density");
        QTest::addColumn<QString>("expected");
        using A = ProviderAvailability;
        const auto compact = MenuBarDensity::compact;
        const double hour = 3600;
        const double day = 24 * hour;
        // Codex at 42 % whose window resets this many seconds from now.
        const auto codexResetIn = [](double seconds) {
            return QList<Service>{{"codex", "Codex", A::available, 0.42, seconds}};
        };
        const auto without = [](const char* id, const char* name, A availability) {
            return Service{id, name, availability, {}, {}, false};
        };
        QTest::newRow("late tonight")
            << codexResetIn(13 * hour + 59 * 60) << false << compact << u"Codex 42% 23:59"_s;
        QTest::newRow("just after midnight")
            << codexResetIn(14 * hour) << false << compact << u"Codex 42% Thu 00:00"_s;
        QTest::newRow("six days on") << codexResetIn(6 * day + 300) << false << compact
                                     << u"Codex 42% Tue 10:05"_s;
        QTest::newRow("a week on") << codexResetIn(7 * day) << false << compact
                                   << u"Codex 42% 11 Mar 2026 10:00"_s;
        QTest::newRow("in the past") << codexResetIn(-day) << false << compact
                                     << u"Codex 42% 3 Mar 2026 10:00"_s;
        // Icons only: the tray shows no text, so the tooltip still does.
        QTest::newRow("icons only") << codexResetIn(4 * hour + 300) << true << compact
                                    << u"Codex 42% 14:05"_s;
        QTest::newRow("detailed") << codexResetIn(day) << false << MenuBarDensity::detailed
                                  << u"Codex 42% Thu 10:00"_s;
        QTest::newRow("needs sign-in")
            << QList<Service>{{"codex", "Codex", A::available, 0.1, {}},
                              without("claude", "Claude", A::authenticationRequired)}
            << false << compact << u"Codex 10%\nClaude: Sign-in required"_s;
        QTest::newRow("update required") << QList{without("codex", "Codex", A::unsupportedVersion)} << false
                                         << compact << u"Codex: Update required"_s;
        QTest::newRow("failing") << QList{without("claude", "Claude", A::temporarilyUnavailable)} << false
                                 << compact << u"Claude: Usage unavailable"_s;
        QTest::newRow("window without share") << QList<Service>{{"claude", "Claude", A::available, {}, hour}}
                                              << false << compact << u"Claude: Usage unavailable"_s;
    }

    void toolTipDatesResetsAndNamesMissingUsage()
    {
        QFETCH(QList<Service>, services);
        QFETCH(bool, iconsOnly);
        QFETCH(MenuBarDensity, density);
        QFETCH(QString, expected);
        QList<ProviderViewState> providers;
        for (const Service& service : std::as_const(services))
            providers.append(state(service));
        QCOMPARE(StatusToolTip::text(providers, configuration(iconsOnly, density), now), expected);
    }
};

QTEST_MAIN(TestStatusIcon)
#include "TestStatusIcon.moc"
