// Reading a match record back (the files ui/match_record writes): for the history window and
// for resuming a match after a restart. Qt Core only; never writes, never blocks.
//
// A record reads when it is what the writer makes, row by row: the header of nine columns (or
// of the first seven, written before the side and the address were kept), then three rows a
// turn, the first player's turn first in each round, rounds counted from 1 without a gap. A
// byte order mark is optional and LF line ends read as CR LF do (a spreadsheet that saved the
// file again may have dropped or changed them). Anything else is unreadable, with the reason.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

#include "engine/turn.h"

namespace markwick {

// Files above this size are refused without being read: a match of 20 rounds takes some
// kilobytes, even with long names.
inline constexpr qint64 kMaxRecordBytes = 4 * 1024 * 1024;

struct RecordContents {
  enum class Status {
    Read,        // the fields below hold the match
    Unreadable,  // a file that is no record: reason says why
    NotAFile,    // a folder, a FIFO, a device: skipped, never opened for reading
  };
  Status status = Status::Unreadable;
  QString reason;  // for the user, in Japanese; empty when read

  QString first_name;   // the player who played first, the apostrophe of a guarded name taken off
  QString second_name;  // empty when no turn of the second player was recorded yet
  // This program's side and so its role: true when it played first.
  bool own_first = true;
  QString rival_address;  // as typed for the match; empty without a link or in an older record
  // When the match started, from the file name; invalid when the name does not say.
  QDateTime started;
  // Every turn in the order played: round, whose, the darts with their credited marks, the texts
  // of this program's own darts (those of the rival are empty) and the score after the turn.
  std::vector<PlayedTurn> turns;

  bool read() const { return status == Status::Read; }
  const QString& own_name() const { return own_first ? first_name : second_name; }
  const QString& rival_name() const { return own_first ? second_name : first_name; }
};

// Reads the record at path. Any file, however broken, gives a status and never throws for its
// contents; only a lack of memory can.
RecordContents ReadRecord(const QString& path);

// The same for a record's bytes, named file_name (the match's start is read from it).
RecordContents ParseRecord(const QByteArray& bytes, const QString& file_name);

}  // namespace markwick
