#pragma once

#include <UsageDomain/EnumCases.h>

#include <QObject>
#include <QString>

#include <optional>

namespace tallyvane {

// Launch at login for the General settings page: the registration state as the desktop session
// sees it (the XDG autostart entry is the only truth; nothing else is stored) and the text shown
// under the toggle. One controller per page; refresh() when the page appears.
class LoginItemController : public QObject {
    Q_OBJECT
    Q_PROPERTY(State state READ state NOTIFY stateChanged)
    Q_PROPERTY(QString failure READ failureText NOTIFY failureChanged)
    Q_PROPERTY(bool isOn READ isOn NOTIFY stateChanged)
    Q_PROPERTY(QString message READ messageText NOTIFY messageChanged)
public:
    enum class State { enabled, disabled, awaitingApproval, unavailable };
    Q_ENUM(State)

    explicit LoginItemController(QObject* parent = nullptr);

    State state() const { return m_state; }
    // The description of the last failed change; absent after a successful one.
    std::optional<QString> failure() const { return m_failure; }
    QString failureText() const { return m_failure.value_or(QString()); }
    bool isOn() const { return m_state == State::enabled || m_state == State::awaitingApproval; }
    // The text under the toggle, absent when there is nothing to say.
    std::optional<QString> message() const { return messageFor(m_state, m_failure); }
    QString messageText() const { return message().value_or(QString()); }

    static std::optional<QString> messageFor(State state, const std::optional<QString>& failure);

    // Virtual so that view tests can stand in for the desktop's answers.
    // Reads the autostart entry again.
    virtual void refresh();
    // Writes or removes the autostart entry, records the outcome in failure(), then refreshes.
    virtual void setEnabled(bool on);

Q_SIGNALS:
    void stateChanged();
    void failureChanged();
    void messageChanged();

protected:
    void update(State state, std::optional<QString> failure);

private:
    State m_state = State::disabled;
    std::optional<QString> m_failure;
};

template <> struct EnumCases<LoginItemController::State> {
    static constexpr std::array<std::string_view, 4> names{"enabled", "disabled", "awaitingApproval",
                                                           "unavailable"};
};

} // namespace tallyvane
