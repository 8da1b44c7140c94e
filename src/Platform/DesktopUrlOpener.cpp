#include "DesktopUrlOpener.h"

#include "PortalRequestResponse.h"

#include <UsageDomain/SignalWait.h>

#include <QCoroDBusPendingCall>
#include <QCoroSignal>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

DesktopUrlOpener::DesktopUrlOpener()
    : DesktopUrlOpener(QDBusConnection::sessionBus(), Options{})
{
}

DesktopUrlOpener::DesktopUrlOpener(QDBusConnection bus, Options options, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_options(std::move(options))
{
}

QCoro::Task<bool> DesktopUrlOpener::open(QUrl url)
{
    const QPointer<DesktopUrlOpener> self(this);
    const PortalOutcome portal = co_await openThroughPortal(url);
    if (!self)
        co_return false;
    switch (portal) {
    case PortalOutcome::opened:
        co_return true;
    case PortalOutcome::declined:
        // The user closed the portal's chooser: opening it some other way would overrule them.
        co_return false;
    case PortalOutcome::unavailable:
        break;
    }
    co_return co_await openWithLauncher(url);
}

QCoro::Task<DesktopUrlOpener::PortalOutcome> DesktopUrlOpener::openThroughPortal(QUrl url)
{
    if (!m_bus.isConnected())
        co_return PortalOutcome::unavailable;

    const QString token = u"tallyvane%1"_s.arg(QRandomGenerator::global()->generate());
    PortalRequestResponse response(m_bus, token);
    QDBusMessage call = QDBusMessage::createMethodCall(u"org.freedesktop.portal.Desktop"_s,
                                                       u"/org/freedesktop/portal/desktop"_s,
                                                       u"org.freedesktop.portal.OpenURI"_s, u"OpenURI"_s);
    call << QString() << url.toString(QUrl::FullyEncoded) << QVariantMap{{u"handle_token"_s, token}};
    const QDBusMessage reply = co_await m_bus.asyncCall(call, static_cast<int>(m_options.callLimit.count()));
    if (reply.type() != QDBusMessage::ReplyMessage)
        co_return PortalOutcome::unavailable;

    std::optional<uint> code = response.answer();
    if (!code)
        code = co_await qCoro(&response, &PortalRequestResponse::answered, m_options.answerLimit);
    if (!code || *code == PortalRequestResponse::success)
        co_return PortalOutcome::opened; // no word within the limit: the portal took it
    if (*code == PortalRequestResponse::cancelled)
        co_return PortalOutcome::declined;
    co_return PortalOutcome::unavailable;
}

QCoro::Task<bool> DesktopUrlOpener::openWithLauncher(QUrl url)
{
    auto* process = new QProcess(this);
    process->setProgram(m_options.launcher);
    process->setArguments({url.toString(QUrl::FullyEncoded)});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    const QPointer<QProcess> running(process);
    process->start(QIODevice::NotOpen);
    // A launcher that cannot be started ends as soon as one that exits: both leave the
    // running state, which is what is waited for.
    const QDeadlineTimer deadline(m_options.launcherLimit);
    while (process->state() != QProcess::NotRunning && !deadline.hasExpired()) {
        const auto remaining = std::chrono::milliseconds(std::max<qint64>(1, deadline.remainingTime()));
        co_await SignalWait::until(this, process, &QProcess::stateChanged, remaining);
        if (!running)
            co_return false;
    }
    if (process->state() != QProcess::NotRunning) {
        // Left to run (and be reaped) on its own: it has started a browser that stays in front.
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        co_return true;
    }
    process->deleteLater();
    co_return process->error() != QProcess::FailedToStart && process->exitStatus() == QProcess::NormalExit &&
        process->exitCode() == 0;
}

} // namespace tallyvane
