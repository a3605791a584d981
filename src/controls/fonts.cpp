#include "controls/fonts.h"

#include <QStringList>

namespace dravesse {

void RegisterGothicSubstitution() {
    QFont::insertSubstitutions(
        kGothicFamily,
        QStringList{QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                    QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Droid Sans Fallback")});
}

QFont GothicFont(double pointSize, bool bold) {
    QFont font(kGothicFamily);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

}  // namespace dravesse
