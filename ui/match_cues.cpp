#include "match_cues.h"

#include <QTimer>

#include "big_view.h"
#include "engine/match_engine.h"
#include "sound_sink.h"
#include "utf8_text.h"

namespace markwick {
namespace {

// The darts of the turn being entered that the board shows; none after a send.
int32_t DartsEntered(const MatchState& s) {
  int32_t darts = 0;
  while (darts < 3 && darts < s.Throw && !s.ThrowText[static_cast<size_t>(darts)].empty()) {
    ++darts;
  }
  return darts;
}

// The sound of dart d (0..2) of the turn: a closing mark when it took its target to three
// marks, a mark when it credited any, else a miss.
Sound DartSound(const MatchState& s, int d) {
  if (s.nowmark[static_cast<size_t>(d)] <= 0) return Sound::Miss;
  const int row = RowOfTarget(s.nowdata[static_cast<size_t>(d + 1)]);
  if (row >= 0 && s.showdata[row][d] < 3 && s.showdata[row][d + 1] >= 3) {
    return Sound::ClosingMark;
  }
  return Sound::Mark;
}

}  // namespace

MatchCues::MatchCues(const MatchEngine& engine, std::function<BigViewSnapshot()> snapshot,
                     QWidget* board)
    : engine_(engine), snapshot_(std::move(snapshot)), board_(board) {
  darts_seen_ = DartsEntered(engine_.state());
  result_seen_ = engine_.Result();
}

MatchCues::~MatchCues() = default;

BigView& MatchCues::View() {
  if (view_ == nullptr) view_ = new BigView(snapshot_, board_);
  return *view_;
}

const QString& MatchCues::banner() const {
  static const QString none;
  return banners_.empty() ? none : banners_.front();
}

void MatchCues::BoardChanged() {
  const MatchState& s = engine_.state();
  const int32_t darts = DartsEntered(s);
  if (sink_ != nullptr) {
    for (int d = darts_seen_; d < darts; ++d) sink_->Play(DartSound(s, d));
  }
  darts_seen_ = darts;

  // A result is shown and called once; a later judgement that declares another (the match
  // goes on after one side judged it over) is shown and called too.
  const MatchResult result = engine_.Result();
  if (result != MatchResult::NotEnded && result != result_seen_) {
    result_seen_ = result;
    const BigViewSnapshot shown = snapshot_();
    switch (result) {
      case MatchResult::OwnWin:
        Announce(shown.own.name + QStringLiteral(" WIN"));
        break;
      case MatchResult::RivalWin:
        Announce(shown.rival.name + QStringLiteral(" WIN"));
        break;
      default:
        Announce(QStringLiteral("DRAW"));
        break;
    }
    if (sink_ != nullptr) {
      sink_->Play(result == MatchResult::OwnWin     ? Sound::Win
                  : result == MatchResult::RivalWin ? Sound::Lose
                                                    : Sound::Draw);
    }
  }
  if (view_ != nullptr) view_->Changed();
}

void MatchCues::TurnPlayed(const PlayedTurn& turn) {
  const std::optional<Award> award = AwardOf(turn.darts);
  if (award) {
    Announce(FromUtf8(kAwardNames[static_cast<size_t>(*award)]));
    if (sink_ != nullptr) sink_->Play(CallOf(*award));
  }
  if (view_ != nullptr) view_->Changed();
}

void MatchCues::Announce(const QString& text) {
  // Only a view that the players see shows it; a banner waits for the one before it.
  if (view_ == nullptr || !view_->isVisible()) return;
  banners_.push_back(text);
  if (banners_.size() == 1) {
    view_->SetBanner(text);
    if (banner_timer_ == nullptr) {
      banner_timer_ = new QTimer(this);
      banner_timer_->setSingleShot(true);
      banner_timer_->setInterval(kBannerMilliseconds);
      connect(banner_timer_, &QTimer::timeout, this, &MatchCues::NextBanner);
    }
    banner_timer_->start();
  }
}

void MatchCues::NextBanner() {
  if (!banners_.empty()) banners_.pop_front();
  if (view_ != nullptr) view_->SetBanner(banner());
  if (!banners_.empty()) banner_timer_->start();
}

}  // namespace markwick
