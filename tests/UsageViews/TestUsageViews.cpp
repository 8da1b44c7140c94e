#include "AppModelFixture.h"

#include <UsageViews/Appearance.h>
#include <UsageViews/IconView.h>
#include <UsageViews/ProviderConnectionButton.h>
#include <UsageViews/ProviderMark.h>
#include <UsageViews/ProviderMarkImage.h>
#include <UsageViews/ProviderPalette.h>
#include <UsageViews/RefreshStateLabel.h>
#include <UsageViews/SymbolIcon.h>
#include <UsageViews/UsageColors.h>
#include <UsageViews/UsageRing.h>
#include <UsageViews/UsageWindowText.h>

#include <QCoroTask>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {

const Instant now = Instant::fromDateTime(QDateTime(QDate(2026, 3, 4), QTime(10, 0)));

UsageWindowSample window(std::optional<double> used, std::optional<double> resetIn,
                         std::optional<std::int64_t> duration = {}, std::optional<double> startedAgo = {})
{
    UsageWindowSample sample;
    if (used)
        sample.usedFraction = Decimal::fromDouble(*used);
    if (resetIn)
        sample.resetAt = now.addingSeconds(*resetIn);
    sample.durationSeconds = duration;
    if (startedAgo)
        sample.windowStart = now.addingSeconds(-*startedAgo);
    return sample;
}

// The glyph's strongest pixel drawn over the window colour, and that colour.
std::pair<QColor, QColor> glyphAndGround(QWidget& widget)
{
    const QColor ground = widget.palette().color(QPalette::Window);
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(ground);
    {
        QPainter painter(&image);
        painter.drawImage(0, 0, widget.grab().toImage());
    }
    QColor glyph = ground;
    int strongest = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int distance = std::abs(pixel.red() - ground.red()) +
                                 std::abs(pixel.green() - ground.green()) +
                                 std::abs(pixel.blue() - ground.blue());
            if (distance > strongest) {
                strongest = distance;
                glyph = pixel;
            }
        }
    }
    return {glyph, ground};
}

} // namespace

