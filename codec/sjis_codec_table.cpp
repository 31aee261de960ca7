// Code page 932 conversion by Windows' own table (codec/cp932_table.h), on every system: no
// converter library, the same bytes as a Windows program reads and writes.
//
// Decoding looks a pair up in kPairs by its lead byte's row; encoding looks a character up in
// a table, built when compiling, of the code Windows writes for each.
#include <array>
#include <cstdint>

#include "codec/cp932_table.h"
#include "codec/sjis_codec.h"

namespace markwick {

namespace {

using cp932::kPairs;
using cp932::kRows;
using cp932::kSecondBytes;

constexpr char16_t kReplacement = 0xFFFD;
constexpr uint8_t kNoRow = 0xFF;
constexpr int kCharacters = 0x10000;  // the Basic Multilingual Plane, all the code page holds

// The user-defined area: lead bytes F0-F9, 188 codes a lead byte, U+E000 onwards in order.
constexpr uint8_t kUserFirstLead = 0xF0;
constexpr uint8_t kUserLastLead = 0xF9;
constexpr char16_t kUserFirst = 0xE000;
constexpr char16_t kUserLast = kUserFirst + (kUserLastLead - kUserFirstLead + 1) * kSecondBytes - 1;

constexpr int SecondIndex(uint8_t second) { return second - 0x40 - (second > 0x7F ? 1 : 0); }

constexpr uint8_t SecondByteOf(int index) {
  return static_cast<uint8_t>(0x40 + index + (index >= 0x3F ? 1 : 0));
}

constexpr auto kRowOfLead = [] {
  std::array<uint8_t, 256> rows{};
  rows.fill(kNoRow);
  for (int row = 0; row < kRows; ++row) rows[cp932::kLeadOfRow[row]] = static_cast<uint8_t>(row);
  return rows;
}();

// The character of a lead byte and a byte that can be second; 0 for an unassigned pair.
constexpr char16_t PairCharacter(uint8_t lead, uint8_t second) {
  if (lead >= kUserFirstLead && lead <= kUserLastLead) {
    return static_cast<char16_t>(kUserFirst + (lead - kUserFirstLead) * kSecondBytes +
                                 SecondIndex(second));
  }
  const uint8_t row = kRowOfLead[lead];
  return row == kNoRow ? 0 : kPairs[row][SecondIndex(second)];
}

// The character of a byte on its own: ASCII, half-width katakana, or U+FFFD for an undefined
// byte and a lead byte without its second byte.
constexpr char16_t SingleCharacter(uint8_t byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xA1 && byte <= 0xDF) return static_cast<char16_t>(0xFF61 + (byte - 0xA1));
  return kReplacement;
}

// Which code Windows writes for a character that has several: the lowest, except that the
// NEC-selected IBM extensions ED-EE come after everything else.
constexpr uint32_t Preference(uint16_t code) {
  return code >= 0xED00 && code < 0xEF00 ? 0x10000u + code : code;
}

// For each character beyond ASCII, the code Windows writes (one byte when below 0x100), 0 for
// none.
constexpr std::array<uint16_t, kCharacters> CodesByCharacter() {
  std::array<uint16_t, kCharacters> codes{};
  for (int c = kUserFirst; c <= kUserLast; ++c) {
    const int index = c - kUserFirst;
    codes[c] = static_cast<uint16_t>((kUserFirstLead + index / kSecondBytes) << 8 |
                                     SecondByteOf(index % kSecondBytes));
  }
  for (int byte = 0xA1; byte <= 0xDF; ++byte) codes[SingleCharacter(byte)] = byte;
  // Windows pairs its undefined bytes with these and writes them so, although they are read
  // back here as U+FFFD.
  codes[0x0080] = 0x80;
  codes[0xF8F0] = 0xA0;
  for (int byte = 0xFD; byte <= 0xFF; ++byte) codes[0xF8F1 + byte - 0xFD] = byte;
  for (int row = 0; row < kRows; ++row) {
    for (int i = 0; i < kSecondBytes; ++i) {
      const char16_t c = kPairs[row][i];
      const auto code = static_cast<uint16_t>(cp932::kLeadOfRow[row] << 8 | SecondByteOf(i));
      if (c != 0 && (codes[c] == 0 || Preference(code) < Preference(codes[c]))) codes[c] = code;
    }
  }
  return codes;
}

constexpr std::array<uint16_t, kCharacters> kCodeOfCharacter = CodesByCharacter();

}  // namespace

QByteArray EncodeSjis(QStringView text) {
  QByteArray bytes(text.size() * 2, Qt::Uninitialized);
  char* out = bytes.data();
  qsizetype n = 0;
  for (qsizetype pos = 0; pos < text.size(); ++pos) {
    const char16_t c = text[pos].unicode();
    if (c < 0x80) {
      out[n++] = static_cast<char>(c);
      continue;
    }
    if (QChar::isHighSurrogate(c) && pos + 1 < text.size() && text[pos + 1].isLowSurrogate()) {
      ++pos;  // beyond the Basic Multilingual Plane: none of it is in the code page
    }
    const uint16_t code = kCodeOfCharacter[c];  // 0 for every surrogate: the table has none
    if (code > 0xFF) out[n++] = static_cast<char>(code >> 8);
    out[n++] = code != 0 ? static_cast<char>(code & 0xFF) : '?';
  }
  bytes.truncate(n);
  return bytes;
}

QString DecodeSjis(QByteArrayView bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  char16_t* out = reinterpret_cast<char16_t*>(text.data());
  const auto* const in = reinterpret_cast<const uint8_t*>(bytes.data());
  const qsizetype size = bytes.size();
  qsizetype n = 0;
  for (qsizetype pos = 0; pos < size;) {
    const uint8_t byte = in[pos];
    if (byte < 0x80) {
      out[n++] = byte;
      pos += 1;
    } else if (IsSjisLeadByte(static_cast<char>(byte)) && pos + 1 < size &&
               IsSjisTrailByte(static_cast<char>(in[pos + 1]))) {
      const char16_t c = PairCharacter(byte, in[pos + 1]);
      out[n++] = c != 0 ? c : kReplacement;
      pos += 2;
    } else {
      out[n++] = SingleCharacter(byte);
      pos += 1;
    }
  }
  text.truncate(n);
  return text;
}

}  // namespace markwick
