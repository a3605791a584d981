// The item file's format, as pure functions over bytes: no globals, no messages, no disk.
//
// Line 1 (plain): "<rows>x<cols>" then "," and each column title.
// Lines 2 on: one scrambled line per table row. Unscrambled, a row is its name, its values and a
// link field, separated by ",": the link of row 0 is the hint word, that of every later row the
// previous row's name. Lines end with CR LF; text is UTF-8.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "app/shared_state.h"

namespace dravesse {

constexpr qsizetype kMaxFileBytes = 1 << 20;
constexpr qsizetype kMaxHeaderBytes = 64 * 1024;

// What one item file holds, or what is about to be written.
struct ItemFileContents {
    int rowCount = 0;                          // the header's row count
    int colCount = 0;                          // the header's column count
    std::array<QString, kTableFields> titles;  // entries 1 to colCount
    Table table;                               // fields 0 to colCount + 1 of each row read
    int linesRead = 0;                         // data lines read, 1 to 99
};

// Reads a whole item file. Empty when the file is damaged: a header without "<rows>x<cols>",
// counts outside 1 to 99 rows or 1 to 9 columns, no data line, a line that does not unscramble
// or is not valid UTF-8. A count beyond the 16-bit range stands for its default (99 rows,
// 9 columns). At most 99 data lines are read; the link check is separate (LinksMatch).
std::optional<ItemFileContents> ParseItemFile(QByteArrayView bytes);

// True when the link field of each row 1 to rowCount - 1 equals the previous row's name.
bool LinksMatch(const Table& table, int rowCount, int colCount);

// True when the bytes read as a whole, sound table: every row the header counts present (a file
// cut off after a whole line could otherwise pass), and every link matching.
bool IsSoundTable(QByteArrayView bytes);

// What a save writes: rows 0 to rowCount - 1, fields 0 to colCount, and the hint word.
struct SaveInput {
    int rowCount = 0;
    int colCount = 0;
    std::array<QString, kTableFields> titles;
    Table table;
    QString hintWord;
};

// Why the table cannot be written so that it reads back, in words for the user; empty if it can.
std::optional<QString> CheckForSave(const SaveInput& in);

// The file's bytes. Call only after CheckForSave found nothing.
QByteArray FormatItemFile(const SaveInput& in);

}  // namespace dravesse
