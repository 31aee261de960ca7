#include "window_placement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <algorithm>
#include <array>

namespace markwick {

namespace {

bool Overlaps(qint64 left, qint64 top, QSize size, const QRect& area) {
  return left < qint64{area.x()} + area.width() && left + size.width() > area.x() &&
         top < qint64{area.y()} + area.height() && top + size.height() > area.y();
}

// The start of a span of the given length, moved as little as it takes to lie within
// [low, high); a span longer than that starts at low.
int Within(int start, int length, int low, int high) {
  return std::max(low, std::min(start, high - length));
}

}  // namespace

QPoint PlacementOnScreens(int left, int top, QSize size) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (screens.isEmpty()) return {left, top};  // nothing to place it on: leave it as saved
  for (const QScreen* screen : screens) {
    if (Overlaps(left, top, size, screen->geometry())) return {left, top};
  }
  const QRect area = QGuiApplication::primaryScreen()->geometry();
  return {area.x() + (area.width() - size.width()) / 2,
          area.y() + (area.height() - size.height()) / 2};
}

QPoint PlacementBesideBoard(const QRect& board_frame, const QRect& board, QSize client,
                            const QRect& area) {
  constexpr int kGap = 8;
  const QSize size =
      client.grownBy({board.left() - board_frame.left(), board.top() - board_frame.top(),
                      board_frame.right() - board.right(), board_frame.bottom() - board.bottom()});
  const int top = Within(board_frame.top(), size.height(), area.top(), area.bottom() + 1);
  const int left = Within(board_frame.center().x() - size.width() / 2, size.width(), area.left(),
                          area.right() + 1);
  const std::array<QPoint, 4> sides = {
      QPoint(board_frame.right() + 1 + kGap, top),
      QPoint(board_frame.left() - kGap - size.width(), top),
      QPoint(left, board_frame.bottom() + 1 + kGap),
      QPoint(left, board_frame.top() - kGap - size.height()),
  };
  for (const QPoint& side : sides) {
    if (area.contains(QRect(side, size))) return side;
  }
  // No side has room: each side's place is pulled onto the area, and the one that covers the
  // least of the board wins (the first of them on a tie).
  QPoint best;
  qint64 least = -1;
  for (const QPoint& side : sides) {
    const QPoint place(Within(side.x(), size.width(), area.left(), area.right() + 1),
                       Within(side.y(), size.height(), area.top(), area.bottom() + 1));
    const QRect covered = QRect(place, size).intersected(board_frame);
    const qint64 cover = qint64{covered.width()} * covered.height();
    if (least < 0 || cover < least) {
      least = cover;
      best = place;
    }
  }
  return best;
}

}  // namespace markwick
