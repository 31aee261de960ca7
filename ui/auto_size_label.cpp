#include "auto_size_label.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <algorithm>

namespace markwick {

AutoSizeLabel::AutoSizeLabel(const QString& text, const QRect& layout, QWidget* parent)
    : QLabel(parent), layout_(layout) {
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setTextFormat(Qt::PlainText);
  setText(text);
  FitWidth();
}

void AutoSizeLabel::SetCaption(const QString& text) {
  if (text == this->text()) return;  // measuring it again would change nothing
  setText(text);
  FitWidth();
}

void AutoSizeLabel::FitWidth() {
  const int width =
      text().isEmpty() ? layout_.width() : QFontMetrics(font()).horizontalAdvance(text());
  int left = layout_.left();
  const QWidget* window = parentWidget();
  if (window != nullptr && left + width > window->width()) {
    left = std::max(0, std::min(layout_.left() + layout_.width(), window->width()) - width);
  }
  setGeometry(left, layout_.top(), width, layout_.height());
}

void AutoSizeLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) FitWidth();
}

void AutoSizeLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void AutoSizeLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) pressed_ = false;
  event->accept();
  if (click) emit clicked();
}

}  // namespace markwick
