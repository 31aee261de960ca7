// One incoming connection's receiving, without sockets: what it is fed (bytes read, the rival's
// close, the end of the quiet time) and what it answers each time.
#include <QtTest>

#include "link/turn_framer.h"
#include "link/turn_receiver.h"

using markwick::TurnReceiver;
using Next = markwick::TurnReceiver::Next;

namespace {

// "<message> | <next>", "-" for no message.
QString Describe(const TurnReceiver::Answer& answer) {
  static const char* const kNext[] = {"wait", "quietly", "again", "done"};
  return (answer.message ? QString::fromLatin1(*answer.message) : QStringLiteral("-")) +
         QStringLiteral(" | ") + QLatin1String(kNext[static_cast<int>(answer.next)]);
}

}  // namespace

class TurnReceiverTest : public QObject {
  Q_OBJECT
 private slots:
  // Each feed is the bytes of one read; "closed:" before them means the rival has closed the
  // connection by then, "quiet" that the quiet time ran out before the next take (with nothing
  // read).
  void answersEachFeed_data() {
    QTest::addColumn<QByteArrayList>("feeds");
    QTest::addColumn<QStringList>("answers");
    const QByteArray turn = "20,19,0,3,1,0,";
    const QString full(markwick::kTurnBufferSize, u'x');
    QTest::newRow("one turn") << QByteArrayList{turn} << QStringList{"20,19,0,3,1,0, | wait"};
    QTest::newRow("two turns in one read")
        << QByteArrayList{turn + "25,25,25,2,2,2,", ""}
        << QStringList{"20,19,0,3,1,0, | again", "25,25,25,2,2,2, | wait"};
    QTest::newRow("one turn in two reads") << QByteArrayList{"20,19,0", ",3,1,0,"}
                                           << QStringList{"- | quietly", "20,19,0,3,1,0, | wait"};
    QTest::newRow("a turn and a piece")
        << QByteArrayList{turn + "x"} << QStringList{"20,19,0,3,1,0, | quietly"};
    // A take with nothing new leaves the running quiet time alone; new bytes restart it.
    QTest::newRow("short remainder after the quiet time")
        << QByteArrayList{"20,19", "", ",0", "quiet"}
        << QStringList{"- | quietly", "- | wait", "- | quietly", "20,19,0 | wait"};
    QTest::newRow("quiet time over, nothing held")
        << QByteArrayList{turn, "quiet"} << QStringList{"20,19,0,3,1,0, | wait", "- | wait"};
    QTest::newRow("a line end after a turn is no message")
        << QByteArrayList{turn + "\r\n", "quiet"}
        << QStringList{"20,19,0,3,1,0, | quietly", "- | wait"};
    QTest::newRow("blanks alone are a message")
        << QByteArrayList{" \r\n", "quiet"} << QStringList{"- | quietly", " \r\n | wait"};
    QTest::newRow("closed with a turn and a rest")
        << QByteArrayList{"closed:" + turn + "25,25", "closed:"}
        << QStringList{"20,19,0,3,1,0, | again", "25,25 | done"};
    // The split ends a text at a NUL: a rest of blanks up to one is no message either.
    QTest::newRow("closed with two turns and a rest cut off by a NUL")
        << QByteArrayList{"closed:" + turn + "25,25,25,2,2,2, \t" + '\0' + "xyz",
                          "closed:", "closed:"}
        << QStringList{"20,19,0,3,1,0, | again", "25,25,25,2,2,2, | again", "- | done"};
    QTest::newRow("closed after a piece")
        << QByteArrayList{"20,19", "closed:"} << QStringList{"- | quietly", "20,19 | done"};
    QTest::newRow("closed, nothing held") << QByteArrayList{"closed:"} << QStringList{"- | done"};
    QTest::newRow("closed stays closed")
        << QByteArrayList{"closed:", "20,"} << QStringList{"- | done", "20, | done"};
    QTest::newRow("a full buffer without commas")
        << QByteArrayList{QByteArray(markwick::kTurnBufferSize, 'x')}
        << QStringList{full + " | wait"};
  }
  void answersEachFeed() {
    QFETCH(QByteArrayList, feeds);
    QFETCH(QStringList, answers);
    TurnReceiver receiver;
    bool closed = false;
    QStringList got;
    for (QByteArray feed : feeds) {
      if (feed == "quiet") {
        receiver.QuietTimeOver();
        feed.clear();
      }
      if (feed.startsWith("closed:")) {
        closed = true;
        feed.remove(0, 7);
      }
      QVERIFY(feed.size() <= receiver.Room());
      got.append(Describe(receiver.Take(feed, closed)));
    }
    QCOMPARE(got, answers);
  }

  // The link reads no more than the buffer has room for; taking a message makes room again.
  void roomIsWhatTheBufferLacks() {
    TurnReceiver receiver;
    QCOMPARE(receiver.Room(), markwick::kTurnBufferSize);
    QCOMPARE(receiver.Take("20,19,0,3,1,0,2", false).next, Next::WaitQuietly);
    QCOMPARE(receiver.Room(), markwick::kTurnBufferSize - 1);
    QVERIFY(receiver.HoldsBytes());
    receiver.Take(QByteArray(receiver.Room(), 'x'), false);
    QCOMPARE(receiver.Room(), markwick::kTurnBufferSize);
    QVERIFY(!receiver.HoldsBytes());
  }
};

QTEST_APPLESS_MAIN(TurnReceiverTest)
#include "test_turn_receiver.moc"
