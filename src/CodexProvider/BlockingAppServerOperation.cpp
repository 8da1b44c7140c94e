#include "BlockingAppServerOperation.h"

#include "CodexRPCIdentifier.h"

#include <ProviderKit/ChildProcess.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <poll.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

using Clock = std::chrono::steady_clock;
using Result = BlockingAppServerOperation::Result;

constexpr qsizetype readChunkBytes = 8192;
// Far beyond any caller's deadline, and small enough for steady_clock arithmetic.
constexpr double longestTimeoutSeconds = 1.0e7;

constexpr std::int64_t initializeID = 1;
constexpr std::int64_t rateLimitsID = 2;
constexpr std::int64_t accountUsageID = 3;

const QByteArray initializeLine =
    R"({"id":1,"method":"initialize","params":{"clientInfo":{"name":"tallyvane","version":"0.1.0"},)"
    R"("capabilities":{"experimentalApi":true}}})"
    "\n"_ba;
const QByteArray initializedLine = R"({"method":"initialized","params":{}})"
                                   "\n"_ba;
const QByteArray rateLimitsLine = R"({"id":2,"method":"account/rateLimits/read","params":null})"
                                  "\n"_ba;
const QByteArray accountUsageLine = R"({"id":3,"method":"account/usage/read","params":null})"
                                    "\n"_ba;

Clock::duration timeoutDuration(double seconds)
{
    if (!(seconds > 0)) // also NaN
        return Clock::duration::zero();
    const double bounded = std::min(seconds, longestTimeoutSeconds);
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(bounded));
}

// What is left of the conversation's time, for a write that must not outlast it.
std::chrono::milliseconds writeAllowance(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return std::max(left, std::chrono::milliseconds::zero());
}

int pollMilliseconds(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const int bounded = int(std::clamp<std::chrono::milliseconds::rep>(left, INT_MIN, INT_MAX));
    return bounded < 2 ? 1 : bounded;
}

// The state of one conversation between reads: the unfinished tail of the output and the
// two answers seen so far.
class Conversation {
public:
    Conversation(ChildProcess& child, Clock::time_point deadline)
        : m_child(child)
        , m_deadline(deadline)
    {
    }

    bool send(const QByteArray& bytes) { return m_child.writeInput(bytes, writeAllowance(m_deadline)); }

    // Takes one chunk of output; a value once the conversation is over, either way.
    std::optional<Result> take(const QByteArray& chunk)
    {
        m_pending.append(chunk);
        for (;;) {
            const qsizetype end = m_pending.indexOf('\n', m_scanned);
            if (end < 0) {
                m_scanned = m_pending.size();
                return std::nullopt;
            }
            const QByteArray line = m_pending.first(end);
            m_pending.remove(0, end + 1);
            m_scanned = 0;
            if (auto outcome = handle(line))
                return outcome;
        }
    }

    // The output ended, or the deadline passed: the usage answer is optional, the rate limits are not.
    Result finishOr(CodexProviderError failure) const
    {
        if (!m_rateLimits)
            return std::unexpected(failure);
        return finished();
    }

private:
    Result finished() const { return CodexAppServerResponse{*m_rateLimits, m_accountUsage}; }

    std::optional<Result> handle(const QByteArray& line)
    {
        if (line.isEmpty())
            return std::nullopt;
        const auto identifier = fromJsonBytes<CodexRPCIdentifier>(line);
        if (!identifier)
            return std::unexpected(CodexProviderError::Kind::malformedLine);
        // Notifications, and anything else that answers no request, are not ours to judge.
        if (!identifier->id)
            return std::nullopt;
        const std::int64_t id = *identifier->id;
        if (identifier->error) {
            if (id != accountUsageID)
                return std::unexpected(CodexProviderError::rpcError(identifier->error->code));
            m_accountUsage.reset();
            m_usageDone = true;
            return m_rateLimits ? std::optional(finished()) : std::nullopt;
        }
        switch (id) {
        case initializeID:
            if (m_initialized)
                return std::nullopt;
            if (!send(initializedLine + rateLimitsLine + accountUsageLine))
                return std::unexpected(CodexProviderError::Kind::writeFailed);
            m_initialized = true;
            return std::nullopt;
        case rateLimitsID:
            m_rateLimits = line;
            return m_usageDone ? std::optional(finished()) : std::nullopt;
        case accountUsageID:
            m_accountUsage = line;
            m_usageDone = true;
            return m_rateLimits ? std::optional(finished()) : std::nullopt;
        default:
            return std::nullopt;
        }
    }

    ChildProcess& m_child;
    const Clock::time_point m_deadline;
    QByteArray m_pending;
    qsizetype m_scanned = 0; // m_pending before this holds no line feed
    bool m_initialized = false;
    bool m_usageDone = false;
    std::optional<QByteArray> m_rateLimits;
    std::optional<QByteArray> m_accountUsage;
};

Result converse(ChildProcess& child, Clock::duration timeout, qint64 outputLimit)
{
    const auto deadline = Clock::now() + timeout;
    Conversation conversation(child, deadline);
    if (!conversation.send(initializeLine))
        return std::unexpected(CodexProviderError::Kind::writeFailed);

    qint64 total = 0;
    QByteArray chunk;
    while (Clock::now() < deadline) {
        pollfd output{child.outputFd(), POLLIN, 0};
        const int ready = ::poll(&output, 1, pollMilliseconds(deadline));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return std::unexpected(CodexProviderError::Kind::pollFailed);
        }
        if (ready == 0)
            break;
        chunk.clear();
        // readOutput retries EINTR itself; wouldBlock is a wake-up without data.
        const auto status = child.readOutput(chunk, readChunkBytes);
        if (status == ChildProcess::ReadStatus::wouldBlock)
            continue;
        if (status != ChildProcess::ReadStatus::data)
            return conversation.finishOr(CodexProviderError::Kind::streamEnded);
        if (total + chunk.size() > outputLimit)
            return std::unexpected(CodexProviderError::Kind::outputLimitExceeded);
        total += chunk.size();
        if (auto outcome = conversation.take(chunk))
            return *outcome;
    }
    return conversation.finishOr(CodexProviderError::Kind::timedOut);
}

} // namespace

BlockingAppServerOperation::BlockingAppServerOperation(QString executablePath, EnvironmentMap environment,
                                                       double timeoutSeconds, qint64 outputLimit)
    : m_executablePath(std::move(executablePath))
    , m_environment(std::move(environment))
    , m_timeoutSeconds(timeoutSeconds)
    , m_outputLimit(outputLimit)
{
}

QByteArrayList BlockingAppServerOperation::requestLines()
{
    return {initializeLine, initializedLine, rateLimitsLine, accountUsageLine};
}

Result BlockingAppServerOperation::run() const
{
    auto spawned = ChildProcess::spawn(
        m_executablePath, {u"app-server"_s, u"--stdio"_s}, m_environment,
        {ChildProcess::Channel::pipe, ChildProcess::Channel::pipe, ChildProcess::Channel::null});
    if (!spawned)
        return std::unexpected(CodexProviderError::Kind::launchFailed);
    std::unique_ptr<ChildProcess> child = std::move(*spawned);
    Result result = converse(*child, timeoutDuration(m_timeoutSeconds), m_outputLimit);
    // Whatever the outcome: SIGTERM to the group, pipes closed, and the grace, SIGKILL and
    // reaping left to the blocking pool, so a stubborn child cannot hold the caller.
    child->terminateWithoutWaiting();
    return result;
}

} // namespace tallyvane
