#include "app/instance_lock.h"

#include <gtest/gtest.h>
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
#include <csignal>
#include <cstring>
#include <functional>
#include <vector>

#include "app/instance_socket.h"
#include "store/store_texts.h"
#include "support/child_process.h"
#include "support/fat_folder.h"
#include "support/folder_snapshot.h"

namespace dravesse {
namespace {

// A client that sends `bytes` to the running instance's socket, whatever they are.
int SendRaw(const QByteArray& socketName, const QByteArray& bytes) {
    const int fd = ConnectShowSocket(socketName, 5000);
    if (fd >= 0 && ::send(fd, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
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

// However the second start reaches the table's folder, it finds the lock held and the socket
// of the running instance; nothing where the lock or the table lives hangs either start. A
// folder that cannot be opened takes no lock, and both start.
TEST_F(InstanceLockTest, ASecondStartIsRefusedHoweverTheFolderIsReached) {
    test::FatFolder fat;
    const QDir folder(folder_.path());
    QTemporaryDir other, synced;
    const QString item = folder.filePath(kItemFileName);
    using Path = std::function<QString()>;
    const auto linkItem = [&](const QString& to) { return QFile::link(to, item); };
    const bool root = ::geteuid() == 0;
    // clang-format off
    const struct { const char* name; Path running, second; bool refused = true; bool bindMount = false; } cases[] = {
        {"a symbolic link to the folder", [&] { return folder_.path(); },
         [&] { return QFile::link(folder_.path(), other.filePath("link")) ? other.filePath("link") : ""; }},
        {"a bind mount of the folder", [&] { return folder_.path(); }, [&] { return other.path(); }, true, true},
        {"XDG_RUNTIME_DIR unset", [&] { return folder_.path(); }, [&] { qunsetenv("XDG_RUNTIME_DIR"); return folder_.path(); }},
        {"a fallback runtime folder another user made", [&] { return folder_.path(); }, [&] {
            qunsetenv("XDG_RUNTIME_DIR");
            qputenv("TMPDIR", QFile::encodeName(other.path()));
            const QString fallback = other.filePath("runtime-" + qEnvironmentVariable("USER", "root"));
            QDir().mkdir(fallback);
            if (root && ::chown(QFile::encodeName(fallback).constData(), 65534, 65534) != 0) return QString();
            return folder_.path(); }},
        {"a FAT path in another case", [&] { return QDir(fat.path()).mkdir("dravesse") ? fat.path() + "/dravesse" : ""; },
         [&] { return fat.path() + "/DRAVESSE"; }},
        {"two program folders whose Tamblet.csv links to one file", [&] {
            test::WriteBytes(synced.filePath("table.csv"), "x");
            return linkItem(synced.filePath("table.csv")) ? folder_.path() : ""; },
         [&] { return QFile::link(synced.filePath("table.csv"), other.filePath(kItemFileName)) ? other.path() : ""; }},
        {"Tamblet.csv a FIFO", [&] { test::LayEntry(item, "<fifo>"); return folder_.path(); }, [&] { return folder_.path(); }},
        {"Tamblet.csv a link to a FIFO", [&] {
            test::LayEntry(synced.filePath("fifo"), "<fifo>");
            return linkItem(synced.filePath("fifo")) ? folder_.path() : ""; }, [&] { return folder_.path(); }},
        {"Tamblet.csv a link to itself", [&] { return linkItem(item) ? folder_.path() : ""; }, [&] { return folder_.path(); }},
        {"Tamblet.csv a folder", [&] { return folder.mkdir(kItemFileName) ? folder_.path() : ""; }, [&] { return folder_.path(); }},
        {"a read-only folder", [&] { QFile::setPermissions(folder_.path(), QFile::ReadOwner | QFile::ExeOwner); return folder_.path(); },
         [&] { return folder_.path(); }},
        {"a folder that cannot be opened", [&] { QFile::setPermissions(folder_.path(), QFile::ExeOwner); return folder_.path(); },
         [&] { return folder_.path(); }, false}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::strstr(c.name, "FAT") && *fat.skipReason()) {
            ADD_FAILURE() << fat.skipReason() << " (the FAT case needs /dev/fuse and fusefat)";
            continue;
        }
        const test::WithoutPermissionOverride asTheOwner;
        ::alarm(60);  // a FIFO opened would hang
        const QString first = c.running();
        ASSERT_FALSE(first.isEmpty());
        InstanceLock lock(first);
        ASSERT_FALSE(lock.anotherInstanceRuns());
        lock.listen([this](const QByteArray& token) { served_.push_back(token); });
        const QString second = c.second();
        ASSERT_FALSE(second.isEmpty());
        if (c.bindMount) {
            // In a mount namespace of its own: as root, or as a user in a user namespace, where
            // its user is another and the request is not served.
            const int result = test::RunForked([&] {
                if (::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
                    return 3;
                if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                    ::mount(QFile::encodeName(first).constData(),
                            QFile::encodeName(second).constData(), nullptr, MS_BIND, nullptr) != 0)
                    return 4;
                const InstanceLock again(second);
                return !again.anotherInstanceRuns() ? 1 : again.askToShow("t") ? 0 : 2;
            });
            EXPECT_TRUE(result == 0 || (!root && result == 2)) << "3, 4: no bind mount here";
            if (result == 0) {
                EXPECT_TRUE(servedOnce("t"));
            }
        } else {
            const InstanceLock again(second);
            EXPECT_EQ(again.anotherInstanceRuns(), c.refused);
            EXPECT_EQ(again.askToShow("t"), c.refused);
            if (c.refused) {
                EXPECT_TRUE(servedOnce("t"));
            }
        }
        ::alarm(0);
        QFile::setPermissions(folder_.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (QDir d : {folder, QDir(other.path()), QDir(synced.path())}) {
            QFile::remove(d.filePath("link"));
            test::EmptyFolder(d.path());
        }
        if (!*fat.skipReason()) QDir(fat.path()).rmdir("dravesse");
        qunsetenv("TMPDIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
        served_.clear();
    }
}

// A killed instance leaves nothing behind: the next start takes the lock at once. A request sent
// before that start serves its socket waits there, and is served then.
TEST_F(InstanceLockTest, ALockLeftByAKilledInstanceIsTakenOver) {
    const int killed = test::RunForked([&] {
        InstanceLock held(folder_.path());
        held.listen({});
        return ::raise(SIGKILL);
    });
    ASSERT_EQ(killed, 128 + SIGKILL);
    InstanceLock next(folder_.path());
    ASSERT_FALSE(next.anotherInstanceRuns());
    const InstanceLock second(folder_.path());
    ASSERT_TRUE(second.anotherInstanceRuns());
    EXPECT_TRUE(second.askToShow("t")) << "sent before the next start serves its socket";
    ASSERT_TRUE(next.listen([this](const QByteArray& token) { served_.push_back(token); }));
    EXPECT_TRUE(servedOnce("t"));
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
    const auto asNobody = [](const std::function<int()>& body) {
        return test::RunForked(
            [&] { return ::setgid(65534) != 0 || ::setuid(65534) != 0 ? 9 : body(); });
    };
    const int unsent = asNobody([&] {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + 1, name.constData(), std::size_t(name.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
        return int(::connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
                   ::write(fd, "SHOW\n", 5) != 5);
    });
    ASSERT_EQ(unsent, 0) << "the request reached the socket";
    QTest::qWait(300);
    EXPECT_TRUE(served_.empty());
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
