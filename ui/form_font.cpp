#include "form_font.h"

#include <QFont>
#include <QFontDatabase>
#include <QString>

namespace markwick {
namespace {
const QString kFormFamily = QStringLiteral("ＭＳ Ｐゴシック");
const QString kStandInFamily = QStringLiteral("IPAPGothic");

// The stand-in is asked for by its own name, not through a substitution of the missing family:
// a font asked for by a family that is not installed costs a fallback search of the system's
// fonts for every script and style it is used with.
const QString& FormFamily() {
  static const QString family =
      QFontDatabase::hasFamily(kFormFamily) ? kFormFamily : kStandInFamily;
  return family;
}
}  // namespace

void InstallFormFont() {
  static const bool installed = [] {
#ifdef MARKWICK_EMBEDDED_FONT
    // The embedded copy (6 MB) is read only when needed.
    if (FormFamily() != kFormFamily && !QFontDatabase::hasFamily(kStandInFamily)) {
      QFontDatabase::addApplicationFont(QStringLiteral(":/markwick/fonts/ipagp.ttf"));
    }
#endif
    return true;
  }();
  static_cast<void>(installed);
}

QFont FormFont(int pixel_height) {
  QFont font(FormFamily());
  font.setPixelSize(pixel_height);
  return font;
}

}  // namespace markwick
