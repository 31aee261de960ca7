// The peer link as the score board sees it: the calls and link events it uses, without Qt
// Network. The program reaches the link through this port only, so that Qt Network and the
// libraries it pulls in are loaded when the first start button is pressed, not at start-up:
// on systems with a shared Qt the link lives in a module of its own (see MakeLinkPort).
// PeerLink (peer_link.h) is the link itself; each call and signal here is the one of PeerLink
// of the same name, and what a caller may rely on is said there.
#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <stdexcept>

#include "engine/turn.h"

namespace markwick {

// A failure of a link operation; what() is the UTF-8 text for the error box.
class LinkError : public std::runtime_error {
 public:
  explicit LinkError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

class LinkPort : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  virtual void SetListenPort(quint16 port) = 0;
  virtual void SetOutgoingPort(quint16 port) = 0;
  virtual void SetOutgoingHost(const QString& host) = 0;
  virtual void Listen() = 0;
  virtual void CloseListener() = 0;
  // `incoming` is the connection that incomingAccepted() announced.
  virtual void CloseIncoming(QObject* incoming) = 0;
  virtual void SendName(QObject* incoming, const QString& name) = 0;
  virtual std::optional<TurnItems> TakeTurn() = 0;
  virtual void NoteTurnMalformed() = 0;
  virtual void OpenOutgoing() = 0;
  virtual void CloseOutgoing() = 0;
  virtual void SendTurn(const Turn& turn) = 0;
  virtual QString ReadRivalName() = 0;

 signals:
  void listening();
  void incomingAccepted(QObject* incoming);
  void incomingDataArrived();
  void outgoingConnected();
  void outgoingDisconnected();
  void outgoingDataArrived();
  void failed(const QString& message);
};

// The link for a board (a child of `parent`). Where the link is a module of its own, the first
// call loads it; a module that cannot be loaded throws std::runtime_error.
LinkPort* MakeLinkPort(QObject* parent);

}  // namespace markwick
