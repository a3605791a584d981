#pragma once

#include "store/item_file_format.h"
#include "store/replace_file.h"

namespace dravesse {

// Writes rows 0 to RowCount - 1 of ItemTable, ColumnTitles and HintWord to AppPath/Tamblet.csv,
// keeping the three files before it as Tamblet1.csv (newest) to Tamblet3.csv (oldest).
//
// The table is checked before anything on disk is touched; the new file is written completely to
// a temporary file beside Tamblet.csv, flushed and read back; the backups move down, Tamblet1.csv
// becomes a second name (or, where the file system has none, a copy) of Tamblet.csv, and the new
// file then replaces Tamblet.csv in one rename. Tamblet.csv so holds the old or the new table at
// every moment, also across a power loss. A Tamblet.csv that is a symbolic link stays one: the
// file it names is replaced, in its own folder. On any failure the user is told why (with
// `onFailure` as the message's last line when given), and Tamblet.csv and its backups stay
// exactly as they were. Returns true when the new file is saved.
bool WriteItemFile(const QString& onFailure = {});

// The same, for a given table and folder.
bool WriteItemFileTo(const QString& folder, const SaveInput& input, const QString& onFailure = {});

// Saves bytes already known to read as a sound table, with the backups as above.
bool WriteItemBytesTo(const QString& folder, const QByteArray& bytes,
                      const QString& onFailure = {});

}  // namespace dravesse
