#include "BareChild.h"

#include <QProcessEnvironment>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tallyvane::bench {

std::optional<BareChild> BareChild::spawn(const QString& executable, const QList<QByteArray>& arguments,
                                          const QMap<QString, QString>& environment)
{
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return std::nullopt;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    const QByteArray path = executable.toLocal8Bit();
    std::vector<char*> argv{const_cast<char*>(path.constData())};
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    QList<QByteArray> entries;
    for (auto it = environment.begin(); it != environment.end(); ++it)
        entries.append((it.key() + u'=' + it.value()).toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& entry : entries)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    BareChild child;
    const int spawned =
        ::posix_spawn(&child.m_pid, path.constData(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    child.m_input = in[1];
    child.m_output = out[0];
    if (spawned != 0) {
        child.m_pid = -1;
        return std::nullopt; // the destructor closes the pipes
    }
    return child;
}

QMap<QString, QString> BareChild::inheritedEnvironment()
{
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    QMap<QString, QString> environment;
    for (const QString& key : system.keys())
        environment.insert(key, system.value(key));
    return environment;
}

BareChild::BareChild(BareChild&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1))
    , m_input(std::exchange(other.m_input, -1))
    , m_output(std::exchange(other.m_output, -1))
{
}

BareChild::~BareChild()
{
    terminate();
}

bool BareChild::write(QByteArrayView bytes)
{
    return ::write(m_input, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

int BareChild::finish(QByteArray* standardOutput)
{
    ::close(std::exchange(m_input, -1));
    char buffer[8192];
    ssize_t count;
    while ((count = ::read(m_output, buffer, sizeof buffer)) > 0) {
        if (standardOutput)
            standardOutput->append(buffer, count);
    }
    closePipes();
    return reap();
}

void BareChild::terminate()
{
    closePipes();
    if (m_pid > 0)
        ::kill(m_pid, SIGTERM);
    reap();
}

void BareChild::closePipes()
{
    if (m_input >= 0)
        ::close(std::exchange(m_input, -1));
    if (m_output >= 0)
        ::close(std::exchange(m_output, -1));
}

int BareChild::reap()
{
    if (m_pid <= 0)
        return -1;
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace tallyvane::bench
