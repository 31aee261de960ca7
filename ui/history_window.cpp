#include "history_window.h"

#include <QDesktopServices>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "form_font.h"
#include "handler_gate.h"
#include "utf8_text.h"

namespace markwick {
namespace {

// Files listed by name with the reason they could not be read, at most this many.
constexpr int kUnreadableShown = 10;

QString ResultText(MatchResult result) {
  switch (result) {
    case MatchResult::OwnWin:
      return QStringLiteral("勝ち");
    case MatchResult::RivalWin:
      return QStringLiteral("負け");
    case MatchResult::Draw:
      return QStringLiteral("引き分け");
    case MatchResult::NotEnded:
      break;
  }
  return QStringLiteral("未完了");
}

QString Figure(double value) { return QString::number(value, 'f', 2); }

QTableWidget* Table(const QStringList& headings, QWidget* parent) {
  auto* table = new QTableWidget(0, static_cast<int>(headings.size()), parent);
  table->setHorizontalHeaderLabels(headings);
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setWordWrap(false);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  // Widths from the first rows: measuring the texts of a thousand matches costs more than the
  // rest of the window, and the later rows hold texts of the same kinds.
  table->horizontalHeader()->setResizeContentsPrecision(100);
  return table;
}

void SetRow(QTableWidget* table, int row, const QStringList& texts) {
  for (int col = 0; col < texts.size(); ++col) {
    auto* item = new QTableWidgetItem(texts[col]);
    item->setTextAlignment(col == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    table->setItem(row, col, item);
  }
}

// A scale of round steps that holds the largest value.
double AxisTop(double largest) { return std::max(4.0, std::ceil(largest)); }

}  // namespace

MprChart::MprChart(QWidget* parent) : QWidget(parent) {
  setMinimumSize(320, 200);
  setAccessibleName(QStringLiteral("MPR の推移"));
}

void MprChart::SetSeries(std::vector<double> mpr, std::vector<double> average) {
  mpr_ = std::move(mpr);
  average_ = std::move(average);
  if (!mpr_.empty()) {
    setAccessibleDescription(QStringLiteral("最新 %1、直近 10 試合の平均 %2")
                                 .arg(Figure(mpr_.back()), Figure(average_.back())));
  }
  update();
}

void MprChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), palette().base());
  const QFontMetrics metrics = fontMetrics();
  const int line = metrics.height();
  const QColor text = palette().text().color();
  const QColor mpr_colour(0, 90, 200);
  const QColor average_colour(230, 120, 0);
  if (mpr_.empty()) {
    painter.setPen(text);
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("まだ試合がありません"));
    return;
  }

  // The plot, with room for the legend above, the MPR scale left and the match numbers below.
  const double left = metrics.horizontalAdvance(QStringLiteral("00.0")) + 10;
  const double right = metrics.horizontalAdvance(QStringLiteral("0000")) / 2.0 + 8;
  const QRectF plot(left, line * 2 + 8, width() - left - right, height() - line * 4 - 12);
  if (plot.width() < 10 || plot.height() < 10) return;
  const double top = AxisTop(std::max(*std::max_element(mpr_.begin(), mpr_.end()),
                                      *std::max_element(average_.begin(), average_.end())));
  const double step = top <= 6 ? 1.0 : 2.0;
  const size_t n = mpr_.size();
  const auto x_of = [&](size_t i) {
    return n == 1 ? plot.center().x() : plot.left() + plot.width() * i / static_cast<double>(n - 1);
  };
  const auto y_of = [&](double v) { return plot.bottom() - plot.height() * v / top; };

  // Scale and grid.
  painter.setPen(QPen(palette().mid().color(), 0, Qt::DotLine));
  for (double v = 0; v <= top + 1e-9; v += step)
    painter.drawLine(QPointF(plot.left(), y_of(v)), QPointF(plot.right(), y_of(v)));
  painter.setPen(text);
  for (double v = 0; v <= top + 1e-9; v += step) {
    painter.drawText(QRectF(0, y_of(v) - line / 2.0, plot.left() - 6, line),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'f', 1));
  }
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter.drawLine(plot.bottomLeft(), plot.topLeft());
  painter.drawText(QRectF(0, plot.top() - line - 4, plot.left() + 40, line), Qt::AlignLeft, "MPR");
  // The first and the latest match's numbers under their points.
  const auto number_at = [&](double x, const QString& label) {
    painter.drawText(QRectF(x - 40, plot.bottom() + 4, 80, line), Qt::AlignHCenter, label);
  };
  number_at(x_of(0), QStringLiteral("1"));
  if (n > 1) number_at(x_of(n - 1), QString::number(n));
  painter.drawText(QRectF(plot.left(), plot.bottom() + 4 + line, plot.width(), line),
                   Qt::AlignHCenter, QStringLiteral("試合（古い順）"));

  // The series: each match's MPR, the average of the last ten over it.
  QPainterPath mpr_path;
  QPainterPath average_path;
  for (size_t i = 0; i < n; ++i) {
    const QPointF point(x_of(i), y_of(mpr_[i]));
    const QPointF mean(x_of(i), y_of(average_[i]));
    if (i == 0) {
      mpr_path.moveTo(point);
      average_path.moveTo(mean);
    } else {
      mpr_path.lineTo(point);
      average_path.lineTo(mean);
    }
  }
  painter.setPen(QPen(mpr_colour, 1.2));
  painter.drawPath(mpr_path);
  if (n <= 60) {
    painter.setBrush(mpr_colour);
    for (size_t i = 0; i < n; ++i) painter.drawEllipse(QPointF(x_of(i), y_of(mpr_[i])), 2.5, 2.5);
    painter.setBrush(Qt::NoBrush);
  }
  painter.setPen(QPen(average_colour, 2.6));
  painter.drawPath(average_path);
  painter.setBrush(average_colour);
  painter.drawEllipse(QPointF(x_of(n - 1), y_of(average_.back())), 3.5, 3.5);
  painter.setBrush(Qt::NoBrush);

  // Legend and the latest values.
  double x = plot.left();
  const double legend_y = 4 + line / 2.0;
  const auto legend = [&](const QColor& colour, double width, const QString& label) {
    painter.setPen(QPen(colour, width));
    painter.drawLine(QPointF(x, legend_y), QPointF(x + 18, legend_y));
    painter.setPen(text);
    painter.drawText(QPointF(x + 22, 4 + metrics.ascent()), label);
    x += 22 + metrics.horizontalAdvance(label) + 14;
  };
  legend(mpr_colour, 1.2, QStringLiteral("MPR"));
  legend(average_colour, 2.6, QStringLiteral("直近 10 試合の平均"));
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  painter.drawText(
      QRectF(plot.left(), 4, plot.width(), line), Qt::AlignRight,
      QStringLiteral("最新 %1（平均 %2）").arg(Figure(mpr_.back()), Figure(average_.back())));
}

