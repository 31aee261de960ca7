// Where a window goes when its position comes from outside (the settings file): kept where it
// was saved while any part of it is on a screen, else centred on the primary screen, as after
// unplugging the monitor it last stood on. Positions are worked in 64 bits, so saved values at
// the ends of the int range cannot overflow.
#pragma once

#include <QPoint>
#include <QSize>

namespace markwick {

// The top-left corner for a window of the given size saved at (left, top).
QPoint PlacementOnScreens(int left, int top, QSize size);

}  // namespace markwick
