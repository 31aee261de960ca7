#include <QtTest>
#include <clocale>

#include "link/socket_errors.h"
#include "system_error_expectations.h"

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
  // The error box texts, with the system's text of the number given (whatever errno is now).
  // The link's boxes of a failed bind, send and lookup are checked where it shows them.
  void formatsErrorTexts() {
    QCOMPARE(SystemCallErrorText(u"send", 104),
             QStringLiteral("'send' API でWindows ソケットエラー: Connection reset by peer (104)"));
    QCOMPARE(AsyncSocketErrorText(111), QStringLiteral("非同期ソケットエラー 111"));
  }
#endif

  // Qt's error kinds give back the system's number they stand for. Where Qt files several
  // causes under NetworkError (a connect), the link has the system's number itself; on a
  // connection it stands for what Qt leaves under it: on Windows a reset or aborted send.
  void mapsQtErrorsToErrno_data() {
    QTest::addColumn<E>("error");
    QTest::addColumn<bool>("sending");
    QTest::addColumn<int>("error_number");
    QTest::newRow("refused") << E::ConnectionRefusedError << false << Code(111, 10061);
    QTest::newRow("port in use") << E::AddressInUseError << false << Code(98, 10048);
    QTest::newRow("reset") << E::RemoteHostClosedError << false << Code(104, 10054);
    QTest::newRow("reset on sending") << E::RemoteHostClosedError << true << Code(104, 10054);
    QTest::newRow("network error") << E::NetworkError << false << Code(100, 10050);
    QTest::newRow("network error on sending") << E::NetworkError << true << Code(100, 10054);
    QTest::newRow("timed out") << E::SocketTimeoutError << false << Code(110, 10060);
    QTest::newRow("address not available")
        << E::SocketAddressNotAvailableError << false << Code(99, 10049);
    QTest::newRow("permission") << E::SocketAccessError << false << Code(13, 10013);
    QTest::newRow("out of descriptors") << E::SocketResourceError << false << Code(105, 10055);
  }
  void mapsQtErrorsToErrno() {
    QFETCH(E, error);
    QFETCH(bool, sending);
    QFETCH(int, error_number);
    QCOMPARE(ErrnoForSocketError(error, sending), error_number);
  }

  // A name the resolver does not know is EAI_NONAME; any other failure is a name service that
  // did not answer, EAI_AGAIN.
  void mapsLookupFailures_data() {
    QTest::addColumn<QHostInfo::HostInfoError>("error");
    QTest::addColumn<int>("code");
    QTest::newRow("unknown name") << QHostInfo::HostNotFound << Code(-2, 11001);
    QTest::newRow("no DNS answer") << QHostInfo::UnknownError << Code(-3, 11002);
    QTest::newRow("IPv6 addresses only") << QHostInfo::NoError << Code(-5, 11004);
  }
  void mapsLookupFailures() {
    QFETCH(QHostInfo::HostInfoError, error);
    QFETCH(int, code);
    QCOMPARE(ResolverCodeForLookup(error), code);
  }
};

QTEST_GUILESS_MAIN(SocketErrorsTest)
#include "test_socket_errors.moc"
