// The peer link against a scripted rival (scripted_rival.h) on 127.0.0.1: the exact bytes
// that go out, the cutting of what comes in, and every error text.
#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <algorithm>
#include <array>
#include <clocale>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "link/peer_link.h"
#include "link/turn_framer.h"
#include "scripted_rival.h"
#include "system_error_expectations.h"

#ifdef __linux__
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>
#include <cerrno>

#include <QFile>
#include <QProcess>
#endif

using markwick::LinkError;
using markwick::PeerLink;
using State = markwick::PeerLink::OutgoingState;
using markwick::testing::RivalConnection;
using markwick::testing::RivalListener;

namespace {

const QString kInUse = QStringLiteral("使用中のソケットは値を変更できません");

// A port nobody listens on at the moment.
quint16 FreePort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::AnyIPv4, 0)) return 0;
  return probe.serverPort();
}

// The text of the LinkError that `call` throws; empty when it throws none.
QString FailureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const LinkError& failure) {
    return QString::fromUtf8(failure.what());
  }
  return {};
}

// Takes Turn messages the way the board window does: one per incomingDataArrived().
struct TurnReader {
  QStringList messages;
  qint64 most_unread = 0;  // the most bytes the first connection held back at any call

  explicit TurnReader(PeerLink& link) {
    QObject::connect(&link, &PeerLink::incomingDataArrived, &link, [this, &link] {
      const QList<QTcpSocket*> incoming = link.IncomingConnections();
      if (!incoming.isEmpty()) most_unread = qMax(most_unread, incoming.front()->bytesAvailable());
      if (std::optional<QString> message = link.TakeTurnMessage()) messages.append(*message);
    });
  }
};

// Takes Turn messages the way the board window does: one that cannot be applied is noted as
// malformed (the board shows its box); failed() is the box that says the link was cut.
struct TurnApplier {
  int applied = 0;
  int malformed = 0;
  int cuts = 0;

  explicit TurnApplier(PeerLink& link) {
    QObject::connect(&link, &PeerLink::incomingDataArrived, &link, [this, &link] {
      std::array<int32_t, 8> marks{};
      try {
        if (const std::optional<markwick::TurnItems> turn = link.TakeTurn()) {
          markwick::ApplyTurn(*turn, marks);
          ++applied;
        }
      } catch (const markwick::TurnError&) {
        ++malformed;
        link.NoteTurnMalformed();
      }
    });
    QObject::connect(&link, &PeerLink::failed, &link, [this] { ++cuts; });
  }
};

}  // namespace

class PeerLinkTest : public QObject {
  Q_OBJECT

 private:
  // A link whose listener is open on a free port.
  std::unique_ptr<PeerLink> ListeningLink() {
    auto link = std::make_unique<PeerLink>();
    link->SetListenPort(FreePort());
    link->Listen();
    return link;
  }

  // A link with its outgoing connection up to `rival`.
  std::unique_ptr<PeerLink> ConnectedLink(RivalListener& rival) {
    auto link = std::make_unique<PeerLink>();
    link->SetOutgoingHost(QStringLiteral("127.0.0.1"));
    link->SetOutgoingPort(rival.server.serverPort());
    QSignalSpy connected(link.get(), &PeerLink::outgoingConnected);
    link->OpenOutgoing();
    if (!connected.wait(5000)) return nullptr;
    if (!QTest::qWaitFor([&] { return !rival.accepted.isNull(); }, 5000)) return nullptr;
    return link;
  }

  // The incoming connection that the link accepted from `rival`.
  static QTcpSocket* AcceptedFrom(PeerLink& link, RivalConnection& rival) {
    QSignalSpy accepted(&link, &PeerLink::incomingAccepted);
    if (!accepted.wait(5000)) return nullptr;
    if (!QTest::qWaitFor([&] { return rival.socket.state() == QTcpSocket::ConnectedState; })) {
      return nullptr;
    }
    return accepted.first().first().value<QTcpSocket*>();
  }

  // The link's side of the rival's connection once the link has listed it; null when the link
  // has closed it instead.
  static QPointer<QTcpSocket> Listed(const PeerLink& link, const RivalConnection& rival) {
    QTcpSocket* listed = nullptr;
    const bool settled = QTest::qWaitFor([&] {
      for (QTcpSocket* in : link.IncomingConnections()) {
        if (in->peerPort() == rival.socket.localPort()) listed = in;
      }
      return listed != nullptr || rival.socket.state() == QAbstractSocket::UnconnectedState;
    });
    return settled ? listed : nullptr;
  }

 private slots:
  void initTestCase() {
#ifdef LC_MESSAGES
    std::setlocale(LC_MESSAGES, "C");  // the system's error texts as the tests spell them
#endif
    qRegisterMetaType<QTcpSocket*>();
  }

  // ---- Listener ----

  // The listening event arrives while Listen() runs, so the role caption can replace it.
  void listenReportsListeningBeforeReturning() {
    PeerLink link;
    link.SetListenPort(FreePort());
    QSignalSpy listening(&link, &PeerLink::listening);
    link.Listen();
    QCOMPARE(listening.count(), 1);
    QVERIFY(link.IsListening());
    link.Listen();  // pressing the start button again keeps the listener as it is
    QCOMPARE(listening.count(), 1);
  }

