#include "create_dialog/form2.h"

namespace dravesse {

Form2::Form2(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Create Tamblet"));
}

}  // namespace dravesse
