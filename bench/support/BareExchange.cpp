#include "BareExchange.h"

#include "BareChild.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>
#include <vector>

namespace tallyvane::bench {

namespace {

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

} // namespace

bool runBareExchange(const QString& executable, const QMap<QString, QString>& environment)
{
    std::optional<BareChild> server = BareChild::spawn(executable, {"app-server", "--stdio"}, environment);
    if (!server)
        return false;
    QByteArray pending;
    bool declined = false;
    bool answered =
        server->write(
            R"({"id":1,"method":"initialize","params":{"clientInfo":{"name":"tallyvane","version":"0.1.0"},"capabilities":{"experimentalApi":true}}})"
            "\n") &&
        awaitIds(server->output(), pending, {1}) &&
        server->write("{\"method\":\"initialized\",\"params\":{}}\n"
                      "{\"id\":2,\"method\":\"account/rateLimits/read\",\"params\":null}\n"
                      "{\"id\":3,\"method\":\"account/usage/read\",\"params\":null}\n") &&
        awaitIds(server->output(), pending, {2, 3}, &declined);
    server->terminate();
    if (declined) // a declined read ends the collection before its version query
        return answered;

    std::optional<BareChild> version = BareChild::spawn(executable, {"--version"}, environment);
    if (!version)
        return false;
    version->finish();
    return answered;
}

} // namespace tallyvane::bench
