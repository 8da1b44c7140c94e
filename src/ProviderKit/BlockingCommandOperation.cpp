#include "BlockingCommandOperation.h"

#include "ChildProcess.h"

#include <chrono>
#include <cmath>
#include <poll.h>

namespace tallyvane {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto exitPollInterval = std::chrono::milliseconds(10);
// Far beyond any caller's deadline, and small enough for steady_clock arithmetic.
constexpr double longestTimeoutSeconds = 1.0e7;

Clock::duration timeoutDuration(double seconds)
{
    if (!(seconds > 0)) // also NaN
        return Clock::duration::zero();
    const double bounded = std::min(seconds, longestTimeoutSeconds);
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(bounded));
}

class OutputCollector {
public:
    OutputCollector(ChildProcess& child, qint64 limit)
        : m_child(child)
        , m_limit(limit)
    {
    }

    // One read from each pipe that has something; returns false once over the limit.
    bool readOnce(bool outputReady, bool errorReady)
    {
        if (outputReady)
            m_child.readOutput(m_output);
        if (errorReady)
            m_child.readError(m_error);
        return !overLimit();
    }

    // Takes whatever is already in the pipes without waiting: the child has exited, so all it
    // wrote is there, and a descendant still holding a pipe open must not keep us waiting.
    bool drain()
    {
        while (m_child.readOutput(m_output) == ChildProcess::ReadStatus::data) {
            if (overLimit())
                return false;
        }
        while (m_child.readError(m_error) == ChildProcess::ReadStatus::data) {
            if (overLimit())
                return false;
        }
        return !overLimit();
    }

    QByteArray takeOutput() { return std::move(m_output); }
    QByteArray takeError() { return std::move(m_error); }

private:
    bool overLimit() const { return qint64(m_output.size()) + qint64(m_error.size()) > m_limit; }

    ChildProcess& m_child;
    const qint64 m_limit;
    QByteArray m_output;
    QByteArray m_error;
};

} // namespace

BlockingCommandOperation::BlockingCommandOperation(QString executablePath, QStringList arguments,
                                                   EnvironmentMap environment, double timeoutSeconds,
                                                   qint64 outputLimit)
    : m_executablePath(std::move(executablePath))
    , m_arguments(std::move(arguments))
    , m_environment(std::move(environment))
    , m_timeoutSeconds(timeoutSeconds)
    , m_outputLimit(outputLimit)
{
}

CommandResult BlockingCommandOperation::run() const
{
    auto spawned = ChildProcess::spawn(
        m_executablePath, m_arguments, m_environment,
        {ChildProcess::Channel::inherit, ChildProcess::Channel::pipe, ChildProcess::Channel::pipe});
    if (!spawned)
        return std::unexpected(spawned.error());
    ChildProcess& child = **spawned;
    const auto deadline = Clock::now() + timeoutDuration(m_timeoutSeconds);
    OutputCollector collector(child, m_outputLimit);

    // Reading while the child runs keeps it from blocking on a full pipe and lets the limit
    // stop a flood at once instead of at the deadline.
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline) {
            child.terminate();
            return std::unexpected(ProcessSupportError::timedOut);
        }
        const auto wait = std::min<Clock::duration>(exitPollInterval, deadline - now);
        pollfd fds[2] = {{child.outputFd(), POLLIN, 0}, {child.errorFd(), POLLIN, 0}};
        const int ready =
            ::poll(fds, 2, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
        // poll reports EINTR as -1: just go round again.
        if (ready > 0 && !collector.readOnce(fds[0].revents != 0, fds[1].revents != 0)) {
            child.terminate();
            return std::unexpected(ProcessSupportError::outputLimitExceeded);
        }
        if (const auto status = child.tryWait()) {
            if (!collector.drain())
                return std::unexpected(ProcessSupportError::outputLimitExceeded);
            return CommandOutput{*status, collector.takeOutput(), collector.takeError()};
        }
    }
}

} // namespace tallyvane
