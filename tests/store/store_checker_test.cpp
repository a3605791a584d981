// A randomised, seeded search of the store. Each case lays a folder (Tamblet.csv, its backups and
// cut-short saves present or not, sound, damaged, cut off, empty, unreadable, FIFOs, folders,
// links of every sort, the person's own files, times in any order), then runs starts answered at
// random and saves, each in a process of its own with at most one system call failing, killed,
// or done and then reported as failed. After each step a small model says what the store must
// have kept. A failing case is shrunk and printed with its seed. By hand: DRAVESSE_CHECKER_SEED
// (the first seed) and DRAVESSE_CHECKER_CASES choose the cases, DRAVESSE_CHECKER_ALL goes on after
// a failure.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <random>
#include <tuple>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "store/recover_item_file.h"
#include "store/store_texts.h"
#include "store/write_item_file.h"
#include "support/child_process.h"
#include "support/folder_snapshot.h"
#include "support/sample_table.h"

namespace dravesse::test {
namespace {

// clang-format off
enum Kind { Sound, ReadOnly, Damaged, CutOff, Empty, Unreadable, Fifo, Folder, LinkOut, LinkThroughFolder,
            LinkToName, LinkNowhere, HardLink, Huge, kKinds };
const char* const kKindNames[] = {"sound", "read-only", "damaged", "cut off after a line", "empty", "unreadable",
    "a FIFO", "a folder", "a link to another folder", "a link through a linked folder and ..", "a link to",
    "a link to nothing", "a hard link to", "a link to a huge sparse damaged file elsewhere"};
const QStringList kOurs{kItemFileName, BackupFileName(1), BackupFileName(2), BackupFileName(3),
                        ".Tamblet.csv.dravesse-save-0123456789ab", ".Tamblet.csv.dravesse-save-a1b2c3d4e5f6"};
// clang-format on
const QStringList kPersons{"notes.txt", "Tamblet.csv.bak", ".Tamblet.csv.backup", "TAMBLET.CSV"};
const int kAgesMs[] = {-86'400'000, -1, 0, 1, 86'400'000};

struct Entry {
    QString name;
    Kind kind;
    int id;   // the table's number; for links to our names, the index of that name
    int age;  // milliseconds against the time of the case
};
struct Step {
    QString answers;                     // one "y" (OK) or "n" (Cancel) per question, in order
    bool save = false, replace = false;  // replace: another program rewrites Tamblet.csv first
    QString fault;  // "", "kill:CALL:N", "error:CALL:N:ERRNO" (strace) or "after:rename|link:N"
};
struct Case {
    std::vector<Entry> entries;
    std::vector<Step> steps;
};

QByteArray tableBytes(int id) {
    return ItemFileBytes("2x1,A", {"r0,t" + QByteArray::number(id) + ",h", "r1,b,r0"});
}

// What a name holds, read through its links as the kernel does: the bytes of a file (a marker
// for anything else, or for a file far larger than any table), empty when there is nothing.
QByteArray contentOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path), &st) != 0) return {};
    if (st.st_size > 2 * kMaxFileBytes)
        return "<huge " + QByteArray::number(qint64(st.st_size)) + ">";
    return S_ISREG(st.st_mode) ? ReadBytes(path) : EntryAsLaid(path);
}

// A sound table the start may open: readable by its owner, and for the program's own temporary
// names a file of its own (a link there is the person's, never opened).
QString readableSoundId(const QString& path) {
    struct stat st {};
    if (path.contains(".dravesse-") &&
        (::lstat(QFile::encodeName(path), &st) || !S_ISREG(st.st_mode)))
        return {};
    return ::stat(QFile::encodeName(path), &st) == 0 && (st.st_mode & S_IRUSR)
               ? SoundFirstValue(contentOf(path))
               : QString();
}

