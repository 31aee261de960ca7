// The score grid: a string grid of fixed cells without headings, scroll bars or border.
//
// Widths and heights are those of the cells without the grid line: a column of width 100 takes
// 101 pixels with its 1-pixel line. Every text is drawn centred horizontally at the top of its
// cell. The current cell is drawn in the selection colour while the grid lacks the keyboard
// focus, and with the normal background and a dotted focus frame while it has it.
//
// Selections: CellSelected(col, row) is emitted once each time the current cell is set by the
// user: a press of the left button on a cell (also on the current cell), a move of the pointer
// into another cell with the left button held, and a move of the current cell by the arrow
// keys, Page Up, Page Down, Home or End. The second press of a double click is no selection;
// neither is the current cell that the grid takes when it is first shown or focused.
// Qt delivers the second press of a double click as a double-click event instead of a press.
#pragma once

#include <QTableWidget>
#include <optional>

#include "engine/dart.h"
#include "engine/match_state.h"

namespace markwick {

// The score board's grid, as (column, row) from 0. The own and the rival's columns hold the
// names in the name row, the mark symbols of the target rows 0..6 in grid rows 1..7 and the
// scores in the score row; columns 1..3 are the double, single and triple of each target.
inline constexpr int kOwnColumn = 0;
inline constexpr int kDoubleColumn = 1;
inline constexpr int kSingleColumn = 2;
inline constexpr int kTripleColumn = 3;
inline constexpr int kRivalColumn = 4;
inline constexpr int kNameRow = 0;
inline constexpr int kBullRow = 7;
inline constexpr int kScoreGridRow = 8;

constexpr int GridRowOfTarget(int target_row) { return target_row + 1; }

// The dart that selecting a cell enters; none for a cell that is no throw cell. There is no
// triple bull: cell (3, 7) is the miss.
constexpr std::optional<Dart> DartOfCell(int col, int row) {
  if (col < kDoubleColumn || col > kTripleColumn || row < 1 || row > kBullRow) return {};
  if (col == kTripleColumn && row == kBullRow) return Dart::Miss();
  constexpr int32_t kMultipliers[3] = {2, 1, 3};
  return Dart{kTargetNumbers[row - 1], kMultipliers[col - kDoubleColumn]};
}

class ScoreGrid : public QTableWidget {
  Q_OBJECT

 public:
  // A grid of the given size, every column default_width and every row row_height wide.
  ScoreGrid(int cols, int rows, int default_width, int row_height, QWidget* parent);

  int ColWidth(int col) const;
  void SetColWidth(int col, int width);

  QString Cell(int col, int row) const;
  void SetCell(int col, int row, const QString& text);

 signals:
  void CellSelected(int col, int row);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 public:
  // Every cell is always in view: the grid never scrolls.
  void scrollTo(const QModelIndex& index, ScrollHint hint) override;
  // Typing does not search the cells' texts.
  void keyboardSearch(const QString& search) override;

 private:
  void Select(const QModelIndex& index);
  bool selecting_ = false;  // the left button went down in the grid and is still held
};

}  // namespace markwick
