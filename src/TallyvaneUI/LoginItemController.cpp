#include "LoginItemController.h"

#include <Platform/XdgAutostartEntry.h>
#include <UsageDomain/Localizable.h>

namespace tallyvane {

namespace {

LoginItemController::State stateFor(XdgAutostartEntry::Status status)
{
    switch (status) {
    case XdgAutostartEntry::Status::enabled:
        return LoginItemController::State::enabled;
    case XdgAutostartEntry::Status::notFound:
        return LoginItemController::State::unavailable;
    case XdgAutostartEntry::Status::notRegistered:
        break;
    }
    return LoginItemController::State::disabled;
}

QString descriptionOf(XdgAutostartEntry::Error error)
{
    switch (error) {
    case XdgAutostartEntry::Error::notInstalled:
        return localized("Launch at login needs the installed application.");
    case XdgAutostartEntry::Error::writeFailed:
        return localized("The autostart entry could not be written.");
    case XdgAutostartEntry::Error::removeFailed:
        break;
    }
    return localized("The autostart entry could not be removed.");
}

} // namespace

LoginItemController::LoginItemController(QObject* parent)
    : QObject(parent)
{
    refresh();
}

std::optional<QString> LoginItemController::messageFor(State state, const std::optional<QString>& failure)
{
    switch (state) {
    case State::awaitingApproval:
        return localized("Approve Tallyvane in System Settings to finish enabling this.");
    case State::unavailable:
        return failure ? failure : localized("Launch at login needs the installed application.");
    case State::enabled:
    case State::disabled:
        break;
    }
    return failure;
}

void LoginItemController::refresh()
{
    update(stateFor(XdgAutostartEntry::status()), m_failure);
}

void LoginItemController::setEnabled(bool on)
{
    const std::expected<void, XdgAutostartEntry::Error> outcome =
        on ? XdgAutostartEntry::registerEntry() : XdgAutostartEntry::unregisterEntry();
    std::optional<QString> failure;
    if (!outcome)
        failure = descriptionOf(outcome.error());
    update(stateFor(XdgAutostartEntry::status()), std::move(failure));
}

void LoginItemController::update(State state, std::optional<QString> failure)
{
    const std::optional<QString> oldMessage = message();
    const bool stateDiffers = state != m_state;
    const bool failureDiffers = failure != m_failure;
    m_state = state;
    m_failure = std::move(failure);
    if (stateDiffers)
        Q_EMIT stateChanged();
    if (failureDiffers)
        Q_EMIT failureChanged();
    if (message() != oldMessage)
        Q_EMIT messageChanged();
}

} // namespace tallyvane
