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

// Qt puts gai_strerrorW's text, as it comes, into a failed lookup's errorString. An empty text
// (Wine has none for some codes) tells nothing.
std::optional<int> ResolverCodeOfText(QStringView qt_text) {
  if (qt_text.isEmpty()) return std::nullopt;
  static constexpr int kCodes[] = {EAI_AGAIN,  EAI_FAIL,    EAI_MEMORY,   EAI_NODATA,
                                   EAI_FAMILY, EAI_SERVICE, EAI_SOCKTYPE, EAI_BADFLAGS};
  for (int code : kCodes) {
    if (qt_text == QString::fromWCharArray(gai_strerrorW(code))) return code;
  }
  return std::nullopt;
}

}  // namespace markwick::system_errors
