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

// The stand-in is asked for by its own name, not through a substitution of the missing family:
// a font asked for by a family that is not installed costs a fallback search of the system's
// fonts for every script and style it is used with.
const QString& FormFamily() {
  static const QString family =
      QFontDatabase::hasFamily(kFormFamily) ? kFormFamily : kStandInFamily;
  return family;
}
}  // namespace

// Every window shows text, so the font database is loaded at start-up in any case; asking it
// here only loads it a little earlier. The embedded font (6 MB) is read only when needed.
void InstallFormFont() {
  if (FormFamily() == kFormFamily) return;
  if (!QFontDatabase::hasFamily(kStandInFamily)) {
    QFontDatabase::addApplicationFont(kEmbeddedStandIn);
  }
}

QFont FormFont(int pixel_height) {
  QFont font(FormFamily());
  font.setPixelSize(pixel_height);
  return font;
}

}  // namespace markwick
