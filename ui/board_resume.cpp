// A match resumed after a restart: the board is rebuilt from the match record by replaying its
// turns through the engine, then goes on with that record and sets up the link at the round
// reached.
#include <QLineEdit>

#include "board_window.h"
#include "engine/match_replay.h"
#include "match_record.h"
#include "record_reader.h"
#include "score_grid.h"
#include "start_dialog.h"
#include "utf8_text.h"

namespace markwick {

void TForm1::ResumeMatch(const RecordContents& record, const QString& record_path) {
  const bool first = record.own_first;
  // The own name goes into the start dialog's box of the role too: the link sends it from
  // there if the match is still in round 1.
  (first ? main_window_.Edit1 : main_window_.Edit2)->setText(record.own_name());
  if (first) {
    engine_->ChooseFirstPlayer(ToUtf8(record.own_name()));
  } else {
    engine_->ChooseSecondPlayer(ToUtf8(record.own_name()));
  }
  if (!record.rival_name().isEmpty()) SetName(Side::Rival, ToUtf8(record.rival_name()));
  // The turns are played again as they were, but nothing leaves the board: no link and no
  // record are set up yet, and no result box shows. The STATS take them in.
  replaying_ = true;
  try {
    ReplayTurns(*engine_, record.turns);
  } catch (...) {
    replaying_ = false;
    throw;
  }
  replaying_ = false;
  record_ = MatchRecord::Continuing(record_path, record.rival_address);
  resumed_ = true;
  StartLink(first ? PlayerRole::First : PlayerRole::Second, record.rival_address);
  setWindowTitle(first ? QStringLiteral("Markwick [先攻]") : QStringLiteral("Markwick [後攻]"));
  show();
}

}  // namespace markwick
