// The STATS window "成績": for both players, the first player's row first on both peers, the
// turns played, the marks, the marks per round (MPR) and the marks of each round's turn, and
// the count of each award; below them, when the match record could not be saved, why.
// A window of the board's own (it goes with the board), not modal; closing it only hides it.
#pragma once

#include <QString>
#include <QWidget>

#include "engine/match_stats.h"

class QLabel;
class QTableWidget;

namespace markwick {

class StatsWindow : public QWidget {
  Q_OBJECT

 public:
  explicit StatsWindow(QWidget* board);

  // Shows the figures under the players' names; record_failure, when not empty, says why the
  // match record could not be saved.
  void ShowFigures(const MatchStats& stats, const QString& first, const QString& second,
                   const QString& record_failure);
  // Shows the window in front, beside the board the first time. Opened by the program itself
  // (by_itself), it is placed afresh when hidden, and the board keeps the keyboard.
  void Open(bool by_itself);

  // Controls (owned by the window).
  QTableWidget* players_table;  // name, turns, marks, MPR, rounds 1..20; a row per player
  QTableWidget* awards_table;   // an award a row, a player a column
  QLabel* record_note;

 private:
  bool placed_ = false;
};

}  // namespace markwick
