#include <QtTest>

#include "link/turn_framer.h"

using markwick::AppendNameBytes;
using markwick::NextTurnLength;
using markwick::WholeCharactersLength;

class TurnFramerTest : public QObject {
  Q_OBJECT
 private slots:
  // A message ends at its sixth comma; an incomplete one waits unless the stream went quiet or
  // the buffer is full; cuts never fall inside a double-byte character.
  void cutsTheNextMessage_data() {
    QTest::addColumn<QByteArray>("pending");
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<qsizetype>("buffer_size");
    QTest::addColumn<qsizetype>("length");
    const qsizetype full = markwick::kTurnBufferSize;
    const auto row = [](const char* name, const QByteArray& pending, bool quiet,
                        qsizetype buffer_size, qsizetype length) {
      QTest::newRow(name) << pending << quiet << buffer_size << length;
    };
    row("empty", "", false, full, 0);
    row("empty, quiet", "", true, full, 0);
    row("one turn", "20,19,0,3,1,0,", false, full, 14);
    row("two turns", "20,19,0,3,1,0,25,25,25,2,2,2,", false, full, 14);
    row("turn and a piece", "20,19,0,3,1,0,2", false, full, 14);
    row("turn first, also when quiet", "20,0,0,3,0,0,25,", true, full, 13);
    row("five commas wait", "20,19,0,3,1,0", false, full, 0);
    row("five commas, quiet", "20,19,0,3,1,0", true, full, 13);
    row("short and malformed, quiet", "x,y", true, full, 3);
    row("empty fields", ",,,,,,,", false, full, 6);
    row("blanks are no end", "20 19 0 3 1 0 ", false, full, 0);
    // A comma is never the second byte of a pair: the one after a lead byte counts.
    row("comma after a lead byte", "\x81,1,2,3,4,5,6,", false, full, 12);
    row("Japanese fields", "\x96\xbc,\x91\x4f,,,,,rest", false, full, 10);
    row("full without commas", "abcdefgh", false, 8, 8);
    row("full, lead byte last", "abcdefg\x96", false, 8, 7);
    row("over full, character across the limit", "abcdefg\x96\xbc", false, 8, 7);
    row("over full, characters up to the limit", "\x96\xbc\x96\xbc\x96\xbc\x96\xbc\x96", false, 8,
        8);
    row("full, but a message ends inside", "1,2,3,4,5,6,abcd", false, 16, 12);
    row("one lead byte fills the buffer", "\x96", false, 1, 1);
    row("lone lead byte at the end, quiet", "1,\x96", true, full, 3);
  }
  void cutsTheNextMessage() {
    QFETCH(QByteArray, pending);
    QFETCH(bool, quiet);
    QFETCH(qsizetype, buffer_size);
    QFETCH(qsizetype, length);
    QCOMPARE(NextTurnLength(pending, quiet, buffer_size), length);
  }

  // Taking messages one after another from a stream gives back every byte, in order.
  void streamIsCutWithoutLoss() {
    const QByteArray stream = "20,19,0,3,1,0,25,25,25,2,2,2,\x96\xbc,\x91\x4f,,,,,garbage";
    QByteArray pending = stream;
    QList<QByteArray> messages;
    while (const qsizetype n = NextTurnLength(pending, true)) {
      messages.append(pending.first(n));
      pending.remove(0, n);
    }
    QCOMPARE(messages, (QList<QByteArray>{"20,19,0,3,1,0,", "25,25,25,2,2,2,",
                                          "\x96\xbc,\x91\x4f,,,,,", "garbage"}));
  }

  // The name grows by each read up to the limit; a character cut there leaves its lead byte,
  // so that the name stays full.
  void appendsNameBytes_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("more");
    QTest::addColumn<qsizetype>("buffer_size");
    QTest::addColumn<QByteArray>("result");
    const qsizetype full = markwick::kNameBufferSize;
    QTest::newRow("first read") << QByteArray() << QByteArray("Player1") << full
                                << QByteArray("Player1");
    QTest::newRow("second read") << QByteArray("Pla") << QByteArray("yer1") << full
                                 << QByteArray("Player1");
    QTest::newRow("character split between reads")
        << QByteArray("\x96") << QByteArray("\xbc\x91\x4f") << full
        << QByteArray("\x96\xbc\x91\x4f");
    QTest::newRow("cut at the limit")
        << QByteArray("ab") << QByteArray("cdef") << qsizetype{4} << QByteArray("abcd");
    QTest::newRow("character across the limit")
        << QByteArray("ab") << QByteArray("c\x96\xbc") << qsizetype{4} << QByteArray("abc\x96");
    QTest::newRow("character up to the limit")
        << QByteArray("ab") << QByteArray("\x96\xbcx") << qsizetype{4} << QByteArray("ab\x96\xbc");
    QTest::newRow("already full") << QByteArray("abcd") << QByteArray("e") << qsizetype{4}
                                  << QByteArray("abcd");
    QTest::newRow("nothing more") << QByteArray("abc") << QByteArray() << full << QByteArray("abc");
  }
  void appendsNameBytes() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, more);
    QFETCH(qsizetype, buffer_size);
    QFETCH(QByteArray, result);
    QCOMPARE(AppendNameBytes(name, more, buffer_size).toHex(' '), result.toHex(' '));
  }

  // Only a lead byte that waits for its second byte is left out of the shown text.
  void wholeCharactersLength_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qsizetype>("length");
    QTest::newRow("empty") << QByteArray() << qsizetype{0};
    QTest::newRow("ascii") << QByteArray("abc") << qsizetype{3};
    QTest::newRow("lead byte last") << QByteArray("ab\x96") << qsizetype{2};
    QTest::newRow("whole character") << QByteArray("\x96\xbc") << qsizetype{2};
    QTest::newRow("lead value as second byte") << QByteArray("\x82\x82") << qsizetype{2};
    QTest::newRow("second pair incomplete") << QByteArray("\x82\x82\x82") << qsizetype{2};
    QTest::newRow("0x5C as second byte") << QByteArray("\x83\x5c") << qsizetype{2};
  }
  void wholeCharactersLength() {
    QFETCH(QByteArray, bytes);
    QFETCH(qsizetype, length);
    QCOMPARE(WholeCharactersLength(bytes), length);
  }
};

QTEST_APPLESS_MAIN(TurnFramerTest)
#include "test_turn_framer.moc"
