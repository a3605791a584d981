// Loading at start-up, with a way back when Tamblet.csv is missing or damaged, or when a save was
// cut short after it had written a newer table than Tamblet.csv.
#pragma once

#include <QString>

namespace dravesse {

enum class StartWith { MainWindow, CreateDialog, Nothing };

// Loads AppPath/Tamblet.csv into the shared state, as the start-up does:
// - missing, while a backup or the file of a cut-short save reads as a sound table: asks whether
//   to restore the newest such file as Tamblet.csv (a copy; every other file stays as it is).
//   Cancel ends the program with nothing changed. With no sound file, the create dialog opens.
// - damaged: after the damaged-file message, the same offer; the damaged file is kept under a
//   new name. With nothing to restore, or when declined, the program ends.
// - loaded, while a cut-short save left a sound table newer than it: asks whether to finish that
//   save (the present Tamblet.csv becoming Tamblet1.csv, as in any save); Cancel opens
//   Tamblet.csv as it is and keeps the newer table as Tamblet-unfinishedN.csv.
StartWith LoadAtStart();

}  // namespace dravesse
