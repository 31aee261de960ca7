#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <clocale>

#include "link/socket_errors.h"
#include "system_error_expectations.h"

#ifdef Q_OS_WIN
#include <ws2tcpip.h>
#endif

using markwick::AsyncSocketErrorText;
using markwick::ErrnoForSocketError;
using markwick::LookupErrorText;
using markwick::ResolverCodeForLookup;
using markwick::SystemCallErrorText;
using E = QAbstractSocket::SocketError;

using expected_errors::Code;

class SocketErrorsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
#ifdef LC_MESSAGES
    std::setlocale(LC_MESSAGES, "C");
#endif
  }

#ifdef Q_OS_WIN
  // WinSock's numbers with the system's texts in its language: those of FormatMessageW as Qt
  // reads them too, without the closing full stop. Where the system has no text (Wine, for
  // 10048) the box still shows the number.
  void formatsErrorTexts() {
    for (int code : {10061, 10048, 10054, 10060}) {
      QString text = qt_error_string(code);
      if (text.startsWith(u"Unknown error 0x")) text.clear();  // Qt's stand-in for none
      if (text.endsWith(u'.')) text.chop(1);
      QVERIFY(!text.contains(u'\n'));
      QCOMPARE(SystemCallErrorText(u"bind", code),
               QStringLiteral("'bind' API でWindows ソケットエラー: %1 (%2)").arg(text).arg(code));
    }
    QVERIFY(LookupErrorText(11001).startsWith(u"'ASync Lookup' API でWindows ソケットエラー: "));
    QVERIFY(LookupErrorText(11001).endsWith(u" (11001)"));
    QCOMPARE(AsyncSocketErrorText(10061), QStringLiteral("非同期ソケットエラー 10061"));
  }
#else
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
#endif

  // Qt's error kinds, and the causes Qt files under NetworkError, give back their errno.
  void mapsQtErrorsToErrno_data() {
    QTest::addColumn<E>("error");
    QTest::addColumn<QString>("qt_text");
    QTest::addColumn<int>("error_number");
    QTest::newRow("refused") << E::ConnectionRefusedError << "Connection refused"
                             << Code(111, 10061);
    QTest::newRow("port in use") << E::AddressInUseError << "The bound address is already in use"
                                 << Code(98, 10048);
    QTest::newRow("reset") << E::RemoteHostClosedError << "The remote host closed the connection"
                           << Code(104, 10054);
    QTest::newRow("connect timed out")
        << E::NetworkError << "Connection timed out" << Code(110, 10060);
    QTest::newRow("host unreachable") << E::NetworkError << "Host unreachable" << Code(113, 10065);
    QTest::newRow("network unreachable")
        << E::NetworkError << "Network unreachable" << Code(101, 10051);
    // Qt on Windows reports a reset (or aborted) connection on sending as a failed write.
    QTest::newRow("reset on sending") << E::NetworkError << "Unable to write" << Code(104, 10054);
    QTest::newRow("Qt's own connect time-out")
        << E::SocketTimeoutError << "Socket operation timed out" << Code(110, 10060);
    QTest::newRow("address not available")
        << E::SocketAddressNotAvailableError << "The address is not available" << Code(99, 10049);
    QTest::newRow("permission") << E::SocketAccessError << "Permission denied" << Code(13, 10013);
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
    QTest::newRow("unknown name") << QHostInfo::HostNotFound << "Host not found" << Code(-2, 11001);
    QTest::newRow("invalid name") << QHostInfo::HostNotFound << "Invalid hostname"
                                  << Code(-2, 11001);
#ifdef Q_OS_WIN
    // Qt puts gai_strerrorW's text into the errorString of other failures.
    QTest::newRow("no DNS answer")
        << QHostInfo::UnknownError << QString::fromWCharArray(gai_strerrorW(WSATRY_AGAIN)) << 11002;
#else
    QTest::newRow("no DNS answer")
        << QHostInfo::UnknownError << "Temporary failure in name resolution" << -3;
#endif
    QTest::newRow("unknown text") << QHostInfo::UnknownError << "Unknown address type"
                                  << Code(-4, 11003);
    QTest::newRow("IPv6 addresses only") << QHostInfo::NoError << "" << Code(-5, 11004);
  }
  void mapsLookupFailures() {
    QFETCH(QHostInfo::HostInfoError, error);
    QFETCH(QString, qt_text);
    QFETCH(int, code);
    QCOMPARE(ResolverCodeForLookup(error, qt_text), code);
  }

  // What Qt really reports for a port in use and a refused connect maps to the system's numbers.
  void mapsWhatQtReallyReports() {
    QTcpServer first;
    QVERIFY(first.listen(QHostAddress::LocalHost, 0));
    QTcpServer second;
    QVERIFY(!second.listen(QHostAddress::LocalHost, first.serverPort()));
    QCOMPARE(ErrnoForSocketError(second.serverError(), second.errorString()), Code(98, 10048));

    const quint16 closed_port = first.serverPort();
    first.close();
    QTcpSocket socket;
    QSignalSpy errors(&socket, &QTcpSocket::errorOccurred);
    socket.connectToHost(QHostAddress::LocalHost, closed_port);
    QTRY_VERIFY(errors.count() >= 1);
    QCOMPARE(ErrnoForSocketError(socket.error(), socket.errorString()), Code(111, 10061));
  }
};

QTEST_GUILESS_MAIN(SocketErrorsTest)
#include "test_socket_errors.moc"
