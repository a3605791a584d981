#pragma once

#include <QtGlobal>

namespace dravesse {

// Reads AppPath/Tamblet.csv into ItemTable, ColumnTitles, RowCount and ColCount, takes the
// credentials and checks the links. Returns the number of data lines read (1 to 99), or 0 after
// telling the user that the file cannot be opened or is damaged.
qint16 ReadItemFile();

// Sets LoginPass, EditPass and HintWord from the credentials rows among rows 0 to RowCount - 1
// (a later one overriding an earlier one), with built-in passwords where none is stored.
void ReadCredentials();

inline constexpr char16_t kDefaultLoginPass[] = u"hoshizoramieru";
inline constexpr char16_t kDefaultEditPass[] = u"kaze no tayorie";

}  // namespace dravesse
