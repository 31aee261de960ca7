// Code page 932 (Shift-JIS as Windows writes it): the one place where texts cross between
// QString and the bytes of the link and the settings file.
//
// A character is one byte, or two when its first byte is a lead byte (0x81-0x9F, 0xE0-0xFC);
// the second byte of a pair may look like ASCII ('\\', '[', 'A'...), so byte strings are walked
// and cut one character at a time, never byte by byte.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace markwick {

// Code page 932 bytes of a text. A character the code page lacks becomes "?".
QByteArray EncodeSjis(QStringView text);

// The text of whole code page 932 bytes. Decode complete messages only: a double-byte character
// cut off at the end comes out as U+FFFD, other byte sequences the code page does not define as
// the converter's substitute (U+001A).
QString DecodeSjis(QByteArrayView bytes);

// True for a byte that starts a double-byte character.
bool IsSjisLeadByte(char byte);

// Length in bytes of the character that starts at bytes[pos]: 2 for a lead byte, 1 otherwise,
// and 1 for a lead byte that is the last byte (a truncated character). 0 when pos is at or past
// the end. pos must lie on a character boundary for the answer to mean anything.
qsizetype SjisCharLength(QByteArrayView bytes, qsizetype pos);

// Length of the longest prefix of bytes that holds at most max_bytes bytes and ends on a
// character boundary.
qsizetype SjisCutLength(QByteArrayView bytes, qsizetype max_bytes);

}  // namespace markwick