struct Report {
    int result = -1, startMessages = 0;
    QString loaded;
    QByteArray opened;             // Tamblet.csv once the start is over
    QList<QByteArray> afterStart;  // Tamblet.csv to Tamblet3.csv once the start (and any
                                   // replacement by another program) is over
    quint32 mode = 0;              // Tamblet.csv's permissions then
    bool saved = false;
    QByteArray replaced;
    QStringList prompts;
    QList<int> styles;
};
// The report's fields, in the order they travel from the step's process.
auto fields(Report& r) {
    return std::tie(r.result, r.startMessages, r.loaded, r.opened, r.afterStart, r.mode, r.saved,
                    r.replaced, r.prompts, r.styles);
}

QList<QByteArray> ourFiles(const QString& app) {
    QList<QByteArray> held;
    for (int g = 0; g < 4; ++g) held << contentOf(QDir(app).filePath(kOurs[g]));
    return held;
}

// One step, in the process the checker starts: the start, then the save when asked.
// DRAVESSE_CHECKER_STEP: folder, answers, the new table's number, the replacing table's (or 0),
// and the report's path, one a line.
int checkerStep() {
    const QStringList arg = qEnvironmentVariable("DRAVESSE_CHECKER_STEP").split(u'\n');
    AppPath = arg[0];
    const QString item = QDir(AppPath).filePath(kItemFileName);
    MsgBoxScript script;
    for (QChar answer : arg[1]) script.answerNext(answer == u'y' ? kIdOk : kIdCancel);
    Report r;
    {
        const WithoutPermissionOverride asTheOwner;
        r.result = int(LoadAtStart());
    }
    r.startMessages = int(script.shown().size());
    if (r.result == int(StartWith::MainWindow)) r.loaded = ItemTable[0][1];
    r.opened = contentOf(item);
    if (const int other = arg[3].toInt(); other && r.result == int(StartWith::MainWindow)) {
        const QString real = QFileInfo(item).canonicalFilePath();  // another program's save
        const QByteArray bytes = tableBytes(other);                // scrambled anew at each call
        QFile f(real + ".other");
        if (f.open(QIODevice::WriteOnly) && f.write(bytes) > 0 && f.flush() &&
            // renameat itself, so that no injected failure or kill meant for the store hits it
            ::syscall(SYS_renameat, AT_FDCWD, QFile::encodeName(f.fileName()).constData(), AT_FDCWD,
                      QFile::encodeName(real).constData()) == 0)
            r.replaced = bytes;
    }
    r.afterStart = ourFiles(AppPath);
    struct stat st {};
    r.mode = ::stat(QFile::encodeName(item), &st) == 0 ? st.st_mode & 07777 : 0;
    if (const int id = arg[2].toInt(); id && r.result != int(StartWith::Nothing)) {
        const ItemFileContents f = *ParseItemFile(tableBytes(id));
        PutInSharedState({f.rowCount, f.colCount, f.titles, f.table, QStringLiteral("h")});
        const WithoutPermissionOverride asTheOwner;
        r.saved = WriteItemFile();
    }
    for (const ShownMessage& m : script.shown()) r.prompts << m.prompt, r.styles << m.style;
    QFile out(arg[4]);
    if (!out.open(QIODevice::WriteOnly)) return 3;
    QDataStream stream(&out);
    std::apply([&](auto&... f) { (stream << ... << f); }, fields(r));
    return 0;
}
const bool registered = RegisterChild("checker-step", &checkerStep);

class Checker {
  public:
    explicit Checker(const Case& c) : c_(c) {}

    // The first property that fails, in words; empty when the case passes.
    QString run() {
        QTemporaryDir root, scratch;
        root_ = root.path();
        app_ = root_ + "/app";
        for (const char* d : {"/app", "/cloud/sub", "/mnt"}) QDir().mkpath(root_ + d);
        EXPECT_EQ(::symlink("../cloud/sub", QFile::encodeName(app_ + "/cloudlink")), 0);
        lay();
        for (size_t i = 0; i < c_.steps.size(); ++i)
            if (const QString why = step(c_.steps[i], int(i), scratch.path()); !why.isEmpty())
                return QStringLiteral("step %1: %2").arg(i + 1).arg(why);
        return {};
    }

