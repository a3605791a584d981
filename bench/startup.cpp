// Start-up benchmark: the time from starting the program to its main window being shown, on an
// item file of 99 rows and 9 columns (or the size given), against a minimal Qt Widgets program
// showing a comparable window with a table of the same size. Both run interleaved on the same
// machine; medians, ratios and peak memory are printed.
//
// Usage: bench_startup <dravesse executable> <minimal_window executable> [rounds] [ROWSxCOLS]
// Runs on the offscreen platform unless QT_QPA_PLATFORM is set.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/shared_state.h"
#include "largest_table.h"
#include "store/write_item_file.h"

namespace {

using namespace dravesse;

struct Run {
    double ms = 0;
    double cpuMs = 0;  // user and system time: what a loaded machine's waiting does not blur
    long maxRssKb = 0;
};

// The program runs with the arguments given (the minimal window takes the table's size).
Run runOnce(const QString& program, const QByteArrayList& args = {}) {
    const QByteArray path = QFile::encodeName(program);
    std::vector<char*> argv{const_cast<char*>(path.constData())};
    for (const QByteArray& a : args) argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::execv(path.constData(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s did not exit cleanly (status %d)\n", path.constData(), status);
        std::exit(1);
    }
    auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return {std::chrono::duration<double, std::milli>(end - start).count(),
            ms(usage.ru_utime) + ms(usage.ru_stime), usage.ru_maxrss};
}

template <typename T>
T median(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <dravesse> <minimal_window> [rounds] [ROWSxCOLS]\n",
                     argv[0]);
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 15;
    int rows = kMaxItemRows, cols = kMaxValueCols;
    if (argc > 4 && (std::sscanf(argv[4], "%dx%d", &rows, &cols) != 2 || rows < 1 ||
                     rows > kMaxItemRows || cols < 1 || cols > kMaxValueCols)) {
        std::fprintf(stderr, "table size: ROWSxCOLS, at most %dx%d\n", kMaxItemRows, kMaxValueCols);
        return 2;
    }
    const QByteArrayList size{QByteArray::number(rows), QByteArray::number(cols)};

    // A program folder of its own, holding the program and the table.
    // The runtime folder lives in memory, as a desktop session's does (/run/user/...).
    QTemporaryDir folder;
    QTemporaryDir runtime(QFileInfo::exists(QStringLiteral("/dev/shm"))
                              ? QStringLiteral("/dev/shm/dravesse-bench-XXXXXX")
                              : QDir::temp().filePath(QStringLiteral("dravesse-bench-XXXXXX")));
    const QString program = QDir(folder.path()).filePath(QStringLiteral("dravesse"));
    if (!QFile::copy(QString::fromLocal8Bit(argv[1]), program) ||
        !WriteItemFileTo(folder.path(),
                         TableOfSize(static_cast<qint16>(rows), static_cast<qint16>(cols)))) {
        std::fprintf(stderr, "cannot prepare the program folder\n");
        return 1;
    }
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("DRAVESSE_QUIT_WHEN_SHOWN", "1");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString minimal = QString::fromLocal8Bit(argv[2]);

    runOnce(program);  // warm the caches for both
    runOnce(minimal, size);
    std::vector<double> ours, base, oursCpu, baseCpu;
    std::vector<long> oursRss, baseRss;
    for (int i = 0; i < rounds; ++i) {
        const bool oursFirst = i % 2 == 0;  // alternate the order to share any drift
        const Run a = oursFirst ? runOnce(program) : runOnce(minimal, size);
        const Run b = oursFirst ? runOnce(minimal, size) : runOnce(program);
        const Run& o = oursFirst ? a : b;
        const Run& m = oursFirst ? b : a;
        ours.push_back(o.ms);
        base.push_back(m.ms);
        oursCpu.push_back(o.cpuMs);
        baseCpu.push_back(m.cpuMs);
        oursRss.push_back(o.maxRssKb);
        baseRss.push_back(m.maxRssKb);
    }
    const double mo = median(ours), mb = median(base);
    const long ro = median(oursRss), rb = median(baseRss);
    std::printf("platform %s, %d rounds, table %d x %d\n", qgetenv("QT_QPA_PLATFORM").constData(),
                rounds, rows, cols);
    std::printf(
        "start to window shown: dravesse %.1f ms, minimal %.1f ms, ratio %.3f (target <= 1.05)\n",
        mo, mb, mo / mb);
    const double co = median(oursCpu), cb = median(baseCpu);
    std::printf("processor time: dravesse %.1f ms, minimal %.1f ms, ratio %.3f\n", co, cb, co / cb);
    std::printf("peak memory: dravesse %ld KiB, minimal %ld KiB, ratio %.3f (target <= 1.10)\n", ro,
                rb, double(ro) / double(rb));
    return 0;
}