  // A port in use: the bind error, the listener closed again, and a later try can succeed.
  void portInUseFailsWithBindError_data() {
    QTest::addColumn<quint16>("port");
    QTest::newRow("first player's port") << quint16{50001};
    QTest::newRow("second player's port") << quint16{50100};
  }
  void portInUseFailsWithBindError() {
    QFETCH(quint16, port);
    QTcpServer holder;
    holder.listen(QHostAddress::AnyIPv4, port);  // or someone else holds it already
    PeerLink link;
    link.SetListenPort(port);
    QSignalSpy listening(&link, &PeerLink::listening);
    QCOMPARE(FailureOf([&] { link.Listen(); }), expected_errors::BindInUse());
    QVERIFY(!link.IsListening());
    QCOMPARE(listening.count(), 0);
    // Its port can still be changed: the failed listener is closed.
    const quint16 free_port = FreePort();
    link.SetListenPort(free_port);
    link.Listen();
    QVERIFY(link.IsListening());
    QCOMPARE(listening.count(), 1);
  }

  // A port or host cannot change while its socket is in use; the same value always can.
  void valuesCannotChangeWhileInUse() {
    auto link = ListeningLink();
    const quint16 port = link->ListenPort();
    link->SetListenPort(port);
    QCOMPARE(FailureOf([&] { link->SetListenPort(port == 50100 ? 50001 : 50100); }), kInUse);
    QCOMPARE(link->ListenPort(), port);

    RivalListener rival;
    link->SetOutgoingHost(QStringLiteral("127.0.0.1"));
    link->SetOutgoingPort(rival.server.serverPort());
    link->OpenOutgoing();
    QCOMPARE(link->outgoing_state(), State::Connecting);
    QCOMPARE(FailureOf([&] { link->SetOutgoingPort(1); }), kInUse);
    QCOMPARE(FailureOf([&] { link->SetOutgoingHost(QStringLiteral("127.0.0.2")); }), kInUse);
    QTRY_COMPARE(link->outgoing_state(), State::Connected);
    QCOMPARE(FailureOf([&] { link->SetOutgoingPort(1); }), kInUse);
    link->SetOutgoingPort(rival.server.serverPort());
    link->SetOutgoingHost(QStringLiteral("127.0.0.1"));

    link->CloseOutgoing();
    link->SetOutgoingPort(1);
    link->SetOutgoingHost(QStringLiteral("127.0.0.2"));
    link->CloseListener();
    link->SetListenPort(1);
    QCOMPARE(link->ListenPort(), quint16{1});
  }

