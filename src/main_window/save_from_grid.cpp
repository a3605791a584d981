#include "main_window/save_from_grid.h"

#include <QStringList>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "controls/spread.h"
#include "main_window/form1.h"
#include "main_window/grid_routines.h"
#include "main_window/main_window_texts.h"
#include "store/read_item_file.h"
#include "store/store_texts.h"
#include "store/write_item_file.h"

namespace dravesse {

qint16 CollectForSave(Spread& grid) {
    bool foundCredentials = false;
    qint16 count = kTableRows;
    for (int r = 0; r < kTableRows; ++r) {
        QString name;
        if (!grid.GetText(0, r + 1, name)) {
            ItemTable[r][0].clear();
            count = static_cast<qint16>(r);
            break;
        }
        ItemTable[r][0] = name;
        if (name == kCredentialsName) foundCredentials = true;
        for (int c = 1; c <= ColCount; ++c) ItemTable[r][c] = ReadCell(grid, r + 1, c);
    }
    if (!foundCredentials &&
        MsgBox(kNoCredentialsQuestion, kMbCritical | kMbOkCancel, kSaveTitle) != kIdOk)
        return -1;
    return count;
}

bool ConfirmUnnamedRows(Spread& grid) {
    int firstUnnamed = 0;
    for (int r = 1; r <= grid.MaxRows(); ++r) {
        if (ReadCell(grid, r, 0).isEmpty()) {
            if (firstUnnamed == 0) firstUnnamed = r;
        } else if (firstUnnamed != 0) {
            return MsgBox(kUnnamedRowQuestion.arg(firstUnnamed), kMbExclamation | kMbOkCancel,
                          kSaveTitle) == kIdOk;
        }
    }
    return true;
}

// The passwords that the next start will take from these rows, as the loader takes them.
bool ConfirmCredentials(int rows) {
    bool found = false, loginGiven = false, editGiven = false;
    QString login = QString::fromUtf16(kDefaultLoginPass);
    QString edit = QString::fromUtf16(kDefaultEditPass);
    QString hint;
    for (int r = 0; r < rows; ++r) {
        const TableRow& row = ItemTable[r];
        if (row[0] != kCredentialsName) continue;
        found = true;
        hint = row[1];
        if (!row[2].isEmpty()) {
            login = row[2];
            loginGiven = true;
        }
        if (!row[3].isEmpty()) {
            edit = row[3];
            editGiven = true;
        }
    }
    if (!found) return true;
    QStringList problems;
    if (!loginGiven) problems << kEmptyLoginText.arg(login);
    if (!editGiven) problems << kEmptyEditText.arg(edit);
    if (login == edit) problems << kSamePasswordsText;
    if (hint == login) problems << kHintIsLoginText;
    if (hint == edit) problems << kHintIsEditText;
    if (problems.isEmpty()) return true;
    problems << kSaveAnywayText;
    return MsgBox(problems.join(QStringLiteral("\r\n")), kMbExclamation | kMbOkCancel,
                  kSaveTitle) == kIdOk;
}

// Save: collects the grid into the table and writes the item file; a grid whose first row has no
// name has nothing to save. Whenever nothing is written, the table is put back as it was, so that
// a later refill or copy never shows unsaved rows. A save that works says nothing and leaves the
// grid and the buttons as they are.
void Form1::SSCommand4_Click() {
    vaSpread1->CommitEdit();
    if (ReadCell(*vaSpread1, 1, 0).isEmpty()) {  // no questions: their answers could not matter
        MsgBox(kNothingToSaveText, kMbExclamation, kSaveTitle);
        return;
    }
    if (!ConfirmUnnamedRows(*vaSpread1)) return;
    const Table savedTable = ItemTable;
    const int savedRowCount = RowCount;
    const qint16 n = CollectForSave(*vaSpread1);
    bool written = false;
    if (n > 0 && ConfirmCredentials(n)) {
        RowCount = n;
        written = WriteItemFile();
    }
    if (!written) {
        ItemTable = savedTable;
        RowCount = savedRowCount;
    } else {
        resetStoredRows(RowCount);  // the grid's named rows at the top are the table now
    }
}

}  // namespace dravesse
