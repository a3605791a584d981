#pragma once

#include <QFont>

namespace dravesse {

// The Japanese proportional Gothic face both windows use. Its name is mapped to an installed
// face ("IPAPGothic", else another CJK face) so that the Japanese captions render.
inline const QString kGothicFamily = QStringLiteral(u"ＭＳ Ｐゴシック");

// Also adds the fonts a self-contained program folder carries when no installed face writes
// Japanese. Needs the application object.
void RegisterGothicSubstitution();
QFont GothicFont(double pointSize, bool bold = false);

}  // namespace dravesse
