#include "big_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <vector>

#include "form_font.h"

namespace markwick {
namespace {

// The layout, in units of a 1600 x 900 canvas scaled to the window.
constexpr qreal kCanvasWidth = 1600;
constexpr qreal kCanvasHeight = 900;
constexpr qreal kPanelWidth = 560;
constexpr qreal kOwnLeft = 20;
constexpr qreal kRivalLeft = kCanvasWidth - 20 - kPanelWidth;
constexpr qreal kMiddleLeft = kOwnLeft + kPanelWidth + 20;
constexpr qreal kMiddleWidth = kRivalLeft - 20 - kMiddleLeft;
const QRectF kRoundRect(0, 8, kCanvasWidth, 72);
constexpr qreal kNameTop = 90, kNameHeight = 90;
constexpr qreal kScoreTop = 180, kScoreHeight = 230;
constexpr qreal kMprTop = 410, kMprHeight = 50;
constexpr qreal kMarksTop = 470, kMarkRowHeight = 60;
constexpr qreal kDartLabelTop = 250, kDartTop = 290, kDartHeight = 100, kDartWidth = 124;
const QRectF kBannerRect(0, 300, kCanvasWidth, 300);

// Character heights on the canvas. The score's, 220, makes its digits over 150 pixels high
// on a 1920 x 1080 screen (a scale of 1.2).
constexpr int kRoundFont = 52, kNameFont = 64, kScoreFont = 220, kMprFont = 40, kMarkFont = 54,
              kTargetFont = 50, kDartFont = 52, kDartLabelFont = 28, kBannerFont = 170,
              kTurnFont = 44;

const QColor kBackground(13, 17, 23);
const QColor kPanel(27, 34, 48);
const QColor kActivePanel(32, 63, 115);
const QColor kActiveEdge(255, 204, 0);
const QColor kText(255, 255, 255);
const QColor kDim(159, 179, 200);
const QColor kRowShade(22, 28, 38);
const QColor kBannerText(255, 204, 0);

QRectF PanelRect(bool own, qreal top, qreal height) {
  return {own ? kOwnLeft : kRivalLeft, top, kPanelWidth, height};
}

QRectF DartRect(int dart) {
  const qreal gap = (kMiddleWidth - 3 * kDartWidth) / 2;
  return {kMiddleLeft + dart * (kDartWidth + gap), kDartTop, kDartWidth, kDartHeight};
}

QRectF MarkRowRect(int row) {
  return {0, kMarksTop + row * kMarkRowHeight, kCanvasWidth, kMarkRowHeight};
}

// The texts a screen reader is given for the board's mark symbols.
QString MarksSpoken(const QString& symbol) {
  if (symbol == QStringLiteral("－－")) return QStringLiteral("両者クローズ");
  if (symbol == QStringLiteral("○")) return QStringLiteral("クローズ");
  if (symbol == QStringLiteral("×")) return QStringLiteral("2マーク");
  if (symbol == QStringLiteral("＼")) return QStringLiteral("1マーク");
  return QStringLiteral("0マーク");
}

// The accessible children, in order.
enum Child {
  kRoundChild,
  kOwnNameChild,
  kRivalNameChild,
  kOwnScoreChild,
  kRivalScoreChild,
  kOwnMprChild,
  kRivalMprChild,
  kFirstMarksChild,
  kDartsChild = kFirstMarksChild + kTargetRows,
  kTurnChild,
  kBannerChild,
  kChildCount
};

QRectF ChildCanvasRect(int child) {
  switch (child) {
    case kRoundChild:
      return kRoundRect;
    case kOwnNameChild:
    case kRivalNameChild:
      return PanelRect(child == kOwnNameChild, kNameTop, kNameHeight);
    case kOwnScoreChild:
    case kRivalScoreChild:
      return PanelRect(child == kOwnScoreChild, kScoreTop, kScoreHeight);
    case kOwnMprChild:
    case kRivalMprChild:
      return PanelRect(child == kOwnMprChild, kMprTop, kMprHeight);
    case kDartsChild:
      return {kMiddleLeft, kDartLabelTop, kMiddleWidth, kDartTop + kDartHeight - kDartLabelTop};
    case kTurnChild:
      return {kMiddleLeft, kNameTop, kMiddleWidth, kNameHeight};
    case kBannerChild:
      return kBannerRect;
    default:
      return MarkRowRect(child - kFirstMarksChild);
  }
}

// One accessible child: a static text of the view, read from its snapshot.
class BigViewItem : public QAccessibleInterface {
 public:
  BigViewItem(BigView* view, int index) : view_(view), index_(index) {}