  private:
    QString path(const QString& name) const { return app_ + u'/' + name; }

    void lay() {
        const qint64 base = QDateTime::currentMSecsSinceEpoch() / 1000 * 1000;
        for (int pass = 0; pass < 2; ++pass)  // hard links once their files are there
            for (const Entry& e : c_.entries) {
                if ((e.kind == HardLink) != (pass == 1)) continue;
                const QByteArray to = QFile::encodeName(path(e.name));
                const QString out = QStringLiteral("%1/cloud/t%2.csv").arg(root_).arg(e.id);
                const QByteArray id = QByteArray::number(e.id);
                // Cut off after its second row: the third, of no name, still links to it.
                const QByteArray cut = ItemFileBytes("3x1,A", {"r0,t" + id + ",h", ",b,r0", ",c,"});
                const QByteArray laid[] = {tableBytes(e.id),
                                           tableBytes(e.id),
                                           "junk " + id,
                                           cut.first(cut.lastIndexOf("\r\n", cut.size() - 3) + 2),
                                           "",
                                           tableBytes(e.id),
                                           "<fifo>",
                                           "<folder>"};
                const QByteArray target[] = {QFile::encodeName(out), "cloudlink/../t" + id + ".csv",
                                             QFile::encodeName(kOurs[e.id % 4]),
                                             QFile::encodeName(root_ + "/mnt/pw.csv")};
                if (e.kind <= Folder) LayEntry(path(e.name), laid[e.kind]);
                const bool huge = e.kind == Huge;  // a link to it, as in a synced folder
                if (e.kind == LinkOut || e.kind == LinkThroughFolder || huge)
                    LayEntry(out, huge ? "junk" : tableBytes(e.id));
                if ((e.kind >= LinkOut && e.kind <= LinkNowhere) || huge) {
                    EXPECT_EQ(::symlink(target[huge ? 0 : e.kind - LinkOut], to), 0);
                }
                if (e.kind == HardLink && ::link(QFile::encodeName(path(kOurs[e.id % 4])), to) != 0)
                    continue;  // only where that name is a file
                if (huge) {
                    EXPECT_EQ(::truncate(QFile::encodeName(out), 8LL << 30), 0);
                }
                if (e.kind == ReadOnly) ::chmod(to, 0400);
                if (e.kind == Unreadable) ::chmod(to, 0);
                QFile f(path(e.name));
                if (QFileInfo(f).isFile() && f.open(QIODevice::Append))
                    f.setFileTime(QDateTime::fromMSecsSinceEpoch(base + e.age),
                                  QFileDevice::FileModificationTime);
            }
    }

    // Every file under the case's folders, read as root: its content, and where it lies.
    QMultiMap<QByteArray, QString> contents() const {
        QMultiMap<QByteArray, QString> found;
        QDirIterator it(root_, QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString p = it.next();
            if (!QFileInfo(p).isSymLink()) found.insert(contentOf(p), p.mid(root_.size() + 1));
        }
        return found;
    }
    // What must stay: every file of some content, but a cut-short save's file only when sound.
    static QSet<QByteArray> mustStay(const QMultiMap<QByteArray, QString>& files) {
        QSet<QByteArray> keep;
        for (auto [content, p] : files.asKeyValueRange())
            if (!content.isEmpty() &&
                (!p.contains(".dravesse-") || !SoundFirstValue(content).isEmpty()))
                keep.insert(content);
        return keep;
    }

