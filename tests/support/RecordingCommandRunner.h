#pragma once

#include <ProviderKit/CommandRunning.h>

#include <QList>

#include <memory>

namespace tallyvane::testing {

// Passes every run on to another runner and remembers what was asked and answered, so a test
// can see which commands a component started (or did not start) and with what environment.
class RecordingCommandRunner final : public CommandRunning {
public:
    struct Call {
        QString executablePath;
        QStringList arguments;
        EnvironmentMap environment;
        double timeoutSeconds = 0;
        qint64 outputLimit = 0;
        std::optional<CommandResult> result; // absent while the child runs
    };

    // Without a runner, a FoundationCommandRunner runs the children.
    explicit RecordingCommandRunner(std::shared_ptr<CommandRunning> runner = {});

    QCoro::Task<CommandResult> run(QString executablePath, QStringList arguments, EnvironmentMap environment,
                                   double timeoutSeconds, qint64 outputLimit) override;

    const QList<Call>& calls() const { return m_calls; }
    // How many runs had exactly these arguments.
    int count(const QStringList& arguments) const;

private:
    const std::shared_ptr<CommandRunning> m_runner;
    QList<Call> m_calls;
};

} // namespace tallyvane::testing
