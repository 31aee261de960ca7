// The score board's side of the peer link: the set-up by role, the closing, and the handlers of
// the link's events, which set the captions, exchange the names and take in the rival's turns.
#include <QLineEdit>
#include <QPointer>
#include <QTcpSocket>

#include "board_window.h"
#include "handler_gate.h"
#include "link/peer_link.h"
#include "link/resync_message.h"
#include "score_grid.h"
#include "start_dialog.h"

namespace markwick {
namespace {

// Each role listens on its own port and connects to the other's.
constexpr quint16 kFirstPlayerPort = 50001;
constexpr quint16 kSecondPlayerPort = 50100;

const QString kTurnWaitsCaption =
    QStringLiteral("Markwick = Client = 切断 （記録は接続が戻りしだい送信します）");

}  // namespace

void TForm1::CreateLink() {
  link_ = new PeerLink(this);
  // Opening the listener reports at once, so the start action's role caption replaces it.
  connect(link_, &PeerLink::listening, this, [this] { ServerSocket1Listen(); });
  // The accepted connection is held by a guarded pointer while its handler waits its turn.
  connect(link_, &PeerLink::incomingAccepted, this,
          gate().Entry(this, &TForm1::ServerSocket1ClientConnect));
  connect(link_, &PeerLink::outgoingConnected, this,
          gate().Entry(this, &TForm1::ClientSocket1Connect));
  connect(link_, &PeerLink::outgoingDisconnected, this,
          gate().Entry(this, &TForm1::ClientSocket1Disconnect));
  connect(link_, &PeerLink::outgoingDataArrived, this,
          gate().Entry(this, &TForm1::ClientSocket1Read));
  connect(link_, &PeerLink::incomingDataArrived, this,
          gate().Entry(this, &TForm1::ServerSocket1ClientRead));
  // A failure that a link event brought: the error box, in turn with the other handlers.
  connect(link_, &PeerLink::failed, this,
          [this](const QString& message) { gate().Run([message] { throw LinkError(message); }); });
}

void TForm1::StartLink(PlayerRole role, const QString& rival_host) {
  if (link_ == nullptr) CreateLink();
  const bool first = role == PlayerRole::First;
  link_->SetListenPort(first ? kFirstPlayerPort : kSecondPlayerPort);
  link_->SetOutgoingPort(first ? kSecondPlayerPort : kFirstPlayerPort);
  link_->SetOutgoingHost(rival_host);
  link_->Listen();
  // In round 1 the first player connects back when the rival's connection arrives, with the
  // names; a match resumed later has no names to exchange, and connects at once.
  if (!first || engine_->RoundNo() != 1) link_->OpenOutgoing();
  rival_host_ = rival_host;
}

void TForm1::StopLink() {
  // A start that failed leaves no rival for the record of a board then shown without a link.
  rival_host_.clear();
  if (link_ == nullptr) return;
  link_->CloseOutgoing();
  link_->CloseListener();
}

// A board without a link sends nothing, as a link that was never set up.
void TForm1::SendTurn(const Turn& turn) {
  if (link_ == nullptr) return;
  link_->SendTurn(turn);
  // Kept for the link that comes back: said in the caption until it is back (接続完了).
  if (link_->TurnsWaitForLink()) setWindowTitle(kTurnWaitsCaption);
}

void TForm1::ServerSocket1Listen() {
  setWindowTitle(QStringLiteral("Markwick = Server = 接続待ち"));
}

void TForm1::ServerSocket1ClientConnect(const QPointer<QTcpSocket>& incoming) {
  setWindowTitle(QStringLiteral("Markwick = Server = 接続中 "));
  const int round = engine_->RoundNo();
  const bool first = engine_->IsFirstPlayer();
  // The own name as typed in the start dialog's box of this role, read now.
  const QString name = first ? main_window_.Edit1->text() : main_window_.Edit2->text();
  try {
    const bool came_back = link_->CameBack(incoming);
    // A board resumed from its record may meet a rival that is past round 1, or lacks the turn
    // that was in flight: it sends its counts on the first connection too.
    if (round == 1 && !came_back && !resumed_) {
      link_->SendName(incoming, name);
    } else {
      // The rival is back, or has come after round 1: the counts with which it sends again the
      // turn that may have been in flight, in the name's place.
      link_->SendResync(incoming, name,
                        {static_cast<int>(sent_turns_.size()), applied_rival_turns_});
      if (round == 1 && came_back) {
        rival_came_back_ = true;
        ResynchroniseFreshRival();
      }
      if (round != 1 && !first) return;
    }
    if (first) link_->OpenOutgoing();
  } catch (...) {
    // A connection whose set-up failed is not kept: the rival sees it close.
    if (incoming) link_->CloseIncoming(incoming);
    throw;
  }
}

void TForm1::ClientSocket1Connect() {
  setWindowTitle(QStringLiteral("Markwick = Client = 接続完了"));
  fresh_rival_synced_ = false;
}

void TForm1::ClientSocket1Disconnect() {
  setWindowTitle(QStringLiteral("Markwick = Client = 切断"));
}

void TForm1::ClientSocket1Read() {
  // The name in round 1; after it only the counts of a rival that is back, anything else left.
  const std::optional<ResyncCounts> counts = link_->TakeResync();
  if (engine_->RoundNo() == 1) {
    StringGrid1->SetCell(kRivalColumn, kNameRow, link_->ReadRivalName());
    if (!counts) ResynchroniseFreshRival();
  } else if (!counts && link_->RivalSentName() && !told_new_match_) {
    told_new_match_ = true;
    ShowMessage("相手は新しい試合を始めています。この試合の記録は送り直しません");
    return;
  }
  if (counts) Resynchronise(*counts);
}

// The rival's counts were taken when it accepted this connection, before anything written on
// it arrived. One own turn that it lacks went out on a connection that was lost: it goes again,
// that one alone. One of its turns that this board lacks comes the same way from the rival; and
// its next turn may have been applied here before its counts were read.
void TForm1::Resynchronise(const ResyncCounts& rival) {
  const int sent = static_cast<int>(sent_turns_.size());
  const int lacking = sent - link_->TurnsWrittenOnConnection() - rival.applied;
  const int coming = rival.sent - applied_rival_turns_;
  if (lacking < 0 || lacking > 1 || coming < -1 || coming > 1) {
    ShowMessage("相手と記録の数が合わないため、記録を送り直せません");
    return;
  }
  if (lacking == 1) link_->SendTurn(sent_turns_[rival.applied]);
}

// In round 1, a rival that has connected again and answers this board's connection with a bare
// name has started afresh, with none of this board's turns: one that went on, or resumed its
// match, sends its counts there. A program that knows no counts never connects again.
void TForm1::ResynchroniseFreshRival() {
  if (!rival_came_back_ || fresh_rival_synced_ || !link_->IsOutgoingConnected() ||
      !link_->RivalSentName()) {
    return;
  }
  fresh_rival_synced_ = true;
  Resynchronise({0, 0});
}

void TForm1::ServerSocket1ClientRead() {
  // After the last round nothing is read.
  if (!engine_->AcceptsTurns()) return;
  const std::optional<TurnItems> turn = link_->TakeTurn();
  if (!turn) return;
  try {
    engine_->TakeInRivalTurn(*turn);
  } catch (const TurnError&) {
    // Its box is shown as for any failure; the link counts it, and the third from one address
    // cuts that address off.
    link_->NoteTurnMalformed();
    throw;
  }
  ShowStatsAtMatchEnd();
}

}  // namespace markwick
