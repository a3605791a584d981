// The main window: the item grid, the password / item-name box with its label, and the bar of six
// command buttons. Its routines are spread over several files by what they do:
//   form1.cpp           controls, the two sizes and the window's own handlers
//   grid_view.cpp       clicks on the grid, copying a stored value, showing an item name
//   grid_menu.cpp       the grid's menu and keys, and what a cell editor may not do
//   login.cpp           the entry box: login, edit unlocking, renaming, wrong passwords
//   commands.cpp        the six buttons
//   save_from_grid.cpp  collecting the grid into the table and saving it
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "controls/secret_clipboard.h"

class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;

namespace dravesse {

class Button3D;
class OuterSize;
class Panel3D;
class Spread;

class Form1 : public QWidget {
    Q_OBJECT
  public:
    explicit Form1(QWidget* parent = nullptr);

    // The small ("S") or large ("L") layout; any other argument is refused with a message.
    void FormSize(const QString& size);

    // The window's handlers.
    void Form_Load();
    void Form_Unload(qint16& Cancel);
    void Form_Click();
    void Label1_DblClick();

    // The grid's handlers and the routines they share with the buttons.
    void vaSpread1_Click(qint32 Col, qint32 Row);
    void vaSpread1_DblClick(qint32 Col, qint32 Row);
    void vaSpread1_Moved(qint32 Col, qint32 Row);
    void CopyCell();
    void ShowItemName();

    // The grid's menu for one cell (grid row and column): Copy, and Generate password while
    // editing is on. The grid opens it on a right click or the menu key.
    std::unique_ptr<QMenu> GridMenu(qint32 row, qint32 col);

    // The entry box's handlers.
    void Text1_KeyPress(qint16& KeyAscii);
    void Text1_Click();

    // The buttons: Display, Copy, Edit, Save, Insert, Delete.
    void SSCommand1_Click();
    void SSCommand2_Click();
    void SSCommand3_Click();
    void SSCommand4_Click();
    void SSCommand5_Click();
    void SSCommand6_Click();

    // The entry box shows typed characters as "*" (masked) or as they are.
    void SetText1PasswordChar(bool masked);
    bool LockedOut() const { return lockedOut_; }

    // The controls, by their numbered names.
    Panel3D* SSPanel1 = nullptr;
    Spread* vaSpread1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label1 = nullptr;
    Panel3D* SSPanel2 = nullptr;
    Button3D* SSCommand1 = nullptr;  // Display
    Button3D* SSCommand2 = nullptr;  // Copy
    Button3D* SSCommand3 = nullptr;  // Edit
    Button3D* SSCommand4 = nullptr;  // Save
    Button3D* SSCommand5 = nullptr;  // Insert
    Button3D* SSCommand6 = nullptr;  // Delete

  protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createControls();
    void addKeyboardUse();
    void setButtonBarReachable(bool reachable);
    void lockOut();

    // The grid, sized and filled from the stored table. The window fills it first when the grid is
    // first shown, at the login: the locked window does not show it.
    void refillGrid();

    // Which stored table row each grid row shows: a refill and a save make it the table's order,
    // Insert, Delete and the row-header double-click shift it; rows not stored yet have none.
    void resetStoredRows(int stored);
    void gridRowInserted(qint32 row);
    void gridRowDeleted(qint32 row);
    const QString* storedValue(qint32 row, qint32 col) const;
    void copyCellAt(qint32 row, qint32 col);

    bool gridEvent(QObject* watched, QEvent* event);
    bool gridKey(QKeyEvent* key);
    void showGridMenu(qint32 row, qint32 col, const QPoint& globalPos);
    bool canGeneratePassword(qint32 row, qint32 col);
    void generatePassword(qint32 row, qint32 col);

    OuterSize* outerSize_ = nullptr;
    SecretClipboard clipboard_;
    std::vector<qint32> storedRows_;  // by grid row; -1: none
    bool lockedOut_ = false;
    bool gridFilled_ = false;  // the grid has been filled since the window was created
};

}  // namespace dravesse
