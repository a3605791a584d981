// Writes starting inputs for the fuzz targets: real item files and scrambled lines.
// Usage: make_fuzz_seeds <folder>; it creates <folder>/fuzz_item_file and <folder>/fuzz_modulate.
#include <QDir>
#include <QFile>
#include <cstdio>

#include "store/item_file_format.h"
#include "store/modulate.h"

using namespace dravesse;

namespace {

bool put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

SaveInput table(int rows, int cols, int valueLength) {
    SaveInput in;
    in.rowCount = rows;
    in.colCount = cols;
    in.hintWord = QStringLiteral("hint");
    for (int c = 1; c <= cols; ++c) in.titles[c] = QStringLiteral(u"列%1").arg(c);
    for (int r = 0; r < rows; ++r) {
        in.table[r][0] = QStringLiteral("Item%1").arg(r);
        for (int c = 1; c <= cols; ++c) in.table[r][c] = QString(valueLength, QChar(u'a' + c));
    }
    if (rows > 2) in.table[rows - 2] = {QStringLiteral("LoginPassword"), in.hintWord, "in", "ed"};
    return in;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    root.mkpath(QStringLiteral("fuzz_item_file"));
    root.mkpath(QStringLiteral("fuzz_modulate"));
    const QDir files(root.filePath(QStringLiteral("fuzz_item_file")));
    const QDir lines(root.filePath(QStringLiteral("fuzz_modulate")));
    bool ok = true;
    ok &= put(files.filePath("small"), FormatItemFile(table(3, 2, 4)));
    ok &= put(files.filePath("design"), FormatItemFile(table(7, 5, 0)));
    ok &= put(files.filePath("large"), FormatItemFile(table(20, 9, 20)));
    ok &= put(files.filePath("header_only"),
              "7x5,User Name,Login,Confirm,Kouza No,Card Password\r\n");
    ok &= put(lines.filePath("empty"), *Modulate("", kScramble));
    ok &= put(lines.filePath("row"), *Modulate("Bank,alice,pw,hint", kScramble));
    ok &= put(lines.filePath("plain"), "Bank,alice,pw,hint");
    return ok ? 0 : 1;
}
