#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;

// The per-user socket through which later starts of the program talk to the running one.
namespace InstanceChannel {

// $XDG_RUNTIME_DIR/corvina, else a private folder under the temp path. Created with mode
// 0700; refused when it belongs to someone else or others may enter it.
std::optional<QString> directory(QString *error);

inline QString socketPath(const QString &directory)
{
    return directory + QStringLiteral("/corvina.socket");
}

// Sends one command word to the running instance and waits for its answer.
// Returns the failure, or nothing when the instance carried the command out.
std::optional<QString> send(
    const QString &socketPath, const QString &command, int timeoutMs = 3000);

} // namespace InstanceChannel

// The running instance's end. Only one process can hold the lock beside the socket, so a
// second start never takes over the first one's socket; a socket left by a crash is
// replaced because its owner's lock went stale with it.
class InstanceServer : public QObject
{
    Q_OBJECT

public:
    // Carries out a command word; false for a word it does not know.
    using Handler = std::function<bool(const QString &command)>;

    InstanceServer(QString directory, Handler handler, QObject *parent = nullptr);
    ~InstanceServer() override;

    enum class Result { Listening, AlreadyRunning, Failed };
    Result listen(QString *error = nullptr);
    QString socketPath() const { return InstanceChannel::socketPath(m_directory); }

private:
    void serve(QLocalSocket *socket);

    QString m_directory;
    Handler m_handler;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
};
