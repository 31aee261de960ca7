// The sounds of the throw line: one for each dart entered, the call of each award and the calls
// of the match's end. The board plays them through a SoundSink: the system's (SystemSound) or,
// in tests, a fake that only writes them down.
#pragma once

#include <optional>

#include "engine/match_stats.h"

namespace markwick {

enum class Sound {
  Mark,         // a dart that credits a mark
  ClosingMark,  // a dart that closes its target
  Miss,         // a dart that credits nothing
  // The award calls, in the order of Award.
  WhiteHorse,
  ThreeInABed,
  ThreeInTheBlack,
  HatTrick,
  NineMarks,
  EightMarks,
  SevenMarks,
  SixMarks,
  FiveMarks,
  // The match's end, as this program's player sees it.
  Win,
  Lose,
  Draw,
};
inline constexpr int kSoundKinds = static_cast<int>(Sound::Draw) + 1;

inline Sound CallOf(Award award) {
  return static_cast<Sound>(static_cast<int>(Sound::WhiteHorse) + static_cast<int>(award));
}

class SoundSink {
 public:
  virtual ~SoundSink() = default;
  // Starts the sound after those already playing; never blocks, never throws, never shows a
  // box: a sound that cannot be played is left out.
  virtual void Play(Sound sound) noexcept = 0;
};

}  // namespace markwick
