#include <cstring>

#include "link/system_errors.h"

namespace markwick::system_errors {

QString ErrorText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

QString ResolverText(int code) { return QString::fromLocal8Bit(gai_strerror(code)); }

}  // namespace markwick::system_errors
