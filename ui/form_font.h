// The font of the windows, "ＭＳ Ｐゴシック" at a given character height in pixels, and the
// Japanese proportional Gothic that stands in for it where it is not installed.
#pragma once

#include <QFont>

namespace markwick {

// Registers "IPAPGothic" as the substitute of "ＭＳ Ｐゴシック" unless the latter is installed,
// and the program's embedded copy of IPAPGothic when that is not installed either.
// Call once the QApplication exists, before the windows are created.
void InstallFontSubstitutes();

// "ＭＳ Ｐゴシック" with the given character height in pixels.
QFont FormFont(int pixel_height);

}  // namespace markwick
