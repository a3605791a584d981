// "Save" in the create dialog: checks the entries, builds the first table (numbered placeholder
// items and the credentials row) and writes it as the item file.
#include <QLineEdit>
#include <vector>

#include "app/shared_state.h"
#include "create_dialog/form2.h"
#include "store/item_file_format.h"
#include "store/number_text.h"
#include "store/store_texts.h"
#include "store/write_item_file.h"

namespace dravesse {
namespace {

// A Save accepts 2 to 99 rows (room for the credentials row and the row after the last) and
// 3 to 7 columns (one title box each; three keep the hint word and both passwords in the file).
constexpr int kMinSaveRows = 2;
constexpr int kMaxSaveRows = kMaxItemRows;
constexpr int kMinSaveCols = 3;
constexpr int kMaxSaveCols = 7;

const QString kDifferentPasswords = QStringLiteral(u"異なるパスワードを設定してください。");

// Blanks (U+0020) removed at both ends; other white space is kept as typed.
QString trimBlanks(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == u' ') ++begin;
    while (end > begin && text[end - 1] == u' ') --end;
    return text.sliced(begin, end - begin);
}

// The item file separates fields with "," and lines with CR LF and cannot hold either in a field.
bool fitsInField(const QString& text) {
    return !text.contains(u',') && !text.contains(u'\r') && !text.contains(u'\n') &&
           !text.contains(QChar(0));
}

QString titleName(int column) {  // "第１列項目名", with the full-width digit of the labels
    return QStringLiteral(u"第%1列項目名").arg(QChar(u'０' + column));
}

// Lays out the new table: rows 0 to rows - 1 named "New1" onwards, with empty
// values and link slots, the credentials row at rows - 2, and an empty name after the last row.
void fillNewTable(Table& table, std::array<QString, kTableFields>& titles, int rows, int cols,
                  const std::array<QString, kTableFields>& typedTitles) {
    for (int c = 1; c <= cols; ++c) titles[c] = typedTitles[c];
    titles[cols + 1].clear();
    for (int r = 0; r < rows; ++r) {
        table[r][0] = QStringLiteral("New%1").arg(r + 1);
        for (int c = 1; c <= cols + 1; ++c) table[r][c].clear();
    }
    table[rows][0].clear();
    TableRow& credentials = table[rows - 2];
    credentials[0] = kCredentialsName;
    credentials[1] = HintWord;
    credentials[2] = LoginPass;
    credentials[3] = EditPass;
    credentials[4] = kCredentialsName;
    credentials[5] = QStringLiteral("EditPassword");
}

}  // namespace

void Form2::SSCommand1_Click() {
    // Stored before any test: a refused Save leaves these three as typed.
    LoginPass = trimBlanks(Text1[2]->text());
    EditPass = trimBlanks(Text1[3]->text());
    HintWord = trimBlanks(Text1[4]->text());

    if (LoginPass.isEmpty())
        return ShowCreateError(QStringLiteral(u"ログインパスワードが設定されていません。"), {});
    if (EditPass.isEmpty())
        return ShowCreateError(QStringLiteral(u"編集パスワードが設定されていません。"), {});
    if (EditPass == LoginPass) return ShowCreateError(kSamePasswordsText, kDifferentPasswords);
    if (HintWord == LoginPass) return ShowCreateError(kHintIsLoginText, kDifferentPasswords);
    if (EditPass == HintWord) return ShowCreateError(kHintIsEditText, kDifferentPasswords);

    // The counts as typed: Enter or Tab in a count box clamps it, a click on Save does not. They
    // are checked here, before the shared counts (which clamp) take them; the advice names the
    // range accepted here, not the tighter one that Enter holds the row count to.
    const qint16 rows = ReadCount(Text1[kRowCountBox]->text());
    const qint16 cols = ReadCount(Text1[kColCountBox]->text());
    if (rows < kMinSaveRows || rows > kMaxSaveRows)
        return ShowCreateError(QStringLiteral(u"行数（パスワードの数）が範囲外です。"),
                               QStringLiteral(u"行数は２から９９までの数を設定してください。"));
    if (cols < kMinSaveCols || cols > kMaxSaveCols)
        return ShowCreateError(QStringLiteral(u"列数が範囲外です。"),
                               QStringLiteral(u"列数は３から７までの数を設定してください。"));

    // Title boxes up to the column count are read even when hidden; those past it are ignored.
    std::array<QString, kTableFields> typedTitles;
    for (int c = 1; c <= cols; ++c)
        typedTitles[c] = trimBlanks(Text1[c + kFirstTitleBox - 1]->text());
    std::vector<std::pair<QString, QString>> fields{
        {QStringLiteral(u"ログインパスワード"), LoginPass},
        {QStringLiteral(u"編集パスワード"), EditPass},
        {QStringLiteral(u"連想言葉"), HintWord}};
    for (int c = 1; c <= cols; ++c) fields.emplace_back(titleName(c), typedTitles[c]);
    for (const auto& [name, text] : fields)
        if (!fitsInField(text))
            return ShowCreateError(name + QStringLiteral(u"に使用できない文字が含まれています。"),
                                   QStringLiteral(u"カンマ（,）と改行は使用できません。"));

    // Built on copies, so that a table too long for the file leaves the shared one untouched.
    SaveInput input{rows, cols, ColumnTitles, ItemTable, HintWord};
    fillNewTable(input.table, input.titles, rows, cols, typedTitles);
    if (CheckForSave(input))
        return ShowCreateError(QStringLiteral(u"入力された文字が長すぎて保存できません。"),
                               QStringLiteral(u"パスワード、連想言葉、項目名を短くしてください。"));

    RowCount = rows;
    ColCount = cols;
    ColumnTitles = input.titles;
    ItemTable = input.table;
    // A first write that fails keeps the dialog open with everything typed, so that the person
    // can make the folder writable and press Save again; the store's message says so.
    if (!WriteItemFile(QStringLiteral("The dialog stays open with everything you typed: make the "
                                      "folder writable and press Save again.")))
        return;
    accept();
}

}  // namespace dravesse
