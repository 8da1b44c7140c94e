// Renders the popover, the dashboard, the settings pages and onboarding over realistic usage
// at twice the scale, light and dark, with a fixed locale so the pictures read the same
// wherever they are made.
#include "AppModelFixture.h"
#include "RealisticUsage.h"

#include <Dashboard/DashboardView.h>
#include <Dashboard/DashboardWindow.h>
#include <MenuBar/UsagePopover.h>
#include <Onboarding/OnboardingView.h>
#include <Onboarding/OnboardingWindowController.h>
#include <Settings/SettingsDisclosure.h>
#include <Settings/SettingsWindow.h>
#include <Settings/UsageSettingsView.h>
#include <TallyvaneUI/LoginItemController.h>
#include <UsageViews/Appearance.h>

#include <QApplication>
#include <QDir>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryFile>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

void setDark(bool dark)
{
    QApplication::setPalette(dark ? Appearance::darkPalette() : QApplication::style()->standardPalette());
}

// Both services answering as a real user's would, refreshed 40 seconds ago.
struct Scene {
    AppModelFixture fixture;
    ViewServices services = fixture.viewServices();

    Scene() { fixture.answerRealistically(); }

    void settle()
    {
        fixture.clock.advance(40);
        QCoreApplication::processEvents();
    }
};

bool save(QWidget& window, const QString& path)
{
    window.show();
    QCoreApplication::processEvents();
    return window.grab().save(path);
}

bool popover(const QString& path, bool dark, bool claudeSignedIn)
{
    setDark(dark);
    Scene scene;
    if (!claudeSignedIn)
        scene.fixture.authentication->setStatus(FakeAuthenticator::signedOut(ProviderService::claude));
    QCoro::waitFor(scene.fixture.model->start());
    scene.settle();
    UsagePopover view(scene.services);
    return save(view, path);
}

bool dashboard(const QString& path, bool dark, bool codexFails)
{
    setDark(dark);
    Scene scene;
    QCoro::waitFor(scene.fixture.model->start());
    if (codexFails) {
        // A failed refresh, then a scheduled one that passes the backing-off service over.
        scene.fixture.codex->setCollection(RealisticUsage::failure());
        scene.fixture.clock.advance(200);
        scene.fixture.refresh();
        scene.fixture.clock.advance(12);
        QCoro::waitFor(scene.fixture.model->refresh(RefreshTrigger::scheduled));
    }
    scene.settle();
    DashboardWindow window(scene.services, {});
    window.show();
    window.view()->advanceClock();
    // The whole content in one picture rather than the first screen of it.
    window.resize(980, window.view()->sizeHint().height());
    return save(window, path);
}

bool settings(const QDir& folder)
{
    setDark(false);
    Scene scene;
    ProviderCollectionResult claude =
        RealisticUsage::collection(ProviderService::claude, scene.fixture.clock.current());
    claude.diagnostics << ProviderDiagnostic{DiagnosticSeverity::warning, u"claude.partial_usage"_s,
                                             u"Claude reported only some of its usage windows."_s};
    scene.fixture.claude->setCollection(claude);
    scene.fixture.refresh();
    scene.settle();
    LoginItemController loginItem;
    SettingsWindow window(scene.services, scene.fixture.notifications, loginItem,
                          [](QWidget*, const QString&) { return QString(); });
    window.show();
    for (SettingsDisclosure* item : window.findChildren<SettingsDisclosure*>())
        item->setExpanded(true);
    const auto page = [&](SettingsDestination destination, int height, const QString& name) {
        window.content()->select(destination);
        window.resize(640, height);
        return save(window, folder.filePath(name));
    };
    return page(SettingsDestination::accounts, 560, u"settings-accounts.png"_s) &&
           page(SettingsDestination::menuBar, 560, u"settings-menubar.png"_s) &&
           page(SettingsDestination::general, 980, u"settings-general.png"_s);
}

bool onboarding(const QDir& folder)
{
    setDark(false);
    Scene scene;
    scene.fixture.authentication->setStatus(FakeAuthenticator::signedOut(ProviderService::claude));
    scene.fixture.refresh();
    OnboardingWindowController controller(scene.services);
    controller.showIfNeeded();
    const bool first = save(*controller.window(), folder.filePath(u"onboarding-1.png"_s));
    controller.view()->setStep(1, false);
    return save(*controller.window(), folder.filePath(u"onboarding-2.png"_s)) && first;
}

} // namespace

int main(int argc, char** argv)
{
    // Windows are kept on their screen, so the offscreen screen must hold the largest of them.
    QTemporaryFile screens;
    if (!screens.open() ||
        screens.write(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": 2400, "height": 2000}]})") <
            0)
        return 1;
    screens.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", "2");
    qputenv("TALLYVANE_REDUCE_MOTION", "1");
    qputenv("TZ", "UTC");
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"docs/screenshots"_s);

    const bool saved = popover(folder.filePath(u"popover-light.png"_s), false, true) &&
                       popover(folder.filePath(u"popover-dark.png"_s), true, true) &&
                       popover(folder.filePath(u"popover-signed-out.png"_s), false, false) &&
                       dashboard(folder.filePath(u"dashboard-light.png"_s), false, false) &&
                       dashboard(folder.filePath(u"dashboard-dark.png"_s), true, true) && settings(folder) &&
                       onboarding(folder);
    return saved ? 0 : 1;
}
