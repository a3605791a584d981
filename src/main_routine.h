#pragma once

#include <QString>

class QApplication;

namespace dravesse {

// The program's entry routine: a second instance asks the running one to come forward and ends;
// otherwise it opens the main window on the item file in `programFolder`, or the create dialog
// when there is none. Returns the exit code.
int Main(QApplication& app, const QString& programFolder);

// Sets up what every window needs: the message boxes, the Japanese font and the window icon.
void SetUpApplication(QApplication& app);

}  // namespace dravesse
