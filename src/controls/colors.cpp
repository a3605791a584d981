#include "controls/colors.h"

#include <QApplication>
#include <QPalette>

namespace dravesse {

QColor ColorFromValue(quint32 value) {
    if (value & 0x80000000u) {
        switch (value & 0xFFu) {
            case 0x0F:
                return QApplication::palette().color(QPalette::Button);
            default:
                return QApplication::palette().color(QPalette::Window);
        }
    }
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

}  // namespace dravesse
