#include "form_font.h"

#include <QFont>
#include <QFontDatabase>
#include <QString>

namespace markwick {
namespace {
const QString kFormFamily = QStringLiteral("ＭＳ Ｐゴシック");
const QString kStandInFamily = QStringLiteral("IPAPGothic");
// The program's own copy of IPAPGothic, for systems without it.
const QString kEmbeddedStandIn = QStringLiteral(":/markwick/fonts/ipagp.ttf");
}  // namespace

// Every window shows text, so the font database is loaded at start-up in any case; asking it
// here only loads it a little earlier. The embedded font (6 MB) is read only when needed.
void InstallFontSubstitutes() {
  if (QFontDatabase::hasFamily(kFormFamily)) return;
  if (!QFontDatabase::hasFamily(kStandInFamily)) {
    QFontDatabase::addApplicationFont(kEmbeddedStandIn);
  }
  QFont::insertSubstitution(kFormFamily, kStandInFamily);
}

QFont FormFont(int pixel_height) {
  QFont font(kFormFamily);
  font.setPixelSize(pixel_height);
  return font;
}

}  // namespace markwick
