// The floor that the application's start-up and idle cost are measured against: the least a
// Qt Widgets tray application can be. A drawn icon and a menu with Quit, nothing else.
//
// With TALLYVANE_REPORT_STARTUP set it prints "first-status-item-ms <N>" once the icon is shown,
// N counted from the process start the same way the application counts it.
// With --tray-available it only says whether the display has a tray, and exits 0 if it has.

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

// From the kernel's start time of this process, so the loader and the libraries count too.
long long processAgeMs()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Past the command name, which may hold spaces, field 22 (start time in ticks since boot) is the 20th.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000 -
           fields.value(19).toLongLong() * 1000 / sysconf(_SC_CLK_TCK);
}

QIcon drawnIcon()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x2f, 0x80, 0xed), 8));
    painter.drawArc(QRectF(8, 8, 48, 48), 90 * 16, -250 * 16);
    return QIcon(pixmap);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    if (QCoreApplication::arguments().contains(QStringLiteral("--tray-available"))) {
        std::printf("%s\n", trayAvailable ? "yes" : "no");
        return trayAvailable ? 0 : 1;
    }
    if (!trayAvailable)
        std::fprintf(stderr, "idle_floor: no system tray on this display\n");

    QMenu menu;
    menu.addAction(QStringLiteral("Quit"), &application, &QCoreApplication::quit);
    QSystemTrayIcon icon(drawnIcon());
    icon.setContextMenu(&menu);
    icon.show();

    if (qEnvironmentVariableIsSet("TALLYVANE_REPORT_STARTUP"))
        QTimer::singleShot(0, [] {
            std::printf("first-status-item-ms %lld\n", processAgeMs());
            std::fflush(stdout);
        });
    return QApplication::exec();
}
