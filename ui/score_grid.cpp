#include "score_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <QWheelEvent>

namespace markwick {
namespace {

constexpr int kGridLine = 1;

constexpr int kTextFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
// At most two looks of each of the 45 cells are shown at a time; old scores are dropped now and
// then, all together.
constexpr qsizetype kMostCachedCells = 128;

// One cell without its focus frame: background, then the text centred at the top, cut at the
// cell's edges.
void DrawCell(QPainter* painter, const QRect& cell, const QString& text, const QColor& background,
              const QColor& ink, const QFont& font) {
  painter->fillRect(cell, background);
  if (text.isEmpty()) return;
  painter->setFont(font);
  painter->setPen(ink);
  painter->drawText(cell, kTextFlags, text);
}

// What decides a cell's pixels (but for the focus frame).
struct CellLook {
  QString text;
  QRgb background;
  QRgb ink;
  QSize size;
  bool operator==(const CellLook&) const = default;
};

size_t qHash(const CellLook& look, size_t seed = 0) {
  return qHashMulti(seed, look.text, look.background, look.ink, look.size.width(),
                    look.size.height());
}

}  // namespace

// Draws one cell: background, centred text at the top, focus frame. A cell's text is laid out
// and drawn once per look: the drawing is kept as an image and copied on later paints, which
// gives the same pixels at a fraction of the cost. Empty cells are only filled; painters that
// scale draw directly.
class CellPainter : public QStyledItemDelegate {
 public:
  explicit CellPainter(ScoreGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  // The grid's font changed: the kept drawings are stale.
  void Forget() { drawn_.clear(); }
  void SetKeeping(bool keep) {
    keeping_ = keep;
    Forget();
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const bool current = index == grid_->currentIndex();
    const bool focused = grid_->hasFocus();
    const bool highlighted = current && !focused;
    const QPalette& palette = grid_->palette();
    const QRect cell = option.rect;
    const QColor background =
        palette.color(QPalette::Active, highlighted ? QPalette::Highlight : QPalette::Base);
    const QColor ink =
        palette.color(QPalette::Active, highlighted ? QPalette::HighlightedText : QPalette::Text);
    const QString text = index.data(Qt::DisplayRole).toString();

    painter->save();
    painter->setClipRect(cell);
    if (keeping_ && !text.isEmpty() && background.alpha() == 255 && Copyable(painter)) {
      painter->drawPixmap(cell.topLeft(),
                          Drawn(CellLook{text, background.rgba(), ink.rgba(), cell.size()}));
    } else {
      DrawCell(painter, cell, text, background, ink, grid_->font());
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
  // A kept drawing gives the same pixels only where one logical pixel is one device pixel.
  static bool Copyable(const QPainter* painter) {
    return painter->device()->devicePixelRatio() == 1.0 &&
           painter->deviceTransform().type() <= QTransform::TxTranslate &&
           painter->opacity() == 1.0 &&
           painter->compositionMode() == QPainter::CompositionMode_SourceOver;
  }

  const QPixmap& Drawn(const CellLook& look) const {
    auto it = drawn_.constFind(look);
    if (it != drawn_.cend()) return *it;
    if (drawn_.size() >= kMostCachedCells) drawn_.clear();
    QPixmap image(look.size);
    QPainter painter(&image);
    DrawCell(&painter, QRect(QPoint(0, 0), look.size), look.text, QColor::fromRgba(look.background),
             QColor::fromRgba(look.ink), grid_->font());
    painter.end();
    return *drawn_.insert(look, image);
  }

  ScoreGrid* grid_;
  bool keeping_ = true;
  mutable QHash<CellLook, QPixmap> drawn_;
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
  cell_painter_ = new CellPainter(this);
  setItemDelegate(cell_painter_);
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

// Only the current cell shows whether the grid has the focus. Qt's item view repaints the
// whole grid on a focus change; its handling runs as it is, with its repaints held back, and
// then the current cell alone is repainted.
void ScoreGrid::focusInEvent(QFocusEvent* event) {
  WithoutRepaints([&] { QTableWidget::focusInEvent(event); });
  RepaintCurrentCell();
}

void ScoreGrid::focusOutEvent(QFocusEvent* event) {
  WithoutRepaints([&] { QTableWidget::focusOutEvent(event); });
  RepaintCurrentCell();
}

void ScoreGrid::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) cell_painter_->Forget();
  QTableWidget::changeEvent(event);
}

void ScoreGrid::KeepCellDrawings(bool keep) { cell_painter_->SetKeeping(keep); }

void ScoreGrid::WithoutRepaints(const std::function<void()>& handle) {
  // The grid and its viewport are held back only while neither is already.
  if (!updatesEnabled() || !viewport()->updatesEnabled()) {
    handle();
    return;
  }
  setAttribute(Qt::WA_UpdatesDisabled, true);
  viewport()->setAttribute(Qt::WA_UpdatesDisabled, true);
  const auto release = qScopeGuard([this] {
    viewport()->setAttribute(Qt::WA_UpdatesDisabled, false);
    setAttribute(Qt::WA_UpdatesDisabled, false);
  });
  handle();
}

void ScoreGrid::RepaintCurrentCell() {
  const QModelIndex current = currentIndex();
  if (current.isValid()) viewport()->update(visualRect(current));
}

void ScoreGrid::scrollTo(const QModelIndex&, ScrollHint) {}

void ScoreGrid::keyboardSearch(const QString&) {}

}  // namespace markwick
