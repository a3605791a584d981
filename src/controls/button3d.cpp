#include "controls/button3d.h"

#include "controls/colors.h"

namespace dravesse {

Button3D::Button3D(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), backColor_(kButtonFace) {
    setAutoDefault(false);
    setDefault(false);
    connect(this, &QPushButton::clicked, this, &Button3D::Click);
}

void Button3D::SetBackColor(quint32 value) {
    backColor_ = value;
    QPalette p = palette();
    p.setColor(QPalette::Button, ColorFromValue(value));
    setPalette(p);
}

}  // namespace dravesse
