// The record of a match: every dart of both players, kept as the match goes, so that a crash or
// a closed board loses no turn played.
//
// One CSV file per match, "YYYY-MM-DD_HHMMSS_<first>_<second>.csv" from the match's start and
// the two names, in UTF-8 with a byte order mark (spreadsheet programs then read the Japanese
// names), lines ending in CR LF, one row per dart:
//
//   ラウンド,プレイヤー,投目,ターゲット,マーク,表示,得点
//   1,太郎,1,20,3,20T,0
//
// round, the player's name, dart 1..3, target (20..15, 25, 0 for a miss), credited marks, the
// dart's text where this peer knows it (its own darts), the player's score after the turn.
// The file is created at the first turn (never over another file) and each turn is written and
// flushed at once. The first failure stops the record; it is kept for the STATS window to tell,
// and nothing else hears of it: the match goes on undisturbed.
#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

#include "engine/turn.h"

namespace markwick {

// The file name for a match; the names with the characters a file name cannot hold replaced
// and cut to a bounded length. A number above 1 is added before the extension ("_2").
QString RecordFileName(const QDateTime& started, const QString& first, const QString& second,
                       int number = 1);

class MatchRecord {
 public:
  // The record of a match started now, in folder (created when the first turn is written).
  MatchRecord(QString folder, QDateTime started);

  // Appends the turn's darts; first and second are the players' names.
  void Append(const PlayedTurn& turn, const QString& first, const QString& second);

  QString path() const { return file_.fileName(); }
  // Why the record could not be saved, for the user; empty while it could.
  const QString& failure() const { return failure_; }

 private:
  bool Create(const QString& first, const QString& second);
  bool Write(const QByteArray& bytes);

  QString folder_;
  QDateTime started_;
  QFile file_;
  QString failure_;
};

}  // namespace markwick
