#include <QtTest>

#include "link/sjis_codec.h"

using markwick::DecodeSjis;
using markwick::EncodeSjis;
using markwick::SjisCharLength;
using markwick::SjisCutLength;

class SjisCodecTest : public QObject {
  Q_OBJECT
 private slots:
  // The code page 932 forms of "－" (81 7C) and "～" (81 60), not those of plain Shift-JIS.
  void encodesToCodePage932Bytes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("match over") << QStringLiteral("試合終了－－×＼○～")
                                << QByteArray::fromHex("8e8e8d878f4997b9817c817c817e815f819b8160");
    QTest::newRow("second byte 0x5C") << QStringLiteral("ソ表") << QByteArray::fromHex("835c955c");
    QTest::newRow("half-width katakana") << QStringLiteral("ﾏｰｸ") << QByteArray::fromHex("cfb0b8");
    QTest::newRow("ascii") << QStringLiteral("20,19,0,3,1,0,") << QByteArray("20,19,0,3,1,0,");
    QTest::newRow("empty") << QString() << QByteArray();
  }
  void encodesToCodePage932Bytes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(EncodeSjis(text).toHex(' '), bytes.toHex(' '));
    QCOMPARE(DecodeSjis(bytes), text);
  }

  // Every Japanese text of the program comes back unchanged from its bytes.
  void programTextsRoundTrip_data() {
    QTest::addColumn<QString>("text");
    for (const char* text :
         {"先攻いきます", "後攻待ちます", "設定しないでGo", "先攻プレイヤー", "後攻プレイヤー",
          "プレイヤー名：", "相手のIPアドレス：", "使用ポート：50100、50001", "記録入力受付中",
          "相手入力待ち", "修正する記録がありません！", "試合終了", "Markwick [先攻]",
          "Markwick [後攻]", "／20R", "外", "%s に書き込めません", "ＭＳ Ｐゴシック"}) {
      QTest::newRow(text) << QString::fromUtf8(text);
    }
  }
  void programTextsRoundTrip() {
    QFETCH(QString, text);
    const QByteArray bytes = EncodeSjis(text);
    QVERIFY(!bytes.contains('?'));
    QCOMPARE(DecodeSjis(bytes), text);
  }

  // A character the code page lacks becomes "?", not the converter's user-defined FC FC.
  void unmappableCharactersBecomeQuestionMarks() {
    QCOMPARE(EncodeSjis(QStringLiteral("aé試😀b")), QByteArray("a?\x8e\x8e?b"));
    // Lone surrogates, also one that ends the text.
    QCOMPARE(EncodeSjis(QStringLiteral("a") + QChar(0xDC00) + u'b'), QByteArray("a?b"));
    QCOMPARE(EncodeSjis(QString(QChar(0xD800))), QByteArray("?"));
  }

  // A double-byte character cut off at the end is marked, the rest decodes, nothing crashes.
  void truncatedCharacterDecodesToReplacement_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("lone lead byte") << QByteArray("\x81") << QString(QChar::ReplacementCharacter);
    QTest::newRow("after a character")
        << QByteArray("\x8e\x8e\x8d") << QStringLiteral("試") + QChar::ReplacementCharacter;
    QTest::newRow("after ascii") << QByteArray("ab\xfc") << QStringLiteral("ab\uFFFD");
    // 81 81 is "＝": its last byte is in the lead range but is a second byte.
    QTest::newRow("second byte in lead range") << QByteArray("\x81\x81") << QStringLiteral("＝");
  }
  void truncatedCharacterDecodesToReplacement() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(DecodeSjis(bytes), text);
  }

  // Decoding every prefix of a text never crashes and keeps the whole characters before the cut.
  void everyPrefixDecodes() {
    const QString text = QStringLiteral("先攻ソ表ﾏｰｸa＝b");
    const QByteArray bytes = EncodeSjis(text);
    for (qsizetype n = 0; n <= bytes.size(); ++n) {
      const qsizetype whole = SjisCutLength(bytes, n);
      const QString prefix = DecodeSjis(bytes.first(whole));
      QVERIFY(text.startsWith(prefix));
      QCOMPARE(DecodeSjis(bytes.first(n)).startsWith(prefix), true);
    }
  }

  void characterLength_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("length");
    QTest::newRow("ascii") << QByteArray("ab") << 0 << 1;
    QTest::newRow("0x80") << QByteArray("\x80\x40") << 0 << 1;
    QTest::newRow("0x81 lead") << QByteArray("\x81\x40") << 0 << 2;
    QTest::newRow("0x9F lead") << QByteArray("\x9f\x40") << 0 << 2;
    QTest::newRow("0xA0") << QByteArray("\xa0\x40") << 0 << 1;
    QTest::newRow("0xDF katakana") << QByteArray("\xdf\x40") << 0 << 1;
    QTest::newRow("0xE0 lead") << QByteArray("\xe0\x40") << 0 << 2;
    QTest::newRow("0xFC lead") << QByteArray("\xfc\x40") << 0 << 2;
    QTest::newRow("0xFD") << QByteArray("\xfd\x40") << 0 << 1;
    QTest::newRow("lead as last byte") << QByteArray("a\x81") << 1 << 1;
    QTest::newRow("at the end") << QByteArray("ab") << 2 << 0;
  }
  void characterLength() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, pos);
    QFETCH(int, length);
    QCOMPARE(SjisCharLength(bytes, pos), qsizetype{length});
  }

  // Cuts fall between characters, also where a second byte looks like a lead byte or like "\".
  void cutLength_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("cut");
    const QByteArray mixed(
        "a\x8e\x8e"
        "b");  // "a試b"
    QTest::newRow("before a pair") << mixed << 1 << 1;
    QTest::newRow("inside a pair") << mixed << 2 << 1;
    QTest::newRow("after a pair") << mixed << 3 << 3;
    QTest::newRow("more than all") << mixed << 10 << 4;
    QTest::newRow("nothing") << mixed << 0 << 0;
    QTest::newRow("negative") << mixed << -1 << 0;
    QTest::newRow("second bytes in lead range") << QByteArray("\x81\x81\x81\x81") << 3 << 2;
    QTest::newRow("second bytes 0x5C") << QByteArray("\x83\x5c\x95\x5c") << 3 << 2;
  }
  void cutLength() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, max);
    QFETCH(int, cut);
    QCOMPARE(SjisCutLength(bytes, max), qsizetype{cut});
  }
};

QTEST_APPLESS_MAIN(SjisCodecTest)
#include "test_sjis_codec.moc"
