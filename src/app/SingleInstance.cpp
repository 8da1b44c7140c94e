#include "SingleInstance.h"

#include <QDir>
#include <QLocalSocket>

#include <unistd.h>

namespace tallyvane {

namespace {
constexpr QByteArrayView activateRequest = "activate\n";
constexpr int handOverTimeoutMs = 2000;
} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent)
    , m_name(std::move(name))
{
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->canReadLine() && socket->readLine() == activateRequest.toByteArray())
                    Q_EMIT activationRequested();
                socket->disconnectFromServer();
            });
        }
    });
}

QString SingleInstance::sessionName()
{
    // The runtime folder belongs to the user's session; without one, the user id keeps users apart.
    const QString name = QStringLiteral("app.tallyvane.Tallyvane-%1").arg(::getuid());
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() || !QDir(runtime).exists() ? name : QDir(runtime).filePath(name);
}

bool SingleInstance::handOverToRunningInstance()
{
    if (askRunningInstance())
        return true;
    // Only the owner may listen; the socket sits in the user's runtime folder.
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server.listen(m_name))
        return false;
    // A name left behind by a crashed instance answers nobody: take it over. Another instance
    // that started at the same moment may have won the race instead.
    if (askRunningInstance())
        return true;
    QLocalServer::removeServer(m_name);
    m_server.listen(m_name);
    return false;
}

bool SingleInstance::askRunningInstance() const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(handOverTimeoutMs))
        return false;
    socket.write(activateRequest.data(), activateRequest.size());
    return socket.waitForBytesWritten(handOverTimeoutMs);
}

} // namespace tallyvane
