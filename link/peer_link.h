// The two TCP connections between the peers: the listener ServerSocket1 with the connections it
// accepts, and the outgoing connection ClientSocket1 to the rival's listener.
//
// Everything runs on the user-interface thread: lookup, connect, accept and the arrival of data
// are reported by signals from the event loop, one per event handler of the board window.
// Failures of a call throw LinkError; failures that an event brings are reported by failed().
#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <optional>
#include <stdexcept>
#include <vector>

#include "engine/turn.h"

class QHostAddress;
class QHostInfo;
class QTcpServer;
class QTcpSocket;

namespace markwick {

// A failure of a link operation; what() is the UTF-8 text for the error box.
class LinkError : public std::runtime_error {
 public:
  explicit LinkError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

class PeerLink : public QObject {
  Q_OBJECT

 public:
  enum class OutgoingState { Closed, Resolving, Connecting, Connected };

  explicit PeerLink(QObject* parent = nullptr);
  ~PeerLink() override;

  // Ports and host. A value that differs from the stored one cannot be set while the socket
  // concerned is listening or open (LinkError); the stored value again is always accepted.
  void SetListenPort(quint16 port);
  void SetOutgoingPort(quint16 port);
  void SetOutgoingHost(const QString& host);
  quint16 ListenPort() const { return listen_port_; }
  quint16 OutgoingPort() const { return outgoing_port_; }
  QString OutgoingHost() const { return outgoing_host_; }

  // Listener. Listen() binds every local IPv4 address and emits listening() before it returns;
  // it does nothing while already listening. A failure closes the listener and throws.
  void Listen();
  bool IsListening() const;
  // Closes the listener and every incoming connection.
  void CloseListener();
  // The incoming connections that are open, in the order they were accepted; one that the rival
  // has closed stays until the bytes it brought have been taken.
  QList<QTcpSocket*> IncomingConnections() const;
  // Closes one incoming connection (it leaves the list).
  void CloseIncoming(QTcpSocket* incoming);

  // Sends the own name on an incoming connection: its code page 932 bytes, nothing for an
  // empty name or a connection that has gone. A failing send closes it and throws.
  void SendName(QTcpSocket* incoming, const QString& name);
  // The next Turn message received on the first incoming connection, or nothing while no
  // complete message is there.
  std::optional<QString> TakeTurnMessage();
  // The same message read into its items, as the engine applies them.
  std::optional<TurnItems> TakeTurn();
  // What the message that TakeTurnMessage() returned last turned out to be. A good turn ends a
  // run of malformed messages on its connection; the third malformed message in a row drops
  // what that connection still holds, closes it and reports so by failed().
  void NoteTurnApplied();
  void NoteTurnMalformed();

  // Outgoing connection. OpenOutgoing() starts lookup and connect without blocking; it does
  // nothing while an attempt is under way or the connection is up. An empty host throws.
  void OpenOutgoing();
  // Closes it; outgoingDisconnected() follows when it was connected.
  void CloseOutgoing();
  OutgoingState outgoing_state() const { return outgoing_state_; }
  // The socket of the current connect attempt or connection, if any (tests and diagnostics).
  QTcpSocket* OutgoingSocket() const { return outgoing_; }
  bool IsOutgoingConnected() const { return outgoing_state_ == OutgoingState::Connected; }
  // Sends a Turn message on the outgoing connection in one write. Before the connection is up
  // the message is kept and goes out once it is; after it has closed, the send throws. A link
  // that was never set up sends nothing and reports nothing.
  void SendTurn(const QByteArray& bytes);
  void SendTurn(const QString& text);
  void SendTurn(const Turn& turn);
  // Collects the bytes that arrived on the outgoing connection and returns all the name
  // received on it so far.
  QString ReadRivalName();

 signals:
  void listening();
  void incomingAccepted(QTcpSocket* incoming);
  void incomingDataArrived();
  void outgoingConnected();
  void outgoingDisconnected();
  void outgoingDataArrived();
  // An error that an event brought; the text for the error box.
  void failed(const QString& message);

 private:
  struct Incoming {
    QTcpSocket* socket;
    QByteArray pending;       // received bytes not yet taken as a message
    bool quiet = false;       // nothing has arrived since the remainder waited its time
    bool closed = false;      // the rival has closed it; kept while bytes are still to be taken
    bool after_turn = false;  // the bytes taken last ended at a sixth comma
    int malformed_run = 0;    // malformed messages in a row, since the last good turn
  };

  void AcceptPending();
  void OnAcceptError(QAbstractSocket::SocketError error);
  void OnIncomingError(QTcpSocket* socket);
  void OnIncomingClosed(QTcpSocket* socket);
  void DropIncoming(QTcpSocket* socket);
  void OnPartialTimeout();
  void AnnounceWaitingTurn();
  void StartConnect(const QHostAddress& address);
  void OnLookupDone(const QHostInfo& info);
  void OnOutgoingConnected();
  void OnOutgoingError();
  void OnOutgoingClosed();
  void DropOutgoingSocket(bool abort);
  void WriteNow(QTcpSocket* socket, const QByteArray& bytes);
  std::vector<Incoming>::iterator FindIncoming(const QTcpSocket* socket);

  quint16 listen_port_ = 0;
  quint16 outgoing_port_ = 0;
  QString outgoing_host_;

  QTcpServer* server_;
  std::vector<Incoming> incoming_;
  QTimer partial_timer_;
  QPointer<QTcpSocket> last_taken_from_;  // the connection of the message taken last

  QTcpSocket* outgoing_ = nullptr;
  OutgoingState outgoing_state_ = OutgoingState::Closed;
  int lookup_id_ = -1;
  bool set_up_ = false;            // Listen() or OpenOutgoing() has run
  bool opened_ = false;            // OpenOutgoing() has run
  bool was_connected_ = false;     // the latest outgoing connection came up
  bool attempt_reported_ = false;  // the error of the current connect attempt was shown
  QByteArray kept_turns_;          // sent before the outgoing connection came up
  QByteArray rival_name_;

  // While a send writes, errors are the send's: thrown, not signalled.
  bool sending_ = false;
  std::optional<int> send_errno_;
};

}  // namespace markwick
