#include "app/instance_lock.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <iostream>
#include <vector>

#include "app/instance_socket.h"
#include "support/child_process.h"
#include "support/fat_folder.h"
#include "support/folder_snapshot.h"

namespace dravesse {
namespace {

// A client that sends `bytes` to the socket `name`, whatever they are, without looking whose
// socket it is; its connection, or -1.
int SendRaw(const QByteArray& name, const QByteArray& bytes) {
    sockaddr_un address{AF_UNIX, {}};
    std::memcpy(address.sun_path + 1, name.constData(), std::size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::send(fd, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size())
        return fd;
    ::close(fd);
    return -1;
}

// True once the other side has closed the connection.
bool Ended(int fd) {
    char byte;
    const ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN);
}

class InstanceLockTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(runtime_.isValid() && folder_.isValid()); }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path())); }
    // A running instance that records the tokens of the requests it served.
    std::unique_ptr<InstanceLock> running(const QString& folder) {
        auto lock = std::make_unique<InstanceLock>(folder);
        EXPECT_FALSE(lock->anotherInstanceRuns());
        EXPECT_TRUE(lock->listen([this](const QByteArray& token) { served_.push_back(token); }));
        return lock;
    }
    bool servedOnce(const QByteArray& token) {
        const bool once = QTest::qWaitFor([&] { return !served_.empty(); }) &&
                          served_ == std::vector<QByteArray>{token};
        served_.clear();
        return once;
    }

    QTemporaryDir runtime_, folder_;
    std::vector<QByteArray> served_;
};

// Nothing but "show yourself", with at most an activation token, is served; every connection
// ends after its first line, or when its client sends too much or nothing in time, and the
// running instance goes on serving the next one.
TEST_F(InstanceLockTest, OnlyTheShowRequestIsServed) {
    const auto lock = running(folder_.path());
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
        const int client = SendRaw(lock->socketName(), c.sent);
        ASSERT_GE(client, 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return Ended(client); }))
            << "the running instance ends the connection";
        ::close(client);
        EXPECT_EQ(served_, c.served);
    }
    // The second start's own side: a token it cannot pass on is left out, not the request.
    for (const QByteArray& token :
         {QByteArray("t-1"), QByteArray("a b"), QByteArray(), longToken}) {
        SCOPED_TRACE(token.left(8).constData());
        const InstanceLock second(folder_.path());
        ASSERT_TRUE(second.anotherInstanceRuns());
        EXPECT_TRUE(second.askToShow(token));
        EXPECT_TRUE(servedOnce(token == "t-1" ? token : QByteArray()));
    }
}

// Lays `what` at `path` under `root`: "->target" a symbolic link, "<mode NNNN>" a folder's
// permissions, "<nobody's>" a folder of another user's, else what test::LayEntry lays.
void Lay(const QDir& root, const QString& path, const QByteArray& what) {
    const QByteArray native = QFile::encodeName(root.filePath(path));
    QDir().mkpath(QFileInfo(root.filePath(path)).path());
    if (what.startsWith("->"))
        EXPECT_EQ(::symlink(what.sliced(2).constData(), native.constData()), 0);
    else if (what.startsWith("<mode "))
        EXPECT_EQ(::chmod(native.constData(), what.sliced(6, 4).toUInt(nullptr, 8)), 0);
    else if (what == "<nobody's>")
        EXPECT_TRUE(::mkdir(native, 0700) == 0 && (::geteuid() || !::chown(native, 65534, 65534)));
    else
        test::LayEntry(root.filePath(path), what);
}

