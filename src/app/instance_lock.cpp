#include "app/instance_lock.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

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

// The runtime folder is the user's own already; the peer's user is checked as well, so that
// nobody else's request is ever served even if the socket's mode were wider.
bool fromThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &length) ==
               0 &&
           peer.uid == ::geteuid();
}

}  // namespace

QByteArray ShowRequest(const QByteArray& activationToken) {
    QByteArray request = kShowCommand.toByteArray();
    if (isToken(activationToken)) request += ' ' + activationToken;
    return request + '\n';
}

std::optional<QByteArray> ParseShowRequest(const QByteArray& line) {
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

InstanceLock::InstanceLock(const QString& programFolder) {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) return;
    const QString folderKey =
        QLatin1String(QCryptographicHash::hash(QDir(programFolder).canonicalPath().toUtf8(),
                                               QCryptographicHash::Sha256)
                          .toHex()
                          .left(16));
    const QDir dir(runtime);
    lock_ = std::make_unique<QLockFile>(
        dir.filePath(QStringLiteral("dravesse-%1.lock").arg(folderKey)));
    socketName_ = dir.filePath(QStringLiteral("dravesse-%1.socket").arg(folderKey));
    if (!lock_->tryLock(0)) anotherInstance_ = lock_->error() == QLockFile::LockFailedError;
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::listen(ShowRequested show) {
    if (!lock_ || !lock_->isLocked() || server_) return false;
    show_ = std::move(show);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file here was left by an instance that was killed.
    QLocalServer::removeServer(socketName_);
    if (!server_->listen(socketName_)) {
        server_.reset();
        return false;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) serve(socket);
    });
    return true;
}

// One request per connection: the first line is read, answered or refused, and the connection
// ends. A client that sends too much, or nothing in time, is dropped.
void InstanceLock::serve(QLocalSocket* socket) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!fromThisUser(*socket)) {
        socket->abort();
        return;
    }
    socket->setReadBufferSize(kMaxRequestLength + 1);
    QTimer::singleShot(kRequestWaitMs, socket, &QLocalSocket::abort);
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > kMaxRequestLength) socket->abort();
            return;
        }
        const std::optional<QByteArray> token =
            ParseShowRequest(socket->readLine(kMaxRequestLength + 1));
        socket->abort();
        if (token && show_) show_(*token);
    });
}

bool InstanceLock::askToShow(const QByteArray& activationToken) const {
    if (socketName_.isEmpty()) return false;
    QLocalSocket socket;
    // Right after its lock the running instance may not listen yet: try again for a moment.
    const QDeadlineTimer deadline(kConnectWaitMs);
    for (;;) {
        socket.connectToServer(socketName_, QIODevice::WriteOnly);
        if (socket.waitForConnected(int(deadline.remainingTime()))) break;
        if (deadline.hasExpired()) return false;
        QThread::msleep(20);
    }
    const QByteArray request = ShowRequest(activationToken);
    bool sent = socket.write(request) == request.size();
    while (sent && socket.bytesToWrite() > 0) sent = socket.waitForBytesWritten(kWriteWaitMs);
    socket.abort();
    return sent;
}

}  // namespace dravesse
