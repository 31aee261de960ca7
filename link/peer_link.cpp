// What travels on the link, byte for byte (code page 932, no framing of its own):
//
//   Name message  = <the player's name as typed>          (0 bytes for an empty name)
//       sent once by the accepting peer on each incoming connection accepted in round 1.
//   Turn message  = T1 "," T2 "," T3 "," M1 "," M2 "," M3 ","    e.g. "20,19,0,3,1,0,"
//       sent by the connecting peer on its outgoing connection, one write per turn.
//
// Receiving. Turn messages are read from the first incoming connection (the earliest accepted
// one still open) into a buffer of at most 4096 bytes; the socket's own buffer is held to the
// same size, so a peer that floods the link is held back by TCP. A message is cut after its
// sixth comma. A remainder without six commas waits for more bytes; when none come for one
// second it is taken as one message as it is, and a full buffer without six commas is taken at
// once; a remainder of blanks and line ends after a turn is dropped (see turn_framer.h). A
// connection that the rival closes stays first until the bytes it brought have been taken, its
// rest at once. Each message is decoded whole. Malformed messages are counted by the peer's
// address over the whole run: the third cuts that address off, its connections open now and
// later, so that no flood of bad messages, on one connection or many, at once or one after
// another, can bury the screen in boxes; and an address holds only a few connections open, so
// that it cannot queue up many behind the first to be read later. The name is collected from
// all the bytes of the outgoing connection, up to 2047 bytes, and shown whole at every arrival.
// That connection is read as bytes arrive even when the name is no longer asked for (after
// round 1), the rest dropped: bytes left unread would fill the socket's buffer, and a socket
// with a full buffer reads nothing more from the system, the rival's close included.
//
// Arrivals are announced from the event loop, never from inside the socket's readyRead(): the
// taker may open a modal box, and a socket does not emit readyRead() again while its own
// emission is still running, so bytes that came while the box was open would wait unseen, and
// once its buffer was full the connection, its close included, would stop for good. A message
// that is taken while more wait announces the next, so each is taken in its own handler call.
//
// Sending. A Turn message sent before the outgoing connection is up is kept and written as soon
// as it is; after the connection has gone the send fails with an error.
//
// The outgoing connection moves only through MoveOutgoing():
//
//   NoLink --Listen()--> NotOpened
//   NoLink, NotOpened, Disconnected, NoAddress, Unreached --OpenOutgoing()-->
//       Connecting (an IPv4 address), Resolving (a host name), NoAddress (no host)
//   Resolving --an IPv4 address found--> Connecting      --none found--> NoAddress
//   Connecting --connected--> Connected                   --failed--> Unreached
//   Connected --closed by the rival, an error, a failed send or CloseOutgoing()--> Disconnected
//   Resolving, Connecting --CloseOutgoing()--> Unreached
#include "link/peer_link.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QPointer>
#include <QScopedValueRollback>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <utility>

#include "codec/sjis_codec.h"
#include "link/socket_errors.h"
#include "link/turn_framer.h"
#include "link/turn_message.h"

