#include "ChildProcess.h"

#include "BlockingPool.h"
#include "ProcessSignals.h"

#include <QFile>
#include <QThreadPool>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tallyvane {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int exitPollMilliseconds = 10;

void closeDescriptor(int& fd)
{
    if (fd >= 0) {
        // Linux releases the descriptor even when close reports EINTR, so never retry it.
        ::close(fd);
        fd = -1;
    }
}

// Our pipe ends must not land on 0, 1 or 2 (possible when those are closed here), or the
// child's dup2 onto them would be a no-op that keeps close-on-exec.
bool moveAboveStandardStreams(int& fd)
{
    if (fd > 2)
        return true;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    fd = moved;
    return moved >= 0;
}

struct Pipe {
    int read = -1;
    int write = -1;

    bool open()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read = fds[0];
        write = fds[1];
        return moveAboveStandardStreams(read) && moveAboveStandardStreams(write);
    }
    void close()
    {
        closeDescriptor(read);
        closeDescriptor(write);
    }
};

bool setNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// NUL would silently cut an argument short and change what runs; refuse instead.
std::optional<QByteArray> encoded(const QString& text)
{
    QByteArray bytes = text.toLocal8Bit();
    if (bytes.contains('\0'))
        return std::nullopt;
    return bytes;
}

// Reaps `pid` like waitpid, but first kills what is left of its group: while the exited leader
// is an unreaped zombie its id still names our group alone, and a descendant it left behind
// (holding our pipes open, or ignoring SIGTERM) must not outlive the child.
pid_t waitRetrying(pid_t pid, int* status, int options)
{
    siginfo_t exited{};
    int found;
    do {
        found = ::waitid(P_PID, id_t(pid), &exited, WEXITED | WNOWAIT | (options & WNOHANG));
    } while (found < 0 && errno == EINTR);
    if (found < 0)
        return -1;
    if (exited.si_pid != pid)
        return 0; // still running
    ::kill(-pid, SIGKILL);
    pid_t result;
    do {
        result = ::waitpid(pid, status, 0);
    } while (result < 0 && errno == EINTR);
    return result;
}

// Waits up to the grace period for the child to exit, then kills its group; always reaps.
// Returns the raw wait status, or nothing when the child was not ours to reap.
std::optional<int> reapAfterGrace(pid_t pid)
{
    const auto deadline = Clock::now() + ChildProcess::terminationGrace;
    int status = 0;
    for (;;) {
        const pid_t reaped = waitRetrying(pid, &status, WNOHANG);
        if (reaped == pid)
            return status;
        if (reaped < 0)
            return std::nullopt;
        if (Clock::now() >= deadline)
            break;
        ::poll(nullptr, 0, exitPollMilliseconds);
    }
    // The leader is unreaped, so its group id still names our group only.
    ::kill(-pid, SIGKILL);
    if (waitRetrying(pid, &status, 0) == pid)
        return status;
    return std::nullopt;
}

// Children start in their home folder, never wherever we were started from: a relative path a
// child resolves must not depend on how the application was launched.
QByteArray workingDirectoryFor(const EnvironmentMap& environment)
{
    const QByteArray home = QFile::encodeName(environment.value(QStringLiteral("HOME")));
    struct stat status {};
    if (home.startsWith('/') && !home.contains('\0') && ::stat(home.constData(), &status) == 0 &&
        S_ISDIR(status.st_mode))
        return home;
    return QByteArrayLiteral("/");
}

class SpawnAttributes {
public:
    SpawnAttributes()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnAttributes()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    bool configure()
    {
        sigset_t emptyMask;
        sigemptyset(&emptyMask);
        // Reset every signal we may ignore or handle (SIGPIPE above all) to its default.
        sigset_t defaults;
        sigfillset(&defaults);
        sigdelset(&defaults, SIGKILL);
        sigdelset(&defaults, SIGSTOP);
        const short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        return posix_spawnattr_setflags(&attributes, flags) == 0 &&
               posix_spawnattr_setpgroup(&attributes, 0) == 0 &&
               posix_spawnattr_setsigmask(&attributes, &emptyMask) == 0 &&
               posix_spawnattr_setsigdefault(&attributes, &defaults) == 0;
    }

