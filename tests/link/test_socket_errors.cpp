#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <clocale>

#include "link/socket_errors.h"

using markwick::AsyncSocketErrorText;
using markwick::ErrnoForSocketError;
using markwick::LookupErrorText;
using markwick::ResolverCodeForLookup;
using markwick::SystemCallErrorText;
using E = QAbstractSocket::SocketError;

class SocketErrorsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { std::setlocale(LC_MESSAGES, "C"); }

  // The error box texts, with the system's numbers and texts.
  void formatsErrorTexts() {
    QCOMPARE(SystemCallErrorText(u"bind", 98),
             QStringLiteral("'bind' API でWindows ソケットエラー: Address already in use (98)"));
    QCOMPARE(SystemCallErrorText(u"send", 104),
             QStringLiteral("'send' API でWindows ソケットエラー: Connection reset by peer (104)"));
    QCOMPARE(LookupErrorText(-2),
             QStringLiteral(
                 "'ASync Lookup' API でWindows ソケットエラー: Name or service not known (-2)"));
    QCOMPARE(AsyncSocketErrorText(111), QStringLiteral("非同期ソケットエラー 111"));
  }

  // Qt's error kinds, and the causes Qt files under NetworkError, give back their errno.
  void mapsQtErrorsToErrno_data() {
    QTest::addColumn<E>("error");
    QTest::addColumn<QString>("qt_text");
    QTest::addColumn<int>("error_number");
    QTest::newRow("refused") << E::ConnectionRefusedError << "Connection refused" << 111;
    QTest::newRow("port in use") << E::AddressInUseError << "The bound address is already in use"
                                 << 98;
    QTest::newRow("reset") << E::RemoteHostClosedError << "The remote host closed the connection"
                           << 104;
    QTest::newRow("connect timed out") << E::NetworkError << "Connection timed out" << 110;
    QTest::newRow("host unreachable") << E::NetworkError << "Host unreachable" << 113;
    QTest::newRow("network unreachable") << E::NetworkError << "Network unreachable" << 101;
    QTest::newRow("Qt's own connect time-out")
        << E::SocketTimeoutError << "Socket operation timed out" << 110;
    QTest::newRow("address not available")
        << E::SocketAddressNotAvailableError << "The address is not available" << 99;
    QTest::newRow("permission") << E::SocketAccessError << "Permission denied" << 13;
  }
  void mapsQtErrorsToErrno() {
    QFETCH(E, error);
    QFETCH(QString, qt_text);
    QFETCH(int, error_number);
    QCOMPARE(ErrnoForSocketError(error, qt_text), error_number);
  }

  // A name the resolver does not know is EAI_NONAME; other failures keep the resolver's code,
  // found from its text.
  void mapsLookupFailures_data() {
    QTest::addColumn<QHostInfo::HostInfoError>("error");
    QTest::addColumn<QString>("qt_text");
    QTest::addColumn<int>("code");
    QTest::newRow("unknown name") << QHostInfo::HostNotFound << "Host not found" << -2;
    QTest::newRow("invalid name") << QHostInfo::HostNotFound << "Invalid hostname" << -2;
    QTest::newRow("no DNS answer")
        << QHostInfo::UnknownError << "Temporary failure in name resolution" << -3;
    QTest::newRow("unknown text") << QHostInfo::UnknownError << "Unknown address type" << -4;
  }
  void mapsLookupFailures() {
    QFETCH(QHostInfo::HostInfoError, error);
    QFETCH(QString, qt_text);
    QFETCH(int, code);
    QCOMPARE(ResolverCodeForLookup(error, qt_text), code);
  }

  // What Qt really reports for a port in use and a refused connect maps to 98 and 111.
  void mapsWhatQtReallyReports() {
    QTcpServer first;
    QVERIFY(first.listen(QHostAddress::LocalHost, 0));
    QTcpServer second;
    QVERIFY(!second.listen(QHostAddress::LocalHost, first.serverPort()));
    QCOMPARE(ErrnoForSocketError(second.serverError(), second.errorString()), 98);

    const quint16 closed_port = first.serverPort();
    first.close();
    QTcpSocket socket;
    QSignalSpy errors(&socket, &QTcpSocket::errorOccurred);
    socket.connectToHost(QHostAddress::LocalHost, closed_port);
    QTRY_VERIFY(errors.count() >= 1);
    QCOMPARE(ErrnoForSocketError(socket.error(), socket.errorString()), 111);
  }
};

QTEST_GUILESS_MAIN(SocketErrorsTest)
#include "test_socket_errors.moc"
