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
//   connecting, then connected, then closed again. Once opened it comes back by itself until
//   CloseOutgoing(): after an attempt fails or the connection closes it is opened again every
//   1.5 seconds. outgoingConnected() when it comes up. outgoingDisconnected() when a connection
//   that was up closes (the rival, an error, a failed send, CloseOutgoing()), and when an attempt
//   finds no address: an empty host (then OpenOutgoing() throws, and nothing comes back) or a
//   failed lookup (then failed()). A connect that fails is reported by failed() alone. The
//   attempts that follow a reported failure or a close report nothing until one connects.
// - Turns sent while the outgoing connection is not up are kept, once the link has been set up
//   (Listen() or OpenOutgoing()), and go out in one write right after outgoingConnected();
//   CloseOutgoing() and an empty host drop them. A send that fails keeps its turn too, after
//   failed() has reported the failure.
// - Every connection has TCP keep-alive, so that a rival that has vanished is seen within about
//   30 seconds (system_socket.h).
// - Incoming connections: incomingAccepted() once each, in the order accepted. A newer one
//   from the rival's host (the outgoing connection's) takes over: the older ones from there are
//   closed, dropping what they still hold. One accepted while the own connect is under way is
//   announced a turn of the event loop later, so that a connect completing at the same time is
//   announced first. A connection from an address that has been cut off (NoteTurnMalformed()), or
//   from one that already holds kMostIncomingPerAddress connections, is closed as it is accepted,
//   unread and unannounced. incomingDataArrived() each time TakeTurnMessage() may have a message;
//   one message per call, and another signal follows while more wait.
#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>
#include <stdexcept>
#include <vector>

#include "engine/turn.h"
#include "link/incoming_guard.h"
#include "link/resync_message.h"
#include "link/turn_receiver.h"

class QHostInfo;
class QSocketNotifier;
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
  static constexpr int kMostIncomingPerAddress = IncomingGuard::kMostPerAddress;

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
  // Sends the resynchronisation text (resync_message.h) in the name's place: the own name and
  // the counts of turns sent and applied. As SendName otherwise.
  void SendResync(QTcpSocket* incoming, const QString& name, ResyncCounts counts);
  // The incoming connection comes from the rival's host (the outgoing connection's), which has
  // connected before: the rival is back after a lost link.
  bool CameBack(const QTcpSocket* incoming) const;
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
  // The socket of the current connect attempt or connection, if any, and the attempts made so
  // far (for tests).
  QTcpSocket* OutgoingSocket() const { return outgoing_socket_; }
  int OutgoingAttempts() const { return attempts_; }
  // Sends a Turn message on the outgoing connection in one write, or keeps it (see above). A
  // link that was never set up sends nothing and reports nothing. Throws only where nothing
  // comes back: after CloseOutgoing() or an empty host.
  void SendTurn(const QString& text);
  void SendTurn(const Turn& turn);
  // The name received on the outgoing connection so far; a new opening starts afresh. The link
  // reads that connection as bytes arrive, whether or not the name is still asked for, and
  // drops what goes past the name's limit.
  QString ReadRivalName();
  // The rival's counts, once its resynchronisation text has arrived whole on the current
  // outgoing connection; nothing before and after that.
  std::optional<ResyncCounts> TakeResync();
  // What arrived on the outgoing connection is a bare name, no resynchronisation text: a rival
  // in round 1 of its match.
  bool RivalSentName();
  // The turns written on the current outgoing connection since it came up.
  int TurnsWrittenOnConnection() const { return written_count_; }
  // Turns sent while the link was lost wait for it to come back.
  bool TurnsWaitForLink() const;

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
    QTcpSocket* socket;
    QHostAddress address;    // the peer's, kept: a closed socket forgets it
    TurnReceiver receiver;   // what it brought and has not been taken yet
    bool closed = false;     // the rival has closed it: kept until its bytes are taken
    bool came_back = false;  // from the rival's host, which had connected before
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
  void Reopen();
  void Keep(const QByteArray& bytes);
  void CheckConnect();
  void FinishConnect(int error);
  void AbandonConnect();
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
  QTimer partial_timer_;          // the quiet time of the first connection's remainder
  QHostAddress last_taken_from_;  // the peer address of the message taken last
  IncomingGuard guard_;

  Outgoing outgoing_ = Outgoing::NoLink;
  QTcpSocket* outgoing_socket_ = nullptr;  // while Resolving, Connecting or Connected
  int lookup_id_ = -1;                     // while Resolving
  int attempts_ = 0;
  qintptr connect_descriptor_ = -1;  // while Connecting, until the socket takes it
  QSocketNotifier* connect_notifier_ = nullptr;
  QTimer connect_timer_;
  QTimer connect_poll_;    // asks how the connect went: not every dispatcher reports a failure
  QByteArray kept_turns_;  // sent while the outgoing connection was not up
  int kept_count_ = 0;     // the turns in kept_turns_
  int written_count_ = 0;  // the turns written on the current connection
  QTimer reopen_timer_;
  bool reopening_ = false;  // opened, and not closed by CloseOutgoing(): it comes back by itself
  bool silent_ = false;     // an attempt after a reported failure, until one connects
  bool lost_ = false;       // an attempt has failed or the connection closed since it was up
  QHostAddress rival_address_;  // where the outgoing connection goes: the rival's host
  bool rival_seen_ = false;     // a connection from it has been accepted
  QByteArray rival_name_;
  bool resync_taken_ = false;  // TakeResync() has given the current connection's counts

  // While a write runs: where the errors its socket reports go, since they are the write's,
  // thrown by it and not signalled.
  std::optional<int>* write_failure_ = nullptr;
};

}  // namespace markwick
