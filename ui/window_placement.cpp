#include "window_placement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

namespace markwick {

namespace {

bool Overlaps(qint64 left, qint64 top, QSize size, const QRect& area) {
  return left < qint64{area.x()} + area.width() && left + size.width() > area.x() &&
         top < qint64{area.y()} + area.height() && top + size.height() > area.y();
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

}  // namespace markwick
