#pragma once

#include <QDialog>

namespace dravesse {

// The create dialog (placeholder until the real dialog lands).
class Form2 : public QDialog {
    Q_OBJECT
  public:
    explicit Form2(QWidget* parent = nullptr);
};

}  // namespace dravesse
