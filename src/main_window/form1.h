#pragma once

#include <QWidget>

namespace dravesse {

// The main window (placeholder until the real window lands).
class Form1 : public QWidget {
    Q_OBJECT
  public:
    explicit Form1(QWidget* parent = nullptr);
};

}  // namespace dravesse
