// libFuzzer over a match record's bytes: the reader and the replay through the engine. Whatever
// the bytes, the reader gives a status without crashing, a record that reads holds the turns of
// a match in order, and a record that replays leaves the engine with the scores it records.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "engine/match_replay.h"
#include "engine/match_state.h"
#include "ui/record_reader.h"

using namespace markwick;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const RecordContents record = ParseRecord(bytes, QStringLiteral("2026-12-09_140927_a_b.csv"));
  Require(record.status != RecordContents::Status::NotAFile);
  Require(record.read() == record.reason.isEmpty());
  if (!record.read()) return 0;
  Require(record.turns.size() <= 2 * static_cast<size_t>(kRoundMax));
  for (size_t i = 0; i < record.turns.size(); ++i) {
    const PlayedTurn& turn = record.turns[i];
    Require(turn.round == static_cast<int32_t>(i / 2 + 1) && turn.first == (i % 2 == 0));
    if (turn.first != record.own_first) Require(turn.texts == std::array<std::string, 3>{});
  }
  try {
    const ReplayedMatch replayed = ReplayMatch(record.own_first, record.turns);
    // Every turn replayed with the score it records: the last of each side stands.
    for (auto it = record.turns.rbegin(); it != record.turns.rend(); ++it) {
      if (it->first == record.own_first) {
        Require(replayed.own_score == it->score);
        break;
      }
    }
    for (auto it = record.turns.rbegin(); it != record.turns.rend(); ++it) {
      if (it->first != record.own_first) {
        Require(replayed.rival_score == it->score);
        break;
      }
    }
  } catch (const ReplayError&) {
  }
  return 0;
}
