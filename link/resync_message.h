// The resynchronisation text: after a lost link the two programs agree on how many turns each
// has sent and applied, so that the one turn that may have been in flight is sent again, once,
// and nothing is applied twice.
//
//   Resync text = <name> NUL "MWSYNC," S "," A ","      e.g. 50 6C 31 00 "MWSYNC,7,6,"
//       S: the turns the sender has sent, A: the rival turns it has applied, in decimal (no
//       sign, no leading zeros). <name> is the sender's player name as in the Name message
//       (code page 932, may be empty); NUL is the byte 00.
//
// It travels where the Name message does, from the accepting peer on the connection it has
// accepted, in its place: after round 1, and in round 1 when the rival's host connects again.
// A peer that knows no resynchronisation reads that direction only in round 1, as a name; it
// gets this program's name there, the rest after a NUL, where a C string ends; later it leaves
// the bytes unread. Markwick reads the name before the NUL and acts on the counts.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace markwick {

struct ResyncCounts {
  int sent = 0;
  int applied = 0;

  bool operator==(const ResyncCounts&) const = default;
};

QByteArray ComposeResync(QByteArrayView name, ResyncCounts counts);

// The counts of a complete resynchronisation text, or nothing: a bare name, or a text that has
// not arrived whole yet.
std::optional<ResyncCounts> ReadResync(QByteArrayView bytes);

// The name in what arrived in the name's direction: all of a bare name, the part before the
// NUL of a resynchronisation text (also of one still arriving).
QByteArrayView NameOf(QByteArrayView bytes);

}  // namespace markwick
