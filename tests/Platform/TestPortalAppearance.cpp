#include <Platform/PortalAppearance.h>

#include "FakePortalSettings.h"

#include <QSignalSpy>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString appearance = u"org.freedesktop.appearance"_s;
const QString gnomeInterface = u"org.gnome.desktop.interface"_s;

// Long enough for a reply from a portal that is there; the rows that expect nothing wait it out.
constexpr int answerWaitMs = 300;

} // namespace

class TestPortalAppearance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsWhatTheDesktopPublishes_data()
    {
        QTest::addColumn<bool>("portal");
        QTest::addColumn<QVariant>("scheme");
        QTest::addColumn<QVariant>("animations");
        QTest::addColumn<std::optional<ColorSchemePreference>>("expectedScheme");
        QTest::addColumn<std::optional<bool>>("expectedAnimations");
        using C = ColorSchemePreference;
        const QVariant none;
        const std::optional<C> noScheme;
        const std::optional<bool> noFlag;
        QTest::newRow("no portal") << false << none << none << noScheme << noFlag;
        QTest::newRow("nothing published") << true << none << none << noScheme << noFlag;
        QTest::newRow("light") << true << QVariant(2u) << none << std::optional(C::light) << noFlag;
        QTest::newRow("unknown code") << true << QVariant(7u) << none << noScheme << noFlag;
        QTest::newRow("text instead of a number")
            << true << QVariant(u"dark"_s) << none << noScheme << noFlag;
        // Dark and no preference are read in the rows that carry the GNOME animations flag.
        QTest::newRow("GNOME without animations")
            << true << QVariant(1u) << QVariant(false) << std::optional(C::dark) << std::optional(false);
        QTest::newRow("GNOME with animations") << true << QVariant(0u) << QVariant(true)
                                               << std::optional(C::noPreference) << std::optional(true);
    }

    void readsWhatTheDesktopPublishes()
    {
        QFETCH(bool, portal);
        QFETCH(QVariant, scheme);
        QFETCH(QVariant, animations);
        QFETCH(std::optional<ColorSchemePreference>, expectedScheme);
        QFETCH(std::optional<bool>, expectedAnimations);
        FakePortalSettings fake;
        if (scheme.isValid())
            fake.set(appearance, u"color-scheme"_s, scheme);
        if (animations.isValid())
            fake.set(gnomeInterface, u"enable-animations"_s, animations);
        if (portal)
            QVERIFY(fake.start());

        PortalAppearance reader;
        if (expectedScheme || expectedAnimations)
            QTRY_VERIFY(reader.colorScheme() == expectedScheme &&
                        reader.animationsEnabled() == expectedAnimations);
        else
            QTest::qWait(answerWaitMs);
        QCOMPARE(reader.colorScheme(), expectedScheme);
        QCOMPARE(reader.animationsEnabled(), expectedAnimations);
    }

    void followsLaterChanges()
    {
        FakePortalSettings fake;
        fake.set(appearance, u"color-scheme"_s, 0u);
        QVERIFY(fake.start());
        PortalAppearance reader;
        QTRY_COMPARE(reader.colorScheme(), std::optional(ColorSchemePreference::noPreference));

        QSignalSpy changes(&reader, &PortalAppearance::changed);
        fake.change(appearance, u"color-scheme"_s, 1u);
        QTRY_COMPARE(reader.colorScheme(), std::optional(ColorSchemePreference::dark));
        fake.change(gnomeInterface, u"enable-animations"_s, false);
        QTRY_COMPARE(reader.animationsEnabled(), std::optional(false));
        // Settings the application does not use pass unnoticed.
        fake.change(appearance, u"accent-color"_s, 3u);
        QTest::qWait(answerWaitMs);
        QCOMPARE(changes.count(), 2);
    }
};

QTEST_MAIN(TestPortalAppearance)
#include "TestPortalAppearance.moc"
