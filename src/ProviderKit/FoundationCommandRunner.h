#pragma once

#include "CommandRunning.h"

namespace tallyvane {

// The default CommandRunning: each call runs a BlockingCommandOperation on the blocking pool
// and suspends until it is done, so the caller's thread never blocks. Stateless.
class FoundationCommandRunner final : public CommandRunning {
public:
    QCoro::Task<CommandResult> run(QString executablePath, QStringList arguments, EnvironmentMap environment,
                                   double timeoutSeconds, qint64 outputLimit) override;
};

} // namespace tallyvane
