#pragma once

#include "ProcessEnvironment.h"
#include "ProcessSupportError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <chrono>
#include <expected>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace tallyvane {

// Where one of a child's standard streams goes.
enum class ChildChannel {
    inherit, // the child shares ours
    pipe,    // a pipe to us
    null,    // /dev/null
};

struct ChildChannels {
    ChildChannel input = ChildChannel::inherit;
    ChildChannel output = ChildChannel::pipe;
    ChildChannel error = ChildChannel::pipe;
};

// One child started with posix_spawn from an explicit path, argument vector and environment,
// in the HOME folder its environment names (or / without one).
// It runs in its own process group with default signal dispositions and an empty signal mask,
// and inherits none of our descriptors beyond 0, 1 and 2. Signals go to the whole group.
// Every child is reaped: by wait(), tryWait(), terminate(), or, for terminateWithoutWaiting()
// and the destructor, by a task on the blocking pool.
//
// Not thread-safe: use one object from one thread at a time (it may move between threads).
// Our pipe ends are close-on-exec and non-blocking, so they suit poll(2).
class ChildProcess {
public:
    using Channel = ChildChannel;
    using Channels = ChildChannels;
    enum class ReadStatus {
        data,        // bytes were appended
        wouldBlock,  // nothing available now
        endOfStream, // the child closed its end; ours is now closed and its fd is -1
        failed,      // not a pipe, already closed, or a read error (then closed as well)
    };

    static constexpr std::chrono::milliseconds terminationGrace{2000};

    // argv[0] is the executable path. Fails with launchFailed when the platform refuses or an
    // argument or environment entry cannot be passed intact (embedded NUL, bad name).
    static std::expected<std::unique_ptr<ChildProcess>, ProcessSupportError>
    spawn(const QString& executablePath, const QStringList& arguments, const EnvironmentMap& environment,
          Channels channels = {});

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // A child still running is terminated without waiting.
    ~ChildProcess();

    pid_t pid() const { return m_pid; }

    // -1 when the channel is not a pipe or has been closed.
    int inputFd() const { return m_input; }
    int outputFd() const { return m_output; }
    int errorFd() const { return m_error; }
    void closeInput();
    void closeOutput();
    void closeError();

    // Writes all of `data`, waiting up to `timeout` in total for room in the pipe (negative:
    // no limit). False when the child's end has gone (EPIPE), on time-out, or without a pipe.
    bool writeInput(QByteArrayView data, std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

    // One non-blocking read of at most `maxBytes`, appended to `into`.
    ReadStatus readOutput(QByteArray& into, qsizetype maxBytes = 65536);
    ReadStatus readError(QByteArray& into, qsizetype maxBytes = 65536);

    // Reaps the child if it has exited; its termination status then.
    std::optional<int> tryWait();
    // Blocks until the child has exited and reaps it.
    int wait();
    bool isReaped() const { return m_status.has_value(); }
    // After reaping: the exit code, or the signal number when a signal ended it.
    std::optional<int> terminationStatus() const { return m_status; }
    bool terminatedBySignal() const { return m_signalled; }

    // Sends `signal` to the child's process group; false once the child is reaped.
    bool signalGroup(int signal);

    // Closes our pipe ends, sends SIGTERM to the group, and if the child has not exited after
    // terminationGrace sends SIGKILL; reaps it. Blocks for up to the grace period.
    void terminate();
    // The same, but returns at once; the grace, SIGKILL and reap run on the blocking pool.
    void terminateWithoutWaiting();

private:
    ChildProcess() = default;
    void closePipes();
    void recordStatus(int waitStatus);
    ReadStatus readFrom(int& fd, QByteArray& into, qsizetype maxBytes);

    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    int m_error = -1;
    std::optional<int> m_status;
    bool m_signalled = false;
    bool m_handedOff = false;
};

} // namespace tallyvane
