// The font of the windows: "ＭＳ Ｐゴシック" at a given character height in pixels, or the
// Japanese proportional Gothic IPAPGothic where that is not installed.
#pragma once

#include <QFont>

namespace markwick {

// Sets up the fonts: on Windows, when neither "ＭＳ Ｐゴシック" nor IPAPGothic is installed, the
// program's embedded copy of IPAPGothic (on Linux the system's fonts-ipafont-gothic is used).
// Call once the QApplication exists, before anything resolves a font; later calls do nothing.
void InstallFormFont();

// The form font with the given character height in pixels: "ＭＳ Ｐゴシック" where it is
// installed, else IPAPGothic by its own name.
QFont FormFont(int pixel_height);

}  // namespace markwick
