#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

class QLocalSocket;
class QSocketNotifier;

// The per-user socket through which later starts of the program talk to the running one.
namespace InstanceChannel {

// $XDG_RUNTIME_DIR/corvina, created with mode 0700. When that cannot be used safely (not
// ours, others may enter it, its parent is open to anyone, or it cannot be made), a private
// folder under the temp path named for the user, and `fallbackReason` says why. Fails only
// when neither is usable.
std::optional<QString> directory(QString *error, QString *fallbackReason = nullptr);

inline QString socketPath(const QString &directory)
{
    return directory + QStringLiteral("/corvina.socket");
}

// Sends one command word to the running instance and waits for its answer: a few
// milliseconds as a rule, longer while it is busy showing the overlay on a loaded machine.
// Returns the failure, or nothing when the instance carried the command out.
std::optional<QString> send(
    const QString &socketPath, const QString &command, int timeoutMs = 10000);

} // namespace InstanceChannel

// The running instance's end. Only one process can hold the lock beside the socket, so a
// second start never takes over the first one's socket; a socket left by a crash is
// replaced because its owner's lock went stale with it.
//
// Whatever clients do, the listening socket stays: each connection has a deadline, only so
// many are served at once (the rest wait in the kernel's queue), and running out of
// descriptors pauses accepting instead of closing the server.
class InstanceServer : public QObject
{
    Q_OBJECT

public:
    // Carries out a command word; false for a word it does not know.
    using Handler = std::function<bool(const QString &command)>;

    static constexpr int connectionTimeoutMs = 2000;
    static constexpr int maxClients = 16;

    InstanceServer(QString directory, Handler handler, QObject *parent = nullptr);
    ~InstanceServer() override;

    enum class Result { Listening, AlreadyRunning, Failed };
    Result listen(QString *error = nullptr);
    QString socketPath() const { return InstanceChannel::socketPath(m_directory); }

    int clientCount() const { return m_clients; }

private:
    void acceptPending();
    void serve(QLocalSocket *socket);
    void closeListener();

    QString m_directory;
    Handler m_handler;
    QLockFile m_lock;
    int m_listener = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_retry;
    int m_clients = 0;
};
