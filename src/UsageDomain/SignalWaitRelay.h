#pragma once

#include <QObject>

namespace tallyvane {

// What SignalWait awaits: a plain signal of ours, emitted when the awaited signal is accepted or
// the limit passes.
class SignalWaitRelay : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void woke();
};

} // namespace tallyvane
