// Where windows go on the screen.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace markwick {

// Where a window goes when its position comes from outside (the settings file): kept where it
// was saved while any part of it is on a screen, else centred on the primary screen, as after
// unplugging the monitor it last stood on. Positions are worked in 64 bits, so saved values at
// the ends of the int range cannot overflow. Returns the top-left corner for a window of the
// given size saved at (left, top).
QPoint PlacementOnScreens(int left, int top, QSize size);

// Where a window that the program opens by itself goes, so that the board's controls stay
// free: beside the board's frame, to its right, left, below or above it, the first side where
// it stands whole on the screen's available area; where no side has room, whole on the area
// where it covers least of the board. In screen pixels: the board's frame and its client area,
// the window's client size (its frame is taken to be the board's) and the available area. The
// result is where the window's frame goes (its top-left corner, as QWidget::move takes it).
QPoint PlacementBesideBoard(const QRect& board_frame, const QRect& board, QSize size,
                            const QRect& area);

}  // namespace markwick
