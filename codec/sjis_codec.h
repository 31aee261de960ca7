// Code page 932 (Shift-JIS as Windows writes it): the one place where texts cross between
// QString and the bytes of the link and the settings file.
//
// A character is one byte, or two when a lead byte (0x81-0x9F, 0xE0-0xFC) is followed by a
// byte that can be second (0x40-0x7E, 0x80-0xFC). The second byte may look like ASCII ('\\',
// '[', 'A'...), so byte strings are walked and cut one character at a time, never byte by byte.
// A byte that cannot be second (a control, a blank, a digit, a comma, a quotation mark, 0x7F,
// 0xFD-0xFF) is never taken into a pair: a lead byte before it is a character of its own.
//
// Decoding follows Windows' table for every byte and pair it assigns: 0x00-0x7F are ASCII
// (0x1A, 0x1C, 0x5C, 0x7E and 0x7F included), 0xA1-0xDF the half-width katakana, the pairs
// JIS X 0208 with the NEC and IBM extensions, F040-F9FC the user-defined area U+E000-U+E757.
// What Windows leaves undefined comes out as U+FFFD, one for each of: an undefined byte (0x80,
// 0xA0, 0xFD-0xFF), a lead byte without a second byte (at the end, or before a byte that cannot
// be second, which is then decoded on its own), and an unassigned pair (both bytes). Windows
// itself gives controls, private-use characters or U+30FB there; U+FFFD is never a digit or a
// separator and shows as the replacement character.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace markwick {

// Code page 932 bytes of a text, with the code Windows writes where a character has several
// (JIS X 0208 before the NEC row 13, that before the IBM extensions FA-FC, those before the
// NEC-selected copies ED-EE). A character the code page lacks becomes "?", with no best fit.
QByteArray EncodeSjis(QStringView text);

// The text of whole code page 932 bytes, as above. Decode complete messages only: a
// double-byte character cut off at the end comes out as U+FFFD.
QString DecodeSjis(QByteArrayView bytes);

// True for a byte that starts a double-byte character when a second byte follows.
constexpr bool IsSjisLeadByte(char byte) {
  const auto b = static_cast<unsigned char>(byte);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// True for a byte that can be the second byte of a double-byte character.
constexpr bool IsSjisTrailByte(char byte) {
  const auto b = static_cast<unsigned char>(byte);
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// Length in bytes of the character that starts at bytes[pos]: 2 for a lead byte followed by a
// byte that can be second, 1 otherwise (also for a lead byte that is the last byte, a truncated
// character). 0 when pos is at or past the end. pos must lie on a character boundary for the
// answer to mean anything.
qsizetype SjisCharLength(QByteArrayView bytes, qsizetype pos);

// Length of the longest prefix of bytes that holds at most max_bytes bytes and ends on a
// character boundary.
qsizetype SjisCutLength(QByteArrayView bytes, qsizetype max_bytes);

}  // namespace markwick
