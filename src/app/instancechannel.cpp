#include "instancechannel.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
    | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;

bool isPrivateDirectory(const QString &path)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

} // namespace

std::optional<QString> InstanceChannel::directory(QString *error)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString path = !runtime.isEmpty() && QFileInfo(runtime).isDir()
        ? QString(runtime + QStringLiteral("/corvina"))
        : QString(QDir::tempPath() + QStringLiteral("/corvina-") + QString::number(::getuid()));
    if (!QFileInfo::exists(path)) {
        // mkdir with 0700 from the start, so there is no moment where others may enter.
        if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && !QFileInfo::exists(path)) {
            if (error)
                *error = QStringLiteral("cannot create %1").arg(path);
            return std::nullopt;
        }
    }
    if (!isPrivateDirectory(path)) {
        if (error)
            *error = QStringLiteral("%1 is not a private folder of this user").arg(path);
        return std::nullopt;
    }
    return path;
}

std::optional<QString> InstanceChannel::send(
    const QString &socketPath, const QString &command, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return QStringLiteral("no running instance");
    socket.write(command.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return QStringLiteral("the running instance does not answer");
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return QStringLiteral("the running instance does not answer");
    }
    const QByteArray reply = socket.readLine().trimmed();
    if (reply == "ok")
        return std::nullopt;
    return QStringLiteral("the running instance refused '%1'").arg(command);
}

InstanceServer::InstanceServer(QString directory, Handler handler, QObject *parent)
    : QObject(parent)
    , m_directory(std::move(directory))
    , m_handler(std::move(handler))
    , m_lock(m_directory + QStringLiteral("/corvina.lock"))
{
    // Stale only when its process is gone, never by age.
    m_lock.setStaleLockTime(0);
}

InstanceServer::~InstanceServer()
{
    if (m_server) {
        m_server->close();
        delete m_server;
    }
}

InstanceServer::Result InstanceServer::listen(QString *error)
{
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() == QLockFile::LockFailedError)
            return Result::AlreadyRunning;
        if (error)
            *error = QStringLiteral("cannot lock %1").arg(m_directory);
        return Result::Failed;
    }
    // We hold the lock, so a socket file still there was left by a process that died.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath())) {
        if (error)
            *error = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        m_lock.unlock();
        return Result::Failed;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection())
            serve(socket);
    });
    return Result::Listening;
}

void InstanceServer::serve(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        // One short command line per connection; anything longer is not ours.
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > 64)
                socket->abort();
            return;
        }
        const QString command = QString::fromUtf8(socket->readLine(64).trimmed());
        const bool done = m_handler(command);
        socket->write(done ? "ok\n" : "unknown\n");
        socket->flush();
        socket->disconnectFromServer();
    });
}
