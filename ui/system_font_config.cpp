#include "system_font_config.h"

#include <cstdlib>

namespace markwick {
namespace {

bool NamesCacheFolder(FcConfig* config) {
  FcStrList* folders = FcConfigGetCacheDirs(config);
  if (folders == nullptr) return false;
  const bool any = FcStrListNext(folders) != nullptr;
  FcStrListDone(folders);
  return any;
}

}  // namespace

FcConfig* LoadSystemFontConfig() {
  // fontconfig's own initialisation is also where it reads its debugging switch.
  if (std::getenv("FC_DEBUG") != nullptr) return nullptr;
  FcConfig* config = FcConfigCreate();
  if (config == nullptr) return nullptr;
  // A null file name is fontconfig's default: FONTCONFIG_FILE or fonts.conf, and all it
  // includes, as its own initialisation reads them.
  if (FcConfigParseAndLoad(config, nullptr, FcTrue) && NamesCacheFolder(config) &&
      FcConfigBuildFonts(config)) {
    return config;
  }
  FcConfigDestroy(config);
  return nullptr;
}

bool HasFontFamily(const char* utf8_family) {
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* fonts = nullptr;
  if (pattern != nullptr && objects != nullptr &&
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8_family))) {
    fonts = FcFontList(nullptr, pattern, objects);
  }
  const bool found = fonts != nullptr && fonts->nfont > 0;
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  if (objects != nullptr) FcObjectSetDestroy(objects);
  if (pattern != nullptr) FcPatternDestroy(pattern);
  return found;
}

void InstallSystemFontConfig() {
  FcConfig* config = LoadSystemFontConfig();
  if (config == nullptr) return;
  // Its fonts are built, so fontconfig takes it as the current configuration.
  FcConfigSetCurrent(config);
#if FC_VERSION >= 21400
  FcConfigDestroy(config);  // the current configuration holds a reference of its own
#endif
  // (Before 2.14 this reference is kept: older versions took the caller's over.)
}

}  // namespace markwick
