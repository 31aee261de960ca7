#include "score_grid.h"

#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QWheelEvent>

namespace markwick {
namespace {

constexpr int kGridLine = 1;

constexpr int kMaxLaidTexts = 256;  // more than the grid ever shows at once

}  // namespace

// Draws one cell: its background, its text centred at the top and cut at the cell's edges, and
// the focus frame around the current cell while the grid has the focus.
class CellPainter : public QStyledItemDelegate {
 public:
  explicit CellPainter(ScoreGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const bool current = index == grid_->currentIndex();
    const bool focused = grid_->hasFocus();
    const bool highlighted = current && !focused;
    const QPalette& palette = grid_->palette();
    const QRect cell = option.rect;
    const QString text = index.data(Qt::DisplayRole).toString();

    painter->save();
    painter->fillRect(
        cell, palette.color(QPalette::Active, highlighted ? QPalette::Highlight : QPalette::Base));
    if (!text.isEmpty()) {
      painter->setFont(grid_->font());
      painter->setPen(palette.color(QPalette::Active,
                                    highlighted ? QPalette::HighlightedText : QPalette::Text));
      const QStaticText& laid = LaidOut(text);
      // Cut at the cell's edges; a text that fits needs no clip, which costs as much as it.
      if (laid.size().width() > cell.width() || laid.size().height() > cell.height()) {
        painter->setClipRect(cell);
      }
      painter->drawStaticText(
          QPointF(cell.left() + (cell.width() - laid.size().width()) / 2, cell.top()), laid);
    }
    if (current && focused) {
      QPen dotted(palette.color(QPalette::Active, QPalette::Text), 1, Qt::DotLine);
      painter->setPen(dotted);
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(cell.adjusted(0, 0, -1, -1));
    }
    painter->restore();
  }

 private:
  // Each text laid out once: a click that moves the focus repaints every cell, and laying out
  // their texts again would cost more than the rest of a turn. The grid shows few texts.
  const QStaticText& LaidOut(const QString& text) const {
    if (laid_font_ != grid_->font() || laid_.size() >= kMaxLaidTexts) {
      laid_.clear();
      laid_font_ = grid_->font();
    }
    auto found = laid_.find(text);
    if (found == laid_.end()) {
      QStaticText laid(text);
      laid.setTextFormat(Qt::PlainText);
      laid.prepare(QTransform(), laid_font_);
      found = laid_.insert(text, laid);
    }
    return *found;
  }

  ScoreGrid* grid_;
  mutable QFont laid_font_;
  mutable QHash<QString, QStaticText> laid_;
};

namespace {

bool IsNavigationKey(int key) {
  switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      return true;
    default:
      return false;
  }
}

}  // namespace

ScoreGrid::ScoreGrid(int cols, int rows, int default_width, int row_height, QWidget* parent)
    : QTableWidget(rows, cols, parent) {
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setMinimumSectionSize(0);
  verticalHeader()->setMinimumSectionSize(0);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setDefaultSectionSize(default_width + kGridLine);
  verticalHeader()->setDefaultSectionSize(row_height + kGridLine);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setFrameShape(QFrame::NoFrame);
  setShowGrid(true);
  setGridStyle(Qt::SolidLine);
  setWordWrap(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setTabKeyNavigation(false);
  setAutoScroll(false);
  setDragEnabled(false);
  setCornerButtonEnabled(false);
  setItemDelegate(new CellPainter(this));
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < cols; ++col) {
      auto* item = new QTableWidgetItem();
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      setItem(row, col, item);
    }
  }
}

int ScoreGrid::ColWidth(int col) const { return columnWidth(col) - kGridLine; }

void ScoreGrid::SetColWidth(int col, int width) { setColumnWidth(col, width + kGridLine); }

QString ScoreGrid::Cell(int col, int row) const {
  const QTableWidgetItem* cell = item(row, col);
  return cell == nullptr ? QString() : cell->text();
}

void ScoreGrid::SetCell(int col, int row, const QString& text) {
  if (QTableWidgetItem* cell = item(row, col)) cell->setText(text);
}

void ScoreGrid::Select(const QModelIndex& index) {
  setCurrentIndex(index);
  emit CellSelected(index.column(), index.row());
}

void ScoreGrid::mousePressEvent(QMouseEvent* event) {
  event->accept();
  setFocus(Qt::MouseFocusReason);
  if (event->button() != Qt::LeftButton) return;
  selecting_ = true;
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid()) Select(index);
}

void ScoreGrid::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (!selecting_ || !(event->buttons() & Qt::LeftButton)) return;
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid() && index != currentIndex()) Select(index);
}

void ScoreGrid::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton) selecting_ = false;
}

void ScoreGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click selects nothing, and dragging on from it neither.
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  selecting_ = false;
}

void ScoreGrid::keyPressEvent(QKeyEvent* event) {
  if (!IsNavigationKey(event->key())) {
    event->ignore();
    return;
  }
  const QModelIndex before = currentIndex();
  QTableWidget::keyPressEvent(event);
  const QModelIndex after = currentIndex();
  if (after.isValid() && after != before) emit CellSelected(after.column(), after.row());
}

void ScoreGrid::wheelEvent(QWheelEvent* event) { event->ignore(); }

void ScoreGrid::scrollTo(const QModelIndex&, ScrollHint) {}

void ScoreGrid::keyboardSearch(const QString&) {}

}  // namespace markwick
