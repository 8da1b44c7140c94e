#include <TallyvaneUI/MenuBarSettings.h>

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

class TestMenuBarSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void appliesFallbacks()
    {
        const QString codex = providerID(ProviderService::codex);
        const QString claude = providerID(ProviderService::claude);
        const QTemporaryDir dir;
        Preferences preferences(dir.filePath(u"preferences.json"_s));
        QVERIFY(preferences.setPercentageMode(u"Remaining"_s) && preferences.setDensity(u"dense"_s) &&
                preferences.setWindowKind(u"modelSpecific"_s));
        QCOMPARE(
            MenuBarSettings::read(preferences),
            (MenuBarConfiguration{.enabledProviderIDs = {codex, claude}, .providerOrder = {codex, claude}}));

        QVERIFY(preferences.setWindowKind(u"unknown"_s) &&
                preferences.setShowService(ProviderService::codex, false) &&
                preferences.setValue(u"menu.providerOrder"_s, u"claude,claude,Codex"_s));
        QCOMPARE(MenuBarSettings::read(preferences),
                 (MenuBarConfiguration{.enabledProviderIDs = {claude},
                                       .providerOrder = {claude, codex},
                                       .selectedWindowKind = std::nullopt}));
    }

    void formatsResetTimeAsTheLocaleDoes()
    {
        qputenv("TZ", "UTC");
        const auto format = [](QLocale locale) {
            QLocale::setDefault(locale);
            // Newer locale data writes a narrow no-break space before the day period.
            return MenuBarSettings::resetTimeFormat()(Instant::fromSecondsSince1970(1699970700)).simplified();
        };
        QCOMPARE(format(QLocale(QLocale::German, QLocale::Germany)), u"14:05"_s);
        QCOMPARE(format(QLocale(QLocale::English, QLocale::UnitedStates)), u"2:05 PM"_s);
        // The C locale's short time carries seconds; the item never does.
        QCOMPARE(format(QLocale::c()), u"14:05"_s);
        // An instant past every date has no time to show, whatever a conversion would make of it.
        QCOMPARE(MenuBarSettings::resetTimeFormat()(Instant::fromSecondsSince1970(1e300)), QString());
        QCOMPARE(MenuBarSettings::resetTimeFormat()(Instant::fromSecondsSince1970(std::nan(""))), QString());
    }
};

QTEST_GUILESS_MAIN(TestMenuBarSettings)
#include "TestMenuBarSettings.moc"
