#include "form_font.h"

#include <QFont>
#include <QString>

namespace markwick {
namespace {
const QString kFormFamily = QStringLiteral("ＭＳ Ｐゴシック");
}  // namespace

// A substitute is only used when the family itself is not installed, so it is registered
// unconditionally: asking the font database first would load every font at start-up.
void InstallFontSubstitutes() {
  QFont::insertSubstitution(kFormFamily, QStringLiteral("IPAPGothic"));
}

QFont FormFont(int pixel_height) {
  QFont font(kFormFamily);
  font.setPixelSize(pixel_height);
  return font;
}

}  // namespace markwick
