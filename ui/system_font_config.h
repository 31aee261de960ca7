// fontconfig's configuration of the system and the user (fonts.conf, conf.d, the user's files:
// every rule), loaded as fontconfig's own initialisation loads it but without its extra pass
// over every template file in conf.avail, which only collects their descriptions for
// fc-conflist and costs a tenth of the program's start-up. Linux only.
#pragma once

#include <fontconfig/fontconfig.h>

namespace markwick {

// The configuration with its fonts built, owned by the caller; nullptr where fontconfig's own
// initialisation does more than load it (a file that fails to parse, for which it falls back to
// a built-in configuration; no cache folder named, for which it adds its defaults; FC_DEBUG
// set, which only it reads).
FcConfig* LoadSystemFontConfig();

// Whether a font with this family name, in any of the languages it names its family in, is
// among the fonts fontconfig lists; a substitution rule for the name does not count. Cheaper
// than asking Qt's font database, which runs the configuration's substitution rules for a name
// no font has.
bool HasFontFamily(const char* utf8_family);

// Makes that configuration fontconfig's current one; where there is none, fontconfig
// initialises itself when first asked, as without this. Call before anything asks fontconfig:
// Qt's font database does when it resolves its first font.
void InstallSystemFontConfig();

}  // namespace markwick
