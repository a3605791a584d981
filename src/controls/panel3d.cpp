#include "controls/panel3d.h"

namespace dravesse {

Panel3D::Panel3D(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
}

Frame3D::Frame3D(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setLineWidth(1);
}

}  // namespace dravesse
