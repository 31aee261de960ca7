// The resynchronisation text, byte for byte, and what a reader makes of what arrives in the
// name's direction.
#include <QtTest>

#include "link/resync_message.h"

using markwick::ComposeResync;
using markwick::NameOf;
using markwick::ReadResync;
using markwick::ResyncCounts;

Q_DECLARE_METATYPE(std::optional<ResyncCounts>)

class ResyncMessageTest : public QObject {
  Q_OBJECT
 private slots:
  void composesTheBytes() {
    QCOMPARE(ComposeResync("Pl1", {7, 6}), QByteArray("Pl1\0MWSYNC,7,6,", 15));
    QCOMPARE(ComposeResync(QByteArray::fromHex("8ce38d55"), {0, 0}),
             QByteArray::fromHex("8ce38d5500") + "MWSYNC,0,0,");
    QCOMPARE(ComposeResync("", {20, 19}), QByteArray("\0MWSYNC,20,19,", 14));
  }

  // Only a whole text gives counts; a bare name, a piece still arriving or anything else
  // after the NUL gives none. The name is the part before the NUL.
  void readsWhatArrives_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<std::optional<ResyncCounts>>("counts");
    QTest::addColumn<QByteArray>("name");
    const auto text = [](const char* tail) { return QByteArray("Pl1\0", 4) + tail; };
    const std::optional<ResyncCounts> none;
    QTest::newRow("whole") << text("MWSYNC,7,6,") << std::optional(ResyncCounts{7, 6})
                           << QByteArray("Pl1");
    QTest::newRow("no name") << QByteArray("\0MWSYNC,0,0,", 12) << std::optional(ResyncCounts{0, 0})
                             << QByteArray();
    QTest::newRow("a bare name") << QByteArray("Player2") << none << QByteArray("Player2");
    QTest::newRow("the name alone so far") << text("") << none << QByteArray("Pl1");
    QTest::newRow("the counts half there") << text("MWSYNC,7,") << none << QByteArray("Pl1");
    QTest::newRow("more after it") << text("MWSYNC,7,6,x") << none << QByteArray("Pl1");
    QTest::newRow("another mark") << text("MWSYNX,7,6,") << none << QByteArray("Pl1");
    QTest::newRow("a sign") << text("MWSYNC,-1,6,") << none << QByteArray("Pl1");
    QTest::newRow("a leading zero") << text("MWSYNC,07,6,") << none << QByteArray("Pl1");
    QTest::newRow("too long a number") << text("MWSYNC,1234567,6,") << none << QByteArray("Pl1");
  }
  void readsWhatArrives() {
    QFETCH(QByteArray, bytes);
    QFETCH(std::optional<ResyncCounts>, counts);
    QFETCH(QByteArray, name);
    QCOMPARE(ReadResync(bytes), counts);
    QCOMPARE(NameOf(bytes).toByteArray(), name);
  }
};

QTEST_APPLESS_MAIN(ResyncMessageTest)
#include "test_resync_message.moc"
