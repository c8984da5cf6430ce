#include "Fonts.h"

#include <QStringList>

namespace {

// Ming faces with Traditional Chinese glyphs, the closest match first.
const char *const mingFamilies[] = {"AR PL UMing TW", "AR PL UMing TW MBE", "AR PL UMing HK",
                                    "AR PL New Sung", "Droid Sans Fallback"};

} // namespace

void installChineseFontSubstitutes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QStringList substitutes;
    for (const char *family : mingFamilies)
        substitutes.append(QString::fromLatin1(family));
    QFont::insertSubstitutions(QStringLiteral("新細明體"), substitutes);
    QFont::insertSubstitutions(QStringLiteral("細明體"), substitutes);
}

QFont designFont(int pixelSize)
{
    installChineseFontSubstitutes();
    QFont font(QStringLiteral("新細明體"));
    font.setPixelSize(pixelSize);
    return font;
}
