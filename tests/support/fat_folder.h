#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <csignal>
#include <unistd.h>

namespace dravesse::test {

// Runs a program to its end (two minutes at most); its exit code, 128 + SIGKILL for a crash.
inline int RunProgram(const QString& program, const QStringList& args) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(120'000)) return -1;
    return p.exitStatus() == QProcess::CrashExit ? 128 + SIGKILL : p.exitCode();
}

// A FAT file system image mounted with fusefat for the test's lifetime.
class FatFolder {
  public:
    FatFolder() {
        const QString image = dir_.filePath("fat.img");
        QDir().mkpath(path());
        // /dev/fuse is often root's alone; a normal user cannot mount there.
        if (::access("/dev/fuse", R_OK | W_OK) != 0) {
            why_ = "/dev/fuse is missing or not open to this user";
        } else if (QFile f(image); !f.open(QIODevice::WriteOnly) || !f.resize(16 << 20) ||
                                   RunProgram("/usr/sbin/mkfs.vfat", {image}) != 0) {
            why_ = "mkfs.vfat (dosfstools) could not make a FAT image";
        } else if (RunProgram("fusefat", {"-o", "rw+", image, path()}) != 0 ||
                   QStorageInfo(path()).fileSystemType() != "fuse.fusefat") {
            why_ = "fusefat could not mount a FAT image";
        }
    }
    ~FatFolder() {
        if (!*why_) RunProgram("fusermount", {"-u", path()});
    }
    QString path() const { return dir_.filePath("mnt"); }
    const char* skipReason() const { return why_; }

  private:
    QTemporaryDir dir_;
    const char* why_ = "";
};

}  // namespace dravesse::test
