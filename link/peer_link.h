// The two TCP connections between the peers: the listener ServerSocket1 with the connections it
// accepts, and the outgoing connection ClientSocket1 to the rival's listener.
//
// What a caller may rely on:
// - Everything runs on the user-interface thread. Signals come from the event loop, one per
//   event handler of the board window, except where a call below says it emits one itself.
// - A call that fails throws LinkError (its what() is the UTF-8 text for the error box) and
//   emits no failed() for it. A failure that an event brings is reported once by failed(),
//   after the signal of the change it caused.
// - Outgoing connection: closed, then on OpenOutgoing() resolving (a host name) or at once
//   connecting, then connected, then closed again; each opening is one attempt, never retried.
//   outgoingConnected() when it comes up. outgoingDisconnected() when a connection that was up
//   closes (the rival, an error, a failed send, CloseOutgoing()), and when an attempt finds no
//   address: an empty host (then OpenOutgoing() throws) or a failed lookup (then failed()).
//   A connect that fails is reported by failed() alone.
// - Turns sent before the outgoing connection is up are kept, once the link has been set up
//   (Listen() or OpenOutgoing()), and go out in one write right after outgoingConnected(); an
//   attempt that ends without a connection, and CloseOutgoing(), drop them.
// - Incoming connections: incomingAccepted() once each, in the order accepted; one accepted
//   while the own connect is under way is announced a turn of the event loop later, so that a
//   connect completing at the same time is announced first. A connection from an address that
//   has been cut off (NoteTurnMalformed()), or from one that already holds
//   kMostIncomingPerAddress connections, is closed as it is accepted, unread and unannounced.
//   incomingDataArrived() each time TakeTurnMessage() may have a message; one message per call,
//   and another signal follows while more wait.
#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>
#include <stdexcept>
#include <vector>

