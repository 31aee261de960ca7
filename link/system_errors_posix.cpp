#include <cstring>

#include "link/system_errors.h"

namespace markwick::system_errors {

QString ErrorText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

QString ResolverText(int code) { return QString::fromLocal8Bit(gai_strerror(code)); }

std::optional<int> ResolverCodeOfText(QStringView qt_text) {
  for (int code : {EAI_AGAIN, EAI_FAIL, EAI_MEMORY, EAI_SYSTEM, EAI_NODATA, EAI_ADDRFAMILY,
                   EAI_FAMILY, EAI_SERVICE, EAI_SOCKTYPE, EAI_BADFLAGS, EAI_OVERFLOW}) {
    if (qt_text == ResolverText(code)) return code;
  }
  return std::nullopt;
}

}  // namespace markwick::system_errors
