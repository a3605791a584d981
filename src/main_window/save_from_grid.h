// Saving from the main window: the grid is the working copy of the table, and Save copies it
// back into ItemTable before the item file is written.
#pragma once

#include <QtGlobal>

namespace dravesse {

class Spread;

// Copies the grid's consecutive named rows (names and values) into ItemTable and empties the
// name of the row after them. Asks whether to save when no credentials row is among them.
// Returns the number of rows copied, or -1 when the user declined.
qint16 CollectForSave(Spread& grid);

// When an unnamed grid row has a named row below it, asks whether to save without it and every
// row below it. True: go on.
bool ConfirmUnnamedRows(Spread& grid);

// When the credentials among rows 0 to rows - 1 of ItemTable would leave a password empty (the
// next start then takes the built-in one), make editing impossible (both passwords equal) or give
// a password away in the hint, asks whether to save anyway. True: go on.
bool ConfirmCredentials(int rows);

}  // namespace dravesse
