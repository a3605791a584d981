#include "app/instance_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <optional>
#include <thread>

namespace dravesse {
namespace {

constexpr QByteArrayView kShowCommand = "SHOW";
constexpr qsizetype kMaxTokenLength = 255;
constexpr qsizetype kMaxRequestLength = kShowCommand.size() + 1 + kMaxTokenLength + 1;
constexpr int kBacklog = 8;
constexpr int kMaxClients = 4;
// The running instance drops a client that has not sent its request in this time; a second
// start gives up after it.
constexpr int kRequestWaitMs = 1000;
constexpr int kAskWaitMs = 1000;

// The abstract name: a NUL byte, then the name, with no NUL at its end.
sockaddr_un addressOf(const QByteArray& name, socklen_t* length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t size = std::min(std::size_t(name.size()), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.constData(), size);
    *length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size);
    return address;
}

bool fromThisUser(int socket) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
           peer.uid == ::geteuid();
}

// Activation tokens are opaque printable text; anything else is not passed on.
bool isToken(QByteArrayView token) {
    if (token.isEmpty() || token.size() > kMaxTokenLength) return false;
    for (const char c : token)
        if (c <= ' ' || c > '~') return false;
    return true;
}

// The token of a well-formed request line (newline included), or nothing: any other command,
// a token with blanks or control characters, or a line too long is refused.
std::optional<QByteArray> parseShowRequest(QByteArrayView line) {
    if (line.size() > kMaxRequestLength || !line.endsWith('\n')) return std::nullopt;
    const QByteArrayView body = line.chopped(1);
    if (body == kShowCommand) return QByteArray();
    if (!body.startsWith(kShowCommand) || body.size() < kShowCommand.size() + 2 ||
        body[kShowCommand.size()] != ' ')
        return std::nullopt;
    const QByteArrayView token = body.sliced(kShowCommand.size() + 1);
    if (!isToken(token)) return std::nullopt;
    return token.toByteArray();
}

}  // namespace

int BindShowSocket(const QByteArray& name) {
    socklen_t length = 0;
    const sockaddr_un address = addressOf(name, &length);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        ::listen(fd, kBacklog) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int ConnectShowSocket(const QByteArray& name, int waitMs) {
    socklen_t length = 0;
    const sockaddr_un address = addressOf(name, &length);
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) return -1;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
            if (fromThisUser(fd)) return fd;  // the listener's user, as it was at listen()
            ::close(fd);
            return -1;
        }
        const int error = errno;
        ::close(fd);
        // Refused: the instance that holds the lock has not bound its socket yet. Again: its
        // queue is full.
        if ((error != ECONNREFUSED && error != EAGAIN) || deadline.hasExpired()) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool SendShowRequest(const QByteArray& name, const QByteArray& activationToken) {
    const QDeadlineTimer deadline(kAskWaitMs);
    const int fd = ConnectShowSocket(name, kAskWaitMs);
    if (fd < 0) return false;
    QByteArray request = kShowCommand.toByteArray();
    if (isToken(activationToken)) request += ' ' + activationToken;
    request += '\n';
    qsizetype sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(fd, request.constData() + sent, std::size_t(request.size() - sent),
                                 MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR) && !deadline.hasExpired()) {
            pollfd writable{fd, POLLOUT, 0};
            ::poll(&writable, 1, int(deadline.remainingTime()));
        } else {
            break;
        }
    }
    ::close(fd);
    return sent == request.size();
}

// One connection: read until its first line end, dropped after a second.
class ShowServer::Client : public QObject {
  public:
    Client(int fd, ShowServer* server)
        : QObject(server), fd_(fd), readable_(fd, QSocketNotifier::Read, this) {
        connect(&readable_, &QSocketNotifier::activated, this, [this, server] {
            if (read()) {
                const std::optional<QByteArray> token = parseShowRequest(line_);
                server->finish(this, token ? &*token : nullptr);
            }
        });
        QTimer::singleShot(kRequestWaitMs, this, [this, server] { server->finish(this, nullptr); });
    }
    ~Client() override { close(); }

    bool close() {
        if (fd_ < 0) return false;
        readable_.setEnabled(false);
        ::close(std::exchange(fd_, -1));
        return true;
    }

  private:
    // True once the client is done: its line then ends with '\n', else it is refused.
    bool read() {
        char chunk[kMaxRequestLength + 1];
        const ssize_t n = ::recv(fd_, chunk, std::size_t(kMaxRequestLength + 1 - line_.size()), 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return false;
        if (n <= 0) return true;  // closed before its line ended
        line_.append(chunk, n);
        const qsizetype end = line_.indexOf('\n');
        if (end >= 0) line_.truncate(end + 1);
        return end >= 0 || line_.size() > kMaxRequestLength;
    }

    int fd_;
    QSocketNotifier readable_;
    QByteArray line_;
};

ShowServer::ShowServer(int listening, ShowRequested show)
    : socket_(listening),
      listening_(new QSocketNotifier(listening, QSocketNotifier::Read, this)),
      show_(std::move(show)) {
    connect(listening_, &QSocketNotifier::activated, this, &ShowServer::acceptClients);
}

ShowServer::~ShowServer() {
    listening_->setEnabled(false);
    ::close(socket_);
}

void ShowServer::acceptClients() {
    // A bounded number per turn of the event loop, so that another user's flood, each dropped
    // at once, cannot hold the loop.
    for (int turn = 0; turn < kBacklog && clients_ < kMaxClients; ++turn) {
        const int fd = ::accept4(socket_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            // Out of files or memory: the connection stays queued; try again in a moment
            // rather than at every turn of the loop.
            if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED) {
                listening_->setEnabled(false);
                QTimer::singleShot(200, this, [this] { listening_->setEnabled(true); });
            }
            return;
        }
        if (!fromThisUser(fd)) {
            ::close(fd);
            continue;
        }
        ++clients_;
        new Client(fd, this);
    }
    listening_->setEnabled(clients_ < kMaxClients);
}

void ShowServer::finish(Client* client, const QByteArray* token) {
    if (!client->close()) return;
    client->deleteLater();
    --clients_;
    listening_->setEnabled(true);
    if (token && show_) show_(*token);
}

}  // namespace dravesse