  // An accept that fails (Qt then stops accepting) is reported as an asynchronous socket error,
  // and the listener goes on accepting. A failure for want of descriptors is not retried at once,
  // since it would only fail again.
  void failedAcceptIsReported_data() {
    QTest::addColumn<QAbstractSocket::SocketError>("error");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("accepting");
    QTest::newRow("connection aborted")
        << QAbstractSocket::NetworkError
        << markwick::AsyncSocketErrorText(expected_errors::kNetworkDown) << true;
    QTest::newRow("out of descriptors")
        << QAbstractSocket::SocketResourceError
        << markwick::AsyncSocketErrorText(expected_errors::kNoBufferSpace) << false;
  }
  void failedAcceptIsReported() {
    QFETCH(QAbstractSocket::SocketError, error);
    QFETCH(QString, message);
    QFETCH(bool, accepting);
    auto link = ListeningLink();
    auto* server = link->findChild<QTcpServer*>();
    QVERIFY(server);
    QSignalSpy failed(link.get(), &PeerLink::failed);
    server->pauseAccepting();  // what QTcpServer does before it reports the error
    QVERIFY(QMetaObject::invokeMethod(server, "acceptError",
                                      Q_ARG(QAbstractSocket::SocketError, error)));
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().first().toString(), message);
    if (!accepting) return;
    RivalConnection rival(link->ListenPort());
    QVERIFY(AcceptedFrom(*link, rival));
  }

  // Every incoming connection is listed in accept order until it closes; closing the listener
  // closes them all.
  void incomingConnectionsAreListedUntilClosed() {
    auto link = ListeningLink();
    RivalConnection a(link->ListenPort());
    QTcpSocket* from_a = AcceptedFrom(*link, a);
    RivalConnection b(link->ListenPort());
    QTcpSocket* from_b = AcceptedFrom(*link, b);
    QVERIFY(from_a && from_b);
    QCOMPARE(link->IncomingConnections(), (QList<QTcpSocket*>{from_a, from_b}));

    a.socket.disconnectFromHost();
    QTRY_COMPARE(link->IncomingConnections(), QList<QTcpSocket*>{from_b});

    link->CloseListener();
    QVERIFY(!link->IsListening());
    QVERIFY(link->IncomingConnections().isEmpty());
    QTRY_COMPARE(b.socket.state(), QTcpSocket::UnconnectedState);
  }

  // ---- Name message ----

  // The name goes out as its code page 932 bytes, unchanged; an empty name sends nothing.
  void nameGoesOutAsItsBytes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("blanks") << QStringLiteral(" Mark  Wick ") << QByteArray(" Mark  Wick ");
    QTest::newRow("commas") << QStringLiteral("20,19,0,") << QByteArray("20,19,0,");
    QTest::newRow("Japanese") << QStringLiteral("先攻 太郎")
                              << QByteArray::fromHex("90e68d552091be9859");
  }
  void nameGoesOutAsItsBytes() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    auto link = ListeningLink();
    RivalConnection rival(link->ListenPort());
    QTcpSocket* incoming = AcceptedFrom(*link, rival);
    QVERIFY(incoming);
    link->SendName(incoming, name);
    link->SendName(incoming, QStringLiteral("|"));  // a marker: everything before it is the name
    QTRY_VERIFY(rival.received.endsWith('|'));
    QCOMPARE(rival.received.chopped(1).toHex(' '), bytes.toHex(' '));
  }

  // The rival's name is collected over reads: a name in two pieces, even with a double-byte
  // character cut between them, shows whole; a new connection starts afresh.
  void rivalNameIsCollectedOverReads_data() {
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("character cut between reads")
        << QByteArrayList{QByteArray::fromHex("8ce38d"), QByteArray::fromHex("558e9f")}
        << QStringList{QStringLiteral("後"), QStringLiteral("後攻次")};
    QTest::newRow("blanks and commas")
        << QByteArrayList{"a, b", " ,c"} << QStringList{"a, b", "a, b ,c"};
  }
  void rivalNameIsCollectedOverReads() {
    QFETCH(QByteArrayList, pieces);
    QFETCH(QStringList, shown);
    RivalListener rival;
    auto link = ConnectedLink(rival);
    QVERIFY(link);
    QSignalSpy arrived(link.get(), &PeerLink::outgoingDataArrived);
    for (qsizetype i = 0; i < pieces.size(); ++i) {
      rival.accepted->write(pieces[i]);
      rival.accepted->flush();
      QVERIFY(arrived.wait(5000));
      QCOMPARE(link->ReadRivalName(), shown[i]);
    }
    // Again on a new connection: only what it brings.
    link->CloseOutgoing();
    link->OpenOutgoing();
    QTRY_VERIFY(link->IsOutgoingConnected());
    QTRY_VERIFY(rival.accepted &&
                rival.accepted->peerPort() == link->OutgoingSocket()->localPort());
    rival.accepted->write("B");
    rival.accepted->flush();
    QVERIFY(arrived.wait(5000));
    QCOMPARE(link->ReadRivalName(), QStringLiteral("B"));
  }

  // A flood on the outgoing connection keeps the first 2047 bytes, cut at a character.
  void rivalNameIsBounded() {
    RivalListener rival;
    auto link = ConnectedLink(rival);
    QVERIFY(link);
    QSignalSpy arrived(link.get(), &PeerLink::outgoingDataArrived);
    const QByteArray flood = QByteArray(2046, 'a') + QByteArray::fromHex("8ce3") + "tail";
    rival.accepted->write(flood + QByteArray(20000, 'z'));
    QTRY_COMPARE(link->ReadRivalName(), QString(2046, u'a'));
    // The rest is read and dropped: the socket does not fill up with it.
    QTRY_VERIFY((link->ReadRivalName(), rival.accepted->bytesToWrite() == 0 &&
                                            link->OutgoingSocket()->bytesAvailable() == 0));
    QCOMPARE(link->ReadRivalName(), QString(2046, u'a'));
  }

  // ---- Turn message, sending ----

  // A turn sent before the outgoing connection is up is kept and goes out once when it is; a
  // turn sent once it is up goes out at once, exactly as given.
  void turnBeforeConnectionIsKept_data() {
    QTest::addColumn<QString>("moment");
    QTest::newRow("before opening") << QStringLiteral("closed");
    QTest::newRow("while resolving") << QStringLiteral("resolving");
    QTest::newRow("while connecting") << QStringLiteral("connecting");
  }
  void turnBeforeConnectionIsKept() {
    QFETCH(QString, moment);
    RivalListener rival;
    auto link = ListeningLink();  // set up as the first player: the outgoing opens later
    link->SetOutgoingHost(moment == "resolving" ? QStringLiteral("localhost")
                                                : QStringLiteral("127.0.0.1"));
    link->SetOutgoingPort(rival.server.serverPort());
    QSignalSpy failed(link.get(), &PeerLink::failed);
    if (moment == "closed") link->SendTurn(QStringLiteral("20,19,0,3,1,0,"));
    link->OpenOutgoing();
    QCOMPARE(link->outgoing_state(), moment == "resolving" ? State::Resolving : State::Connecting);
    if (moment != "closed") link->SendTurn(QStringLiteral("20,19,0,3,1,0,"));
    QTRY_COMPARE(rival.received, QByteArray("20,19,0,3,1,0,"));
    link->SendTurn(QStringLiteral("25,0,0,1,0,0,"));
    QTRY_COMPARE(rival.received, QByteArray("20,19,0,3,1,0,25,0,0,1,0,0,"));
    QCOMPARE(failed.count(), 0);
  }

  // A close before the connection is up, or a missing address, drops the kept turn: the next
  // connection carries only what is sent on it. Only a missing address shows as a close.
  void keptTurnIsDroppedWithItsAttempt_data() {
    QTest::addColumn<QString>("ending");
    QTest::addColumn<int>("disconnects");
    QTest::newRow("closed before opening") << QStringLiteral("close") << 0;
    QTest::newRow("no address") << QStringLiteral("no address") << 1;
    QTest::newRow("closed while resolving") << QStringLiteral("resolving") << 0;
    QTest::newRow("closed while connecting") << QStringLiteral("connecting") << 0;
  }
  void keptTurnIsDroppedWithItsAttempt() {
    QFETCH(QString, ending);
    QFETCH(int, disconnects);
    RivalListener rival;
    auto link = ListeningLink();
    link->SetOutgoingHost(ending == "no address"  ? QString()
                          : ending == "resolving" ? QStringLiteral("localhost")
                                                  : QStringLiteral("127.0.0.1"));
    link->SetOutgoingPort(rival.server.serverPort());
    QSignalSpy disconnected(link.get(), &PeerLink::outgoingDisconnected);
    QSignalSpy failed(link.get(), &PeerLink::failed);
    link->SendTurn(QStringLiteral("20,19,0,3,1,0,"));
    if (ending == "close") link->CloseOutgoing();
    if (ending == "no address") QVERIFY(!FailureOf([&] { link->OpenOutgoing(); }).isEmpty());
    if (ending == "resolving" || ending == "connecting") {
      link->OpenOutgoing();
      link->CloseOutgoing();
    }
    QCOMPARE(disconnected.count(), disconnects);

    link->SetOutgoingHost(QStringLiteral("127.0.0.1"));
    link->SetOutgoingPort(rival.server.serverPort());
    link->OpenOutgoing();
    QTRY_VERIFY(link->IsOutgoingConnected());
    link->SendTurn(QStringLiteral("25,0,0,1,0,0,"));
    QTRY_COMPARE(rival.received, QByteArray("25,0,0,1,0,0,"));
    QCOMPARE(disconnected.count(), disconnects);
  }

  // A board without a link: sending does nothing and reports nothing.
  void linkNeverSetUpSendsNothing() {
    PeerLink link;
    QSignalSpy failed(&link, &PeerLink::failed);
    QCOMPARE(FailureOf([&] { link.SendTurn(QStringLiteral("20,19,0,3,1,0,")); }), QString());
    QCOMPARE(failed.count(), 0);
  }

  // After the rival has closed, a send keeps the turn, says that it waits, and the connection
  // comes back by itself and carries it. The close is seen also behind bytes that nobody reads
  // (the board reads the name in round 1 only).
  void sendAfterRivalClosedIsKept_data() {
    QTest::addColumn<QByteArray>("unread");
    QTest::newRow("nothing before the close") << QByteArray();
    QTest::newRow("64 KiB never read") << QByteArray(1 << 16, 'x');
  }
  void sendAfterRivalClosedIsKept() {
    QFETCH(QByteArray, unread);
    RivalListener rival;
    auto link = ConnectedLink(rival);
    QVERIFY(link);
    QSignalSpy disconnected(link.get(), &PeerLink::outgoingDisconnected);
    QSignalSpy connected(link.get(), &PeerLink::outgoingConnected);
    QSignalSpy failed(link.get(), &PeerLink::failed);
    rival.accepted->write(unread);
    rival.accepted->disconnectFromHost();
    QVERIFY(disconnected.wait(5000));
    QCOMPARE(link->outgoing_state(), State::Closed);
    QVERIFY(!link->TurnsWaitForLink());
    QCOMPARE(FailureOf([&] { link->SendTurn(QStringLiteral("20,19,0,3,1,0,")); }), QString());
    QVERIFY(link->TurnsWaitForLink());
    QTRY_COMPARE_WITH_TIMEOUT(rival.received, QByteArray("20,19,0,3,1,0,"), 5000);
    QCOMPARE(connected.count(), 1);
    QVERIFY(!link->TurnsWaitForLink());
    QCOMPARE(failed.count(), 0);  // the rival leaving is no error in itself
    QCOMPARE(disconnected.count(), 1);
  }

  // A send that the system refuses shows the "send" error once, closes the connection and keeps
  // the turn for the connection that comes back.
  void failingSendIsReportedAndKept() {
    RivalListener rival;
    auto link = ConnectedLink(rival);
    QVERIFY(link);
    QSignalSpy disconnected(link.get(), &PeerLink::outgoingDisconnected);
    QSignalSpy failed(link.get(), &PeerLink::failed);
    // The rival resets the connection; wait until the reset has reached the link's socket.
    QVERIFY(expected_errors::ResetOnClose(rival.accepted->socketDescriptor()));
    rival.accepted->abort();
    QVERIFY(expected_errors::WaitReadable(link->OutgoingSocket()->socketDescriptor(), 5000));

    QCOMPARE(FailureOf([&] { link->SendTurn(QStringLiteral("20,19,0,3,1,0,")); }), QString());
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().toString(), expected_errors::SendReset());
    QCOMPARE(link->outgoing_state(), State::Closed);
    QCOMPARE(disconnected.count(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(rival.received, QByteArray("20,19,0,3,1,0,"), 5000);
    QCOMPARE(failed.count(), 1);
  }

  // The outgoing connection comes back by itself after a refusal or a close, every second or
  // two, without another report while the rival is away; the turn kept meanwhile goes out once.
  void comesBackByItself_data() {
    QTest::addColumn<QString>("loss");
    QTest::addColumn<int>("failures");  // reports of the loss by failed()
    QTest::addColumn<int>("closes");    // ... and by outgoingDisconnected()
    QTest::newRow("refused, then listening") << QStringLiteral("refused") << 1 << 0;
    QTest::newRow("connected, closed, back") << QStringLiteral("closed") << 0 << 1;
    QTest::newRow("closed, away, back") << QStringLiteral("away") << 0 << 1;
  }
  void comesBackByItself() {
    QFETCH(QString, loss);
    QFETCH(int, failures);
    QFETCH(int, closes);
    const quint16 port = FreePort();
    std::optional<RivalListener> rival;
    if (loss != "refused") rival.emplace(port);
    auto link = ListeningLink();
    link->SetOutgoingHost(QStringLiteral("127.0.0.1"));
    link->SetOutgoingPort(port);
    QSignalSpy failed(link.get(), &PeerLink::failed);
    QSignalSpy disconnected(link.get(), &PeerLink::outgoingDisconnected);
    QSignalSpy connected(link.get(), &PeerLink::outgoingConnected);
    link->OpenOutgoing();
    if (loss == "refused") {
      QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 5000);
    } else {
      QTRY_VERIFY(!rival->accepted.isNull());
      QTRY_VERIFY(link->IsOutgoingConnected());
      if (loss == "away") rival->server.close();
      rival->accepted->disconnectFromHost();
      QVERIFY(disconnected.wait(5000));
    }
    link->SendTurn(QStringLiteral("20,19,0,3,1,0,"));
    QVERIFY(link->TurnsWaitForLink());
    if (loss != "closed") {
      // Refused twice more while nobody listens, unreported.
      const int attempts = link->OutgoingAttempts();
      QTRY_VERIFY_WITH_TIMEOUT(link->OutgoingAttempts() >= attempts + 2, 10000);
      if (loss == "refused") {
        rival.emplace(port);
      } else {
        QVERIFY(rival->server.listen(QHostAddress::LocalHost, port));
      }
      QVERIFY(rival->server.isListening());
    }
    QTRY_COMPARE_WITH_TIMEOUT(rival->received, QByteArray("20,19,0,3,1,0,"), 5000);
    QCOMPARE(connected.count(), loss == "refused" ? 1 : 2);
    QCOMPARE(failed.count(), failures);
    QCOMPARE(disconnected.count(), closes);
    link->SendTurn(QStringLiteral("25,0,0,1,0,0,"));
    QTRY_COMPARE(rival->received, QByteArray("20,19,0,3,1,0,25,0,0,1,0,0,"));
  }

  // ---- Outgoing connection errors ----

  // A host that cannot be resolved: lookup error with the resolver's code, connection closed.
  void unresolvableHostFails_data() {
    QTest::addColumn<QString>("host");
    QTest::newRow("unknown name") << QStringLiteral("no-such-host.invalid");
    QTest::newRow("the settings' default") << QStringLiteral("xxx.XXX.xxx.XXX");
  }
  void unresolvableHostFails() {
    QFETCH(QString, host);
    PeerLink link;
    link.SetOutgoingHost(host);
    link.SetOutgoingPort(50001);
    QSignalSpy failed(&link, &PeerLink::failed);
    QSignalSpy disconnected(&link, &PeerLink::outgoingDisconnected);
    link.OpenOutgoing();
    QCOMPARE(link.outgoing_state(), State::Resolving);  // the lookup does not block
    QVERIFY(failed.wait(10000));
    QCOMPARE(failed.first().first().toString(), expected_errors::UnknownHost(host));
    QCOMPARE(disconnected.count(), 1);
    QCOMPARE(link.outgoing_state(), State::Closed);
  }

  // A refused connection is one error, even with a turn waiting to go; the caption is not
  // touched and the turn stays kept for the connection that comes back.
  void refusedConnectionIsOneError() {
    auto link = ListeningLink();
    link->SetOutgoingHost(QStringLiteral("127.0.0.1"));
    link->SetOutgoingPort(FreePort());
    QSignalSpy failed(link.get(), &PeerLink::failed);
    QSignalSpy disconnected(link.get(), &PeerLink::outgoingDisconnected);
    link->OpenOutgoing();
    // Wine refuses a loopback connect at once, so that the turn fails to go instead of waiting.
    FailureOf([&] { link->SendTurn(QStringLiteral("20,19,0,3,1,0,")); });
    QPointer<QTcpSocket> attempt = link->OutgoingSocket();
    QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 5000);
    QTRY_VERIFY(attempt.isNull());  // the attempt's socket is gone: nothing more can come
    QCoreApplication::processEvents();
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().toString(),
             markwick::AsyncSocketErrorText(expected_errors::kRefused));
    QCOMPARE(disconnected.count(), 0);
    QCOMPARE(link->outgoing_state(), State::Closed);
    QVERIFY(link->TurnsWaitForLink());
  }

  // Closing the outgoing connection reports the disconnect only when it was up.
  void closeOutgoingReportsOnlyAConnection() {
    RivalListener rival;
    auto link = ConnectedLink(rival);
    QVERIFY(link);
    QSignalSpy disconnected(link.get(), &PeerLink::outgoingDisconnected);
    link->CloseOutgoing();
    QCOMPARE(disconnected.count(), 1);
    QTRY_COMPARE(rival.accepted->state(), QTcpSocket::UnconnectedState);
    link->CloseOutgoing();
    QCOMPARE(disconnected.count(), 1);
  }

  // ---- Turn message, receiving ----

  // Each message is taken in a handler call of its own, whatever the reads: two turns in one
  // write come at once, one after the other; a turn in two writes comes once it is whole.
  void turnsAreCutFromTheStream() {
    auto link = ListeningLink();
    TurnReader reader(*link);
    RivalConnection rival(link->ListenPort());
    QVERIFY(AcceptedFrom(*link, rival));
    const std::pair<QByteArray, QStringList> writes[] = {
        {"20,19,0,3,1,0,25,25,25,2,2,2,", {"20,19,0,3,1,0,", "25,25,25,2,2,2,"}},
        {"15,16", {}},
        {",17,1,1,1,", {"15,16,17,1,1,1,"}}};
    QSignalSpy arrived(link.get(), &PeerLink::incomingDataArrived);
    QStringList messages;
    for (const auto& [bytes, more] : writes) {
      rival.Send(bytes);
      QVERIFY(arrived.wait(5000));  // each write is read on its own
      messages += more;
      QTRY_COMPARE(reader.messages, messages);
    }
  }

  // A remainder without six commas is handed over whole, decoded, after one quiet second, so
  // that a short or malformed message still reaches the parser: alone or after a turn.
  void shortRemainderComesAfterOneSecond() {
    auto link = ListeningLink();
    TurnReader reader(*link);
    RivalConnection rival(link->ListenPort());
    QVERIFY(AcceptedFrom(*link, rival));
    QSignalSpy arrived(link.get(), &PeerLink::incomingDataArrived);
    const std::pair<QByteArray, QStringList> writes[] = {
        {QByteArray::fromHex("8ce38d552c"), {QStringLiteral("後攻,")}},
        {"20,19,0,3,1,0,x", {"20,19,0,3,1,0,", "x"}}};
    QStringList messages;
    for (const auto& [bytes, more] : writes) {
      QElapsedTimer clock;
      clock.start();
      rival.Send(bytes);
      QVERIFY(arrived.wait(5000));
      QCOMPARE(reader.messages, messages + more.first(more.size() - 1));
      messages += more;
      QTRY_COMPARE_WITH_TIMEOUT(reader.messages, messages, 5000);
      QVERIFY(clock.elapsed() >= 1000);
    }
  }

  // A flood without commas comes in pieces of the buffer's size; memory stays bounded and the
  // turn after it arrives intact.
  void floodIsHeldBack() {
    auto link = ListeningLink();
    TurnReader reader(*link);
    RivalConnection rival(link->ListenPort());
    QTcpSocket* incoming = AcceptedFrom(*link, rival);
    QVERIFY(incoming);
    QCOMPARE(incoming->readBufferSize(), markwick::kTurnBufferSize);
    const int pieces = 64;
    rival.Send(QByteArray(pieces * markwick::kTurnBufferSize, 'x') + "20,19,0,3,1,0,");
    QTRY_COMPARE_WITH_TIMEOUT(reader.messages.size(), pieces + 1, 20000);
    for (int i = 0; i < pieces; ++i) {
      QCOMPARE(reader.messages[i], QString(markwick::kTurnBufferSize, u'x'));
    }
    QCOMPARE(reader.messages.back(), QStringLiteral("20,19,0,3,1,0,"));
    QVERIFY(reader.most_unread <= markwick::kTurnBufferSize);
  }

  // Turns are read from the first incoming connection only; when it closes, the next one
  // takes its place and what it holds is taken.
  void readsTheFirstIncomingConnection() {
    auto link = ListeningLink();
    TurnReader reader(*link);
    RivalConnection a(link->ListenPort());
    QVERIFY(AcceptedFrom(*link, a));
    RivalConnection b(link->ListenPort());
    QTcpSocket* from_b = AcceptedFrom(*link, b);
    QVERIFY(from_b);
    QSignalSpy arrived(link.get(), &PeerLink::incomingDataArrived);
    b.Send("15,0,0,1,0,0,");
    QVERIFY(arrived.wait(5000));
    QVERIFY(reader.messages.isEmpty());  // b's turn stays unread
    a.Send("20,19,0,3,1,0,");
    QTRY_COMPARE(reader.messages, QStringList{"20,19,0,3,1,0,"});
    a.socket.disconnectFromHost();
    QTRY_COMPARE(reader.messages, (QStringList{"20,19,0,3,1,0,", "15,0,0,1,0,0,"}));
    QCOMPARE(link->IncomingConnections(), QList<QTcpSocket*>{from_b});
  }

  // A newer connection from the rival's host (the outgoing connection's) takes over: the older
  // one from there is closed and the newer one read; another host's connection takes nothing
  // over.
  void newerConnectionFromTheRivalTakesOver() {
    const QHostAddress rival_host(QStringLiteral("127.0.0.2"));
    auto link = ListeningLink();
    link->SetOutgoingHost(rival_host.toString());
    TurnReader reader(*link);
    RivalConnection older(link->ListenPort(), rival_host);
    const QPointer<QTcpSocket> from_older = Listed(*link, older);
    QVERIFY(from_older);
    QVERIFY(!link->CameBack(from_older));
    older.Send("20,19,");  // half a turn, never completed
    RivalConnection newer(link->ListenPort(), rival_host);
    const QPointer<QTcpSocket> from_newer = Listed(*link, newer);
    QVERIFY(from_newer);
    QVERIFY(link->CameBack(from_newer));
    QTRY_COMPARE(older.socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(link->IncomingConnections(), QList<QTcpSocket*>{from_newer.data()});
    RivalConnection other(link->ListenPort());
    QVERIFY(Listed(*link, other));
    newer.Send("25,0,0,1,0,0,");
    QTRY_COMPARE(reader.messages, QStringList{"25,0,0,1,0,0,"});
    QCOMPARE(link->IncomingConnections().size(), 2);
  }

  // Bytes that the caller does not take stay where they are, and nothing runs meanwhile.
  void untakenBytesStayUnread() {
    auto link = ListeningLink();
    RivalConnection rival(link->ListenPort());
    QTcpSocket* incoming = AcceptedFrom(*link, rival);
    QVERIFY(incoming);
    QSignalSpy arrived(link.get(), &PeerLink::incomingDataArrived);
    rival.Send("20,19,0,3,1,0,");
    QVERIFY(arrived.wait(5000));
    QCOMPARE(incoming->bytesAvailable(), 14);
    QCOMPARE(link->TakeTurnMessage(), std::optional<QString>(QStringLiteral("20,19,0,3,1,0,")));
    QCOMPARE(link->TakeTurnMessage(), std::nullopt);
  }

  // The rival sends its last turn and quits while the board is busy (a result box is open), so
  // the turn is taken only after the connection has closed: it is still there, whole, and the
  // connection leaves the list once everything is taken. A rest without six commas comes at
  // once, since nothing more can arrive.
  void turnsSentBeforeTheRivalLeftAreStillTaken_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("turn and a short rest")
        << QByteArray("20,19,0,3,1,0,25,25") << QStringList{"20,19,0,3,1,0,", "25,25"};
    // A line end after a turn: read with the turn it would give no item, so it is no message.
    QTest::newRow("turn and a line end")
        << QByteArray("20,19,0,3,1,0,\r\n") << QStringList{"20,19,0,3,1,0,"};
  }
  void turnsSentBeforeTheRivalLeftAreStillTaken() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, messages);
    auto link = ListeningLink();
    RivalConnection rival(link->ListenPort());
    QPointer<QTcpSocket> incoming = AcceptedFrom(*link, rival);
    QVERIFY(incoming);
    QSignalSpy closed(incoming.data(), &QTcpSocket::disconnected);
    rival.Send(bytes);
    rival.socket.disconnectFromHost();
    QTRY_VERIFY(closed.count() > 0);
    QStringList taken;
    while (std::optional<QString> message = link->TakeTurnMessage()) taken.append(*message);
    QCOMPARE(taken, messages);
    QVERIFY(link->IncomingConnections().isEmpty());
  }

  // Malformed messages are counted per peer address over the whole run, over all its
  // connections, at once or one after another, read at once or later, and a good turn does not
  // reset the count: three boxes, then one that says the link was cut, which closes what the
  // address still holds. Its later connections are closed unread; the rival at another address
  // plays on, also when its connection waited behind the flooder's.
  void malformedMessagesAreCountedPerAddress_data() {
    QTest::addColumn<int>("connections");
    QTest::addColumn<QByteArray>("bytes");  // what each sends before it closes
    QTest::addColumn<bool>("held");         // all opened behind the rival's and left open
    // The rival's connection opens behind the first of the flooder's, stays open, and sends a
    // turn that waits behind the flood.
    QTest::addColumn<bool>("rival_behind");
    const QByteArray bad = "x,0,0,0,0,0,";
    QTest::newRow("reconnecting, three each") << 10 << bad + bad + bad << false << false;
    QTest::newRow("a good turn after every two")
        << 1 << (bad + bad + "0,0,0,0,0,0,").repeated(10) << false << false;
    QTest::newRow("one each") << 10 << bad << false << false;
    QTest::newRow("held behind the rival's") << 10 << bad + bad + bad << true << false;
    QTest::newRow("1 MiB of commas") << 1 << QByteArray(1 << 20, ',') << false << false;
    QTest::newRow("the rival's behind the flooder's") << 1 << bad + bad + bad << false << true;
  }
  void malformedMessagesAreCountedPerAddress() {
    QFETCH(int, connections);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, held);
    QFETCH(bool, rival_behind);
    const QHostAddress flooder(QStringLiteral("127.0.0.1"));
    const QHostAddress rival_host(QStringLiteral("127.0.0.2"));
    auto link = ListeningLink();
    TurnApplier applier(*link);
    std::optional<RivalConnection> rival;
    const auto rival_connects = [&] {
      rival.emplace(link->ListenPort(), rival_host);
      return !Listed(*link, *rival).isNull();
    };
    if (!rival_behind) {
      QVERIFY(rival_connects());
      if (!held) rival->socket.disconnectFromHost();
    }
    std::vector<std::unique_ptr<RivalConnection>> flood;
    std::vector<QPointer<QTcpSocket>> listed;
    const auto gone = [&](const QPointer<QTcpSocket>& in) {
      return QTest::qWaitFor([&] { return !link->IncomingConnections().contains(in.data()); });
    };
    for (int i = 0; i < connections; ++i) {
      RivalConnection& next =
          *flood.emplace_back(std::make_unique<RivalConnection>(link->ListenPort(), flooder));
      const QPointer<QTcpSocket> in = Listed(*link, next);
      if (!in) continue;
      listed.push_back(in);
      if (rival_behind && !rival) {
        QVERIFY(rival_connects());
        rival->Send("20,19,0,3,1,0,");
      }
      next.Send(bytes);
      if (held) continue;
      next.socket.disconnectFromHost();
      QVERIFY(gone(in));  // read to its end before the next one opens
    }
    if (held) {
      QCOMPARE(link->IncomingConnections().size(), 1 + PeerLink::kMostIncomingPerAddress);
      rival->socket.disconnectFromHost();
    }
    for (const QPointer<QTcpSocket>& in : listed) QVERIFY(gone(in));
    if (rival_behind) {
      QTRY_COMPARE(applier.applied, 1);
      QVERIFY(Listed(*link, *rival));
      rival->socket.disconnectFromHost();
    }

    RivalConnection again(link->ListenPort(), rival_host);
    QVERIFY(Listed(*link, again));
    const int applied = applier.applied;
    again.Send("20,19,0,3,1,0,");
    QTRY_COMPARE(applier.applied, applied + 1);
    QCOMPARE(applier.malformed, 3);
    QCOMPARE(applier.cuts, 1);
    QSignalSpy accepted(link.get(), &PeerLink::incomingAccepted);
    RivalConnection refused(link->ListenPort(), flooder);
    QVERIFY(!Listed(*link, refused));
    QCOMPARE(accepted.count(), 0);
  }

  // ---- A rival whose host vanishes ----