    bool connect(ChildProcess::Channel channel, int childFd, const Pipe& pipe, bool childReads)
    {
        switch (channel) {
        case ChildProcess::Channel::inherit:
            return true;
        case ChildProcess::Channel::pipe:
            return posix_spawn_file_actions_adddup2(&actions, childReads ? pipe.read : pipe.write, childFd) ==
                   0;
        case ChildProcess::Channel::null:
            return posix_spawn_file_actions_addopen(&actions, childFd, "/dev/null",
                                                    childReads ? O_RDONLY : O_WRONLY, 0) == 0;
        }
        return false;
    }

    bool closeTheRest() { return posix_spawn_file_actions_addclosefrom_np(&actions, 3) == 0; }

    bool startIn(const QByteArray& directory)
    {
        return posix_spawn_file_actions_addchdir_np(&actions, directory.constData()) == 0;
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

} // namespace

std::expected<std::unique_ptr<ChildProcess>, ProcessSupportError>
ChildProcess::spawn(const QString& executablePath, const QStringList& arguments,
                    const EnvironmentMap& environment, Channels channels)
{
    ignoreSigpipeProcessWide();
    const auto refused = std::unexpected(ProcessSupportError::launchFailed);

    const QByteArray path = QFile::encodeName(executablePath);
    if (path.isEmpty() || path.contains('\0'))
        return refused;
    std::vector<QByteArray> argumentBytes{path};
    for (const QString& argument : arguments) {
        auto bytes = encoded(argument);
        if (!bytes)
            return refused;
        argumentBytes.push_back(std::move(*bytes));
    }
    const QByteArray workingDirectory = workingDirectoryFor(environment);
    std::vector<QByteArray> environmentBytes;
    for (auto entry = environment.constBegin(); entry != environment.constEnd(); ++entry) {
        if (entry.key().isEmpty() || entry.key().contains(u'='))
            return refused;
        auto bytes = encoded(entry.key() + QLatin1Char('=') + entry.value());
        if (!bytes)
            return refused;
        environmentBytes.push_back(std::move(*bytes));
    }
    // posix_spawn takes char* const[] but does not write through it.
    std::vector<char*> argv;
    for (QByteArray& bytes : argumentBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (QByteArray& bytes : environmentBytes)
        envp.push_back(bytes.data());
    envp.push_back(nullptr);

    Pipe input, output, error;
    auto closeAll = [&] {
        input.close();
        output.close();
        error.close();
    };
    if ((channels.input == Channel::pipe && !input.open()) ||
        (channels.output == Channel::pipe && !output.open()) ||
        (channels.error == Channel::pipe && !error.open())) {
        closeAll();
        return refused;
    }

    pid_t pid = -1;
    int spawnResult = -1;
    {
        SpawnAttributes spawnAttributes;
        if (spawnAttributes.configure() && spawnAttributes.connect(channels.input, 0, input, true) &&
            spawnAttributes.connect(channels.output, 1, output, false) &&
            spawnAttributes.connect(channels.error, 2, error, false) && spawnAttributes.closeTheRest() &&
            spawnAttributes.startIn(workingDirectory)) {
            spawnResult = ::posix_spawn(&pid, path.constData(), &spawnAttributes.actions,
                                        &spawnAttributes.attributes, argv.data(), envp.data());
        }
    }
    // The child's ends live on in the child only.
    closeDescriptor(input.read);
    closeDescriptor(output.write);
    closeDescriptor(error.write);
    if (spawnResult != 0) {
        closeAll();
        return refused;
    }

    std::unique_ptr<ChildProcess> child(new ChildProcess);
    child->m_pid = pid;
    child->m_input = input.write;
    child->m_output = output.read;
    child->m_error = error.read;
    for (int fd : {child->m_input, child->m_output, child->m_error}) {
        if (fd >= 0)
            setNonBlocking(fd);
    }
    return child;
}

ChildProcess::~ChildProcess()
{
    if (!isReaped() && !m_handedOff)
        terminateWithoutWaiting();
    closePipes();
}

void ChildProcess::closeInput()
{
    closeDescriptor(m_input);
}

void ChildProcess::closeOutput()
{
    closeDescriptor(m_output);
}

void ChildProcess::closeError()
{
    closeDescriptor(m_error);
}

void ChildProcess::closePipes()
{
    closeInput();
    closeOutput();
    closeError();
}

bool ChildProcess::writeInput(QByteArrayView data, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    qsizetype written = 0;
    while (written < data.size()) {
        if (m_input < 0)
            return false;
        const ssize_t result =
            ::write(m_input, data.data() + written, static_cast<size_t>(data.size() - written));
        if (result > 0) {
            written += result;
            continue;
        }
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        int waitMilliseconds = -1;
        if (timeout.count() >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return false;
            waitMilliseconds =
                static_cast<int>(std::min<std::chrono::milliseconds::rep>(left.count(), 1 << 30));
        }
        pollfd room{m_input, POLLOUT, 0};
        if (::poll(&room, 1, waitMilliseconds) < 0 && errno != EINTR)
            return false;
    }
    return true;
}

ChildProcess::ReadStatus ChildProcess::readOutput(QByteArray& into, qsizetype maxBytes)
{
    return readFrom(m_output, into, maxBytes);
}

ChildProcess::ReadStatus ChildProcess::readError(QByteArray& into, qsizetype maxBytes)
{
    return readFrom(m_error, into, maxBytes);
}

ChildProcess::ReadStatus ChildProcess::readFrom(int& fd, QByteArray& into, qsizetype maxBytes)
{
    if (fd < 0 || maxBytes <= 0)
        return ReadStatus::failed;
    const qsizetype before = into.size();
    into.resize(before + maxBytes);
    ssize_t result;
    do {
        result = ::read(fd, into.data() + before, static_cast<size_t>(maxBytes));
    } while (result < 0 && errno == EINTR);
    into.resize(before + std::max<qsizetype>(result, 0));
    if (result > 0)
        return ReadStatus::data;
    if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return ReadStatus::wouldBlock;
    closeDescriptor(fd);
    return result == 0 ? ReadStatus::endOfStream : ReadStatus::failed;
}

void ChildProcess::recordStatus(int waitStatus)
{
    m_signalled = WIFSIGNALED(waitStatus);
    m_status = m_signalled             ? WTERMSIG(waitStatus)
               : WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus)
                                       : waitStatus;
}

std::optional<int> ChildProcess::tryWait()
{
    if (isReaped() || m_handedOff)
        return m_status;
    int status = 0;
    const pid_t reaped = waitRetrying(m_pid, &status, WNOHANG);
    if (reaped == m_pid)
        recordStatus(status);
    return m_status;
}

int ChildProcess::wait()
{
    if (!isReaped() && !m_handedOff) {
        int status = 0;
        if (waitRetrying(m_pid, &status, 0) == m_pid)
            recordStatus(status);
    }
    return m_status.value_or(-1);
}

bool ChildProcess::signalGroup(int signal)
{
    if (isReaped() || m_handedOff)
        return false;
    return ::kill(-m_pid, signal) == 0;
}

void ChildProcess::terminate()
{
    // A child blocked writing to a full pipe wakes up with EPIPE rather than waiting on us.
    closePipes();
    if (!signalGroup(SIGTERM) && (isReaped() || m_handedOff))
        return;
    if (const auto status = reapAfterGrace(m_pid))
        recordStatus(*status);
}

void ChildProcess::terminateWithoutWaiting()
{
    closePipes();
    if (!signalGroup(SIGTERM) && (isReaped() || m_handedOff))
        return;
    m_handedOff = true;
    const pid_t pid = m_pid;
    blockingPool().start([pid] { reapAfterGrace(pid); });
}

} // namespace tallyvane
