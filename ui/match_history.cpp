#include "match_history.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/match_replay.h"
#include "record_reader.h"
#include "utf8_text.h"

namespace markwick {
namespace {

double Mpr(const PlayerStats& stats) {
  return stats.turns() == 0 ? 0.0 : static_cast<double>(stats.marks()) / stats.turns();
}

double Average(std::vector<double>::const_iterator begin, std::vector<double>::const_iterator end) {
  double sum = 0;
  for (auto it = begin; it != end; ++it) sum += *it;
  return begin == end ? 0.0 : sum / static_cast<double>(end - begin);
}

}  // namespace

HistoryMatch JudgeRecord(const QString& path) {
  HistoryMatch match;
  const QFileInfo info(path);
  match.file_name = info.fileName();
  const RecordContents record = ReadRecord(path);
  if (!record.read()) {
    match.not_a_file = record.status == RecordContents::Status::NotAFile;
    match.reason = record.reason;
    return match;
  }
  match.started = record.started.isValid() ? record.started : info.lastModified();
  match.own_name = record.own_name();
  match.rival_name = record.rival_name();
  try {
    const ReplayedMatch replayed = ReplayMatch(record.own_first, record.turns);
    match.result = replayed.result;
    match.own_score = replayed.own_score;
    match.rival_score = replayed.rival_score;
  } catch (const ReplayError& error) {
    match.reason = QStringLiteral("試合として再生できません（%1）").arg(FromUtf8(error.what()));
    return match;
  }
  MatchStats stats;
  for (const PlayedTurn& turn : record.turns) stats.Add(turn);
  const PlayerStats& own = record.own_first ? stats.first : stats.second;
  const PlayerStats& rival = record.own_first ? stats.second : stats.first;
  match.own_turns = own.turns();
  match.rival_turns = rival.turns();
  match.own_mpr = Mpr(own);
  match.rival_mpr = Mpr(rival);
  match.rounds = record.turns.empty() ? 0 : record.turns.back().round;
  for (int kind = 0; kind < kAwardKinds; ++kind) {
    match.own_awards[static_cast<size_t>(kind)] = own.AwardCount(static_cast<Award>(kind));
  }
  match.readable = true;
  return match;
}

int CricketRating(int mpr_hundredths) {
  // The lower edge of Rt.2 .. Rt.18, in hundredths of a mark per round.
  constexpr int kEdges[] = {130, 150, 170, 190, 210, 230, 250, 270, 290,
                            310, 330, 350, 375, 400, 425, 450, 475};
  int rating = 1;
  for (const int edge : kEdges) {
    if (mpr_hundredths >= edge) rating += 1;
  }
  return rating;
}

QStringList MatchHistory::RecordPaths(const QString& folder) {
  const QDir dir(folder);
  QStringList paths;
  const QStringList names =
      dir.entryList({QStringLiteral("*.csv")},
                    QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
  for (const QString& name : names) paths << dir.filePath(name);
  return paths;
}

void MatchHistory::Add(HistoryMatch match) {
  if (match.not_a_file) {
    skipped_ += 1;
    return;
  }
  matches_.push_back(std::move(match));
}

void MatchHistory::Finish() {
  std::stable_sort(matches_.begin(), matches_.end(),
                   [](const HistoryMatch& a, const HistoryMatch& b) {
                     if (a.readable != b.readable) return a.readable;
                     if (a.started != b.started) return a.started > b.started;
                     return a.file_name > b.file_name;
                   });

  std::map<QString, RivalRecord> rivals;
  std::map<QString, std::pair<int, int>> mpr_counts;  // matches with a turn: own, rival
  mpr_series_.clear();
  mpr_average_.clear();
  awards_ = {};
  std::vector<double> finished_mpr;  // newest first
  for (const HistoryMatch& match : matches_) {
    if (!match.readable) continue;
    RivalRecord& rival = rivals[match.rival_name];
    rival.name = match.rival_name;
    rival.matches += 1;
    rival.wins += match.result == MatchResult::OwnWin;
    rival.losses += match.result == MatchResult::RivalWin;
    rival.draws += match.result == MatchResult::Draw;
    auto& [own_counted, rival_counted] = mpr_counts[match.rival_name];
    if (match.own_turns > 0) {
      rival.own_mpr += match.own_mpr;
      own_counted += 1;
    }
    if (match.rival_turns > 0) {
      rival.rival_mpr += match.rival_mpr;
      rival_counted += 1;
    }
    for (int kind = 0; kind < kAwardKinds; ++kind) {
      awards_[static_cast<size_t>(kind)] += match.own_awards[static_cast<size_t>(kind)];
    }
    if (match.own_turns > 0) mpr_series_.push_back(match.own_mpr);
    if (match.finished() && match.own_turns > 0) finished_mpr.push_back(match.own_mpr);
  }
  rivals_.clear();
  for (auto& [name, rival] : rivals) {
    const auto [own_counted, rival_counted] = mpr_counts[name];
    if (own_counted > 0) rival.own_mpr /= own_counted;
    if (rival_counted > 0) rival.rival_mpr /= rival_counted;
    rivals_.push_back(rival);
  }

  std::reverse(mpr_series_.begin(), mpr_series_.end());
  for (size_t i = 0; i < mpr_series_.size(); ++i) {
    const size_t from = i >= 9 ? i - 9 : 0;
    mpr_average_.push_back(Average(mpr_series_.begin() + static_cast<std::ptrdiff_t>(from),
                                   mpr_series_.begin() + static_cast<std::ptrdiff_t>(i + 1)));
  }

  rating_matches_ = std::min<int>(static_cast<int>(finished_mpr.size()), kRatingMatches);
  rating_mpr_.reset();
  if (rating_matches_ > 0) {
    rating_mpr_ = Average(finished_mpr.begin(), finished_mpr.begin() + rating_matches_);
  }
}

std::optional<int> MatchHistory::rating() const {
  if (rating_matches_ < kRatingMinMatches || !rating_mpr_) return std::nullopt;
  return CricketRating(static_cast<int>(std::lround(*rating_mpr_ * 100)));
}

}  // namespace markwick