namespace markwick {

namespace {

constexpr int kPartialWaitMs = 1000;
constexpr int kListenBacklog = 5;
constexpr int kMalformedLimit = 3;

QString InUseText() { return QStringLiteral("使用中のソケットは値を変更できません"); }

}  // namespace

PeerLink::PeerLink(QObject* parent) : QObject(parent), server_(new QTcpServer(this)) {
  server_->setListenBacklogSize(kListenBacklog);
  connect(server_, &QTcpServer::newConnection, this, &PeerLink::AcceptPending);
  connect(server_, &QTcpServer::acceptError, this, &PeerLink::OnAcceptError);
  partial_timer_.setSingleShot(true);
  partial_timer_.setInterval(kPartialWaitMs);
  partial_timer_.setTimerType(Qt::PreciseTimer);
  connect(&partial_timer_, &QTimer::timeout, this, &PeerLink::OnPartialTimeout);
}

PeerLink::~PeerLink() {
  // Closing down emits nothing: the window that listens may be half destroyed.
  if (outgoing_ == Outgoing::Resolving) QHostInfo::abortHostLookup(lookup_id_);
  server_->disconnect(this);
  for (const Incoming& in : incoming_) in.socket->disconnect(this);
  if (outgoing_socket_ != nullptr) outgoing_socket_->disconnect(this);
}

void PeerLink::SetListenPort(quint16 port) {
  if (port != listen_port_ && server_->isListening()) throw LinkError(InUseText());
  listen_port_ = port;
}

void PeerLink::SetOutgoingPort(quint16 port) {
  if (port != outgoing_port_ && HoldsSocket(outgoing_)) throw LinkError(InUseText());
  outgoing_port_ = port;
}

void PeerLink::SetOutgoingHost(const QString& host) {
  if (host != outgoing_host_ && HoldsSocket(outgoing_)) throw LinkError(InUseText());
  outgoing_host_ = host;
}

// ---- Listener and incoming connections ----

void PeerLink::Listen() {
  if (server_->isListening()) return;
  if (!server_->listen(QHostAddress::AnyIPv4, listen_port_)) {
    const int code = ErrnoForSocketError(server_->serverError(), server_->errorString());
    server_->close();
    throw LinkError(SystemCallErrorText(u"bind", code));
  }
  if (outgoing_ == Outgoing::NoLink) MoveOutgoing(Outgoing::NotOpened);
  emit listening();
}

bool PeerLink::IsListening() const { return server_->isListening(); }

void PeerLink::CloseListener() {
  server_->close();
  partial_timer_.stop();
  for (const Incoming& in : std::exchange(incoming_, {})) {
    in.socket->disconnect(this);
    in.socket->abort();
    in.socket->deleteLater();
  }
}

QList<QTcpSocket*> PeerLink::IncomingConnections() const {
  QList<QTcpSocket*> sockets;
  for (const Incoming& in : incoming_) sockets.append(in.socket);
  return sockets;
}

void PeerLink::CloseIncoming(QTcpSocket* incoming) {
  if (FindIncoming(incoming) == incoming_.end()) return;
  DropIncoming(incoming);
  incoming->abort();
}

void PeerLink::AcceptPending() {
  while (server_->hasPendingConnections()) {
    QTcpSocket* socket = server_->nextPendingConnection();
    const QHostAddress address = socket->peerAddress();
    const auto held = std::count_if(incoming_.begin(), incoming_.end(),
                                    [&](const Incoming& in) { return in.address == address; });
    if (malformed_.value(address) >= kMalformedLimit || held >= kMostIncomingPerAddress) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    socket->setReadBufferSize(kTurnBufferSize);
    connect(socket, &QTcpSocket::readyRead, this, &PeerLink::incomingDataArrived,
            Qt::QueuedConnection);
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { OnIncomingError(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { OnIncomingClosed(socket); });
    incoming_.push_back(Incoming{socket, address, {}});
    if (outgoing_ == Outgoing::Connecting) {
      // The rival connects back only after it has accepted our own connection, whose end the
      // event loop may report only after this one: announce this one after it.
      QMetaObject::invokeMethod(
          this,
          [this, guarded = QPointer<QTcpSocket>(socket)] {
            if (guarded && FindIncoming(guarded) != incoming_.end()) emit incomingAccepted(guarded);
          },
          Qt::QueuedConnection);
      continue;
    }
    emit incomingAccepted(socket);
  }
}

void PeerLink::OnAcceptError(QAbstractSocket::SocketError error) {
  // Qt stops accepting on a failed accept; the listener keeps accepting for the whole match,
  // except while descriptors run out, where each retry would fail again at once.
  if (error != QAbstractSocket::SocketResourceError) server_->resumeAccepting();
  emit failed(AsyncSocketErrorText(ErrnoForSocketError(error, server_->errorString())));
}

void PeerLink::OnIncomingError(QTcpSocket* socket) {
  const int code = ErrnoForSocketError(socket->error(), socket->errorString());
  if (write_failure_ != nullptr) {
    *write_failure_ = code;
    return;
  }
  // The rival closing its end is no failure; disconnected() follows.
  if (socket->error() == QAbstractSocket::RemoteHostClosedError) return;
  emit failed(AsyncSocketErrorText(code));
}

void PeerLink::OnIncomingClosed(QTcpSocket* socket) {
  const auto it = FindIncoming(socket);
  if (it == incoming_.end()) return;
  if (!it->pending.isEmpty() || socket->bytesAvailable() > 0) {
    // A turn sent just before the rival left may wait for a handler that is held back (a
    // modal box is open): the connection stays until its bytes are taken.
    it->Move(Incoming::Flow::Closed);
    if (it == incoming_.begin()) AnnounceWaitingTurn();
    return;
  }
  DropIncoming(socket);
}

void PeerLink::DropIncoming(QTcpSocket* socket) {
  const auto it = FindIncoming(socket);
  if (it == incoming_.end()) return;
  const bool was_first = it == incoming_.begin();
  incoming_.erase(it);
  socket->disconnect(this);
  socket->deleteLater();
  if (was_first) {
    // The next connection becomes the first; bytes it already holds must not wait unseen.
    partial_timer_.stop();
    AnnounceWaitingTurn();
  }
}

void PeerLink::SendName(QTcpSocket* incoming, const QString& name) {
  const auto it = FindIncoming(incoming);
  if (name.isEmpty() || it == incoming_.end() || it->flow == Incoming::Flow::Closed) return;
  WriteNow(incoming, EncodeSjis(name));
}

std::optional<QString> PeerLink::TakeTurnMessage() {
  if (incoming_.empty()) return std::nullopt;
  Incoming& in = incoming_.front();
  bool grew = false;
  const qsizetype room = kTurnBufferSize - in.pending.size();
  if (room > 0 && in.socket->bytesAvailable() > 0) {
    const QByteArray more = in.socket->read(room);
    if (!more.isEmpty()) {
      in.pending += more;
      in.Move(Incoming::Flow::Open);
      grew = true;
    }
  }
  // Nothing more can arrive on a closed connection: its rest is a message at once.
  const qsizetype length = NextTurnLength(in.pending, in.flow != Incoming::Flow::Open);
  if (length == 0) {
    if (in.flow == Incoming::Flow::Closed) {
      DropIncoming(in.socket);  // everything it brought has been taken
    } else if (!in.pending.isEmpty() && (grew || !partial_timer_.isActive())) {
      partial_timer_.start();
    }
    return std::nullopt;
  }
  const QByteArray message = in.pending.first(length);
  in.pending.remove(0, length);
  in.Move(Incoming::Flow::Open);
  partial_timer_.stop();
  const bool no_message = in.after_turn && HoldsNoItem(message);
  if (!no_message) in.after_turn = SixthCommaEnd(message) == length;
  const QHostAddress from = in.address;
  const bool closed = in.flow == Incoming::Flow::Closed;
  if (closed && in.pending.isEmpty() && in.socket->bytesAvailable() == 0) {
    DropIncoming(in.socket);  // announces what the next connection holds
  } else if (NextTurnLength(in.pending, closed) > 0 || in.socket->bytesAvailable() > 0) {
    AnnounceWaitingTurn();  // each message in its own handler call, in order
  } else if (!in.pending.isEmpty()) {
    partial_timer_.start();
  }
  if (no_message) return std::nullopt;
  last_taken_from_ = from;
  return DecodeSjis(message);
}

std::optional<TurnItems> PeerLink::TakeTurn() {
  const std::optional<QString> message = TakeTurnMessage();
  if (!message) return std::nullopt;
  return ReadTurnItems(message->toStdString());
}

void PeerLink::NoteTurnMalformed() {
  // Counted by the address taken with the message: its connection may have gone since.
  if (last_taken_from_.isNull() || ++malformed_[last_taken_from_] != kMalformedLimit) return;
  QList<QTcpSocket*> cut;
  for (const Incoming& in : incoming_) {
    if (in.address == last_taken_from_) cut.append(in.socket);
  }
  for (QTcpSocket* socket : cut) CloseIncoming(socket);  // what they still hold goes with them
  emit failed(QStringLiteral("不正な記録が何度も届いたため、相手との接続を切断しました"));
}

void PeerLink::OnPartialTimeout() {
  if (incoming_.empty() || incoming_.front().pending.isEmpty()) return;
  incoming_.front().Move(Incoming::Flow::Quiet);
  emit incomingDataArrived();
}

void PeerLink::AnnounceWaitingTurn() {
  if (incoming_.empty()) return;
  const Incoming& first = incoming_.front();
  if (first.pending.isEmpty() && first.socket->bytesAvailable() == 0) return;
  QMetaObject::invokeMethod(
      this, [this] { emit incomingDataArrived(); }, Qt::QueuedConnection);
}

std::vector<PeerLink::Incoming>::iterator PeerLink::FindIncoming(const QTcpSocket* socket) {
  return std::find_if(incoming_.begin(), incoming_.end(),
                      [socket](const Incoming& in) { return in.socket == socket; });
}

// ---- Outgoing connection ----

bool PeerLink::HoldsSocket(Outgoing state) {
  return state == Outgoing::Resolving || state == Outgoing::Connecting ||
         state == Outgoing::Connected;
}

bool PeerLink::KeepsTurns(Outgoing state) {
  return state == Outgoing::NotOpened || state == Outgoing::Resolving ||
         state == Outgoing::Connecting;
}

// Moves the outgoing connection to `next` and does what entering it brings: a state without a
// socket lets the socket go; the kept turns go out on Connected and are dropped in every state
// that keeps none; Connected emits outgoingConnected(), Disconnected and NoAddress emit
// outgoingDisconnected(); then `failure`, if any, is reported by failed().
void PeerLink::MoveOutgoing(Outgoing next, const QString& failure) {
  outgoing_ = next;
  if (!HoldsSocket(next)) {
    if (QTcpSocket* socket = std::exchange(outgoing_socket_, nullptr)) {
      socket->disconnect(this);
      socket->deleteLater();
    }
  }
  if (!KeepsTurns(next) && next != Outgoing::Connected) kept_turns_.clear();
  if (next == Outgoing::Connected) {
    emit outgoingConnected();
    // Its handlers may have closed it again, which dropped the kept turns.
    if (outgoing_ == Outgoing::Connected && !kept_turns_.isEmpty()) {
      try {
        WriteNow(outgoing_socket_, std::exchange(kept_turns_, {}));
      } catch (const LinkError& write_failure) {
        emit failed(QString::fromUtf8(write_failure.what()));
      }
    }
  }
  if (next == Outgoing::Disconnected || next == Outgoing::NoAddress) emit outgoingDisconnected();
  if (!failure.isEmpty()) emit failed(failure);
}

PeerLink::OutgoingState PeerLink::outgoing_state() const {
  switch (outgoing_) {
    case Outgoing::Resolving:
      return OutgoingState::Resolving;
    case Outgoing::Connecting:
      return OutgoingState::Connecting;
    case Outgoing::Connected:
      return OutgoingState::Connected;
    default:
      return OutgoingState::Closed;
  }
}

void PeerLink::OpenOutgoing() {
  if (HoldsSocket(outgoing_)) return;
  rival_name_.clear();
  if (outgoing_host_.isEmpty()) {
    MoveOutgoing(Outgoing::NoAddress);  // the turns kept so far can never go out
    throw LinkError(QStringLiteral("アドレスが指定されていません"));
  }
  outgoing_socket_ = new QTcpSocket(this);
  outgoing_socket_->setReadBufferSize(kTurnBufferSize);
  connect(outgoing_socket_, &QTcpSocket::connected, this, &PeerLink::OnOutgoingConnected);
  connect(outgoing_socket_, &QTcpSocket::errorOccurred, this, &PeerLink::OnOutgoingError);
  connect(outgoing_socket_, &QTcpSocket::disconnected, this, &PeerLink::OnOutgoingClosed);
  connect(outgoing_socket_, &QTcpSocket::readyRead, this, &PeerLink::OnOutgoingReadyRead);

  QHostAddress address;
  if (address.setAddress(outgoing_host_) && address.protocol() == QAbstractSocket::IPv4Protocol) {
    StartConnect(address);
    return;
  }
  MoveOutgoing(Outgoing::Resolving);
  lookup_id_ = -1;  // a result delivered before lookupHost() returns is this lookup's
  lookup_id_ = QHostInfo::lookupHost(outgoing_host_, this, &PeerLink::OnLookupDone);
}

void PeerLink::StartConnect(const QHostAddress& address) {
  MoveOutgoing(Outgoing::Connecting);
  outgoing_socket_->connectToHost(address, outgoing_port_);
}

void PeerLink::OnLookupDone(const QHostInfo& info) {
  if (outgoing_ != Outgoing::Resolving || (lookup_id_ >= 0 && info.lookupId() != lookup_id_)) {
    return;
  }
  const QList<QHostAddress> addresses = info.addresses();
  const auto ipv4 = std::find_if(addresses.begin(), addresses.end(), [](const QHostAddress& a) {
    return a.protocol() == QAbstractSocket::IPv4Protocol;
  });
  if (info.error() == QHostInfo::NoError && ipv4 != addresses.end()) {
    StartConnect(*ipv4);
    return;
  }
  MoveOutgoing(Outgoing::NoAddress,
               LookupErrorText(ResolverCodeForLookup(info.error(), info.errorString())));
}

void PeerLink::OnOutgoingConnected() {
  if (outgoing_ == Outgoing::Connecting) MoveOutgoing(Outgoing::Connected);
}

void PeerLink::OnOutgoingError() {
  const QAbstractSocket::SocketError error = outgoing_socket_->error();
  const int code = ErrnoForSocketError(error, outgoing_socket_->errorString());
  if (write_failure_ != nullptr) {
    *write_failure_ = code;
    return;
  }
  if (outgoing_ == Outgoing::Connected) {
    // The rival closing its end is no failure; disconnected() follows.
    if (error != QAbstractSocket::RemoteHostClosedError) emit failed(AsyncSocketErrorText(code));
    return;
  }
  // The connect attempt failed: refused, unreachable, timed out. The move lets go of the socket
  // and disconnects it, so a second report of the same failure never arrives.
  MoveOutgoing(Outgoing::Unreached, AsyncSocketErrorText(code));
}

void PeerLink::OnOutgoingClosed() {
  if (outgoing_ != Outgoing::Connected) return;
  // Keep what the rival sent last: its name may still be read.
  CollectRivalName();
  MoveOutgoing(Outgoing::Disconnected);
}

void PeerLink::CloseOutgoing() {
  if (!HoldsSocket(outgoing_)) {
    kept_turns_.clear();  // nothing is open: only the turns kept for a later opening go
    return;
  }
  if (outgoing_ == Outgoing::Resolving) QHostInfo::abortHostLookup(lookup_id_);
  // Cut off before aborting: the close is announced here, not by the socket.
  outgoing_socket_->disconnect(this);
  outgoing_socket_->abort();
  MoveOutgoing(outgoing_ == Outgoing::Connected ? Outgoing::Disconnected : Outgoing::Unreached);
}

// The composed text is ASCII, the same bytes in code page 932.
void PeerLink::SendTurn(const Turn& turn) {
  SendBytes(QByteArray::fromStdString(ComposeTurn(turn)));
}

void PeerLink::SendTurn(const QString& text) { SendBytes(EncodeSjis(text)); }

void PeerLink::SendBytes(const QByteArray& bytes) {
  switch (outgoing_) {
    case Outgoing::NoLink:  // a board without a link
      return;
    case Outgoing::NotOpened:  // the first player's, until the rival has connected
    case Outgoing::Resolving:
    case Outgoing::Connecting:
      kept_turns_ += bytes;
      return;
    case Outgoing::Connected:
      WriteNow(outgoing_socket_, bytes);
      return;
    case Outgoing::Disconnected:
      throw LinkError(QStringLiteral("相手との接続が切れているため、記録を送信できませんでした"));
    case Outgoing::NoAddress:
    case Outgoing::Unreached:
      throw LinkError(QStringLiteral("相手と接続できていないため、記録を送信できませんでした"));
  }
}

void PeerLink::OnOutgoingReadyRead() {
  CollectRivalName();
  emit outgoingDataArrived();
}

void PeerLink::CollectRivalName() {
  if (outgoing_socket_ != nullptr && outgoing_socket_->bytesAvailable() > 0) {
    rival_name_ = AppendNameBytes(rival_name_, outgoing_socket_->readAll());
  }
}

QString PeerLink::ReadRivalName() {
  CollectRivalName();
  return DecodeSjis(QByteArrayView(rival_name_).first(WholeCharactersLength(rival_name_)));
}

void PeerLink::WriteNow(QTcpSocket* socket, const QByteArray& bytes) {
  std::optional<int> failure;
  qint64 written = 0;
  {
    const QScopedValueRollback<std::optional<int>*> capture(write_failure_, &failure);
    written = socket->write(bytes);
    if (written >= 0) socket->flush();  // out now, so that a failure belongs to this send
  }
  if (written >= 0 && !failure) return;
  const int code = failure.value_or(ErrnoForSocketError(socket->error(), socket->errorString()));
  socket->abort();  // the connection is closed; its disconnected() updates the state
  if (socket == outgoing_socket_ && outgoing_ == Outgoing::Connected) OnOutgoingClosed();
  if (FindIncoming(socket) != incoming_.end()) DropIncoming(socket);
  throw LinkError(SystemCallErrorText(u"send", code));
}

}  // namespace markwick
