#include "form_font.h"

#include <QFontDatabase>
#include <QString>

namespace markwick {
namespace {
const QString kFormFamily = QStringLiteral("ＭＳ Ｐゴシック");
}  // namespace

void InstallFontSubstitutes() {
  if (!QFontDatabase::hasFamily(kFormFamily)) {
    QFont::insertSubstitution(kFormFamily, QStringLiteral("IPAPGothic"));
  }
}

QFont FormFont(int pixel_height) {
  QFont font(kFormFamily);
  font.setPixelSize(pixel_height);
  return font;
}

}  // namespace markwick
