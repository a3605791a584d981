// Start-up benchmark: the time from starting the program to its main window being shown, on an
// item file of 99 rows and 9 columns (or the size given), against a minimal Qt Widgets program
// showing a comparable window with a table of the same size. Both run interleaved on the same
// machine; medians, ratios and peak memory are printed. The program binds and serves its
// single-instance socket before its window is shown, so that is inside the time measured.
//
// Usage: bench_startup <dravesse executable> <minimal_window executable> [rounds] [ROWSxCOLS]
//        bench_startup --in-place <dravesse executable> <another dravesse executable> [rounds]
// The first form copies the program into a folder of its own. The second runs two programs where
// they are, each beside a largest table written for the run and removed after it; a folder that
// holds a table already is refused. It compares, say, the self-contained program folder on a
// stick with the installed program.
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
#include <optional>
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

// The program runs with the arguments given (the minimal window takes the table's size). It ends
// when its window is shown.
Run runOnce(const QString& program, const QByteArrayList& args = {}) {
    qputenv("DRAVESSE_QUIT_WHEN_SHOWN", "1");
    const QByteArray path = QFile::encodeName(program);
    std::vector<char*> argv{const_cast<char*>(path.constData())};
    for (const QByteArray& a : args) argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(60);  // kept across exec: a program that does not end fails the run
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

struct Series {
    std::vector<double> ms, cpuMs;
    std::vector<long> rssKb;
    void add(const Run& run) {
        ms.push_back(run.ms);
        cpuMs.push_back(run.cpuMs);
        rssKb.push_back(run.maxRssKb);
    }
};

template <typename T>
T median(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Writes the largest table beside the program for the run; removes it when done.
class TableBeside {
  public:
    explicit TableBeside(const QString& program) : folder_(QFileInfo(program).absolutePath()) {}
    ~TableBeside() {
        if (written_) QFile::remove(QDir(folder_).filePath(QStringLiteral("Tamblet.csv")));
    }
    bool write() {
        if (QFileInfo::exists(QDir(folder_).filePath(QStringLiteral("Tamblet.csv")))) return false;
        written_ = WriteItemFileTo(folder_, LargestTable());
        return written_;
    }

  private:
    QString folder_;
    bool written_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool inPlace = argc > 1 && qstrcmp(argv[1], "--in-place") == 0;
    if (inPlace) {
        --argc;
        ++argv;
    }
    if (argc < 3 || (inPlace && argc > 4)) {
        std::fprintf(stderr,
                     "usage: bench_startup <dravesse> <minimal_window> [rounds] [ROWSxCOLS]\n"
                     "       bench_startup --in-place <dravesse> <another dravesse> [rounds]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 15;
    int rows = kMaxItemRows, cols = kMaxValueCols;
    if (argc > 4 && (std::sscanf(argv[4], "%dx%d", &rows, &cols) != 2 || rows < 1 ||
                     rows > kMaxItemRows || cols < 1 || cols > kMaxValueCols)) {
        std::fprintf(stderr, "table size: ROWSxCOLS, at most %dx%d\n", kMaxItemRows, kMaxValueCols);
        return 2;
    }
    // The minimal window takes the table's size; a second dravesse takes no arguments.
    const QByteArrayList size =
        inPlace ? QByteArrayList{}
                : QByteArrayList{QByteArray::number(rows), QByteArray::number(cols)};

    // The runtime folder lives in memory, as a desktop session's does (/run/user/...).
    QTemporaryDir folder;
    QTemporaryDir runtime(QFileInfo::exists(QStringLiteral("/dev/shm"))
                              ? QStringLiteral("/dev/shm/dravesse-bench-XXXXXX")
                              : QDir::temp().filePath(QStringLiteral("dravesse-bench-XXXXXX")));
    QString program = QDir(folder.path()).filePath(QStringLiteral("dravesse"));
    std::optional<TableBeside> tables[2];
    if (inPlace) {
        program = QString::fromLocal8Bit(argv[1]);
        tables[0].emplace(program);
        tables[1].emplace(QString::fromLocal8Bit(argv[2]));
        if (!tables[0]->write() || !tables[1]->write()) {
            std::fprintf(stderr,
                         "cannot write a table beside both programs (one there already?)\n");
            return 1;
        }
    } else if (!QFile::copy(QString::fromLocal8Bit(argv[1]), program) ||
               !WriteItemFileTo(folder.path(), TableOfSize(static_cast<qint16>(rows),
                                                           static_cast<qint16>(cols)))) {
        // A program folder of its own, holding the program and the table.
        std::fprintf(stderr, "cannot prepare the program folder\n");
        return 1;
    } else {
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString minimal = QString::fromLocal8Bit(argv[2]);

    runOnce(program);  // warm the caches for both
    runOnce(minimal, size);
    Series ours, base;
    for (int i = 0; i < rounds; ++i) {
        if (i % 2 == 0) {  // alternate the order to share any drift
            ours.add(runOnce(program));
            base.add(runOnce(minimal, size));
        } else {
            base.add(runOnce(minimal, size));
            ours.add(runOnce(program));
        }
    }
    std::printf("platform %s, %d rounds, table %d x %d\n", qgetenv("QT_QPA_PLATFORM").constData(),
                rounds, rows, cols);
    const char* first = inPlace ? "first" : "dravesse";
    const char* second = inPlace ? "second" : "minimal";
    const double mo = median(ours.ms), mb = median(base.ms);
    const double co = median(ours.cpuMs), cb = median(base.cpuMs);
    const long ro = median(ours.rssKb), rb = median(base.rssKb);
    std::printf("start to window shown:\n");
    std::printf("  time: %s %.1f ms, %s %.1f ms, ratio %.3f (target <= %s)\n", first, mo, second,
                mb, mo / mb, inPlace ? "1.10" : "1.05");
    std::printf("  processor time: %s %.1f ms, %s %.1f ms, ratio %.3f\n", first, co, second, cb,
                co / cb);
    std::printf("  peak memory: %s %ld KiB, %s %ld KiB, ratio %.3f (target <= 1.10)\n", first, ro,
                second, rb, double(ro) / double(rb));
    return 0;
}
