#pragma once

#include <QCoroTask>
#include <QDBusConnection>
#include <QObject>
#include <QUrl>

#include <chrono>

namespace tallyvane {

// Opens addresses in the user's browser: through the XDG desktop portal's OpenURI where a portal
// answers, else by running xdg-open with the address as its one argument. Sign-in addresses
// carry their state and challenge, so nothing here prints them, and what the launcher prints
// goes nowhere (a desktop session keeps standard error in its journal).
class DesktopUrlOpener : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString launcher = QStringLiteral("xdg-open");
        // How long the portal may take to answer the call, and the launcher to finish. A
        // launcher still running then has started a browser that stays in front of it.
        std::chrono::milliseconds callLimit{5'000};
        std::chrono::milliseconds launcherLimit{10'000};
        // How long the portal may take to say how the request ended (it may ask the user).
        std::chrono::milliseconds answerLimit{120'000};
    };

    DesktopUrlOpener();
    DesktopUrlOpener(QDBusConnection bus, Options options, QObject* parent = nullptr);

    // Whether something on the desktop took the address.
    QCoro::Task<bool> open(QUrl url);

private:
    enum class PortalOutcome { opened, declined, unavailable };
    QCoro::Task<PortalOutcome> openThroughPortal(QUrl url);
    QCoro::Task<bool> openWithLauncher(QUrl url);

    QDBusConnection m_bus;
    Options m_options;
};

} // namespace tallyvane
