#include "stats_window.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "form_font.h"
#include "utf8_text.h"
#include "window_placement.h"

namespace markwick {
namespace {

constexpr int kRowHeight = 18;
constexpr int kNameWidth = 100;
constexpr int kFirstRoundColumn = 4;  // after name, turns, marks, MPR

// A grid of fixed cells that only shows: no headings, scroll bars, selection or focus. The
// first row, and the first column when asked, are headings on the button colour.
QTableWidget* FigureTable(const std::vector<int>& widths, int rows, bool heading_column,
                          QWidget* parent) {
  auto* table = new QTableWidget(rows, static_cast<int>(widths.size()), parent);
  table->horizontalHeader()->hide();
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::NoSelection);
  table->setFocusPolicy(Qt::NoFocus);
  table->setTextElideMode(Qt::ElideNone);
  table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->verticalHeader()->setMinimumSectionSize(1);
  table->verticalHeader()->setDefaultSectionSize(kRowHeight);
  int width = 0;
  for (size_t col = 0; col < widths.size(); ++col) {
    table->setColumnWidth(static_cast<int>(col), widths[col]);
    width += widths[col];
  }
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < table->columnCount(); ++col) {
      auto* item = new QTableWidgetItem;
      item->setTextAlignment(Qt::AlignCenter);
      if (row == 0 || (col == 0 && heading_column)) item->setBackground(parent->palette().button());
      table->setItem(row, col, item);
    }
  }
  table->setFixedSize(width + 2 * table->frameWidth(), rows * kRowHeight + 2 * table->frameWidth());
  return table;
}

void SetCell(QTableWidget* table, int row, int col, const QString& text) {
  table->item(row, col)->setText(text);
}

}  // namespace

StatsWindow::StatsWindow(QWidget* board)
    : QWidget(board, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("StatsWindow"));
  setWindowTitle(QStringLiteral("成績"));
  setFont(FormFont(12));
  // The board's close ends the program; this window's only hides it.
  setAttribute(Qt::WA_QuitOnClose, false);

  std::vector<int> widths = {kNameWidth, 40, 40, 44};
  widths.resize(kFirstRoundColumn + kRoundMax, 26);
  players_table = FigureTable(widths, 3, false, this);
  const QString headings[kFirstRoundColumn] = {QStringLiteral("プレイヤー"),
                                               QStringLiteral("ターン"), QStringLiteral("マーク"),
                                               QStringLiteral("MPR")};
  for (int col = 0; col < kFirstRoundColumn; ++col) SetCell(players_table, 0, col, headings[col]);
  for (int round = 1; round <= kRoundMax; ++round) {
    SetCell(players_table, 0, kFirstRoundColumn + round - 1, QString::number(round));
  }

  awards_table = FigureTable({110, kNameWidth, kNameWidth}, 1 + kAwardKinds, true, this);
  SetCell(awards_table, 0, 0, QStringLiteral("アワード"));
  for (int kind = 0; kind < kAwardKinds; ++kind) {
    SetCell(awards_table, 1 + kind, 0, FromUtf8(kAwardNames[static_cast<size_t>(kind)]));
  }

  record_note = new QLabel(this);
  record_note->setWordWrap(true);
  record_note->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(players_table);
  layout->addWidget(awards_table, 0, Qt::AlignLeft);
  layout->addWidget(record_note);
}

void StatsWindow::ShowFigures(const MatchStats& stats, const QString& first, const QString& second,
                              const QString& record_failure) {
  const struct {
    const PlayerStats& stats;
    const QString& name;
  } players[2] = {{stats.first, first}, {stats.second, second}};
  for (int p = 0; p < 2; ++p) {
    const PlayerStats& player = players[p].stats;
    const int row = 1 + p;
    SetCell(players_table, row, 0, players[p].name);
    SetCell(players_table, row, 1, QString::number(player.turns()));
    SetCell(players_table, row, 2, QString::number(player.marks()));
    SetCell(players_table, row, 3, FromUtf8(player.MprText()));
    for (int round = 1; round <= kRoundMax; ++round) {
      const std::optional<int64_t> marks = player.RoundMarks(round);
      SetCell(players_table, row, kFirstRoundColumn + round - 1,
              marks ? QString::number(*marks) : QString());
    }
    SetCell(awards_table, 0, 1 + p, players[p].name);
    for (int kind = 0; kind < kAwardKinds; ++kind) {
      SetCell(awards_table, 1 + kind, 1 + p,
              QString::number(player.AwardCount(static_cast<Award>(kind))));
    }
  }
  if (!record_failure.isEmpty()) {
    record_note->setText(QStringLiteral("この試合の記録は保存できませんでした: ") + record_failure);
  }
  record_note->setVisible(!record_failure.isEmpty());
}

void StatsWindow::Open(bool by_itself) {
  QWidget* board = parentWidget();
  if (!placed_ || (by_itself && !isVisible())) {
    placed_ = true;
    adjustSize();
    const QScreen* screen = board->screen();
    move(screen != nullptr ? PlacementBesideBoard(board->frameGeometry(), board->geometry(), size(),
                                                  screen->availableGeometry())
                           : board->frameGeometry().topRight() + QPoint(1, 0));
  }
  // Opened by itself, it leaves the keyboard with the board; some platforms activate every
  // window shown, so the board takes it back. It opens right after a result box, whose
  // activation the desktop hands back a moment later: no window of the program is active then,
  // and the board is the one it goes back to.
  const bool board_active = board->isActiveWindow() || QApplication::activeWindow() == nullptr;
  setAttribute(Qt::WA_ShowWithoutActivating, by_itself);
  show();
  raise();
  if (!by_itself) {
    activateWindow();
  } else if (board_active) {
    board->activateWindow();
  }
}

}  // namespace markwick