#ifdef __linux__
  // The rival's host is a network namespace of its own, joined to this one by a veth pair; its
  // end of the pair goes down, so that nothing answers any more, not even with a reset (a
  // stopped program's kernel would still answer keep-alive probes). Keep-alive sees it within
  // about 30 seconds on both connections.
  void vanishedHostIsSeen() {
    QVERIFY2(geteuid() == 0, "a veth pair needs root: run the test through CTest");
    QProcess host;  // holds the rival's namespace while it lives
    host.start(QStringLiteral("unshare"),
               {QStringLiteral("-n"), QStringLiteral("sleep"), QStringLiteral("300")});
    QVERIFY(host.waitForStarted());
    const QString pid = QString::number(host.processId());
    const auto run = [](const QStringList& command) {
      return QProcess::execute(command.first(), command.mid(1)) == 0;
    };
    const QStringList there{QStringLiteral("nsenter"), QStringLiteral("-t"), pid,
                            QStringLiteral("-n")};
    // The namespace is the host's once unshare has made it and started sleep there.
    QTRY_VERIFY(QFile::symLinkTarget(QStringLiteral("/proc/%1/ns/net").arg(pid)) !=
                QFile::symLinkTarget(QStringLiteral("/proc/self/ns/net")));
    QVERIFY(run({"ip", "link", "add", "mwk0", "type", "veth", "peer", "name", "mwk1"}));
    QVERIFY(run({"ip", "link", "set", "mwk1", "netns", pid}));
    QVERIFY(run({"ip", "addr", "add", "10.77.0.1/24", "dev", "mwk0"}));
    QVERIFY(run({"ip", "link", "set", "mwk0", "up"}));
    QVERIFY(run(there + QStringList{"ip", "addr", "add", "10.77.0.2/24", "dev", "mwk1"}));
    QVERIFY(run(there + QStringList{"ip", "link", "set", "mwk1", "up"}));

    // The rival's sockets are made in its namespace: a socket stays in the one it was made in.
    const int home = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int away = open(QStringLiteral("/proc/%1/ns/net").arg(pid).toLatin1().constData(),
                          O_RDONLY | O_CLOEXEC);
    QVERIFY(home >= 0 && away >= 0);
    QVERIFY(setns(away, CLONE_NEWNET) == 0);
    QTcpServer rival_server;
    const bool rival_listens = rival_server.listen(QHostAddress::AnyIPv4, 0);
    auto link = std::make_unique<PeerLink>();
    QTcpSocket rival_out;
    rival_out.bind(QHostAddress(QStringLiteral("10.77.0.2")));  // made here, while away
    QVERIFY(setns(home, CLONE_NEWNET) == 0);
    close(home);
    close(away);
    QVERIFY(rival_listens);

    link->SetListenPort(FreePort());
    link->Listen();
    link->SetOutgoingHost(QStringLiteral("10.77.0.2"));
    link->SetOutgoingPort(rival_server.serverPort());
    link->OpenOutgoing();
    QTRY_VERIFY_WITH_TIMEOUT(link->IsOutgoingConnected(), 5000);
    rival_out.connectToHost(QHostAddress(QStringLiteral("10.77.0.1")), link->ListenPort());
    QTRY_COMPARE_WITH_TIMEOUT(link->IncomingConnections().size(), 1, 5000);

    QSignalSpy disconnected(link.get(), &PeerLink::outgoingDisconnected);
    QSignalSpy failed(link.get(), &PeerLink::failed);
    QVERIFY(run(there + QStringList{"ip", "link", "set", "mwk1", "down"}));
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(disconnected.count() == 1, 45000);
    QTRY_VERIFY_WITH_TIMEOUT(link->IncomingConnections().isEmpty(), 45000);
    qInfo("seen after %lld ms", clock.elapsed());
    const QString timed_out = markwick::AsyncSocketErrorText(ETIMEDOUT);
    QVERIFY(!failed.isEmpty());
    for (const QList<QVariant>& report : failed) QCOMPARE(report.first().toString(), timed_out);
    link.reset();
    run({"ip", "link", "del", "mwk0"});
    host.kill();
    host.waitForFinished();
  }
#endif
};

QTEST_GUILESS_MAIN(PeerLinkTest)
#include "test_peer_link.moc"