// However the second start reaches the table's folder (a/, or FAT/ on a FAT image), it finds
// the lock held and the running instance's socket: through a link, a bind mount, another case
// on FAT, another runtime folder or none, another program folder linking the same table. Nothing
// where the lock or the table lives hangs either start. A folder that cannot be opened takes no
// lock, and both start.
TEST_F(InstanceLockTest, ASecondStartIsRefusedHoweverTheFolderIsReached) {
    test::FatFolder fat;
    const QString fallback = "tmp/runtime-" + QString::fromLocal8Bit(getpwuid(geteuid())->pw_name);
    enum Second { Here, WithoutRuntime, InABindMount };
    // clang-format off
    const struct { const char* name; QMap<QString, QByteArray> laid; QString first, second; Second how = Here; bool refused = true; } cases[] = {
        {"a symbolic link to the folder", {{"c", "->a"}}, "a", "c"},
        {"a bind mount of the folder", {}, "a", "b", InABindMount},
        {"XDG_RUNTIME_DIR unset", {}, "a", "a", WithoutRuntime},
        {"a fallback runtime folder another user made", {{fallback, "<nobody's>"}}, "a", "a", WithoutRuntime},
        {"a FAT path in another case", {{"FAT/dravesse", "<folder>"}}, "FAT/dravesse", "FAT/DRAVESSE"},
        {"two program folders whose Tamblet.csv links to one file",
         {{"t/table.csv", "x"}, {"a/Tamblet.csv", "->../t/table.csv"}, {"b/Tamblet.csv", "->../t/table.csv"}}, "a", "b"},
        {"Tamblet.csv a link to a FIFO", {{"t/fifo", "<fifo>"}, {"a/Tamblet.csv", "->../t/fifo"}}, "a", "a"},
        {"Tamblet.csv a link to itself", {{"a/Tamblet.csv", "->Tamblet.csv"}}, "a", "a"},
        {"a read-only folder", {{"a", "<mode 0500>"}}, "a", "a"},
        {"a folder that cannot be opened", {{"a", "<mode 0100>"}}, "a", "a", Here, false}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.first.startsWith("FAT") && *fat.skipReason()) {
            // A user who cannot open /dev/fuse cannot mount FAT at all (the FAT tests are skipped
            // then); anything else that stops the image is a fault.
            if (::access("/dev/fuse", R_OK | W_OK) == 0)
                ADD_FAILURE() << fat.skipReason() << " (the FAT case needs fusefat)";
            else
                std::cout << "FAT case left out: " << fat.skipReason() << "\n";
            continue;
        }
        QTemporaryDir temporary;
        const QDir root(temporary.path());
        const auto path = [&](const QString& p) {
            return p.startsWith("FAT") ? fat.path() + p.sliced(3) : root.filePath(p);
        };
        root.mkpath("a");
        root.mkpath("b");
        const test::WithoutPermissionOverride asTheOwner;
        for (const auto& [at, what] : c.laid.asKeyValueRange())
            at.startsWith("FAT") ? test::LayEntry(path(at), what) : Lay(root, at, what);
        ::alarm(60);  // a FIFO opened would hang
        InstanceLock lock(path(c.first));
        ASSERT_FALSE(lock.anotherInstanceRuns());
        lock.listen([this](const QByteArray& token) { served_.push_back(token); });
        if (c.how == WithoutRuntime) {
            qunsetenv("XDG_RUNTIME_DIR");
            qputenv("TMPDIR", QFile::encodeName(root.filePath("tmp")));
        }
        if (c.how == InABindMount) {
            // In a mount namespace of its own: as root, or in a user namespace, whose user is
            // another one, so that its request is not served.
            const int result = test::RunForked([&] {
                if (::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
                    return 3;
                if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                    ::mount(QFile::encodeName(path(c.first)), QFile::encodeName(path(c.second)),
                            nullptr, MS_BIND, nullptr) != 0)
                    return 4;
                const InstanceLock again(path(c.second));
                return !again.anotherInstanceRuns() ? 1 : again.askToShow("t") ? 0 : 2;
            });
            EXPECT_TRUE(result == 0 || (::geteuid() != 0 && result == 2)) << "3, 4: no mount";
            EXPECT_TRUE(result != 0 || servedOnce("t"));
        } else {
            const InstanceLock again(path(c.second));
            EXPECT_EQ(again.anotherInstanceRuns(), c.refused);
            EXPECT_EQ(again.askToShow("t"), c.refused);
            EXPECT_TRUE(!c.refused || servedOnce("t"));
        }
        ::alarm(0);
        ::chmod(QFile::encodeName(path("a")), 0700);
        qunsetenv("TMPDIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
        if (c.first.startsWith("FAT")) QDir(fat.path()).rmdir("dravesse");
    }
}

// A flood of held connections, more than the program may open files, neither closes the socket
// nor holds the program's files: once it is over, a second start is served.
TEST_F(InstanceLockTest, AFloodOfConnectionsLeavesTheSocketServed) {
    const auto lock = running(folder_.path());
    rlimit files{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
    const rlimit limited{std::min<rlim_t>(files.rlim_cur, 1024), files.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limited), 0);
    const pid_t flood = ::fork();
    if (flood == 0) {
        const rlimit more{std::min<rlim_t>(files.rlim_max, 4096), files.rlim_max};
        ::setrlimit(RLIMIT_NOFILE, &more);
        for (int i = 0; i < 1100; ++i) (void)ConnectShowSocket(lock->socketName(), 0);
        ::sleep(3);  // held, then closed all at once
        ::_exit(0);
    }
    int status = -1;
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return ::waitpid(flood, &status, WNOHANG) == flood; }, 20000));
    EXPECT_EQ(status, 0);
    const InstanceLock second(folder_.path());
    EXPECT_TRUE(second.askToShow("after"));
    EXPECT_TRUE(servedOnce("after"));
    EXPECT_EQ(::setrlimit(RLIMIT_NOFILE, &files), 0);
}

// A request from another user is not served, and a second start sends nothing to a socket of
// another user's under the instance's name.
TEST_F(InstanceLockTest, AnotherUsersRequestIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const auto lock = running(folder_.path());
    const QByteArray name = lock->socketName();
    ASSERT_EQ(::seteuid(65534), 0);
    const int client = SendRaw(name, "SHOW\n");
    ASSERT_EQ(::seteuid(0), 0);
    ASSERT_GE(client, 0) << "the request reached the socket";
    QTest::qWait(300);
    EXPECT_TRUE(served_.empty());
    ::close(client);
    // Another user's socket under the name a second start asks: reached, but sent nothing.
    ASSERT_EQ(::seteuid(65534), 0);
    const int taken = BindShowSocket(name + "-taken");
    ASSERT_EQ(::seteuid(0), 0);
    ASSERT_GE(taken, 0);
    EXPECT_EQ(ConnectShowSocket(name + "-taken", 200), -1);
    ::close(taken);
}

}  // namespace
}  // namespace dravesse