  bool isValid() const override { return view_ != nullptr; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return view_->windowHandle(); }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(view_);
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* focusChild() const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name) return {};
    const QStringList texts = view_->AccessibleTexts();
    return index_ < texts.size() ? texts[index_] : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    const QRect local = view_->AccessibleRect(index_);
    return {view_->mapToGlobal(local.topLeft()), local.size()};
  }
  QAccessible::Role role() const override { return QAccessible::StaticText; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.readOnly = true;
    state.invisible = !view_->isVisible();
    return state;
  }

 private:
  BigView* view_;
  int index_;
};

// The view's own interface, which owns its children through Qt's registry.
class BigViewAccessible : public QAccessibleWidget {
 public:
  explicit BigViewAccessible(BigView* view) : QAccessibleWidget(view, QAccessible::Client) {
    for (int i = 0; i < kChildCount; ++i) {
      auto* item = new BigViewItem(view, i);
      ids_.push_back(QAccessible::registerAccessibleInterface(item));
    }
  }
  ~BigViewAccessible() override {
    for (const QAccessible::Id id : ids_) QAccessible::deleteAccessibleInterface(id);
  }
  int childCount() const override { return kChildCount; }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= kChildCount) return nullptr;
    return QAccessible::accessibleInterface(ids_[static_cast<size_t>(index)]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < kChildCount; ++i) {
      if (QAccessible::accessibleInterface(ids_[static_cast<size_t>(i)]) == child) return i;
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    for (int i = kChildCount - 1; i >= 0; --i) {
      QAccessibleInterface* item = child(i);
      if (item->rect().contains(x, y)) return item;
    }
    return nullptr;
  }

 private:
  std::vector<QAccessible::Id> ids_;
};

QAccessibleInterface* BigViewFactory(const QString&, QObject* object) {
  if (auto* view = qobject_cast<BigView*>(object)) return new BigViewAccessible(view);
  return nullptr;
}

}  // namespace

