#include "store/read_item_file.h"

#include <QDir>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "store/item_file_format.h"
#include "store/replace_file.h"
#include "store/save_checks.h"
#include "store/store_texts.h"

namespace dravesse {
namespace {

qint16 reportDamaged() {
    // Nothing of a damaged file stays reachable.
    for (auto& row : ItemTable) row.fill(QString());
    MsgBox(kDamagedText, kMbCritical, kReadTitle);
    return 0;
}

}  // namespace

qint16 ReadItemFile() {
    // Only a regular file is opened: a FIFO, socket, device or folder of that name is named.
    QString why;
    const QString path = QDir(AppPath).filePath(kItemFileName);
    const FileIdentity asRead = IdentityOf(path);
    const std::optional<QByteArray> read = ReadRegularFile(path, kMaxFileBytes + 1, &why);
    if (!read) {
        MsgBox(kCanNotOpenText + QStringLiteral("\r\n") + ReasonLine(why, AppPath),
               kMbExclamation | kMbSystemModal, kErrorTitle);
        return 0;
    }
    const QByteArray& bytes = *read;

    std::optional<ItemFileContents> contents = ParseItemFile(bytes);
    if (!contents) return reportDamaged();

    RowCount = contents->rowCount;
    ColCount = contents->colCount;
    for (int i = 1; i <= ColCount; ++i) ColumnTitles[i] = contents->titles[i];
    ItemTable = contents->table;

    ReadCredentials();
    ItemTable[0][ColCount + 1] = HintWord;
    // A row the header counts but the file lacks is damage too: a file cut off after a whole line
    // whose last rows have no name would otherwise pass the link check.
    if (contents->linesRead < RowCount || !LinksMatch(ItemTable, RowCount, ColCount))
        return reportDamaged();
    NoteItemFileAsKnown(path, asRead);
    return static_cast<qint16>(contents->linesRead);
}

void ReadCredentials() {
    EditPass = QString::fromUtf16(kDefaultEditPass);
    LoginPass = QString::fromUtf16(kDefaultLoginPass);
    for (int i = 0; i < RowCount; ++i) {
        const TableRow& row = ItemTable[i];
        if (row[0] != kCredentialsName) continue;
        HintWord = row[1];
        if (!row[2].isEmpty()) LoginPass = row[2];
        if (!row[3].isEmpty()) EditPass = row[3];
    }
}

}  // namespace dravesse
