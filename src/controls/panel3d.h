#pragma once

#include <QFrame>

namespace dravesse {

// A raised container panel. Hiding it hides every control it holds.
class Panel3D : public QFrame {
    Q_OBJECT
  public:
    explicit Panel3D(QWidget* parent = nullptr);
};

// A sunken container frame without caption.
class Frame3D : public QFrame {
    Q_OBJECT
  public:
    explicit Frame3D(QWidget* parent = nullptr);
};

}  // namespace dravesse
