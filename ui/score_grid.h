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

namespace markwick {

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
