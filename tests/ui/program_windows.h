// The program's two windows as main creates them, with the settings file at a given path, and
// the user's actions on them through the real window events.
#pragma once

#include <QContextMenuEvent>
#include <QMenu>
#include <QPushButton>
#include <QWindow>
#include <QtTest>

#include "link/peer_link.h"
#include "ui/board_window.h"
#include "ui/score_grid.h"
#include "ui/start_dialog.h"

namespace markwick::testing {

struct ProgramWindows {
  explicit ProgramWindows(const QString& settings_path) : Form2(settings_path) {}

  TForm2 Form2;  // owns the score board (Form2.ScoreBoard()), created when first asked for
};

// The board's link, which a start button has set up.
inline PeerLink& PeerOf(TForm1& board) { return *board.link(); }

// The centre of a grid cell in the board window's coordinates.
inline QPoint CellCentre(TForm1& board, int col, int row) {
  ScoreGrid* grid = board.StringGrid1;
  const QRect rect = grid->visualRect(grid->model()->index(row, col));
  return grid->viewport()->mapTo(&board, rect.center());
}

// A click of the left button on a grid cell, delivered to the board's window.
inline void ClickCell(TForm1& board, int col, int row) {
  QTest::mouseClick(board.windowHandle(), Qt::LeftButton, {}, CellCentre(board, col, row));
}

// The menu that a right click at a place of a widget opens; null when none opens. The board
// opens its menu beside the grid, at kBesideTheGrid for instance.
inline QMenu* ContextMenuAt(QWidget& widget, QPoint place) {
  QContextMenuEvent event(QContextMenuEvent::Mouse, place, widget.mapToGlobal(place));
  QApplication::sendEvent(&widget, &event);
  return widget.findChild<QMenu*>();
}
inline const QPoint kBesideTheGrid(240, 174);

// A click on a push button where it stands in its window.
inline void ClickButton(QPushButton* button) {
  QWidget* window = button->window();
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                    button->mapTo(window, button->rect().center()));
}

}  // namespace markwick::testing
