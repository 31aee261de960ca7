// A control created in its container and put at its place there, as the windows' layouts give
// it in pixels: Placed<QPushButton>(QRect(292, 12, 77, 25), group_box, caption).
#pragma once

#include <QRect>
#include <QWidget>
#include <utility>

namespace markwick {

template <typename Control, typename... Args>
Control* Placed(const QRect& layout, QWidget* parent, Args&&... args) {
  auto* control = new Control(std::forward<Args>(args)..., parent);
  control->setGeometry(layout);
  return control;
}

}  // namespace markwick
