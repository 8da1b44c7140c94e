#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>

namespace tallyvane::testing {

// Starts a session bus of its own, listening in `directory`. Without a <servicedir> nothing on it
// is ever activated, not even a prompter. `policy` adds to a default policy that lets anyone send
// and own names. Returns the bus's address; empty when it did not start.
inline QString startPrivateSessionBus(QProcess& bus, const QString& directory, const QByteArray& policy = {})
{
    QFile config(directory + QStringLiteral("/bus.conf"));
    if (!config.open(QIODevice::WriteOnly))
        return {};
    config.write(QByteArray("<busconfig><type>session</type><listen>unix:dir=") + directory.toUtf8() +
                 "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
                 "<allow own=\"*\"/>" +
                 policy + "</policy></busconfig>\n");
    config.close();
    bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                                              QStringLiteral("--config-file"), config.fileName()});
    if (!bus.waitForReadyRead(10'000))
        return {};
    return QString::fromUtf8(bus.readLine().trimmed());
}

} // namespace tallyvane::testing
