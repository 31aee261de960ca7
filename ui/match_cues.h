// What the throw line gets beside the board: the big view, the award and result banners across
// it, and the sounds of the darts and the calls. Fed by the board with the same engine events
// as its own controls (every Board call and each turn played); created only once the big view
// is first opened or the sound first turned on, so that it costs nothing before.
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <deque>
#include <functional>

#include "big_view_snapshot.h"
#include "engine/match_engine.h"

class QTimer;
class QWidget;

namespace markwick {

class BigView;
class SoundSink;

// How long an award or the result stands across the big view.
inline constexpr int kBannerMilliseconds = 2500;

class MatchCues : public QObject {
  Q_OBJECT

 public:
  // snapshot gives what the board shows; board is the parent of the big view's window.
  MatchCues(const MatchEngine& engine, std::function<BigViewSnapshot()> snapshot, QWidget* board);
  ~MatchCues() override;

  // The big view, created (hidden) when first asked for.
  BigView& View();
  BigView* view() const { return view_; }
  // The sounds go to sink; none: the sound is off.
  void SetSoundSink(SoundSink* sink) { sink_ = sink; }

  // A Board call of the engine: the view follows it, and a dart just entered sounds.
  void BoardChanged();
  // A turn sent or applied: its award is shown and called.
  void TurnPlayed(const PlayedTurn& turn);

  // The banner across the view now, empty for none.
  const QString& banner() const;

 private:
  void Announce(const QString& text);
  void NextBanner();

  const MatchEngine& engine_;
  std::function<BigViewSnapshot()> snapshot_;
  QWidget* board_;
  BigView* view_ = nullptr;  // owned by the board (a child window)
  SoundSink* sink_ = nullptr;
  // What the last Board call left: the darts of the turn and the result shown.
  int32_t darts_seen_ = 0;
  MatchResult result_seen_ = MatchResult::NotEnded;
  std::deque<QString> banners_;     // the one shown first
  QTimer* banner_timer_ = nullptr;  // single shot, running only while a banner stands
};

}  // namespace markwick
