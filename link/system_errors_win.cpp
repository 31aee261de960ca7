#include "link/system_errors.h"

namespace markwick::system_errors {

// FormatMessageW's text in the system's language, without the closing blanks, line break and
// full stop, as Linux's texts are. Wine has no text for some WinSock numbers: the result is then
// empty and the box still shows the number.
QString ErrorText(int code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  QString text = length > 0 ? QString::fromWCharArray(buffer, length) : QString();
  LocalFree(buffer);
  while (!text.isEmpty() && (text.back() <= u' ' || text.back() == u'.')) text.chop(1);
  return text;
}

// The resolver's codes are WinSock error numbers with FormatMessageW's texts.
QString ResolverText(int code) { return ErrorText(code); }

}  // namespace markwick::system_errors
