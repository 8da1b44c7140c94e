#include "BareExchange.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tallyvane::bench {

namespace {

struct Child {
    pid_t pid = -1;
    int input = -1;
    int output = -1;
};

Child spawnChild(const QString& executable, const QList<QByteArray>& arguments,
                 const QMap<QString, QString>& environment)
{
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
        return {};
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

    Child child;
    if (::posix_spawn(&child.pid, path.constData(), &actions, nullptr, argv.data(), envp.data()) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    child.input = in[1];
    child.output = out[0];
    return child;
}

// Reads lines until every wanted id has answered; false at end of stream. An error answer to
// the rate-limit read ends the conversation, as it ends a collection.
bool awaitIds(int fd, QByteArray& pending, std::vector<int> wanted, bool* declined = nullptr)
{
    char buffer[8192];
    while (!wanted.empty()) {
        const qsizetype newline = pending.indexOf('\n');
        if (newline < 0) {
            const ssize_t count = ::read(fd, buffer, sizeof buffer);
            if (count <= 0)
                return false;
            pending.append(buffer, count);
            continue;
        }
        const QJsonObject message = QJsonDocument::fromJson(pending.left(newline)).object();
        pending.remove(0, newline + 1);
        const int id = message.value(QLatin1StringView("id")).toInt(-1);
        if (declined && id == 2 && message.contains(QLatin1StringView("error"))) {
            *declined = true;
            return true;
        }
        std::erase(wanted, id);
    }
    return true;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

void finish(Child& child)
{
    ::close(child.input);
    ::close(child.output);
    ::kill(child.pid, SIGTERM);
    int status = 0;
    ::waitpid(child.pid, &status, 0);
}

} // namespace

bool runBareExchange(const QString& executable, const QMap<QString, QString>& environment)
{
    Child server = spawnChild(executable, {"app-server", "--stdio"}, environment);
    if (server.pid < 0)
        return false;
    QByteArray pending;
    bool declined = false;
    bool answered =
        writeAll(
            server.input,
            R"({"id":1,"method":"initialize","params":{"clientInfo":{"name":"tallyvane","version":"0.1.0"},"capabilities":{"experimentalApi":true}}})"
            "\n") &&
        awaitIds(server.output, pending, {1}) &&
        writeAll(server.input, "{\"method\":\"initialized\",\"params\":{}}\n"
                               "{\"id\":2,\"method\":\"account/rateLimits/read\",\"params\":null}\n"
                               "{\"id\":3,\"method\":\"account/usage/read\",\"params\":null}\n") &&
        awaitIds(server.output, pending, {2, 3}, &declined);
    finish(server);
    if (declined) // a declined read ends the collection before its version query
        return answered;

    Child version = spawnChild(executable, {"--version"}, environment);
    if (version.pid < 0)
        return false;
    ::close(version.input);
    version.input = -1;
    char buffer[4096];
    while (::read(version.output, buffer, sizeof buffer) > 0) {
    }
    ::close(version.output);
    int status = 0;
    ::waitpid(version.pid, &status, 0);
    return answered;
}

} // namespace tallyvane::bench
