#pragma once

#include <functional>

#include "store/item_file_format.h"

namespace dravesse {

// Writes rows 0 to RowCount - 1 of ItemTable, ColumnTitles and HintWord to AppPath/Tamblet.csv,
// keeping the three files before it as Tamblet1.csv (newest) to Tamblet3.csv (oldest).
//
// The table is checked before anything on disk is touched; the new file is written completely to
// a temporary file beside it, flushed and read back before the backups move; it then takes its
// name with a rename that never replaces an existing file. On any failure the user is told, and
// Tamblet.csv and its backups stay exactly as they were. Returns true when the new file is saved.
bool WriteItemFile();

// The same, for a given table and folder.
bool WriteItemFileTo(const QString& folder, const SaveInput& input);

// The steps of a save, for tests that make one of them fail.
enum class SaveStep { CreateTemp, WriteTemp, FlushTemp, VerifyTemp, Rotate, Commit };
using SaveFaultHook = std::function<bool(SaveStep)>;  // true: that step fails
void SetSaveFaultHook(SaveFaultHook hook);

}  // namespace dravesse
