// The big view "大画面": the match drawn large, to be read from the throw line. A window of the
// board's own, free in size and full screen on F11 or a double click (Esc leaves it); closing
// it only hides it. Everything is drawn with QPainter from a BigViewSnapshot on a 16:9 layout
// scaled to the window, so that it keeps its proportions and stays sharp at any display scale.
// A screen reader reads it through accessible children: the round, the names, the scores, the
// MPR, the marks of each target, the darts, whose turn it is and the banner.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>

#include "big_view_snapshot.h"

namespace markwick {

class BigView : public QWidget {
  Q_OBJECT

 public:
  // source gives the snapshot of the board; it is asked again after each Changed().
  BigView(std::function<BigViewSnapshot()> source, QWidget* board);

  // The board has changed: drawn anew at the next paint, and told to the screen reader now.
  void Changed();
  // An award or a result across the view; empty to take it away.
  void SetBanner(const QString& text);

  const BigViewSnapshot& snapshot() const;
  // The screen reader's texts of the accessible children, in their order.
  QStringList AccessibleTexts() const;
  // Where a child stands, in the view's coordinates.
  QRect AccessibleRect(int child) const;
  // Where the own or the rival's score is drawn, in the view's coordinates.
  QRect ScoreRect(bool own) const;

  void ToggleFullScreen();

 signals:
  // Hidden or closed by the player: its place is worth keeping.
  void Hidden();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QRectF Layout(const QRectF& virtual_rect) const;
  qreal Scale() const;

  std::function<BigViewSnapshot()> source_;
  mutable BigViewSnapshot snapshot_;
  mutable bool stale_ = true;
  QString banner_;
  QStringList told_;  // the accessible texts the screen reader was last told
};

}  // namespace markwick