    QString step(const Step& s, int index, const QString& scratch) {
        const auto before = contents();
        const QList<QByteArray> ours = ourFiles(app_);
        const auto personsFiles = [&] {
            QList<FileState> files;
            for (const QString& p : kPersons)
                files.push_back({EntryAsLaid(path(p)), QFile(path(p)).permissions()});
            return files;
        };
        const QList<FileState> persons = personsFiles();

        struct stat st {};
        const bool itemNamed = ::lstat(QFile::encodeName(path(kItemFileName)), &st) == 0;
        // Cut-short saves beside the name Tamblet.csv (whatever it is a link to).
        QString cutShortId;
        const QStringList cutShort =
            QDir(app_).entryList({".Tamblet.csv.dravesse-save-*"},
                                 QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive);
        for (const QString& name : cutShort)
            if (cutShortId.isEmpty()) cutShortId = readableSoundId(path(name));
        // A save, or a start that finishes a cut-short save, makes room: the oldest generation
        // may go, and with both, the one before it.
        auto mayGo = [&](int g) {  // unless a newer generation is the same file
            if (!ours.first(g).contains(ours[g])) mayGo_.insert(ours[g]);
        };
        if (s.save || !cutShortId.isEmpty()) mayGo(3);
        if (s.save && !cutShortId.isEmpty()) mayGo(2);
        bool anySound = !cutShortId.isEmpty();
        for (int g = 0; g < 4; ++g)
            anySound = anySound || !readableSoundId(path(kOurs[g])).isEmpty();

        // The step, in a process of its own.
        const QString report = QStringLiteral("%1/report%2").arg(scratch).arg(index),
                      log = report + ".strace";
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DRAVESSE_CHECKER_STEP",
                   QStringList{app_, s.answers, QString::number(s.save ? 100 + index : 0),
                               QString::number(s.replace ? 200 + index : 0), report}
                       .join(u'\n'));
        QStringList args{QCoreApplication::applicationFilePath(), "--child", "checker-step"};
        const QStringList f = s.fault.split(u':');
        if (f[0] == "after") {  // the sanitizers' runtime need not come first then
            env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
            env.insert("LD_PRELOAD", DRAVESSE_FAIL_AFTER_SHIM);
            env.insert("DRAVESSE_FAIL_AFTER", f[1] + ":" + f[2]);
        }
        if (f[0] == "kill" || f[0] == "error")
            args =
                QStringLiteral("-f -qq -o %1 -e trace=rename,renameat2,%2 -e inject=%2:%3:when=%4")
                    .arg(log, f[1], f[0] == "kill" ? "signal=SIGKILL" : "error=" + f[3], f[2])
                    .split(u' ') +
                args;
        p.setProcessEnvironment(env);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(f[0] == "kill" || f[0] == "error" ? "strace" : args.takeFirst(), args);
        if (!p.waitForFinished(20'000)) {
            p.kill();
            p.waitForFinished();
            return "the step took more than 20 s (or hung)";
        }
        const bool killed = p.exitStatus() == QProcess::CrashExit || p.exitCode() == 128 + 9;
        if (!killed && p.exitCode() != 0)
            return QStringLiteral("the step ended with code %1").arg(p.exitCode());

        // Nothing lost, the person's files untouched.
        const auto after = contents();
        Report r;
        QFile in(report);
        QDataStream stream(&in);
        if (!killed && in.open(QIODevice::ReadOnly))
            std::apply([&](auto&... f) { (stream >> ... >> f); }, fields(r));
        if (stream.status() != QDataStream::Ok || r.afterStart.size() != 4)
            r.result = -1;  // a write failed
        QSet<QByteArray> keep = mustStay(before);
        if (s.replace) mayGo_.insert(ours[0]);  // another program overwrote it
        if (!r.replaced.isEmpty()) keep.insert(r.replaced), mayGo_.insert(r.opened);
        for (const QByteArray& content : keep)
            if (!after.contains(content) && !mayGo_.contains(content))
                return "lost a table: " + QString::fromUtf8(content.left(40)).simplified() +
                       " (was " + before.values(content).join(", ") + ")";
        if (personsFiles() != persons) return "changed the person's files";
        if (killed || r.result < 0) return {};

        // The start opens the newest sound table, or asks.
        const QString all = r.prompts.join("\n");
        if (r.result == int(StartWith::MainWindow) &&
            (r.loaded.isEmpty() || SoundFirstValue(r.opened) != r.loaded))
            return "opened " + r.loaded + ", not a sound table in Tamblet.csv";
        if (!cutShortId.isEmpty() && r.startMessages == 0 && cutShortId != SoundFirstValue(ours[0]))
            return "said nothing of the cut-short save's table " + cutShortId;
        if (r.result == int(StartWith::CreateDialog) && anySound)
            return "opened the create dialog beside a sound table";

        // Every message agrees with the disk.
        if (all.startsWith("Tamblet.csv is missing") && itemNamed)
            return "called a Tamblet.csv that is there missing";
        static const QRegularExpression keptAs("(?:kept as|is now) (Tamblet-\\w+\\.csv)");
        for (auto m = keptAs.globalMatch(all); m.hasNext();)
            if (const QString n = m.next().captured(1);
                !QFileInfo::exists(path(n)) && r.result != int(StartWith::Nothing))
                return "said a table is kept as " + n + ", which is not there";
        const QList<QByteArray> now = ourFiles(app_);
        if (r.saved && SoundFirstValue(now[0]) != QStringLiteral("t%1").arg(100 + index))
            return "said the save worked, yet Tamblet.csv holds " +
                   QString::fromUtf8(now[0].left(30)).simplified();
        if (r.saved && r.mode && !(r.mode & S_IWUSR) &&
            ::stat(QFile::encodeName(path(kItemFileName)), &st) == 0 && (st.st_mode & S_IWUSR))
            return QStringLiteral("made a read-only Tamblet.csv (%1) writable").arg(r.mode, 0, 8);
        if (r.prompts.mid(r.startMessages).join("").contains(kNothingSavedText) &&
            now != r.afterStart)
            return "said nothing was saved, yet the files changed";
        if (r.prompts.first(r.startMessages).join("").contains(kNothingSavedText) &&
            r.replaced.isEmpty() && ours != r.afterStart)
            return "the start said nothing was saved, yet the files changed";
        if (r.saved && !r.replaced.isEmpty() &&
            std::none_of(r.styles.begin() + r.startMessages, r.styles.end(),
                         [](int style) { return style & kMbQuestion; }))
            return "saved over a Tamblet.csv that another program wrote, without a word";
        const QByteArray traced = ReadBytes(log);  // a failed sync, then a file renamed into place
        if (r.saved && f[0] == "error" && f[1].contains("sync") && r.prompts.isEmpty() &&
            traced.indexOf("dravesse-save-", traced.indexOf("INJECTED")) >
                traced.indexOf("INJECTED"))
            return "a failed " + f[1] + " before a commit went unmentioned";
        return {};
    }

