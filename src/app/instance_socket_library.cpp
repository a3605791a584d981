// The library behind InstanceSocket: Qt Network's local socket, loaded only when it is needed.
#include <sys/socket.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <optional>

#include "app/fortify_level_note.h"
#include "app/instance_socket.h"

namespace dravesse {
namespace {

constexpr QByteArrayView kShowCommand = "SHOW";
constexpr qsizetype kMaxTokenLength = 255;
constexpr qsizetype kMaxRequestLength = kShowCommand.size() + 1 + kMaxTokenLength + 1;
// A second start gives up after these; the running instance drops a client that has not sent
// its request in time.
constexpr int kConnectWaitMs = 500;
constexpr int kWriteWaitMs = 500;
constexpr int kRequestWaitMs = 1000;

// Activation tokens are opaque printable text; anything else is not passed on.
bool isToken(QByteArrayView token) {
    if (token.isEmpty() || token.size() > kMaxTokenLength) return false;
    for (const char c : token)
        if (c <= ' ' || c > '~') return false;
    return true;
}

QByteArray showRequest(const QByteArray& activationToken) {
    QByteArray request = kShowCommand.toByteArray();
    if (isToken(activationToken)) request += ' ' + activationToken;
    return request + '\n';
}

// The token of a well-formed request line (newline included), or nothing: any other command,
// a token with blanks or control characters, or a line too long is refused.
std::optional<QByteArray> parseShowRequest(const QByteArray& line) {
    if (line.size() > kMaxRequestLength || !line.endsWith('\n')) return std::nullopt;
    const QByteArrayView body = QByteArrayView(line).chopped(1);
    if (body == kShowCommand) return QByteArray();
    if (!body.startsWith(kShowCommand) || body.size() < kShowCommand.size() + 2 ||
        body[kShowCommand.size()] != ' ')
        return std::nullopt;
    const QByteArrayView token = body.sliced(kShowCommand.size() + 1);
    if (!isToken(token)) return std::nullopt;
    return token.toByteArray();
}

// The runtime folder is the user's own already; the peer's user is checked as well, so that
// nobody else's request is ever served even if the socket's mode were wider.
bool fromThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &length) ==
               0 &&
           peer.uid == ::geteuid();
}

// One request per connection: the first line is read, answered or refused, and the connection
// ends. A client that sends too much, or nothing in time, is dropped.
class ShowServer : public QLocalServer {
  public:
    explicit ShowServer(InstanceSocket::ShowRequested show) : show_(std::move(show)) {
        connect(this, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* socket = nextPendingConnection()) serve(socket);
        });
    }

  private:
    void serve(QLocalSocket* socket) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!fromThisUser(*socket)) {
            socket->abort();
            return;
        }
        socket->setReadBufferSize(kMaxRequestLength + 1);
        QTimer::singleShot(kRequestWaitMs, socket, &QLocalSocket::abort);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequestLength) socket->abort();
                return;
            }
            const std::optional<QByteArray> token =
                parseShowRequest(socket->readLine(kMaxRequestLength + 1));
            socket->abort();
            if (token && show_) show_(*token);
        });
    }

    InstanceSocket::ShowRequested show_;
};

}  // namespace

class InstanceSocketPlugin : public QObject, public InstanceSocket {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID DRAVESSE_INSTANCE_SOCKET_IID)
    Q_INTERFACES(dravesse::InstanceSocket)

  public:
    std::unique_ptr<QObject> serve(qintptr descriptor, ShowRequested show) override {
        auto server = std::make_unique<ShowServer>(std::move(show));
        if (!server->listen(descriptor)) return nullptr;
        return server;
    }

    bool askToShow(const QString& path, const QByteArray& activationToken) override {
        QLocalSocket socket;
        // Right after its lock the running instance may not have bound its socket yet, or a
        // socket left by a killed instance may be about to be replaced: try again for a moment.
        const QDeadlineTimer deadline(kConnectWaitMs);
        for (;;) {
            socket.connectToServer(path, QIODevice::WriteOnly);
            if (socket.waitForConnected(int(deadline.remainingTime()))) break;
            if (deadline.hasExpired()) return false;
            QThread::msleep(20);
        }
        const QByteArray request = showRequest(activationToken);
        bool sent = socket.write(request) == request.size();
        while (sent && socket.bytesToWrite() > 0) sent = socket.waitForBytesWritten(kWriteWaitMs);
        socket.abort();
        return sent;
    }
};

}  // namespace dravesse

#include "instance_socket_library.moc"
