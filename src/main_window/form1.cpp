#include "main_window/form1.h"

namespace dravesse {

Form1::Form1(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral(" Dravesse"));
}

}  // namespace dravesse
