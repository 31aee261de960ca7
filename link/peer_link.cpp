// What travels on the link, byte for byte (code page 932, no framing of its own):
//
//   Name message  = <the player's name as typed>          (0 bytes for an empty name)
//       sent once by the accepting peer on each incoming connection accepted in round 1.
//   Turn message  = T1 "," T2 "," T3 "," M1 "," M2 "," M3 ","    e.g. "20,19,0,3,1,0,"
//       sent by the connecting peer on its outgoing connection, one write per turn.
//
// Receiving. Turn messages are read from the first incoming connection (the earliest accepted
// one still open) into a buffer of at most 4096 bytes; the socket's own buffer is held to the
// same size, so a peer that floods the link is held back by TCP. Each connection's bytes are cut
// into messages by its TurnReceiver (turn_receiver.h), which waits one second for the rest of a
// message. A connection that the rival closes stays first until the bytes it brought have been
// taken, its rest at once. Each message is decoded whole. What the listener lets in is
// IncomingGuard's (incoming_guard.h). The name is collected from all the bytes of the outgoing
// connection, up to 2047 bytes, and shown whole at every arrival. That connection is read as
// bytes arrive even when the name is no longer asked for (after round 1), the rest dropped:
// bytes left unread would fill the socket's buffer, and a socket with a full buffer reads
// nothing more from the system, the rival's close included.
//
// Arrivals are announced from the event loop, never from inside the socket's readyRead(): the
// taker may open a modal box, and a socket does not emit readyRead() again while its own
// emission is still running, so bytes that came while the box was open would wait unseen, and
// once its buffer was full the connection, its close included, would stop for good. A message
// that is taken while more wait announces the next, so each is taken in its own handler call.
//
// Sending. A Turn message sent while the outgoing connection is not up is kept and written as
// soon as it is; the connection, once opened, comes back by itself after a failure or a close.
// When a lost link comes back, the two programs exchange their counts of turns sent and applied
// (resync_message.h) in the name's direction, and the board sends again the one turn that may
// have been lost on the way.
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
//   Disconnected, NoAddress (a failed lookup), Unreached --1.5 s, unless CloseOutgoing()-->
//       as OpenOutgoing()
#include "link/peer_link.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QPointer>
#include <QScopedValueRollback>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <utility>

#include "codec/sjis_codec.h"
#include "link/resync_message.h"
#include "link/socket_errors.h"
#include "link/system_errors.h"
#include "link/system_socket.h"
#include "link/turn_framer.h"
#include "link/turn_message.h"

