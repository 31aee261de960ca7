// The entry of the link module (libmarkwick_link), which a program with a shared Qt loads at
// the first press of a start button (link_port_loader.cpp).
#include <QtGlobal>

#include "link/link_port.h"

extern "C" Q_DECL_EXPORT markwick::LinkPort* markwick_make_link_port(QObject* parent) {
  return markwick::MakeLinkPort(parent);
}