class TestUsageViews : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void symbolsFollowALightDarkSwitch_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("label in the text colour") << 0;
        QTest::newRow("label in the warning colour") << 1;
        QTest::newRow("icon in the text colour") << 2;
        QTest::newRow("icon in the accent colour") << 3;
        QTest::newRow("provider mark") << 4;
    }
    // Made while the palette is light, then switched to dark: the glyph must be drawn anew for
    // the dark ground, as one made in dark would be.
    void symbolsFollowALightDarkSwitch()
    {
        QFETCH(int, kind);
        const QPalette light = QApplication::style()->standardPalette();
        QApplication::setPalette(light);
        const auto warningInk = [](const QPalette& palette) {
            return UsageColors::warning(Appearance::isDark(palette));
        };
        std::unique_ptr<QWidget> widget;
        if (kind <= 1) {
            auto* label = new QLabel;
            SymbolIcon::showIn(label, kind == 0 ? u"clock"_s : u"exclamationmark.triangle"_s, 24,
                               kind == 0 ? SymbolIcon::Ink() : SymbolIcon::Ink(warningInk));
            label->setFixedSize(24, 24);
            widget.reset(label);
        } else if (kind <= 3) {
            widget = std::make_unique<IconView>(
                kind == 2 ? SymbolIcon::named(u"gearshape"_s)
                          : SymbolIcon::inked(u"checkmark.shield"_s, &UsageColors::accentOn),
                24);
        } else {
            widget = std::make_unique<ProviderMark>(ProviderService::codex, 24);
        }
        const auto [lightGlyph, lightGround] = glyphAndGround(*widget);
        QVERIFY2(lightGlyph.lightnessF() < lightGround.lightnessF(), qPrintable(lightGlyph.name()));

        QApplication::setPalette(Appearance::darkPalette());
        QCoreApplication::processEvents();
        const auto [darkGlyph, darkGround] = glyphAndGround(*widget);
        QApplication::setPalette(light);
        QVERIFY2(darkGlyph.lightnessF() > darkGround.lightnessF(), qPrintable(darkGlyph.name()));
        // Coloured glyphs have a lighter variant for dark surfaces.
        QVERIFY2(darkGlyph != lightGlyph, qPrintable(darkGlyph.name()));
    }

    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void levelColourChangesAtTheThresholds_data()
    {
        QTest::addColumn<double>("used");
        QTest::addColumn<QString>("expected");
        for (bool dark : {false, true}) {
            const auto row = [dark](const char* name, double used, const char* expected) {
                QTest::addRow("%s %s", dark ? "dark" : "light", name)
                    << used << QString::fromLatin1(expected);
            };
            row("below warning", 0.7499, "base");
            row("at warning", 0.75, "warning");
            row("below critical", 0.9199, "warning");
            row("at critical", 0.92, "critical");
            row("over the limit", 1.3, "critical");
        }
    }
    void levelColourChangesAtTheThresholds()
    {
        QFETCH(double, used);
        QFETCH(QString, expected);
        const bool dark = QString::fromLatin1(QTest::currentDataTag()).startsWith("dark"_L1);
        for (ProviderService service : allCases<ProviderService>()) {
            const ProviderPalette palette = ProviderPalette::forService(service, dark);
            const QColor wanted = expected == "base"_L1      ? palette.base
                                  : expected == "warning"_L1 ? UsageColors::warning(dark)
                                                             : UsageColors::critical(dark);
            QCOMPARE(palette.levelColor(used, dark), wanted);
        }
    }

    void buttonFitsTheSituation_data()
    {
        QTest::addColumn<ProviderService>("service");
        QTest::addColumn<ProviderConnectionStatus>("status");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("help");
        using S = ProviderConnectionStatus;
        const auto codex = ProviderService::codex;
        const auto claude = ProviderService::claude;
        const QString guide = u"Open the official Codex CLI installation guide"_s;
        QTest::newRow("codex missing") << codex << S::notInstalled << u"Install"_s << guide;
        QTest::newRow("codex too old") << codex << S::unsupportedVersion << u"Update"_s << guide;
        QTest::newRow("codex signed out") << codex << S::signedOut << u"Connect"_s
                                          << u"Opens the official ChatGPT sign-in managed by Codex."_s;
        QTest::newRow("codex connected")
            << codex << S::signedIn << u"Disconnect"_s
            << u"Signs out the shared ChatGPT session used by Tallyvane and the Codex CLI."_s;
        QTest::newRow("claude disconnected")
            << claude << S::disconnected << u"Connect"_s
            << u"Opens Claude sign-in in your browser. Inference permission is never requested."_s;
        QTest::newRow("claude connected")
            << claude << S::signedIn << u"Disconnect"_s
            << u"Revokes this app's Claude tokens and removes them from the keyring."_s;
    }
    void buttonFitsTheSituation()
    {
        QFETCH(ProviderService, service);
        QFETCH(ProviderConnectionStatus, status);
        QFETCH(QString, title);
        QFETCH(QString, help);
        AppModelFixture fixture;
        fixture.authentication->setStatus({service, status, u"detail"_s});
        fixture.refresh();
        QList<QUrl> opened;
        const ViewServices services = fixture.viewServices([&opened](const QUrl& url) {
            opened.append(url);
            return true;
        });
        ProviderConnectionButton button(services, service, false);
        QCOMPARE(button.text(), title);
        QCOMPARE(button.toolTip(), help);

        button.click();
        const bool guideOpens = title == "Install"_L1 || title == "Update"_L1;
        QCOMPARE(opened.size(), guideOpens ? 1 : 0);
        if (guideOpens)
            QCOMPARE(opened.first().host(), u"developers.openai.com"_s);
        QCOMPARE(fixture.authentication->loginCount(service), title == "Connect"_L1 ? 1 : 0);
        QTRY_COMPARE(fixture.authentication->disconnectCount(service), title == "Disconnect"_L1 ? 1 : 0);
    }

    void buttonsWaitWhileAnySignInRuns()
    {
        AppModelFixture fixture;
        fixture.authentication->setStatus(FakeAuthenticator::signedOut(ProviderService::codex));
        fixture.authentication->setStatus(FakeAuthenticator::signedOut(ProviderService::claude));
        fixture.refresh();
        const ViewServices services = fixture.viewServices();
        ProviderConnectionButton codex(services, ProviderService::codex, true);
        ProviderConnectionButton claude(services, ProviderService::claude, false);
        fixture.authentication->holdActions();
        codex.click();
        QVERIFY(!codex.isEnabled());
        QVERIFY(!claude.isEnabled());
        fixture.authentication->setStatus(FakeAuthenticator::signedIn(ProviderService::codex));
        fixture.authentication->release();
        QTRY_VERIFY(claude.isEnabled());
        QTRY_COMPARE(codex.text(), u"Disconnect"_s);
    }

    void resetText_data()
    {
        QTest::addColumn<UsageWindowSample>("sample");
        QTest::addColumn<QString>("expected");
        QTest::newRow("reset ahead") << window(0.4, 2 * 3600 + 59) << u"in 2 hr."_s;
        QTest::newRow("unused with reset") << window(0.0, 300) << u"in 5 min."_s;
        QTest::newRow("unused, no reset") << window(0.0, {}) << u"Not started"_s;
        QTest::newRow("barely used, no reset") << window(0.001, {}) << u"Unknown"_s;
        QTest::newRow("nothing reported") << window({}, {}) << u"Unknown"_s;
    }
    void resetText()
    {
        QFETCH(UsageWindowSample, sample);
        QFETCH(QString, expected);
        QCOMPARE(UsageWindowText::resetText(sample, now), expected);
    }

    void spanHelp_data()
    {
        QTest::addColumn<UsageWindowSample>("sample");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no reset") << window(0.2, {}, 18000) << u"No reset time reported"_s;
        QTest::newRow("start from duration")
            << window(0.2, 3600, 18000) << u"This window runs 06:00 – 11:00"_s;
        QTest::newRow("reported start wins")
            << window(0.2, 3600, 18000, 1800) << u"This window runs 09:30 – 11:00"_s;
        QTest::newRow("ends another day")
            << window(0.2, 2 * 86400, 3 * 86400) << u"This window runs Tue 10:00 – Fri 10:00"_s;
        QTest::newRow("only the reset") << window(0.2, 3600) << u"Resets 11:00"_s;
    }
    void spanHelp()
    {
        QFETCH(UsageWindowSample, sample);
        QFETCH(QString, expected);
        QCOMPARE(UsageWindowText::spanHelp(sample, now), expected);
        QCOMPARE(UsageWindowText::span(sample).has_value(), expected.startsWith("This window"_L1));
    }

    void ringReadsItsValue_data()
    {
        QTest::addColumn<std::optional<double>>("fraction");
        QTest::addColumn<QString>("expected");
        QTest::newRow("whole percent") << std::optional(0.314) << u"31 percent Session"_s;
        QTest::newRow("half rounds up") << std::optional(0.125) << u"13 percent Session"_s;
        QTest::newRow("over the limit") << std::optional(1.04) << u"104 percent Session"_s;
        QTest::newRow("no data") << std::optional<double>() << u"no data"_s;
    }
    void ringReadsItsValue()
    {
        QFETCH(std::optional<double>, fraction);
        QFETCH(QString, expected);
        UsageRing ring(ProviderService::claude);
        ring.setCaption(u"Session"_s);
        ring.setUsedFraction(fraction);
        QCOMPARE(ring.accessibleName(), expected);
    }

    void everySymbolAndMarkHasArtwork_data()
    {
        QTest::addColumn<QString>("symbol");
        // Every symbol the views name.
        const QString symbols =
            u"arrow.clockwise gearshape power eye.slash exclamationmark.triangle "
            "person.crop.circle.badge.exclamationmark clock clock.arrow.circlepath chart.xyaxis.line "
            "person.crop.circle menubar.rectangle checkmark.shield stethoscope hand.raised info.circle "
            "exclamationmark.triangle.fill exclamationmark.octagon.fill memorychip text.badge.xmark bolt "
            "internaldrive.badge.xmark chevron.left gauge.with.dots.needle.67percent"_s;
        for (const QString& name : symbols.split(u' '))
            QTest::newRow(qPrintable(name)) << name;
    }
    void everySymbolAndMarkHasArtwork()
    {
        QFETCH(QString, symbol);
        QVERIFY(!SymbolIcon::themeName(symbol).isEmpty());
        const QImage image = SymbolIcon::named(symbol, Qt::red).pixmap(QSize(24, 24), 2.0).toImage();
        QCOMPARE(image.size(), QSize(48, 48));
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; ++y) {
            for (int x = 0; x < image.width() && !drawn; ++x)
                drawn = image.pixelColor(x, y).alpha() > 0;
        }
        QVERIFY(drawn);
        for (ProviderService service : allCases<ProviderService>())
            QVERIFY(QFile::exists(u":/tallyvane/marks/"_s + ProviderMarkImage::resourceName(service) +
                                  u".svg"_s));
    }

    void refreshState()
    {
        QCOMPARE(RefreshStateLabel::text(true, now, now), u"Refreshing"_s);
        QCOMPARE(RefreshStateLabel::text(false, std::nullopt, now), u"Awaiting data"_s);
        QCOMPARE(RefreshStateLabel::text(false, now.addingSeconds(-180), now), u"Updated 3 min. ago"_s);
    }
};

} // namespace tallyvane::testing

QTEST_MAIN(tallyvane::testing::TestUsageViews)
#include "TestUsageViews.moc"
