#include "app/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstring>

#include "support/child_process.h"
#include "support/socket_library.h"

namespace dravesse {
namespace {

class InstanceLockTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(runtime_.isValid() && folder_.isValid());
        ASSERT_TRUE(test::InstallSocketLibrary(folder_.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
    }
    // A running instance that records the tokens of the requests it served.
    std::unique_ptr<InstanceLock> running() {
        auto lock = std::make_unique<InstanceLock>(folder_.path());
        EXPECT_FALSE(lock->anotherInstanceRuns());
        EXPECT_TRUE(lock->listen([this](const QByteArray& token) { served_.push_back(token); }));
        return lock;
    }

    QTemporaryDir runtime_, folder_;
    std::vector<QByteArray> served_;
};

// Nothing but "show yourself", with at most an activation token, is served; every connection
// ends after its first line, or when its client sends too much or nothing in time, and the
// running instance goes on serving the next one.
TEST_F(InstanceLockTest, OnlyTheShowRequestIsServed) {
    const auto lock = running();
    const QByteArray longToken(256, 'a');
    // clang-format off
    const struct { const char* name; QByteArray sent; std::vector<QByteArray> served; } cases[] = {
        {"show", "SHOW\n", {""}},
        {"show with a token", "SHOW kwin-4f1a_2.b:c\n", {"kwin-4f1a_2.b:c"}},
        {"one request per connection", "SHOW a\nSHOW b\n", {"a"}},
        {"the longest token", "SHOW " + longToken.left(255) + "\n", {longToken.left(255)}},
        {"a token too long", "SHOW " + longToken + "\n", {}},
        {"lower case", "show\n", {}},
        {"an empty token", "SHOW \n", {}},
        {"a longer word", "SHOWSa\n", {}},
        {"a control character", "SHOW a\tb\n", {}},
        {"a line without its end", "SHOW", {}},
        {"garbage without a line end", QByteArray(4096, '\xff'), {}}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        served_.clear();
        QLocalSocket client;
        client.connectToServer(lock->socketName());
        ASSERT_TRUE(client.waitForConnected(5000));
        client.write(c.sent);
        client.flush();
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return client.state() == QLocalSocket::UnconnectedState;
        })) << "the running instance ends the connection";
        EXPECT_EQ(served_, c.served);
    }
    // The second start's own side: a token it cannot pass on is left out, not the request.
    for (const QByteArray& token :
         {QByteArray("t-1"), QByteArray("a b"), QByteArray(), longToken}) {
        SCOPED_TRACE(token.left(8).constData());
        served_.clear();
        const InstanceLock second(folder_.path());
        ASSERT_TRUE(second.anotherInstanceRuns());
        EXPECT_TRUE(second.askToShow(token));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !served_.empty(); }));
        EXPECT_EQ(served_, std::vector<QByteArray>{token == "t-1" ? token : QByteArray()});
    }
    EXPECT_EQ(QFileInfo(lock->socketName()).permissions() & 0x0077, 0)
        << "the socket is the user's alone: nothing for group or others";
}

// A killed instance leaves its lock and its socket behind: the next start takes both over. A
// request sent before that start serves its socket waits there, and is served then.
TEST_F(InstanceLockTest, ALockAndSocketLeftByAKilledInstanceAreTakenOver) {
    const int killed = test::RunForked([&] {
        InstanceLock held(folder_.path());
        held.listen({});
        return ::raise(SIGKILL);
    });
    ASSERT_EQ(killed, 128 + SIGKILL);
    ASSERT_EQ(QDir(runtime_.path()).entryList({"dravesse-*"}, QDir::System | QDir::Files).size(), 2)
        << "the lock and the socket are left";
    InstanceLock next(folder_.path());
    ASSERT_FALSE(next.anotherInstanceRuns());
    const InstanceLock second(folder_.path());
    ASSERT_TRUE(second.anotherInstanceRuns());
    EXPECT_TRUE(second.askToShow("t")) << "sent before the next start serves its socket";
    ASSERT_TRUE(next.listen([this](const QByteArray& token) { served_.push_back(token); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !served_.empty(); }));
}

// Even when the socket could be reached, a request from another user is not served.
TEST_F(InstanceLockTest, AnotherUsersRequestIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const auto lock = running();
    const QByteArray path = QFile::encodeName(lock->socketName());
    ASSERT_EQ(::chmod(QFile::encodeName(runtime_.path()).constData(), 0711), 0);
    ASSERT_EQ(::chmod(path.constData(), 0777), 0);
    const int unsent = test::RunForked([&] {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        return int(::setgid(65534) != 0 || ::setuid(65534) != 0 ||
                   ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                   ::write(fd, "SHOW\n", 5) != 5);
    });
    ASSERT_EQ(unsent, 0) << "the request reached the socket";
    QTest::qWait(300);
    EXPECT_TRUE(served_.empty());
}

}  // namespace
}  // namespace dravesse