BigView::BigView(std::function<BigViewSnapshot()> source, QWidget* board)
    : QWidget(board, Qt::Window), source_(std::move(source)) {
  static const bool factory = [] {
    QAccessible::installFactory(BigViewFactory);
    return true;
  }();
  static_cast<void>(factory);
  setObjectName(QStringLiteral("BigView"));
  setWindowTitle(QStringLiteral("大画面"));
  setAccessibleName(QStringLiteral("大画面"));
  // The board's close ends the program; this window's only hides it.
  setAttribute(Qt::WA_QuitOnClose, false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(320, 180);
  resize(960, 540);
}

const BigViewSnapshot& BigView::snapshot() const {
  if (stale_) {
    snapshot_ = source_();
    snapshot_.banner = banner_;
    stale_ = false;
  }
  return snapshot_;
}

void BigView::Changed() {
  stale_ = true;
  update();
  if (!QAccessible::isActive()) return;
  // Only what changed is told, as the screen reader would read the whole view again else.
  const QStringList texts = AccessibleTexts();
  QAccessibleInterface* self = QAccessible::queryAccessibleInterface(this);
  for (int i = 0; i < texts.size(); ++i) {
    if (i < told_.size() && told_[i] == texts[i]) continue;
    QAccessibleEvent event(self->child(i), QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
  }
  told_ = texts;
}

void BigView::SetBanner(const QString& text) {
  if (banner_ == text) return;
  banner_ = text;
  Changed();
}

QStringList BigView::AccessibleTexts() const {
  const BigViewSnapshot& s = snapshot();
  QStringList texts;
  texts << s.RoundText() << s.own.name << s.rival.name;
  for (const BigViewSide* side : {&s.own, &s.rival}) {
    texts << QStringLiteral("%1 得点 %2").arg(side->name).arg(side->score);
  }
  for (const BigViewSide* side : {&s.own, &s.rival}) {
    texts << QStringLiteral("%1 MPR %2").arg(side->name, side->mpr);
  }
  for (int row = 0; row < kTargetRows; ++row) {
    texts << QStringLiteral("%1: %2 %3, %4 %5")
                 .arg(QString::fromLatin1(kBigViewTargets[row]), s.own.name,
                      MarksSpoken(s.own.marks[row]), s.rival.name, MarksSpoken(s.rival.marks[row]));
  }
  QStringList darts;
  for (int dart = 0; dart < 3; ++dart) {
    darts << QStringLiteral("%1投目 %2").arg(dart + 1).arg(s.darts[dart]);
  }
  texts << darts.join(QStringLiteral(", "));
  switch (s.turn) {
    case TurnOf::Own:
      texts << QStringLiteral("%1の番").arg(s.own.name);
      break;
    case TurnOf::Rival:
      texts << QStringLiteral("%1の番").arg(s.rival.name);
      break;
    case TurnOf::Nobody:
      texts << QStringLiteral("試合終了");
      break;
  }
  texts << s.banner;
  return texts;
}

qreal BigView::Scale() const { return std::min(width() / kCanvasWidth, height() / kCanvasHeight); }

QRectF BigView::Layout(const QRectF& r) const {
  const qreal scale = Scale();
  const qreal left = (width() - kCanvasWidth * scale) / 2;
  const qreal top = (height() - kCanvasHeight * scale) / 2;
  return {left + r.x() * scale, top + r.y() * scale, r.width() * scale, r.height() * scale};
}

QRect BigView::AccessibleRect(int child) const {
  return Layout(ChildCanvasRect(child)).toAlignedRect();
}

QRect BigView::ScoreRect(bool own) const {
  return AccessibleRect(own ? kOwnScoreChild : kRivalScoreChild);
}

void BigView::paintEvent(QPaintEvent*) {
  const BigViewSnapshot& s = snapshot();
  const qreal scale = Scale();
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), kBackground);

  // Text at its size in pixels on the device, not through a scaled painter, so that glyphs are
  // hinted at the size they are shown; a text too wide for its place is made smaller.
  const auto text = [&](const QRectF& canvas, const QString& shown, int font_height,
                        const QColor& colour, int flags = Qt::AlignCenter) {
    if (shown.isEmpty()) return;
    const QRectF place = Layout(canvas);
    QFont font = FormFont(std::max(1, qRound(font_height * scale)));
    const qreal room = place.width() * 0.96;
    const qreal wide = QFontMetricsF(font).horizontalAdvance(shown);
    if (wide > room)
      font.setPixelSize(std::max(1, static_cast<int>(font.pixelSize() * room / wide)));
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(place, flags | Qt::TextSingleLine, shown);
  };

  text(kRoundRect, s.RoundText(), kRoundFont, kDim);

  for (const bool own : {true, false}) {
    const BigViewSide& side = own ? s.own : s.rival;
    const bool active = s.turn == (own ? TurnOf::Own : TurnOf::Rival);
    const QRectF panel = Layout(PanelRect(own, kNameTop, kMprTop + kMprHeight - kNameTop));
    painter.setPen(active ? QPen(kActiveEdge, std::max(1.0, 6 * scale)) : Qt::NoPen);
    painter.setBrush(active ? kActivePanel : kPanel);
    painter.drawRoundedRect(panel, 16 * scale, 16 * scale);
    text(PanelRect(own, kNameTop, kNameHeight), side.name, kNameFont, active ? kActiveEdge : kText);
    text(PanelRect(own, kScoreTop, kScoreHeight), QString::number(side.score), kScoreFont, kText);
    text(PanelRect(own, kMprTop, kMprHeight), QStringLiteral("MPR ") + side.mpr, kMprFont, kDim);
  }

  // Whose turn: a triangle pointing at the player who throws, or the end of the match.
  const QRectF turn = Layout({kMiddleLeft, kNameTop, kMiddleWidth, kNameHeight});
  if (s.turn == TurnOf::Nobody) {
    text({kMiddleLeft, kNameTop, kMiddleWidth, kNameHeight}, QStringLiteral("試合終了"), kTurnFont,
         kActiveEdge);
  } else {
    const qreal half = turn.height() * 0.32;
    const qreal tip = s.turn == TurnOf::Own ? -1 : 1;
    const QPointF centre = turn.center();
    QPainterPath arrow;
    arrow.moveTo(centre + QPointF(tip * half * 1.2, 0));
    arrow.lineTo(centre + QPointF(-tip * half * 0.6, -half));
    arrow.lineTo(centre + QPointF(-tip * half * 0.6, half));
    arrow.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(kActiveEdge);
    painter.drawPath(arrow);
  }

  // The darts of the turn, as the board's dart boxes show them.
  for (int dart = 0; dart < 3; ++dart) {
    const QRectF box = DartRect(dart);
    text({box.x(), kDartLabelTop, box.width(), kDartTop - kDartLabelTop},
         QStringLiteral("%1投目").arg(dart + 1), kDartLabelFont, kDim);
    painter.setPen(QPen(kDim, std::max(1.0, 2 * scale)));
    painter.setBrush(kPanel);
    painter.drawRoundedRect(Layout(box), 8 * scale, 8 * scale);
    text(box, s.darts[dart], kDartFont, kText);
  }

  // The marks of each target with the board's symbols, the targets in the middle.
  for (int row = 0; row < kTargetRows; ++row) {
    const QRectF line = MarkRowRect(row);
    if (row % 2 == 0) painter.fillRect(Layout(line.adjusted(20, 0, -20, 0)), kRowShade);
    text({kOwnLeft, line.y(), kPanelWidth, line.height()}, s.own.marks[row], kMarkFont, kText);
    text({kMiddleLeft, line.y(), kMiddleWidth, line.height()},
         QString::fromLatin1(kBigViewTargets[row]), kTargetFont, kDim);
    text({kRivalLeft, line.y(), kPanelWidth, line.height()}, s.rival.marks[row], kMarkFont, kText);
  }

  if (!s.banner.isEmpty()) {
    const QRectF band = Layout(kBannerRect);
    painter.fillRect(band, QColor(0, 0, 0, 225));
    painter.fillRect(QRectF(band.x(), band.y(), band.width(), 8 * scale), kActiveEdge);
    painter.fillRect(QRectF(band.x(), band.bottom() - 8 * scale, band.width(), 8 * scale),
                     kActiveEdge);
    text(kBannerRect, s.banner, kBannerFont, kBannerText);
  }
}

void BigView::ToggleFullScreen() { setWindowState(windowState() ^ Qt::WindowFullScreen); }

void BigView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F11) {
    ToggleFullScreen();
  } else if (event->key() == Qt::Key_Escape && isFullScreen()) {
    setWindowState(windowState() & ~Qt::WindowFullScreen);
  } else {
    QWidget::keyPressEvent(event);
  }
}

void BigView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) ToggleFullScreen();
}

void BigView::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous()) emit Hidden();
}

}  // namespace markwick