HistoryWindow::HistoryWindow(QString folder, HandlerGate& gate)
    : QWidget(nullptr, Qt::Window), folder_(std::move(folder)) {
  setObjectName(QStringLiteral("HistoryWindow"));
  setWindowTitle(QStringLiteral("戦績"));
  setFont(FormFont(12));
  // The program ends with its start dialog or its board, not with this window.
  setAttribute(Qt::WA_QuitOnClose, false);

  rating_label = new QLabel(this);
  rating_label->setWordWrap(true);
  open_folder_button = new QPushButton(QStringLiteral("記録フォルダを開く"), this);
  connect(open_folder_button, &QPushButton::clicked, this,
          gate.Entry(this, &HistoryWindow::OpenFolder));
  matches_table =
      Table({QStringLiteral("日時"), QStringLiteral("相手"), QStringLiteral("結果"),
             QStringLiteral("得点"), QStringLiteral("相手の得点"), QStringLiteral("MPR"),
             QStringLiteral("相手の MPR"), QStringLiteral("ラウンド")},
            this);
  rivals_table = Table({QStringLiteral("相手"), QStringLiteral("試合"), QStringLiteral("勝ち"),
                        QStringLiteral("負け"), QStringLiteral("引き分け"),
                        QStringLiteral("平均 MPR"), QStringLiteral("相手の平均 MPR")},
                       this);
  awards_table = Table({QStringLiteral("アワード"), QStringLiteral("回数")}, this);
  awards_table->setRowCount(kAwardKinds);
  chart = new MprChart(this);
  unreadable_label = new QLabel(this);
  unreadable_label->setWordWrap(true);
  unreadable_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  unreadable_label->hide();

  auto* top = new QHBoxLayout;
  top->addWidget(rating_label, 1);
  top->addWidget(open_folder_button, 0, Qt::AlignTop);
  auto* layout = new QGridLayout(this);
  layout->addLayout(top, 0, 0, 1, 2);
  layout->addWidget(matches_table, 1, 0);
  layout->addWidget(chart, 1, 1);
  layout->addWidget(rivals_table, 2, 0);
  layout->addWidget(awards_table, 2, 1);
  layout->addWidget(unreadable_label, 3, 0, 1, 2);
  layout->setColumnStretch(0, 3);
  layout->setColumnStretch(1, 2);
  layout->setRowStretch(1, 3);
  layout->setRowStretch(2, 2);
  resize(980, 640);
}

