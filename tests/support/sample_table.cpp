#include "support/sample_table.h"

#include "app/shared_state.h"
#include "store/modulate.h"

namespace dravesse::test {

SaveInput SampleTable() {
    SaveInput in;
    in.rowCount = 4;
    in.colCount = 3;
    in.titles[1] = QStringLiteral("User Name");
    in.titles[2] = QStringLiteral("Login");
    in.titles[3] = QStringLiteral("Memo");
    in.hintWord = QStringLiteral("stars");
    in.table[0] = {QStringLiteral("Bank"), QStringLiteral("alice"), QStringLiteral("s3cret"),
                   QStringLiteral(u"口座 1234")};
    in.table[1] = {QStringLiteral("Mail"), QStringLiteral("alice@example.org"),
                   QStringLiteral("pw"), QString()};
    in.table[2] = {kCredentialsName, QStringLiteral("stars"), QStringLiteral("login!"),
                   QStringLiteral("edit!")};
    in.table[3] = {QStringLiteral("Card"), QString(), QStringLiteral("4321"), QString()};
    return in;
}

void PutInSharedState(const SaveInput& in) {
    RowCount = in.rowCount;
    ColCount = in.colCount;
    ColumnTitles = in.titles;
    ItemTable = in.table;
    HintWord = in.hintWord;
}

QByteArray ItemFileBytes(const QByteArray& header, const QList<QByteArray>& plainRows) {
    QByteArray bytes = header + "\r\n";
    for (const QByteArray& row : plainRows) bytes += *Modulate(row, kScramble) + "\r\n";
    return bytes;
}

QString SoundFirstValue(const QByteArray& bytes) {
    const auto file = ParseItemFile(bytes);
    if (!file || file->linesRead < file->rowCount ||
        !LinksMatch(file->table, file->rowCount, file->colCount))
        return {};
    return file->table[0][1];
}

}  // namespace dravesse::test
