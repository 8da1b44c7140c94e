#pragma once

#include "CommandOutput.h"
#include "ProcessEnvironment.h"

#include <QString>
#include <QStringList>

namespace tallyvane {

// One command run, start to finish, on the calling thread: spawn, read both pipes as the
// child writes, stop at the deadline or the output limit, reap. Blocks; run it on the
// blocking pool, never on the main thread.
class BlockingCommandOperation {
public:
    BlockingCommandOperation(QString executablePath, QStringList arguments, EnvironmentMap environment,
                             double timeoutSeconds, qint64 outputLimit);

    CommandResult run() const;

    const QString& executablePath() const { return m_executablePath; }
    const QStringList& arguments() const { return m_arguments; }
    const EnvironmentMap& environment() const { return m_environment; }
    double timeoutSeconds() const { return m_timeoutSeconds; }
    qint64 outputLimit() const { return m_outputLimit; }

private:
    const QString m_executablePath;
    const QStringList m_arguments;
    const EnvironmentMap m_environment;
    const double m_timeoutSeconds;
    const qint64 m_outputLimit;
};

} // namespace tallyvane