void HistoryWindow::Open() {
  Read();
  if (!placed_) {
    placed_ = true;
    show();
  } else {
    showNormal();
  }
  raise();
  activateWindow();
}

void HistoryWindow::Read() {
  MatchHistory history;
  for (const QString& path : MatchHistory::RecordPaths(folder_)) history.Add(JudgeRecord(path));
  history.Finish();
  ShowHistory(history);
}

void HistoryWindow::ShowHistory(const MatchHistory& history) {
  const std::vector<HistoryMatch>& matches = history.matches();
  std::vector<const HistoryMatch*> readable;
  QStringList unreadable;
  for (const HistoryMatch& match : matches) {
    if (match.readable) {
      readable.push_back(&match);
    } else {
      unreadable << match.file_name + QStringLiteral(": ") + match.reason;
    }
  }

  matches_table->setRowCount(static_cast<int>(readable.size()));
  for (size_t row = 0; row < readable.size(); ++row) {
    const HistoryMatch& m = *readable[row];
    SetRow(matches_table, static_cast<int>(row),
           {m.started.toString(QStringLiteral("yyyy/MM/dd HH:mm")), m.rival_name,
            ResultText(m.result), QString::number(m.own_score), QString::number(m.rival_score),
            Figure(m.own_mpr), Figure(m.rival_mpr), QString::number(m.rounds)});
  }

  const std::vector<RivalRecord>& rivals = history.rivals();
  rivals_table->setRowCount(static_cast<int>(rivals.size()));
  for (size_t row = 0; row < rivals.size(); ++row) {
    const RivalRecord& r = rivals[row];
    SetRow(rivals_table, static_cast<int>(row),
           {r.name, QString::number(r.matches), QString::number(r.wins), QString::number(r.losses),
            QString::number(r.draws), Figure(r.own_mpr), Figure(r.rival_mpr)});
  }

  for (int kind = 0; kind < kAwardKinds; ++kind) {
    SetRow(awards_table, kind,
           {FromUtf8(kAwardNames[static_cast<size_t>(kind)]),
            QString::number(history.award_totals()[static_cast<size_t>(kind)])});
  }
  chart->SetSeries(history.mpr_series(), history.mpr_average_of_ten());

  if (const std::optional<int> rating = history.rating()) {
    rating_label->setText(
        QStringLiteral("Cricket レーティング（推定）: Rt.%1 — 終わった直近 %2 試合の平均 MPR %3 "
                       "から、クリケットの成績だけで見積もった目安です。")
            .arg(*rating)
            .arg(history.rating_matches())
            .arg(Figure(*history.rating_mpr())));
  } else {
    rating_label->setText(
        QStringLiteral("Cricket レーティング（推定）は、終わった試合が %1 試合になると表示します"
                       "（あと %2 試合）。")
            .arg(kRatingMinMatches)
            .arg(kRatingMinMatches - history.rating_matches()));
  }

  QStringList notes;
  if (!unreadable.isEmpty()) {
    notes << QStringLiteral("読めない記録ファイル %1 件:").arg(unreadable.size());
    notes << unreadable.mid(0, kUnreadableShown);
    if (unreadable.size() > kUnreadableShown) {
      notes << QStringLiteral("ほか %1 件").arg(unreadable.size() - kUnreadableShown);
    }
  }
  if (history.skipped() > 0) {
    notes << QStringLiteral("通常のファイルでない *.csv %1 件は読みませんでした。")
                 .arg(history.skipped());
  }
  unreadable_label->setText(notes.join(u'\n'));
  unreadable_label->setVisible(!notes.isEmpty());
  open_folder_button->setEnabled(QDir(folder_).exists());
}

void HistoryWindow::OpenFolder() {
  // The system's file manager; the folder exists, or the button is disabled.
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder_))) {
    throw std::runtime_error(ToUtf8(
        QStringLiteral("記録フォルダ %1 を開けません").arg(QDir::toNativeSeparators(folder_))));
  }
}

}  // namespace markwick
