#include "SingleInstance.h"

#include "PrivateSocketFolder.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include <sys/socket.h>
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
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptPending);
}

void SingleInstance::acceptPending()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // A connection that never speaks must not stay open for good.
        QTimer::singleShot(silenceLimit, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->canReadLine() && socket->readLine() == activateRequest.toByteArray())
                Q_EMIT activationRequested();
            socket->disconnectFromServer();
        });
    }
}

bool SingleInstance::peerIsThisUser(qintptr socketDescriptor)
{
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
        length != sizeof peer)
        return false;
    return peer.uid == ::getuid();
}

QString SingleInstance::sessionName()
{
    const QString name = QStringLiteral("app.tallyvane.Tallyvane-%1").arg(::getuid());
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(name);
    // A shared temporary folder is open to every user: the socket goes into a folder of our own.
    for (const QString& base :
         {QDir::tempPath(), QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)}) {
        QDir().mkpath(base);
        if (const auto folder = PrivateSocketFolder::ensure(QDir(base).filePath(name)))
            return QDir(*folder).filePath(QStringLiteral("instance"));
    }
    // Nowhere private: a name in our own home that nobody else can create.
    return QDir::home().filePath(QStringLiteral(".") + name);
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
    // Another user's listener is not our running instance, whatever its name.
    if (!peerIsThisUser(socket.socketDescriptor()))
        return false;
    socket.write(activateRequest.data(), activateRequest.size());
    return socket.waitForBytesWritten(handOverTimeoutMs);
}

} // namespace tallyvane