namespace markwick {

namespace {

constexpr int kPartialWaitMs = 1000;
constexpr int kListenBacklog = 5;
// As long as Qt's own connect waits.
constexpr int kConnectTimeoutMs = 30000;
constexpr int kConnectPollMs = 100;
// Between the end of an attempt and the next one: within one to two seconds.
constexpr int kReopenMs = 1500;

QString InUseText() { return QStringLiteral("使用中のソケットは値を変更できません"); }

// The IPv4 address that `host` spells, or a null address for a host name.
QHostAddress Ipv4Address(const QString& host) {
  QHostAddress address;
  if (address.setAddress(host) && address.protocol() == QAbstractSocket::IPv4Protocol) {
    return address;
  }
  return {};
}

}  // namespace

PeerLink::PeerLink(QObject* parent) : QObject(parent), server_(new QTcpServer(this)) {
  server_->setListenBacklogSize(kListenBacklog);
  connect(server_, &QTcpServer::newConnection, this, &PeerLink::AcceptPending);
  connect(server_, &QTcpServer::acceptError, this, &PeerLink::OnAcceptError);
  partial_timer_.setSingleShot(true);
  partial_timer_.setInterval(kPartialWaitMs);
  partial_timer_.setTimerType(Qt::PreciseTimer);
  connect(&partial_timer_, &QTimer::timeout, this, &PeerLink::OnPartialTimeout);
  connect_timer_.setSingleShot(true);
  connect_timer_.setInterval(kConnectTimeoutMs);
  connect(&connect_timer_, &QTimer::timeout, this,
          [this] { FinishConnect(system_errors::kTimedOut); });
  // Windows' dispatcher may never report a refused connect to the write notifier (Wine's does
  // not), so the outcome is also asked for now and then.
  connect_poll_.setInterval(kConnectPollMs);
  connect(&connect_poll_, &QTimer::timeout, this, &PeerLink::CheckConnect);
  reopen_timer_.setSingleShot(true);
  reopen_timer_.setInterval(kReopenMs);
  connect(&reopen_timer_, &QTimer::timeout, this, &PeerLink::Reopen);
}

PeerLink::~PeerLink() {
  // Closing down emits nothing: the window that listens may be half destroyed.
  if (outgoing_ == Outgoing::Resolving) QHostInfo::abortHostLookup(lookup_id_);
  AbandonConnect();
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
  if (host != outgoing_host_) rival_address_ = Ipv4Address(host);
  outgoing_host_ = host;
}

// ---- Listener and incoming connections ----

void PeerLink::Listen() {
  if (server_->isListening()) return;
  if (!server_->listen(QHostAddress::AnyIPv4, listen_port_)) {
    const int code = ErrnoForSocketError(server_->serverError());
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
    // A newer connection from the rival's host takes over: the rival has come back, and what
    // it sends now travels on this one.
    const bool from_rival = !rival_address_.isNull() && address == rival_address_;
    const bool came_back = from_rival && rival_seen_;
    QList<QTcpSocket*> older;
    for (const Incoming& in : incoming_) {
      if (from_rival && in.address == address) older.append(in.socket);
    }
    const auto held = std::count_if(incoming_.begin(), incoming_.end(),
                                    [&](const Incoming& in) { return in.address == address; });
    if (!guard_.Admits(address, held - older.size())) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    for (QTcpSocket* old : older) CloseIncoming(old);
    // Keep-alive only helps to see a vanished rival sooner: the link works without it.
    system_socket::SetKeepAlive(socket->socketDescriptor());
    socket->setReadBufferSize(kTurnBufferSize);
    connect(socket, &QTcpSocket::readyRead, this, &PeerLink::incomingDataArrived,
            Qt::QueuedConnection);
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { OnIncomingError(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { OnIncomingClosed(socket); });
    incoming_.push_back(Incoming{socket, address, {}, false, came_back});
    rival_seen_ = rival_seen_ || from_rival;
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
  emit failed(AsyncSocketErrorText(ErrnoForSocketError(error)));
}

void PeerLink::OnIncomingError(QTcpSocket* socket) {
  const int code = ErrnoForSocketError(socket->error(), write_failure_ != nullptr);
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
  if (it->receiver.HoldsBytes() || socket->bytesAvailable() > 0) {
    // A turn sent just before the rival left may wait for a handler that is held back (a
    // modal box is open): the connection stays until its bytes are taken.
    it->closed = true;
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
  if (name.isEmpty() || it == incoming_.end() || it->closed) return;
  WriteNow(incoming, EncodeSjis(name));
}

void PeerLink::SendResync(QTcpSocket* incoming, const QString& name, ResyncCounts counts) {
  const auto it = FindIncoming(incoming);
  if (it == incoming_.end() || it->closed) return;
  WriteNow(incoming, ComposeResync(EncodeSjis(name), counts));
}

bool PeerLink::CameBack(const QTcpSocket* incoming) const {
  const auto it = std::find_if(incoming_.begin(), incoming_.end(),
                               [incoming](const Incoming& in) { return in.socket == incoming; });
  return it != incoming_.end() && it->came_back;
}

std::optional<QString> PeerLink::TakeTurnMessage() {
  if (incoming_.empty()) return std::nullopt;
  Incoming& in = incoming_.front();
  QTcpSocket* const socket = in.socket;
  const QHostAddress from = in.address;
  QByteArray bytes;
  if (in.receiver.Room() > 0 && socket->bytesAvailable() > 0)
    bytes = socket->read(in.receiver.Room());
  TurnReceiver::Answer answer = in.receiver.Take(bytes, in.closed);
  // What the socket still holds comes before any waiting: it is announced.
  const bool unread = socket->bytesAvailable() > 0;
  if (answer.next == TurnReceiver::Next::Done && !unread) {
    DropIncoming(socket);  // everything it brought has been taken; announces the next one's
  } else if (unread || answer.next == TurnReceiver::Next::TakeAgain ||
             answer.next == TurnReceiver::Next::Done) {
    partial_timer_.stop();
    AnnounceWaitingTurn();  // each message in its own handler call, in order
  } else if (answer.next == TurnReceiver::Next::WaitQuietly) {
    partial_timer_.start();
  }
  if (!answer.message) return std::nullopt;
  last_taken_from_ = from;
  return DecodeSjis(*answer.message);
}

std::optional<TurnItems> PeerLink::TakeTurn() {
  const std::optional<QString> message = TakeTurnMessage();
  if (!message) return std::nullopt;
  return ReadTurnItems(message->toStdString());
}

void PeerLink::NoteTurnMalformed() {
  // Counted by the address taken with the message: its connection may have gone since.
  if (last_taken_from_.isNull() || !guard_.NoteMalformed(last_taken_from_)) return;
  QList<QTcpSocket*> cut;
  for (const Incoming& in : incoming_) {
    if (in.address == last_taken_from_) cut.append(in.socket);
  }
  for (QTcpSocket* socket : cut) CloseIncoming(socket);  // what they still hold goes with them
  emit failed(QStringLiteral("不正な記録が何度も届いたため、相手との接続を切断しました"));
}

void PeerLink::OnPartialTimeout() {
  if (incoming_.empty() || !incoming_.front().receiver.HoldsBytes()) return;
  incoming_.front().receiver.QuietTimeOver();
  emit incomingDataArrived();
}

void PeerLink::AnnounceWaitingTurn() {
  if (incoming_.empty()) return;
  const Incoming& first = incoming_.front();
  if (!first.receiver.HoldsBytes() && first.socket->bytesAvailable() == 0) return;
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
// outgoingDisconnected(); then `failure`, if any, is reported by failed(). An attempt that
// ends without a connection is followed by another while the link reopens; those attempts
// report nothing until one connects.
void PeerLink::MoveOutgoing(Outgoing next, const QString& failure) {
  outgoing_ = next;
  if (next != Outgoing::Connecting) AbandonConnect();
  if (!HoldsSocket(next)) {
    if (QTcpSocket* socket = std::exchange(outgoing_socket_, nullptr)) {
      socket->disconnect(this);
      socket->deleteLater();
    }
  }
  const bool ended =
      next == Outgoing::Disconnected || next == Outgoing::NoAddress || next == Outgoing::Unreached;
  if (ended && reopening_) {
    lost_ = true;
    reopen_timer_.start();
  } else if (!KeepsTurns(next) && next != Outgoing::Connected) {
    kept_turns_.clear();
    kept_count_ = 0;
  }
  const bool silent = silent_;
  if (next == Outgoing::Connected) {
    silent_ = false;
    lost_ = false;
    written_count_ = 0;
    emit outgoingConnected();
    // Its handlers may have closed it again, which dropped the kept turns.
    if (outgoing_ == Outgoing::Connected && !kept_turns_.isEmpty()) {
      try {
        written_count_ += std::exchange(kept_count_, 0);
        WriteNow(outgoing_socket_, std::exchange(kept_turns_, {}));
      } catch (const LinkError& write_failure) {
        emit failed(QString::fromUtf8(write_failure.what()));
      }
    }
  }
  if (next == Outgoing::Disconnected || (next == Outgoing::NoAddress && !silent)) {
    emit outgoingDisconnected();
  }
  if (!failure.isEmpty() && !silent) emit failed(failure);
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
  reopen_timer_.stop();
  rival_name_.clear();
  resync_taken_ = false;
  if (outgoing_host_.isEmpty()) {
    reopening_ = false;
    MoveOutgoing(Outgoing::NoAddress);  // the turns kept so far can never go out
    throw LinkError(QStringLiteral("アドレスが指定されていません"));
  }
  reopening_ = true;
  ++attempts_;
  outgoing_socket_ = new QTcpSocket(this);
  outgoing_socket_->setReadBufferSize(kTurnBufferSize);
  connect(outgoing_socket_, &QTcpSocket::errorOccurred, this, &PeerLink::OnOutgoingError);
  connect(outgoing_socket_, &QTcpSocket::disconnected, this, &PeerLink::OnOutgoingClosed);
  connect(outgoing_socket_, &QTcpSocket::readyRead, this, &PeerLink::OnOutgoingReadyRead);

  if (const QHostAddress address = Ipv4Address(outgoing_host_); !address.isNull()) {
    StartConnect(address);
    return;
  }
  MoveOutgoing(Outgoing::Resolving);
  lookup_id_ = -1;  // a result delivered before lookupHost() returns is this lookup's
  lookup_id_ = QHostInfo::lookupHost(outgoing_host_, this, &PeerLink::OnLookupDone);
}

// The connect is the system's own call: its failure comes with the system's number, which Qt
// would file under one kind for several causes. The connected descriptor goes to the socket.
void PeerLink::StartConnect(const QHostAddress& address) {
  MoveOutgoing(Outgoing::Connecting);
  int error = 0;
  connect_descriptor_ = system_socket::StartConnect(address.toIPv4Address(), outgoing_port_, error);
  if (connect_descriptor_ == system_socket::kNoDescriptor) {
    // Reported from the event loop, as a refusal that the system reports later would be.
    QMetaObject::invokeMethod(
        this,
        [this, attempt = QPointer<QTcpSocket>(outgoing_socket_), error] {
          if (attempt && attempt == outgoing_socket_ && outgoing_ == Outgoing::Connecting) {
            FinishConnect(error);
          }
        },
        Qt::QueuedConnection);
    return;
  }
  connect_notifier_ = new QSocketNotifier(connect_descriptor_, QSocketNotifier::Write, this);
  connect(connect_notifier_, &QSocketNotifier::activated, this, &PeerLink::CheckConnect);
  connect_timer_.start();
  connect_poll_.start();
}

void PeerLink::CheckConnect() {
  if (connect_descriptor_ == system_socket::kNoDescriptor) return;
  const int outcome = system_socket::ConnectOutcome(connect_descriptor_);
  if (outcome != system_socket::kStillConnecting) FinishConnect(outcome);
}

void PeerLink::FinishConnect(int error) {
  const qintptr descriptor = std::exchange(connect_descriptor_, system_socket::kNoDescriptor);
  AbandonConnect();
  if (error == 0) {
    // Keep-alive only helps to see a vanished rival sooner: the link works without it.
    system_socket::SetKeepAlive(descriptor);
    if (outgoing_socket_->setSocketDescriptor(descriptor)) {
      MoveOutgoing(Outgoing::Connected);
      return;
    }
    system_socket::Close(descriptor);
    error = ErrnoForSocketError(outgoing_socket_->error());
  } else if (descriptor != system_socket::kNoDescriptor) {
    system_socket::Close(descriptor);
  }
  MoveOutgoing(Outgoing::Unreached, AsyncSocketErrorText(error));
}

void PeerLink::AbandonConnect() {
  connect_timer_.stop();
  connect_poll_.stop();
  if (QSocketNotifier* notifier = std::exchange(connect_notifier_, nullptr)) {
    notifier->setEnabled(false);  // before its descriptor closes or goes to the socket
    notifier->disconnect(this);
    notifier->deleteLater();  // it may be the one that is reporting
  }
  if (connect_descriptor_ != system_socket::kNoDescriptor) {
    system_socket::Close(std::exchange(connect_descriptor_, system_socket::kNoDescriptor));
  }
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
    rival_address_ = *ipv4;
    StartConnect(*ipv4);
    return;
  }
  MoveOutgoing(Outgoing::NoAddress, LookupErrorText(ResolverCodeForLookup(info.error())));
}

void PeerLink::OnOutgoingError() {
  const QAbstractSocket::SocketError error = outgoing_socket_->error();
  const int code = ErrnoForSocketError(error, write_failure_ != nullptr);
  if (write_failure_ != nullptr) {
    *write_failure_ = code;
    return;
  }
  // Only a connection reports here (the connect is the link's own); the rival closing its end
  // is no failure, disconnected() follows.
  if (outgoing_ == Outgoing::Connected && error != QAbstractSocket::RemoteHostClosedError) {
    emit failed(AsyncSocketErrorText(code));
  }
}

void PeerLink::OnOutgoingClosed() {
  if (outgoing_ != Outgoing::Connected) return;
  // Keep what the rival sent last: its name may still be read.
  CollectRivalName();
  MoveOutgoing(Outgoing::Disconnected);
}

void PeerLink::Reopen() {
  if (!reopening_ || HoldsSocket(outgoing_)) return;
  silent_ = true;  // the failure that ended the link has been reported
  OpenOutgoing();
}

void PeerLink::CloseOutgoing() {
  reopening_ = false;
  silent_ = false;
  reopen_timer_.stop();
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
      Keep(bytes);
      return;
    case Outgoing::Connected:
      try {
        WriteNow(outgoing_socket_, bytes);
        ++written_count_;
      } catch (const LinkError& failure) {
        if (!reopening_) throw;
        // The connection is closed and comes back: the turn goes out then. The failure is shown
        // once, as any other that ends the link; the send itself has done its part.
        Keep(bytes);
        emit failed(QString::fromUtf8(failure.what()));
      }
      return;
    case Outgoing::Disconnected:
    case Outgoing::NoAddress:
    case Outgoing::Unreached:
      if (reopening_) {
        Keep(bytes);
        return;
      }
      if (outgoing_ == Outgoing::Disconnected) {
        throw LinkError(QStringLiteral("相手との接続が切れているため、記録を送信できませんでした"));
      }
      throw LinkError(QStringLiteral("相手と接続できていないため、記録を送信できませんでした"));
  }
}

void PeerLink::Keep(const QByteArray& bytes) {
  kept_turns_ += bytes;
  ++kept_count_;
}

bool PeerLink::TurnsWaitForLink() const { return lost_ && !kept_turns_.isEmpty(); }

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
  const QByteArrayView name = NameOf(rival_name_);
  return DecodeSjis(name.first(WholeCharactersLength(name)));
}

std::optional<ResyncCounts> PeerLink::TakeResync() {
  CollectRivalName();
  if (resync_taken_) return std::nullopt;
  const std::optional<ResyncCounts> counts = ReadResync(rival_name_);
  resync_taken_ = counts.has_value();
  return counts;
}

bool PeerLink::RivalSentName() {
  CollectRivalName();
  return !rival_name_.isEmpty() && !rival_name_.contains('\0');
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
  const int code = failure.value_or(ErrnoForSocketError(socket->error(), true));
  socket->abort();  // the connection is closed; its disconnected() updates the state
  if (socket == outgoing_socket_ && outgoing_ == Outgoing::Connected) OnOutgoingClosed();
  if (FindIncoming(socket) != incoming_.end()) DropIncoming(socket);
  throw LinkError(SystemCallErrorText(u"send", code));
}

}  // namespace markwick
