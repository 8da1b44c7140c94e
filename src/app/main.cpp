#include "AppearanceFollower.h"
#include "ApplicationIdentity.h"
#include "SingleInstance.h"
#include "TallyvaneAppDelegate.h"
#include "TallyvaneCommandLine.h"
#include "TerminationSignals.h"

#include <MenuBar/MenuBarController.h>
#include <Platform/PortalAppearance.h>
#include <ProviderKit/BlockingPool.h>
#include <ProviderKit/ChildProcess.h>
#include <ProviderKit/CodexOAuthSession.h>
#include <ProviderKit/ProcessSignals.h>
#include <Settings/SaveFileChooser.h>
#include <TallyvaneUI/ApplicationCore.h>
#include <UsageDomain/Localizable.h>
#include <UsageViews/LinkOpener.h>

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QThreadPool>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <ctime>
#include <unistd.h>

using namespace tallyvane;

// Milliseconds since the kernel started this process (loader and libraries included), for the
// start-up benchmark: /proc/self/stat field 22 is the start in clock ticks since boot.
static long long processAgeMs()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000 -
           fields.value(19).toLongLong() * 1000 / sysconf(_SC_CLK_TCK);
}

// Everything that lives while the application runs, torn down before main() returns.
static int run(SingleInstance& instance)
{
    // Before any window: the desktop's light or dark wish and its animation switch.
    const PortalAppearance portalAppearance;
    const AppearanceFollower appearance(portalAppearance);

    // Not QDesktopServices: where it finds no browser it prints the whole address, sign-in
    // state and challenge included, to standard error.
    DesktopUrlOpener desktopOpener;
    LinkOpener links(LinkOpener::desktop(desktopOpener));
    const auto openUrl =
        CodexOAuthSession::onMainThread([&links](const QUrl& url) { return links.open(url); });
    ApplicationCore core(openUrl);
    const ViewServices services{core.model(), core.preferences(), &Instant::now, openUrl};
    TallyvaneAppDelegate delegate(services, core.notifications(),
                                  {.chooseSaveFile = plainTextSaveDialog(localized("Export Diagnostics"))});
    // The end of the session, `kill` and Ctrl+C leave the way the Quit command does.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &delegate,
                     &TallyvaneAppDelegate::quit);

    QObject::connect(&instance, &SingleInstance::activationRequested, &delegate,
                     &TallyvaneAppDelegate::showDashboard);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &delegate,
                     &TallyvaneAppDelegate::applicationWillTerminate);
    QTimer::singleShot(0, &delegate, &TallyvaneAppDelegate::applicationDidFinishLaunching);
    // scripts/lib/bench-idle times the first drawn tray icon. The controller draws it while it
    // is built during launch completion, so that redraw is read here right after.
    if (qEnvironmentVariableIsSet("TALLYVANE_REPORT_STARTUP"))
        QTimer::singleShot(0, &delegate, [&delegate] {
            const auto report = [] {
                std::printf("first-status-item-ms %lld\n", processAgeMs());
                std::fflush(stdout);
            };
            if (delegate.menuBar()->redrawCount() > 0)
                return report();
            QObject::connect(delegate.menuBar(), &MenuBarController::statusItemRedrawn, delegate.menuBar(),
                             report, Qt::SingleShotConnection);
        });
    return QApplication::exec();
}

int main(int argc, char* argv[])
{
    // Writing to a child that has gone away must be a failed write, not the end of the app.
    ignoreSigpipeProcessWide();

    ApplicationIdentity::name(QStringLiteral(TALLYVANE_VERSION));
    // --help and --version need no display, so they are answered before QApplication exists.
    TallyvaneCommandLine::process(argc, argv);

    QApplication application(argc, argv);
    ApplicationIdentity::applyIcon();

    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("tallyvane"), QStringLiteral("_"),
                        QStringLiteral(":/i18n")))
        QApplication::installTranslator(&translator);

    SingleInstance instance(SingleInstance::sessionName());
    if (instance.handOverToRunningInstance())
        return 0;

    const int status = run(instance);
    // The children the parts left behind are reaped on the blocking pool; give them their
    // grace period rather than leaving them to the system.
    blockingPool().waitForDone(static_cast<int>((ChildProcess::terminationGrace * 2).count()));
    return status;
}
