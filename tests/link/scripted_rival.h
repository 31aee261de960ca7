// A scripted rival made of plain QTcpServer and QTcpSocket on 127.0.0.1: it sends exactly the
// bytes a test gives, as a well-behaved, broken or hostile peer could, and records what arrives.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace markwick::testing {

// The rival's listener: accepts the link's outgoing connection and records what arrives.
// Port 0 takes any free port.
struct RivalListener {
  QTcpServer server;
  QPointer<QTcpSocket> accepted;
  QByteArray received;

  explicit RivalListener(quint16 port = 0) {
    QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
      accepted = server.nextPendingConnection();
      QObject::connect(accepted, &QTcpSocket::readyRead, &server,
                       [this] { received += accepted->readAll(); });
    });
    server.listen(QHostAddress::LocalHost, port);
  }
};

// The rival's outgoing connection to the link's listener, from `from` when given (127.0.0.2
// stands for another host).
struct RivalConnection {
  QTcpSocket socket;
  QByteArray received;

  explicit RivalConnection(quint16 port, const QHostAddress& from = {}) {
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket,
                     [this] { received += socket.readAll(); });
    if (!from.isNull()) socket.bind(from);
    socket.connectToHost(QHostAddress::LocalHost, port);
  }
  void Send(const QByteArray& bytes) {
    socket.write(bytes);
    socket.flush();
  }
};

}  // namespace markwick::testing
