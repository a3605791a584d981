#pragma once

#include <QPushButton>

namespace dravesse {

// A command button with a background colour value. It is never a default button, so Enter in a
// text box of the same dialog never presses it.
class Button3D : public QPushButton {
    Q_OBJECT
  public:
    explicit Button3D(const QString& caption, QWidget* parent = nullptr);

    quint32 BackColor() const { return backColor_; }
    void SetBackColor(quint32 value);

  signals:
    void Click();

  private:
    quint32 backColor_;
};

}  // namespace dravesse