    const Case& c_;
    QString root_, app_;
    QSet<QByteArray> mayGo_;
};

Case generate(quint32 seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    Case c;
    for (int i = 0; i < kOurs.size(); ++i)
        if (pick(4) < (i < 4 ? 3 : 1)) {
            const Kind k = pick(20) == 0 ? Huge : pick(3) == 0 ? Sound : Kind(pick(kKinds - 1));
            if (k != Huge || i < 4)
                c.entries.push_back({kOurs[i], k,
                                     k == LinkToName || k == HardLink ? pick(4) : i + 1,
                                     kAgesMs[pick(5)]});
        }
    for (const QString& name : kPersons)
        if (pick(4) == 0)
            c.entries.push_back({name, pick(2) ? Sound : Damaged, 50 + pick(9), kAgesMs[pick(5)]});
    static const char* const calls[] = {"rename", "renameat2", "link",      "unlink",
                                        "fsync",  "write",     "utimensat", "rename"};
    static const char* const errors[] = {"EIO", "ENOSPC", "EACCES"};
    for (int n = 1 + pick(3); n > 0; --n) {
        Step s;
        for (int q = 0; q < 4; ++q) s.answers += pick(4) ? u'y' : u'n';
        s.save = pick(3) > 0;
        s.replace = s.save && pick(8) == 0;
        const QString call = calls[pick(8)], nth = QString::number(1 + pick(pick(4) ? 2 : 5));
        const int how = s.save ? pick(6) : 6;  // a third of the saves without a fault
        if (how < 2) s.fault = "error:" + call + ":" + nth + ":" + errors[pick(3)];
        if (how == 2) s.fault = "kill:" + call + ":" + nth;
        if (how == 3) s.fault = QStringLiteral("after:%1:%2").arg(pick(2) ? "rename" : "link", nth);
        c.steps.push_back(s);
    }
    return c;
}

