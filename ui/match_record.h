// The record of a match: every dart of both players, kept as the match goes, so that a crash or
// a closed board loses no turn played.
//
// One CSV file per match, "YYYY-MM-DD_HHMMSS_<first>_<second>.csv" from the match's start and
// the two names, in UTF-8 with a byte order mark (spreadsheet programs then read the Japanese
// names), lines ending in CR LF, one row per dart:
//
//   ラウンド,プレイヤー,投目,ターゲット,マーク,表示,得点,側,相手アドレス
//   1,太郎,1,20,3,20T,0,自分,192.168.1.20
//
// round, the player's name, dart 1..3, target (20..15, 25, 0 for a miss), credited marks, the
// dart's text where this peer knows it (its own darts), the player's score after the turn,
// whose dart it is ("自分" this program's player, "相手" the rival) and the rival's address as
// typed for the match (empty without a link). This program's role follows from the order of
// the rows: in each round the first player's turn comes first. Records written before the
// last two columns were kept have seven; the own darts are then the ones with texts.
// The file is created at the first turn (never over another file), or reopened at its end for a
// resumed match, and each turn is written and taken to the disk at once. The first failure stops
// the record; it is kept for the STATS window to tell, and nothing else hears of it: the match goes
// on undisturbed.
#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>
#include <memory>

#include "engine/turn.h"

namespace markwick {

// The file name for a match; the names with the characters a file name cannot hold replaced
// and cut to a bounded length. A number above 1 is added before the extension ("_2").
QString RecordFileName(const QDateTime& started, const QString& first, const QString& second,
                       int number = 1);

class MatchRecord {
 public:
  // The record of a match started now, in folder (created when the first turn is written),
  // against the rival at rival_address (empty for a board without a link).
  MatchRecord(QString folder, QDateTime started, QString rival_address = {});
  // The record of a match resumed after a restart: its turns go on at the end of the record
  // file at path, which holds the turns played before, in the columns of its header.
  static std::unique_ptr<MatchRecord> Continuing(const QString& path, QString rival_address);

  // Appends the turn's darts; first and second are the players' names, own whether the turn
  // is this program's player's.
  void Append(const PlayedTurn& turn, const QString& first, const QString& second, bool own);

  QString path() const { return file_.fileName(); }
  // Why the record could not be saved, for the user; empty while it could.
  const QString& failure() const { return failure_; }

 private:
  bool Create(const QString& first, const QString& second);
  bool Reopen();
  bool Write(const QByteArray& bytes);

  QString folder_;
  QDateTime started_;
  QString rival_address_;
  QFile file_;
  bool continuing_ = false;     // file_ names the record to go on with
  bool seven_columns_ = false;  // a record of before the side and the address, continued
  QString failure_;
};

}  // namespace markwick
