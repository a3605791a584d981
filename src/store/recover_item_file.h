// Loading at start-up, with a way back when Tamblet.csv is missing or damaged, or when a save was
// cut short after it had written a newer table than Tamblet.csv.
#pragma once

#include <QString>

namespace dravesse {

enum class StartWith { MainWindow, CreateDialog, Nothing };

// Loads AppPath/Tamblet.csv into the shared state, as the start-up does:
// - missing, while the file of a cut-short save or a backup reads as a sound table: asks whether
//   to restore the newest such file as Tamblet.csv (a copy; every other file stays as it is). A
//   cut-short save's file comes first, then Tamblet1.csv to Tamblet3.csv by generation, whatever
//   their times. Cancel ends the program with nothing changed. With no backup at all, the create
//   dialog opens; with backups of which none reads, each is named with the reason, and OK keeps
//   them as Tamblet-damagedN.csv before the create dialog opens (Cancel changes nothing).
// - not a file (a folder, a FIFO, ...): says so and ends; nothing is opened or changed.
// - damaged: after the damaged-file message, the same offer; the damaged file is kept whole under
//   a new name, whatever its size. With nothing to restore, or when declined, the program ends.
// - loaded, while a cut-short save left a sound table written no earlier than it: asks whether to
//   finish that save (the present Tamblet.csv becoming Tamblet1.csv, as in any save). Cancel, or
//   a finish that fails, opens Tamblet.csv as it is and keeps the newer table as
//   Tamblet-unfinishedN.csv.
// Only regular files are opened; the program's temporary files are told from the person's by
// their exact names.
StartWith LoadAtStart();

}  // namespace dravesse