QString describe(const Case& c) {
    QStringList lines;
    for (const Entry& e : c.entries)
        lines << QStringLiteral("  %1: %2%3, time %4 ms")
                     .arg(e.name, kKindNames[e.kind],
                          e.kind == LinkToName || e.kind == HardLink
                              ? " " + kOurs[e.id % 4]
                              : QStringLiteral(" t%1").arg(e.id))
                     .arg(e.age);
    for (const Step& s : c.steps)
        lines << QStringLiteral("  then a start answering %1%2%3%4")
                     .arg(s.answers, s.replace ? ", another program rewriting Tamblet.csv" : "",
                          s.save ? ", a save" : "", s.fault.isEmpty() ? "" : ", fault " + s.fault);
    return lines.join(u'\n');
}

// What failed, without the step or the tables' numbers.
QString kindOf(const QString& why) {
    static const QRegularExpression details("^step \\d+: |[0-9(].*$");
    return QString(why).remove(details);
}

// Drops steps, entries and faults while the case still fails in the same way, for two minutes at
// most (a step that runs into the time limit takes 20 s each time).
Case shrink(Case c, const QString& why) {
    QElapsedTimer timer;
    timer.start();
    for (bool smaller = true; smaller && timer.elapsed() < 120'000;) {
        std::vector<Case> tries;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            if (c.steps.size() > 1)
                tries.push_back(c), tries.back().steps.erase(tries.back().steps.begin() + i);
            if (!c.steps[i].fault.isEmpty())
                tries.push_back(c), tries.back().steps[i].fault.clear();
        }
        for (size_t i = 0; i < c.entries.size(); ++i)
            tries.push_back(c), tries.back().entries.erase(tries.back().entries.begin() + i);
        smaller = false;
        for (const Case& t : tries)
            if (!smaller && kindOf(Checker(t).run()) == kindOf(why)) c = t, smaller = true;
    }
    return c;
}

TEST(StoreChecker, KeepsEveryTableAndTellsTheTruth) {
    const quint32 first = qEnvironmentVariableIntValue("DRAVESSE_CHECKER_SEED");
    const int cases = qEnvironmentVariableIsSet("DRAVESSE_CHECKER_CASES")
                          ? qEnvironmentVariableIntValue("DRAVESSE_CHECKER_CASES")
                          : 500;  // about a minute, also under the sanitizers
    for (int i = 0; i < cases; ++i) {
        const Case c = generate(first + quint32(i));
        if (const QString why = Checker(c).run(); !why.isEmpty()) {
            const Case small = shrink(c, why);
            ADD_FAILURE() << "seed " << first + quint32(i) << ": " << why.toStdString()
                          << "\nshortest failing case (" << Checker(small).run().toStdString()
                          << "):\n"
                          << describe(small).toStdString();
            if (!qEnvironmentVariableIsSet("DRAVESSE_CHECKER_ALL")) return;
        }
    }
}

}  // namespace
}  // namespace dravesse::test
