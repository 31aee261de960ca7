// The score board's STATS and match record: every turn played goes into both; the STATS window
// opens from the board's context menu and by itself when the match has ended.
#include <QContextMenuEvent>
#include <QMenu>

#include "board_window.h"
#include "handler_gate.h"
#include "match_cues.h"
#include "match_record.h"
#include "score_grid.h"
#include "start_dialog.h"
#include "stats_window.h"

namespace markwick {

void TForm1::StartRecord() {
  // The board is shown once, by a start button: the match starts now.
  if (record_ != nullptr) return;
  record_ = std::make_unique<MatchRecord>(main_window_.RecordsFolder(),
                                          QDateTime::currentDateTime(), rival_host_);
}

void TForm1::TurnPlayed(const PlayedTurn& turn) noexcept {
  try {
    if (turn.first == engine_->IsFirstPlayer()) {
      sent_turns_.push_back(turn.darts);
    } else {
      ++applied_rival_turns_;
    }
    stats_.Add(turn);
    if (record_ != nullptr) {
      record_->Append(turn, PlayerName(true), PlayerName(false),
                      turn.first == engine_->IsFirstPlayer());
    }
    if (stats_window_ != nullptr) RefreshStats();
    if (cues_ != nullptr) cues_->TurnPlayed(turn);
  } catch (...) {
    // Out of memory: the STATS and the record are not worth the turn.
  }
}

QString TForm1::PlayerName(bool first) const {
  // The name cells, as the results read them.
  const bool own = first == engine_->IsFirstPlayer();
  return StringGrid1->Cell(own ? kOwnColumn : kRivalColumn, kNameRow);
}

void TForm1::RefreshStats() {
  stats_window_->ShowFigures(stats_, PlayerName(true), PlayerName(false),
                             record_ != nullptr ? record_->failure() : QString());
}

void TForm1::ShowStats() { OpenStats(false); }

void TForm1::OpenStats(bool by_itself) {
  if (stats_window_ == nullptr) stats_window_ = new StatsWindow(this);
  RefreshStats();
  stats_window_->Open(by_itself);
}

void TForm1::ShowStatsAtMatchEnd() {
  // Once, when the handler that ended the match is through its result boxes; not while the
  // board is closing.
  if (stats_shown_at_end_ || !engine_->MatchDecided() || !isVisible()) return;
  stats_shown_at_end_ = true;
  OpenStats(true);
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) {
  // The grid's clicks are darts.
  if (StringGrid1->geometry().contains(event->pos())) return;
  if (context_menu_ == nullptr) {
    context_menu_ = new QMenu(this);
    connect(context_menu_->addAction(QStringLiteral("成績")), &QAction::triggered, this,
            gate().Entry(this, &TForm1::ShowStats));
    connect(context_menu_->addAction(QStringLiteral("戦績")), &QAction::triggered, &main_window_,
            main_window_.gate().Entry(&main_window_, &TForm2::ShowHistory));
    connect(context_menu_->addAction(QStringLiteral("大画面")), &QAction::triggered, this,
            gate().Entry(this, &TForm1::ShowBigView));
    sound_action_ = context_menu_->addAction(QStringLiteral("音声"));
    sound_action_->setCheckable(true);
    sound_action_->setChecked(sound_on_);
    connect(sound_action_, &QAction::toggled, this, gate().Entry(this, &TForm1::SetSoundOn));
  }
  context_menu_->popup(event->globalPos());
}

}  // namespace markwick
