#include "AppearanceFollower.h"
#include "SingleInstance.h"
#include "TallyvaneAppDelegate.h"
#include "TerminationSignals.h"

#include <MenuBar/MenuBarController.h>
#include <ProviderKit/BlockingPool.h>
#include <ProviderKit/ChildProcess.h>
#include <ProviderKit/CodexOAuthSession.h>
#include <ProviderKit/ProcessSignals.h>
#include <Settings/SaveFileChooser.h>
#include <TallyvaneUI/ApplicationCore.h>
#include <UsageDomain/Localizable.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QIcon>
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

    const auto openUrl =
        CodexOAuthSession::onMainThread([](const QUrl& url) { return QDesktopServices::openUrl(url); });
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

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallyvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tallyvane"));
    QApplication::setApplicationVersion(QStringLiteral(TALLYVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("app.tallyvane.Tallyvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tallyvane/app.tallyvane.Tallyvane.svg")));

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
