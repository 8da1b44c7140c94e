#include "RecordingCommandRunner.h"

#include <ProviderKit/FoundationCommandRunner.h>

#include <algorithm>

namespace tallyvane::testing {

RecordingCommandRunner::RecordingCommandRunner(std::shared_ptr<CommandRunning> runner)
    : m_runner(runner ? std::move(runner) : std::make_shared<FoundationCommandRunner>())
{
}

QCoro::Task<CommandResult> RecordingCommandRunner::run(QString executablePath, QStringList arguments,
                                                       EnvironmentMap environment, double timeoutSeconds,
                                                       qint64 outputLimit)
{
    const qsizetype index = m_calls.size();
    m_calls.append(Call{executablePath, arguments, environment, timeoutSeconds, outputLimit, std::nullopt});
    auto running = m_runner->run(executablePath, arguments, environment, timeoutSeconds, outputLimit);
    const CommandResult result = co_await running;
    if (index < m_calls.size())
        m_calls[index].result = result;
    co_return result;
}

int RecordingCommandRunner::count(const QStringList& arguments) const
{
    return static_cast<int>(std::count_if(m_calls.begin(), m_calls.end(),
                                          [&](const Call& call) { return call.arguments == arguments; }));
}

} // namespace tallyvane::testing