#include "engine/turn.h"

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
  // The outgoing connection as a caller sees it; closed also before the first opening.
  enum class OutgoingState { Closed, Resolving, Connecting, Connected };

  // The most incoming connections one peer address holds open at once; a genuine rival has one.
  static constexpr int kMostIncomingPerAddress = 4;

  explicit PeerLink(QObject* parent = nullptr);
  ~PeerLink() override;

  // Ports and host. A value that differs from the stored one cannot be set while the socket
  // concerned is listening or open (LinkError); the stored value again is always accepted.
  void SetListenPort(quint16 port);
  void SetOutgoingPort(quint16 port);
  void SetOutgoingHost(const QString& host);
  quint16 ListenPort() const { return listen_port_; }

  // Listener. Listen() binds every local IPv4 address and emits listening() before it returns;
  // it does nothing while already listening. A failure closes the listener and throws.
  void Listen();
  bool IsListening() const;
  // Closes the listener and every incoming connection, emitting nothing.
  void CloseListener();
  // The incoming connections that are open, in the order they were accepted; one that the rival
  // has closed stays until the bytes it brought have been taken.
  QList<QTcpSocket*> IncomingConnections() const;
  // Closes one incoming connection (it leaves the list); what it still holds is dropped.
  void CloseIncoming(QTcpSocket* incoming);

  // Sends the own name on an incoming connection: its code page 932 bytes, nothing for an
  // empty name or a connection that has gone. A failing send closes it and throws.
  void SendName(QTcpSocket* incoming, const QString& name);
  // The next Turn message received on the first incoming connection, or nothing while no
  // complete message is there.
  std::optional<QString> TakeTurnMessage();
  // The same message read into its items, as the engine applies them.
  std::optional<TurnItems> TakeTurn();
  // The message that TakeTurnMessage() returned last turned out malformed. They are counted per
  // peer address for as long as the link lives, over all its connections; a genuine rival never
  // sends one (its turns are joined whole however they are read), so nothing resets the count.
  // The third closes every connection of that address, dropping what they still hold, reports
  // so by failed(), and from then on its connections are closed as they are accepted.
  void NoteTurnMalformed();

  // Outgoing connection. OpenOutgoing() starts lookup and connect without blocking; it does
  // nothing while an attempt is under way or the connection is up. An empty host throws, after
  // outgoingDisconnected().
  void OpenOutgoing();
  // Closes it; outgoingDisconnected() follows before it returns when it was up.
  void CloseOutgoing();
  OutgoingState outgoing_state() const;
  bool IsOutgoingConnected() const { return outgoing_ == Outgoing::Connected; }
  // The socket of the current connect attempt or connection, if any (for tests).
  QTcpSocket* OutgoingSocket() const { return outgoing_socket_; }
  // Sends a Turn message on the outgoing connection in one write, or keeps it (see above). A
  // link that was never set up sends nothing and reports nothing. Throws when the connection or
  // its attempt has ended, and when the send fails: the connection is then closed, and
  // outgoingDisconnected() comes before the throw.
  void SendTurn(const QString& text);
  void SendTurn(const Turn& turn);
  // The name received on the outgoing connection so far; a new opening starts afresh. The link
  // reads that connection as bytes arrive, whether or not the name is still asked for, and
  // drops what goes past the name's limit.
  QString ReadRivalName();

 signals:
  void listening();
  void incomingAccepted(QTcpSocket* incoming);
  void incomingDataArrived();
  void outgoingConnected();
  void outgoingDisconnected();
  // Emitted straight from the socket, each time bytes arrive on the outgoing connection, once
  // the link has read them.
  void outgoingDataArrived();
  // An error that an event brought; the text for the error box.
  void failed(const QString& message);

 private:
  // The outgoing connection in full; every change goes through MoveOutgoing().
  enum class Outgoing {
    NoLink,        // neither Listen() nor OpenOutgoing() has run: a board without a link
    NotOpened,     // set up, not opened yet: the first player until the rival has connected
    Resolving,     // looking the host up
    Connecting,    // connect under way
    Connected,     // up
    Disconnected,  // it was up and has closed
    NoAddress,     // the attempt found no address: an empty host, or the lookup failed
    Unreached,     // the attempt ended otherwise: the connect failed, or it was closed
  };

  struct Incoming {
    // What the bytes not yet taken wait for. Closed is final; the others alternate:
    //   Open --nothing arrived for a while--> Quiet --bytes arrived, a message taken--> Open
    enum class Flow {
      Open,    // more bytes may come: a remainder without six commas waits for them
      Quiet,   // nothing has arrived since the remainder waited its time: it is taken as it is
      Closed,  // the rival has closed it: kept, and its rest taken at once, until all is taken
    };
    void Move(Flow next) {
      if (flow != Flow::Closed) flow = next;
    }

    QTcpSocket* socket;
    QHostAddress address;  // the peer's, kept: a closed socket forgets it
    QByteArray pending;    // received bytes not yet taken as a message
    Flow flow = Flow::Open;
    bool after_turn = false;  // the bytes taken last ended at a sixth comma
  };

  static bool HoldsSocket(Outgoing state);
  static bool KeepsTurns(Outgoing state);
  void MoveOutgoing(Outgoing next, const QString& failure = {});

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
  void OnOutgoingReadyRead();
  void CollectRivalName();
  void OnOutgoingError();
  void OnOutgoingClosed();
  // SendTurn's bytes: written, kept or refused by the state of the outgoing connection.
  void SendBytes(const QByteArray& bytes);
  void WriteNow(QTcpSocket* socket, const QByteArray& bytes);
  std::vector<Incoming>::iterator FindIncoming(const QTcpSocket* socket);

  quint16 listen_port_ = 0;
  quint16 outgoing_port_ = 0;
  QString outgoing_host_;

  QTcpServer* server_;
  std::vector<Incoming> incoming_;
  QTimer partial_timer_;
  QHostAddress last_taken_from_;        // the peer address of the message taken last
  QHash<QHostAddress, int> malformed_;  // malformed messages taken, by peer address

  Outgoing outgoing_ = Outgoing::NoLink;
  QTcpSocket* outgoing_socket_ = nullptr;  // while Resolving, Connecting or Connected
  int lookup_id_ = -1;                     // while Resolving
  QByteArray kept_turns_;                  // sent before the outgoing connection came up
  QByteArray rival_name_;

  // While a write runs: where the errors its socket reports go, since they are the write's,
  // thrown by it and not signalled.
  std::optional<int>* write_failure_ = nullptr;
};

}  // namespace markwick
