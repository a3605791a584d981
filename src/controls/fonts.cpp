#include "controls/fonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QStringList>

namespace dravesse {
namespace {

// The self-contained program folder carries a Japanese face in fonts/ beside the executable, for
// machines without one; an installed program has no such folder and is left as it is.
void AddCarriedFontsWhenNoneIsJapanese() {
    const QDir carried(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    if (!carried.exists() || !QFontDatabase::families(QFontDatabase::Japanese).isEmpty()) return;
    const QStringList files = carried.entryList(
        {QStringLiteral("*.ttf"), QStringLiteral("*.otf"), QStringLiteral("*.ttc")}, QDir::Files);
    for (const QString& file : files) QFontDatabase::addApplicationFont(carried.filePath(file));
}

}  // namespace

void RegisterGothicSubstitution() {
    AddCarriedFontsWhenNoneIsJapanese();
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
