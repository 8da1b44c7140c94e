#pragma once

#include "CommandOutput.h"
#include "ProcessEnvironment.h"

#include <QCoroTask>
#include <QString>
#include <QStringList>

namespace tallyvane {

// Runs a short-lived child to completion. Components that run commands hold one of these so
// that tests can substitute their own. Implementations must be safe to call concurrently.
class CommandRunning {
public:
    virtual ~CommandRunning() = default;

    // `executablePath` is already resolved (no search here); `arguments` exclude the program
    // name; `environment` is the child's complete environment. The child counts as hung
    // `timeoutSeconds` after launch; stdout plus stderr may total at most `outputLimit` bytes.
    // A non-zero exit status is not an error.
    virtual QCoro::Task<CommandResult> run(QString executablePath, QStringList arguments,
                                           EnvironmentMap environment, double timeoutSeconds,
                                           qint64 outputLimit) = 0;

protected:
    CommandRunning() = default;
    CommandRunning(const CommandRunning&) = default;
    CommandRunning& operator=(const CommandRunning&) = default;
};

} // namespace tallyvane
