// A player's history: every record of the records folder read back and judged by the engine
// (replayed, never judged by rules of its own), for the history window "戦績".
// Qt Core only; reads files, never writes them.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <map>
#include <optional>
#include <vector>

#include "engine/match_engine.h"
#include "engine/match_stats.h"

namespace markwick {

// One record file as the history lists it.
struct HistoryMatch {
  QString file_name;
  bool readable = false;
  bool not_a_file = false;  // a folder, a FIFO...: skipped, not listed
  QString reason;           // why it is unreadable

  QDateTime started;  // from the file name, else the file's last change
  QString own_name;
  QString rival_name;
  MatchResult result = MatchResult::NotEnded;
  int32_t own_score = 0;
  int32_t rival_score = 0;
  int32_t own_turns = 0;
  int32_t rival_turns = 0;
  double own_mpr = 0;  // marks per round; 0 before a turn
  double rival_mpr = 0;
  int32_t rounds = 0;  // rounds begun
  std::array<int32_t, kAwardKinds> own_awards{};

  bool finished() const { return readable && result != MatchResult::NotEnded; }
};

// A record file judged: read, replayed, its figures taken. Never throws for the contents.
HistoryMatch JudgeRecord(const QString& path);

// The rating band of the Cricket table (Rt.1 to Rt.18) for an average MPR in hundredths.
int CricketRating(int mpr_hundredths);

struct RivalRecord {
  QString name;
  int matches = 0;
  int wins = 0;
  int losses = 0;
  int draws = 0;
  double own_mpr = 0;  // averages over the matches in which the player had a turn
  double rival_mpr = 0;
};

// The history of a records folder.
class MatchHistory {
 public:
  // The entries to read in folder: its *.csv names, whatever they are (the reading skips what
  // is no regular file).
  static QStringList RecordPaths(const QString& folder);

  // A judged record; one that is no file is only counted.
  void Add(HistoryMatch match);
  // After the last Add (or between batches): orders the matches and works the figures out.
  void Finish();

  // Newest first; the unreadable ones after the readable ones.
  const std::vector<HistoryMatch>& matches() const { return matches_; }
  int skipped() const { return skipped_; }
  // By rival name, in the order of names.
  const std::vector<RivalRecord>& rivals() const { return rivals_; }
  // The own MPR of each match with an own turn, oldest first, with the average of the ten
  // matches up to each.
  const std::vector<double>& mpr_series() const { return mpr_series_; }
  const std::vector<double>& mpr_average_of_ten() const { return mpr_average_; }
  const std::array<int64_t, kAwardKinds>& award_totals() const { return awards_; }
  // Finished matches that count for the rating (the last 30), and the band once there are 10.
  int rating_matches() const { return rating_matches_; }
  std::optional<double> rating_mpr() const { return rating_mpr_; }
  std::optional<int> rating() const;

 private:
  std::vector<HistoryMatch> matches_;
  int skipped_ = 0;
  std::vector<RivalRecord> rivals_;
  std::vector<double> mpr_series_;
  std::vector<double> mpr_average_;
  std::array<int64_t, kAwardKinds> awards_{};
  int rating_matches_ = 0;
  std::optional<double> rating_mpr_;
};

// Matches needed before a rating is shown, and how many of the latest count.
inline constexpr int kRatingMinMatches = 10;
inline constexpr int kRatingMatches = 30;

}  // namespace markwick
