// Code page 932 through Windows' own tables (MultiByteToWideChar, WideCharToMultiByte), for the
// Windows build; the same contract as the table of sjis_codec_table.cpp:
//
// - Decoding: defined bytes and pairs as Windows decodes them. The bytes Windows maps to
//   control or private-use characters although code page 932 defines nothing there (0x80, 0xA0,
//   0xFD-0xFF) decode to U+FFFD, one per byte. A lead byte followed by a byte in the second-byte
//   range (0x40-0x7E, 0x80-0xFC) is one pair, as wide as Windows takes it: U+FFFD for the pair
//   when the code page does not define it. A lead byte followed by any other byte, or ending the
//   text, gives U+FFFD alone, and the next byte is decoded on its own (so a broken pair never
//   takes the comma or line break after it).
// - Encoding: no best fit; a character the code page lacks becomes "?", one per code point
//   (a surrogate pair is one "?"); U+0080 and U+F8F0-U+F8F3 are written as Windows writes
//   them (80, A0, FD-FF), although those bytes decode to U+FFFD above.
#include <windows.h>

#include "codec/sjis_codec.h"

namespace markwick {

namespace {

constexpr UINT kCodePage = 932;

// Single bytes that Windows maps although code page 932 leaves them undefined.
bool IsUndefinedSingleByte(unsigned char b) { return b == 0x80 || b == 0xA0 || b >= 0xFD; }

// The character of n bytes at pos (as SjisCharLength steps) is a byte that decodes to U+FFFD
// alone: a lead byte without its second byte, or a byte the code page leaves undefined.
bool IsLoneUndefined(QByteArrayView bytes, qsizetype pos, qsizetype n) {
  return n == 1 && (IsSjisLeadByte(bytes[pos]) ||
                    IsUndefinedSingleByte(static_cast<unsigned char>(bytes[pos])));
}

// One character of 1 or 2 bytes through the system's table; U+FFFD where it defines none.
void AppendOne(QString& text, const char* bytes, int length) {
  wchar_t out[2];
  const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, length, out, 2);
  if (n <= 0) {
    text += QChar::ReplacementCharacter;
  } else {
    text += QString::fromWCharArray(out, n);
  }
}

// True when every character of bytes is defined: then one call decodes them all.
bool AllDefined(QByteArrayView bytes) {
  for (qsizetype pos = 0; pos < bytes.size();) {
    const qsizetype n = SjisCharLength(bytes, pos);
    if (IsLoneUndefined(bytes, pos, n)) return false;
    pos += n;
  }
  return true;
}

}  // namespace

QByteArray EncodeSjis(QStringView text) {
  // Characters outside the BMP and lone surrogates have no bytes: "?" before conversion, so
  // that a pair gives one "?" and not two.
  std::wstring wide;
  wide.reserve(static_cast<size_t>(text.size()));
  for (qsizetype pos = 0; pos < text.size(); ++pos) {
    const char16_t c = text[pos].unicode();
    if (QChar::isHighSurrogate(c) && pos + 1 < text.size() && text[pos + 1].isLowSurrogate()) {
      ++pos;
      wide += L'?';
    } else if (QChar::isSurrogate(c)) {
      wide += L'?';
    } else {
      wide += static_cast<wchar_t>(c);
    }
  }
  if (wide.empty()) return {};
  const int wide_length = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length,
                                       nullptr, 0, "?", nullptr);
  QByteArray bytes(size, Qt::Uninitialized);
  WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, bytes.data(), size,
                      "?", nullptr);
  return bytes;
}

QString DecodeSjis(QByteArrayView bytes) {
  if (bytes.isEmpty()) return {};
  const int length = static_cast<int>(bytes.size());
  if (AllDefined(bytes)) {
    const int size =
        MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (size > 0) {
      std::wstring wide(static_cast<size_t>(size), L'\0');
      MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes.data(), length, wide.data(), size);
      return QString::fromStdWString(wide);
    }
  }
  // Some character is undefined: one at a time, so that each gets its own U+FFFD.
  QString text;
  text.reserve(bytes.size());
  for (qsizetype pos = 0; pos < bytes.size();) {
    const qsizetype n = SjisCharLength(bytes, pos);
    if (IsLoneUndefined(bytes, pos, n)) {
      text += QChar::ReplacementCharacter;
    } else {
      AppendOne(text, bytes.data() + pos, static_cast<int>(n));
    }
    pos += n;
  }
  return text;
}

}  // namespace markwick
