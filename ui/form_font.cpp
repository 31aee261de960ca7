#include "form_font.h"

#include <QFont>
#include <QFontDatabase>
#include <QString>

#ifdef MARKWICK_SYSTEM_FONT_CONFIG
#include "system_font_config.h"
#endif

namespace markwick {
namespace {
const QString kFormFamily = QStringLiteral("ＭＳ Ｐゴシック");
const QString kStandInFamily = QStringLiteral("IPAPGothic");
// The program's own copy of IPAPGothic, for systems without it.
const QString kEmbeddedStandIn = QStringLiteral(":/markwick/fonts/ipagp.ttf");

// A font of that family is installed (under any of its names); a family that the system's
// font configuration only substitutes does not count.
bool Installed(const QString& family) {
#ifdef MARKWICK_SYSTEM_FONT_CONFIG
  return HasFontFamily(family.toUtf8().constData());
#else
  return QFontDatabase::hasFamily(family);
#endif
}

// The stand-in is asked for by its own name, not through a substitution of the missing family:
// a font asked for by a family that is not installed costs a fallback search of the system's
// fonts for every script and style it is used with.
const QString& FormFamily() {
  static const QString family = Installed(kFormFamily) ? kFormFamily : kStandInFamily;
  return family;
}
}  // namespace

// The embedded font (6 MB) is read only when needed.
void InstallFormFont() {
  static const bool installed = [] {
#ifdef MARKWICK_SYSTEM_FONT_CONFIG
    InstallSystemFontConfig();  // before fontconfig is asked anything, below included
#endif
    if (FormFamily() != kFormFamily && !Installed(kStandInFamily)) {
      QFontDatabase::addApplicationFont(kEmbeddedStandIn);
    }
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
