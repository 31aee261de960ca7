// Cutting the bytes received on the link into messages, without sockets.
//
// A Turn message ends at its sixth comma; nothing else on the wire marks its end. The receiver
// keeps the bytes of one connection in a buffer of at most kTurnBufferSize bytes and takes
// messages from its front:
// - up to and including the sixth comma, when the buffer holds six commas;
// - the whole remainder, when it lacks six commas and nothing more has arrived for a while
//   (`quiet`), so a short or malformed message still reaches the parser and shows its error;
// - the buffer up to its size limit, cut at a character boundary, when it is full without six
//   commas (a peer that floods the link gets its bytes reported in bounded pieces).
// A rest right after a sixth comma in which the comma-list split finds no item (a line end
// after a turn) is no message: read together with the turn it would add nothing, so it is
// dropped.
// A Name message has no end mark at all: the bytes of one connection are collected, up to
// kNameBufferSize bytes, and shown as one text.
//
// Bytes are stepped as code page 932 characters: no cut falls inside a double-byte character.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace markwick {

inline constexpr qsizetype kTurnBufferSize = 4096;
inline constexpr qsizetype kNameBufferSize = 2047;

// Number of bytes at the front of `pending` that form the next message, or 0 while the
// message is incomplete and must wait for more bytes (also 0 for an empty buffer).
qsizetype NextTurnLength(QByteArrayView pending, bool quiet,
                         qsizetype buffer_size = kTurnBufferSize);

// Length of the front of `bytes` up to and including its sixth comma, or 0 without one.
qsizetype SixthCommaEnd(QByteArrayView bytes);

// True when the comma-list split finds no item in `bytes`: only blanks and control bytes, or
// such bytes up to a NUL, where the split ends the text.
bool HoldsNoItem(QByteArrayView bytes);

// `name` with `more` appended, cut to its first `buffer_size` bytes. A double-byte character
// cut at the limit leaves its lead byte last, which WholeCharactersLength leaves out of the
// shown text: the name is full all the same, and nothing that arrives later joins it.
QByteArray AppendNameBytes(QByteArrayView name, QByteArrayView more,
                           qsizetype buffer_size = kNameBufferSize);

// Length of the front of `bytes` that holds whole characters only: a lead byte that ends the
// bytes (its second byte has not arrived yet) is left out.
qsizetype WholeCharactersLength(QByteArrayView bytes);

}  // namespace markwick
