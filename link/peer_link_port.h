// The LinkPort of a PeerLink: each call forwarded, each signal passed on as it comes.
#pragma once

#include "link/link_port.h"
#include "link/peer_link.h"

namespace markwick {

class PeerLinkPort : public LinkPort {
 public:
  explicit PeerLinkPort(QObject* parent);

  // The link itself, for tests and benchmarks that look inside it.
  PeerLink& peer() { return *link_; }

  void SetListenPort(quint16 port) override { link_->SetListenPort(port); }
  void SetOutgoingPort(quint16 port) override { link_->SetOutgoingPort(port); }
  void SetOutgoingHost(const QString& host) override { link_->SetOutgoingHost(host); }
  void Listen() override { link_->Listen(); }
  void CloseListener() override { link_->CloseListener(); }
  void CloseIncoming(QObject* incoming) override;
  void SendName(QObject* incoming, const QString& name) override;
  std::optional<TurnItems> TakeTurn() override { return link_->TakeTurn(); }
  void NoteTurnMalformed() override { link_->NoteTurnMalformed(); }
  void OpenOutgoing() override { link_->OpenOutgoing(); }
  void CloseOutgoing() override { link_->CloseOutgoing(); }
  void SendTurn(const Turn& turn) override { link_->SendTurn(turn); }
  QString ReadRivalName() override { return link_->ReadRivalName(); }

 private:
  PeerLink* link_;  // owned (child of the port)
};

}  // namespace markwick
