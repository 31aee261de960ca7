// Code page 932's gaps: what the codec makes of bytes and pairs the code page leaves undefined
// and of characters it lacks, where Windows' own converter would give something else (private
// use characters, U+30FB, best-fit substitutes, two "?" for one character).
#include <QtTest>

#include "codec/sjis_codec.h"

using markwick::DecodeSjis;
using markwick::EncodeSjis;

namespace {
const QChar kBad = QChar::ReplacementCharacter;
}

class SjisCodecUndefinedTest : public QObject {
  Q_OBJECT
 private slots:
  // One U+FFFD per undefined byte or pair; a lead byte whose next byte cannot follow it is
  // undefined alone, and that byte is decoded on its own.
  void undefinedBytesDecodeToReplacement_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("0x80") << QByteArray("a\x80z") << QStringLiteral("a") + kBad + u'z';
    QTest::newRow("0xA0") << QByteArray("\xa0") << QString(kBad);
    QTest::newRow("0xFD-0xFF") << QByteArray("\xfd\xfe\xff") << QString(3, kBad);
    QTest::newRow("lead before a comma")
        << QByteArray("\x81,1") << QString(kBad) + QStringLiteral(",1");
    QTest::newRow("lead before DEL") << QByteArray("\x81\x7f") << QString(kBad) + QChar(0x7F);
    QTest::newRow("lead before 0xFD") << QByteArray("\x81\xfd") << QString(2, kBad);
    QTest::newRow("lead before a lead")
        << QByteArray("\x81\x0a\x88\x9f") << QString(kBad) + u'\n' + QStringLiteral("亜");
    QTest::newRow("unassigned pair") << QByteArray("\x85\x40x") << QString(kBad) + u'x';
    QTest::newRow("katakana middle dot is a real character")
        << QByteArray("\x81\x45") << QStringLiteral("・");
    QTest::newRow("user-defined area") << QByteArray("\xf0\x40") << QString(QChar(0xE000));
    QTest::newRow("NEC and IBM extensions")
        << QByteArray("\x87\x40\xed\x40\xfa\x40") << QStringLiteral("①纊ⅰ");
  }
  void undefinedBytesDecodeToReplacement() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(DecodeSjis(bytes), text);
  }

  // No best fit: characters without their own bytes become one "?" each.
  void missingCharactersEncodeToOneQuestionMark_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("wave dash (best fit: 81 60)") << QStringLiteral("\u301C") << QByteArray("?");
    QTest::newRow("yen sign (best fit: 5C)") << QStringLiteral("\u00A5") << QByteArray("?");
    QTest::newRow("not sign (best fit: 81 CA)") << QStringLiteral("\u00AC") << QByteArray("?");
    QTest::newRow("emoji: one for the pair") << QStringLiteral("a😀b") << QByteArray("a?b");
    // Windows' table writes these with the single bytes that decode to U+FFFD here.
    QTest::newRow("characters of undefined bytes")
        << QString(QChar(0x80)) + QChar(0xF8F0) + QChar(0xF8F3) << QByteArray("\x80\xa0\xff");
    QTest::newRow("full-width tilde and minus")
        << QStringLiteral("～－∥￢") << QByteArray::fromHex("8160817c816181ca");
    QTest::newRow("user-defined area") << QString(QChar(0xE000)) << QByteArray("\xf0\x40");
  }
  void missingCharactersEncodeToOneQuestionMark() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(EncodeSjis(text).toHex(' '), bytes.toHex(' '));
  }
};

QTEST_APPLESS_MAIN(SjisCodecUndefinedTest)
#include "test_sjis_codec_undefined.moc"
