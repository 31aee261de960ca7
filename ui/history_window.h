// The history window "戦績": every match of this program's records folder, newest first; the
// record against each rival; this player's MPR per match as a chart with the average of the
// last ten; the totals of each award; the Cricket rating band estimated from the MPR. A window
// of its own, not modal, created when first opened; it reads the folder each time it is opened
// and never writes into it.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "match_history.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace markwick {

class HandlerGate;

// This player's MPR per match, oldest first, with the average of the last ten drawn over it.
class MprChart : public QWidget {
  Q_OBJECT

 public:
  explicit MprChart(QWidget* parent);
  void SetSeries(std::vector<double> mpr, std::vector<double> average);
  QSize sizeHint() const override { return {420, 240}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<double> mpr_;
  std::vector<double> average_;
};

class HistoryWindow : public QWidget {
  Q_OBJECT

 public:
  // The history of the records in folder; the button runs through gate.
  HistoryWindow(QString folder, HandlerGate& gate);

  // Reads the folder again, shows what it holds and brings the window to the front.
  void Open();
  const QString& folder() const { return folder_; }

  // Controls (owned by the window).
  QLabel* rating_label;
  QTableWidget* matches_table;  // date, rival, result, score, both MPR, rounds: a row a match
  QTableWidget* rivals_table;   // rival, matches, wins, losses, draws, both average MPR
  QTableWidget* awards_table;   // an award a row, its total
  MprChart* chart;
  QLabel* unreadable_label;  // the files that could not be read, with the reasons
  QPushButton* open_folder_button;

 private:
  void Read();
  void ShowHistory(const MatchHistory& history);
  void OpenFolder();

  QString folder_;
  bool placed_ = false;
};

}  // namespace markwick
