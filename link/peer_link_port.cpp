#include "link/peer_link_port.h"

#include <QTcpSocket>

namespace markwick {

PeerLinkPort::PeerLinkPort(QObject* parent) : LinkPort(parent), link_(new PeerLink(this)) {
  // Direct connections: each signal leaves the port at the moment PeerLink emits it.
  connect(link_, &PeerLink::listening, this, &LinkPort::listening);
  connect(link_, &PeerLink::incomingAccepted, this,
          [this](QTcpSocket* incoming) { emit incomingAccepted(incoming); });
  connect(link_, &PeerLink::incomingDataArrived, this, &LinkPort::incomingDataArrived);
  connect(link_, &PeerLink::outgoingConnected, this, &LinkPort::outgoingConnected);
  connect(link_, &PeerLink::outgoingDisconnected, this, &LinkPort::outgoingDisconnected);
  connect(link_, &PeerLink::outgoingDataArrived, this, &LinkPort::outgoingDataArrived);
  connect(link_, &PeerLink::failed, this, &LinkPort::failed);
}

void PeerLinkPort::CloseIncoming(QObject* incoming) {
  if (auto* socket = qobject_cast<QTcpSocket*>(incoming)) link_->CloseIncoming(socket);
}

void PeerLinkPort::SendName(QObject* incoming, const QString& name) {
  link_->SendName(qobject_cast<QTcpSocket*>(incoming), name);
}

// Linked in where the link is not a module of its own (tests, benchmarks, a static Qt).
LinkPort* MakeLinkPort(QObject* parent) { return new PeerLinkPort(parent); }

}  // namespace markwick
