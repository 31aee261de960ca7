// A label that sizes itself to its text, as the windows' labels do: its left and top edges
// stay, its width follows the text in the label's font, its height is the layout's. An empty
// label keeps the size of its layout, so that it can still be clicked. A label that would then
// reach past the right edge of its window (the substitute font can be wider than the layout's)
// keeps the right edge of its layout instead of the left one. A click (left button
// pressed and released on the label) is reported by clicked().
#pragma once

#include <QLabel>
#include <QRect>

namespace markwick {

class AutoSizeLabel : public QLabel {
  Q_OBJECT

 public:
  // Places the label at its layout rectangle and shows the text.
  AutoSizeLabel(const QString& text, const QRect& layout, QWidget* parent);

  // Shows the text and fits the width to it.
  void SetCaption(const QString& text);

 signals:
  void clicked();

 protected:
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void FitWidth();

  QRect layout_;
  bool pressed_ = false;
};

}  // namespace markwick
