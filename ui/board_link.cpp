// The score board's side of the peer link: the set-up by role, the closing, and the handlers of
// the link's events, which set the captions, exchange the names and take in the rival's turns.
#include <QLineEdit>
#include <QPointer>
#include <QTcpSocket>

#include "board_window.h"
#include "handler_gate.h"
#include "link/peer_link.h"
#include "score_grid.h"
#include "start_dialog.h"

namespace markwick {
namespace {

// Each role listens on its own port and connects to the other's.
constexpr quint16 kFirstPlayerPort = 50001;
constexpr quint16 kSecondPlayerPort = 50100;

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
  if (!first || engine_->state().RoundNo != 1) link_->OpenOutgoing();
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
  if (link_ != nullptr) link_->SendTurn(turn);
}

void TForm1::ServerSocket1Listen() {
  setWindowTitle(QStringLiteral("Markwick = Server = 接続待ち"));
}

void TForm1::ServerSocket1ClientConnect(const QPointer<QTcpSocket>& incoming) {
  setWindowTitle(QStringLiteral("Markwick = Server = 接続中 "));
  if (engine_->RoundNo() != 1) return;
  const bool first = engine_->IsFirstPlayer();
  try {
    // The own name as typed in the start dialog's box of this role, read now.
    link_->SendName(incoming, first ? main_window_.Edit1->text() : main_window_.Edit2->text());
    if (first) link_->OpenOutgoing();
  } catch (...) {
    // A connection whose set-up failed is not kept: the rival sees it close.
    if (incoming) link_->CloseIncoming(incoming);
    throw;
  }
}

void TForm1::ClientSocket1Connect() {
  setWindowTitle(QStringLiteral("Markwick = Client = 接続完了"));
}

void TForm1::ClientSocket1Disconnect() {
  setWindowTitle(QStringLiteral("Markwick = Client = 切断"));
}

void TForm1::ClientSocket1Read() {
  // Only the name is read, in round 1; later bytes stay unread.
  if (engine_->RoundNo() != 1) return;
  StringGrid1->SetCell(kRivalColumn, kNameRow, link_->ReadRivalName());
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
