// The create dialog: shown when there is no item file yet. The user chooses the number of rows
// and value columns, sets both passwords and the hint word, and names the columns; "Save" writes
// the first item file.
//
// The dialog is split by behaviour: form2.cpp builds it and fits it to the column count,
// form2_save.cpp is the Save button, form2_keys.cpp the Enter and Tab keys in the boxes.
#pragma once

#include <QDialog>
#include <QString>
#include <array>

class QLabel;
class QLineEdit;

namespace dravesse {

class Button3D;
class Frame3D;
class OuterSize;
class Panel3D;

class Form2 : public QDialog {
    Q_OBJECT
  public:
    explicit Form2(QWidget* parent = nullptr);

    // Box 0 is the row count, box 1 the column count, boxes 2 to 4 the login password, the edit
    // password and the hint word, boxes 5 to 11 the titles of columns 1 to 7. Box 12 is never
    // shown: Enter in the last title box asks it whether it is visible and so wraps to box 0.
    static constexpr int kBoxes = 13;
    static constexpr int kLabels = 12;
    static constexpr int kFrames = 11;
    static constexpr int kRowCountBox = 0;
    static constexpr int kColCountBox = 1;
    static constexpr int kLoginPassBox = 2;
    static constexpr int kEditPassBox = 3;
    static constexpr int kFirstTitleBox = 5;

    std::array<QLineEdit*, kBoxes> Text1{};
    std::array<QLabel*, kLabels> Label1{};
    std::array<Frame3D*, kFrames> SSFrame1{};
    Panel3D* SSPanel2 = nullptr;
    Button3D* SSCommand1 = nullptr;  // "Save"
    Button3D* SSCommand2 = nullptr;  // "Close"

    void Form_Load();
    // Clamps the column count box to 3..7 and shows the boxes and frames for that many columns,
    // sizing the dialog to match.
    void ArrangeColumns();
    // One refusal of Save: the two texts on two lines, OK only, stop icon.
    static void ShowCreateError(const QString& first, const QString& second);
    void SSCommand1_Click();
    void SSCommand2_Click();
    // A character typed into box `index`: Enter (13) and Tab (9) confirm the box and move on.
    void Text1_KeyPress(qint16 index, qint16 keyAscii);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    void confirmCountBox(int index);
    bool isPasswordBox(const QObject* object) const;
    bool passwordBoxEvent(QObject* watched, QEvent* event);
    OuterSize* outerSize_ = nullptr;  // the height: title bar and border included
};

}  // namespace dravesse
