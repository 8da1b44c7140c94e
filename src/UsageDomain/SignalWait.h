#pragma once

#include "SignalWaitRelay.h"

#include <QCoroSignal>
#include <QCoroTask>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

namespace tallyvane {

// Waits until `sender` emits `signal` (and `accept` agrees, when given) or `limit` passes.
// QCoro's signal awaiter binds a reference to the null tag argument of Qt's private signals
// (QTimer::timeout, QProcess::stateChanged), which is undefined behaviour, so what is awaited is
// a relay's own signal. The relay is a child of `context`: when the context goes away, so does
// the wait, and the caller is never resumed.
class SignalWait {
public:
    SignalWait() = delete;

    template <typename Sender, typename Signal>
    static QCoro::Task<> until(QObject* context, const Sender* sender, Signal signal,
                               std::chrono::milliseconds limit, std::function<bool()> accept = {})
    {
        auto* const relay = new SignalWaitRelay(context);
        auto* const timer = new QTimer(relay);
        timer->setSingleShot(true);
        // The limits are close to the callers' own deadlines; a coarse timer may be a twentieth late.
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, relay, &SignalWaitRelay::woke);
        QObject::connect(sender, signal, relay, [relay, accept = std::move(accept)] {
            if (!accept || accept())
                Q_EMIT relay->woke();
        });
        timer->start(limit);
        co_await qCoro(relay, &SignalWaitRelay::woke);
        // Later: the wait ends inside the relay's own signal.
        relay->deleteLater();
    }
};

} // namespace tallyvane
