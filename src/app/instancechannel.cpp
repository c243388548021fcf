#include "instancechannel.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <memory>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A retry soon after running out of descriptors; idle clients time out meanwhile.
constexpr int acceptRetryMs = 200;

// Why `path` may not hold the socket, or nothing when it is a folder only we may enter.
// Made with 0700 from the start, so there is no moment where others may enter.
std::optional<QString> refusePrivateFolder(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const QByteArray parent = QFile::encodeName(QFileInfo(path).path());
    struct stat info = {};
    if (::stat(parent.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QStringLiteral("%1 is not a folder").arg(QFileInfo(path).path());
    // Anyone could swap our folder for theirs.
    if ((info.st_mode & S_IWOTH) && !(info.st_mode & S_ISVTX))
        return QStringLiteral("anyone may write to %1").arg(QFileInfo(path).path());
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("cannot create %1: %2")
            .arg(path, QString::fromLocal8Bit(strerror(errno)));
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QStringLiteral("%1 is not a folder").arg(path);
    if (info.st_uid != ::getuid())
        return QStringLiteral("%1 belongs to another user").arg(path);
    if ((info.st_mode & 077) != 0)
        return QStringLiteral("others may enter %1").arg(path);
    return std::nullopt;
}

QString userName()
{
    const passwd *entry = ::getpwuid(::getuid());
    return entry && entry->pw_name && *entry->pw_name ? QString::fromLocal8Bit(entry->pw_name)
                                                      : QString::number(::getuid());
}

} // namespace

std::optional<QString> InstanceChannel::directory(QString *error, QString *fallbackReason)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        const QString path = runtime + QStringLiteral("/corvina");
        const std::optional<QString> refused = refusePrivateFolder(path);
        if (!refused)
            return path;
        if (fallbackReason)
            *fallbackReason = *refused;
    }
    const QString path = QDir::tempPath() + QStringLiteral("/corvina-") + userName();
    if (const std::optional<QString> refused = refusePrivateFolder(path)) {
        if (error)
            *error = *refused;
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
    m_retry.setSingleShot(true);
    m_retry.setInterval(acceptRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &InstanceServer::acceptPending);
}

InstanceServer::~InstanceServer()
{
    closeListener();
}

void InstanceServer::closeListener()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_listener >= 0) {
        ::close(m_listener);
        m_listener = -1;
        ::unlink(QFile::encodeName(socketPath()).constData());
    }
}

InstanceServer::Result InstanceServer::listen(QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        closeListener();
        m_lock.unlock();
        return Result::Failed;
    };
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() == QLockFile::LockFailedError)
            return Result::AlreadyRunning;
        if (error)
            *error = QStringLiteral("cannot lock %1").arg(m_directory);
        return Result::Failed;
    }
    // Our own listener rather than QLocalServer's, which closes itself when an accept fails.
    const QByteArray path = QFile::encodeName(socketPath());
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path)
        return fail(QStringLiteral("the socket path %1 is too long").arg(socketPath()));
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    // We hold the lock, so a socket file still there was left by a process that died.
    ::unlink(path.constData());
    m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listener < 0)
        return fail(QString::fromLocal8Bit(strerror(errno)));
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::chmod(path.constData(), 0600) != 0 || ::listen(m_listener, SOMAXCONN) != 0)
        return fail(QStringLiteral("cannot listen on %1: %2")
                        .arg(socketPath(), QString::fromLocal8Bit(strerror(errno))));
    m_notifier = new QSocketNotifier(m_listener, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InstanceServer::acceptPending);
    return Result::Listening;
}

void InstanceServer::acceptPending()
{
    if (!m_notifier)
        return;
    while (m_clients < maxClients) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            auto *socket = new QLocalSocket(this);
            if (!socket->setSocketDescriptor(fd)) {
                ::close(fd);
                delete socket;
                continue;
            }
            serve(socket);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            m_notifier->setEnabled(true);
            return;
        }
        // Out of descriptors or memory: leave the rest queued and come back later.
        m_notifier->setEnabled(false);
        m_retry.start();
        return;
    }
    // Enough at once; the next one is taken when a client leaves.
    m_notifier->setEnabled(false);
}

void InstanceServer::serve(QLocalSocket *socket)
{
    ++m_clients;
    connect(socket, &QObject::destroyed, this, [this] {
        --m_clients;
        if (m_notifier && !m_notifier->isEnabled() && !m_retry.isActive())
            QMetaObject::invokeMethod(this, &InstanceServer::acceptPending, Qt::QueuedConnection);
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto answered = std::make_shared<bool>(false);
    auto read = [this, socket, answered] {
        if (*answered)
            return;
        // One short command line per connection; anything longer is not ours.
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > 64) {
                socket->abort();
                socket->deleteLater();
            }
            return;
        }
        *answered = true;
        const QString command = QString::fromUtf8(socket->readLine(64).trimmed());
        const bool done = m_handler(command);
        socket->write(done ? "ok\n" : "unknown\n");
        socket->flush();
        socket->disconnectFromServer();
    };
    // A client that says nothing, or never finishes its line, gives way to the others. One
    // that did write while the event loop was busy is still answered.
    QTimer::singleShot(connectionTimeoutMs, socket, [socket, answered] {
        if (!*answered)
            socket->waitForReadyRead(0);
        if (!*answered) {
            socket->abort();
            socket->deleteLater();
        }
    });
    connect(socket, &QLocalSocket::readyRead, this, read);
    if (socket->bytesAvailable() > 0)
        read();
}
