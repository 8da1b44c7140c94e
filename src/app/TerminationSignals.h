#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <memory>

namespace tallyvane {

// Turns SIGTERM, SIGINT and SIGHUP (the session ending, `kill`, Ctrl+C) into a Qt signal on the
// main thread, so that they quit through the same path as the Quit command. The handler only
// writes the signal's number into a socket pair, which is all a handler may safely do; the
// notifier reads it in the event loop. One instance at a time: the handler has one pipe.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    static constexpr std::array handled{SIGTERM, SIGINT, SIGHUP};

    explicit TerminationSignals(QObject* parent = nullptr);
    // Gives the signals their default action back.
    ~TerminationSignals() override;

    // False when the socket pair could not be made: the signals then keep their default action.
    bool isInstalled() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void received(int signalNumber);

private:
    void drain();

    std::array<int, 2> m_sockets{-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace tallyvane
