#include <QtTest>

#include <optional>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include "codec/sjis_codec.h"

using markwick::DecodeSjis;
using markwick::EncodeSjis;
using markwick::IsSjisLeadByte;
using markwick::IsSjisTrailByte;
using markwick::SjisCharLength;
using markwick::SjisCutLength;

namespace {

// An independent converter for code page 932 to hold the codec's table against: glibc's iconv
// "CP932" here, the system's own on Windows. nullopt stands for a refusal.
class ReferenceCodec {
 public:
#ifdef _WIN32
  std::optional<QString> Decode(QByteArrayView bytes) const {
    wchar_t out[8];
    const int n = MultiByteToWideChar(932, 0, bytes.data(), int(bytes.size()), out, 8);
    if (n <= 0) return std::nullopt;
    return QString::fromWCharArray(out, n);
  }
  std::optional<QByteArray> Encode(char16_t c) const {
    const wchar_t in = c;
    char out[8];
    BOOL defaulted = FALSE;
    const int n =
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &in, 1, out, 8, nullptr, &defaulted);
    if (n <= 0 || defaulted) return std::nullopt;
    return QByteArray(out, n);
  }
#else
  ReferenceCodec()
      : decoder_(iconv_open("UTF-8", "CP932")), encoder_(iconv_open("CP932", "UTF-8")) {}
  ~ReferenceCodec() {
    iconv_close(decoder_);
    iconv_close(encoder_);
  }
  std::optional<QString> Decode(QByteArrayView bytes) const {
    const std::optional<QByteArray> utf8 = Convert(decoder_, bytes);
    if (!utf8) return std::nullopt;
    return QString::fromUtf8(*utf8);
  }
  std::optional<QByteArray> Encode(char16_t c) const {
    return Convert(encoder_, QString(QChar(c)).toUtf8());
  }
  bool isValid() const { return decoder_ != iconv_t(-1) && encoder_ != iconv_t(-1); }

 private:
  // The whole input converted, or nullopt when iconv refuses any of it (EILSEQ, or EINVAL for
  // a double-byte character cut off at the end).
  static std::optional<QByteArray> Convert(iconv_t converter, QByteArrayView in) {
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t src_left = size_t(in.size());
    char out[16];
    char* dst = out;
    size_t dst_left = sizeof out;
    if (iconv(converter, &src, &src_left, &dst, &dst_left) == size_t(-1) || src_left != 0) {
      return std::nullopt;
    }
    return QByteArray(out, dst - out);
  }

  iconv_t decoder_;
  iconv_t encoder_;
#endif
};

QString CodeUnits(const QString& text) {
  QStringList units;
  for (const QChar c : text) units << QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QChar(u'0'));
  return units.join(u' ');
}

// Byte sequences that the codec decodes differently from the reference on purpose: each comes
// out as U+FFFD, so that an item holding it is never a number and never a separator.
enum class Departure {
  kNone,
  kUndefinedByte,  // 80, A0, FD-FF
  kLeadAtEnd,      // a lead byte with nothing after it
  kUndefinedPair,  // a lead byte and a second byte that the code page leaves unassigned
  kNoSecondByte,   // a lead byte before a byte that cannot be second (00-3F, 7F, FD-FF): U+FFFD
                   // for the lead byte, then the next byte read on its own
};

Departure DepartureOf(QByteArrayView bytes, const QString& decoded) {
  const auto first = uchar(bytes[0]);
  if (bytes.size() == 1) {
    if (first == 0x80 || first == 0xA0 || first >= 0xFD) return Departure::kUndefinedByte;
    return IsSjisLeadByte(char(first)) ? Departure::kLeadAtEnd : Departure::kNone;
  }
  if (!IsSjisTrailByte(bytes[1])) return Departure::kNoSecondByte;
  return decoded == QString(QChar::ReplacementCharacter) ? Departure::kUndefinedPair
                                                         : Departure::kNone;
}

// What the codec gives for a departure.
QString DepartureText(Departure departure, QByteArrayView bytes) {
  const QString replacement(QChar::ReplacementCharacter);
  return departure == Departure::kNoSecondByte ? replacement + DecodeSjis(bytes.sliced(1))
                                               : replacement;
}

// Whether the reference answers a departure as expected.
bool ReferenceDeparts(Departure departure, QByteArrayView bytes,
                      const std::optional<QString>& reference) {
#ifdef _WIN32
  // Windows gives controls, private-use characters or a real character (U+30FB, KATAKANA
  // MIDDLE DOT), any of which a reader would take for text; for a lead byte without a second
  // byte (not checked on Windows itself, Wine does so) U+30FB, with or without the next byte.
  const auto first = uchar(bytes[0]);
  switch (departure) {
    case Departure::kUndefinedByte:
      return reference == QString(QChar(first == 0x80   ? 0x0080
                                        : first == 0xA0 ? 0xF8F0
                                                        : 0xF8F1 + (first - 0xFD)));
    case Departure::kUndefinedPair:
      return reference == QString(QChar(0x30FB));
    default:
      return !reference || reference->startsWith(QChar(0x30FB));
  }
#else
  // glibc refuses them all: EILSEQ, or EINVAL for the lead byte at the end.
  Q_UNUSED(departure);
  Q_UNUSED(bytes);
  return !reference;
#endif
}

// Characters that the reference encodes differently from Windows' own table, and Windows'
// bytes for them. Windows has no code for a character that it does not give back on decoding
// (no best fit): the file and the link are read by code page 932 programs.
struct EncodeDeparture {
  char16_t character;
  const char* bytes;
};
const QList<EncodeDeparture> kEncodeDepartures = {
#ifndef _WIN32
    // glibc encodes these by their JIS meaning into codes that Windows reads as others.
    {0x00A2, "?"},  // ¢: 81 91, which is U+FFE0 for Windows
    {0x00A3, "?"},  // £: 81 92, U+FFE1
    {0x00A5, "?"},  // ¥: 5C, the backslash
    {0x00AC, "?"},  // ¬: 81 CA, U+FFE2
    {0x2014, "?"},  // em dash: 81 5C, U+2015
    {0x2016, "?"},  // ‖: 81 61, U+2225
    {0x203E, "?"},  // overline: 7E, the tilde
    {0x2212, "?"},  // minus: 81 7C, U+FF0D
    {0x301C, "?"},  // wave dash: 81 60, U+FF5E
    // Windows' table pairs these with its undefined bytes; glibc has no code for them.
    {0x0080, "\x80"},
    {0xF8F0, "\xa0"},
    {0xF8F1, "\xfd"},
    {0xF8F2, "\xfe"},
    {0xF8F3, "\xff"},
#endif
};

}  // namespace

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
    // Of the codes a character has, the one Windows writes: JIS X 0208 before the NEC row 13,
    // the IBM extension rows FA-FC before the NEC-selected ones ED-EE.
    QTest::newRow("duplicates") << QStringLiteral("≒￢∵Ⅰⅰ纊")
                                << QByteArray::fromHex("81e081ca81e68754fa40fa5c");
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

  // Every single byte and every pair that starts with a lead byte decodes as the reference
  // decodes it, apart from the departures above, of which there are exactly as many as listed.
  void decodesEveryByteAndPairAsTheReference() {
    const ReferenceCodec reference;
#ifndef _WIN32
    QVERIFY(reference.isValid());
#endif
    QMap<Departure, int> count;
    QStringList faults;
    const auto check = [&](const QByteArray& bytes) {
      const QString decoded = DecodeSjis(bytes);
      const std::optional<QString> expected = reference.Decode(bytes);
      const Departure departure = DepartureOf(bytes, decoded);
      ++count[departure];
      const bool fits = departure == Departure::kNone
                            ? decoded == expected
                            : decoded == DepartureText(departure, bytes) &&
                                  ReferenceDeparts(departure, bytes, expected);
      if (!fits && faults.size() < 10) {
        faults << QStringLiteral("%1: %2, reference %3")
                      .arg(QString::fromLatin1(bytes.toHex(' ')), CodeUnits(decoded),
                           expected ? CodeUnits(*expected) : QStringLiteral("refused"));
      }
    };
    for (int first = 0; first < 256; ++first) {
      const QByteArray lead(1, char(first));
      check(lead);
      if (!IsSjisLeadByte(char(first))) continue;
      for (int second = 0; second < 256; ++second) check(lead + char(second));
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    QCOMPARE(count[Departure::kUndefinedByte], 5);
    QCOMPARE(count[Departure::kLeadAtEnd], 60);
    QCOMPARE(count[Departure::kNoSecondByte], 60 * 68);
    QCOMPARE(count[Departure::kUndefinedPair], 60 * 188 - 9604);  // 9,604 pairs are assigned
  }

  // Every character of the Basic Multilingual Plane encodes as the reference encodes it, "?"
  // where the reference has no code, apart from the departures above; whatever is encoded
  // decodes back to the same character, apart from those of Windows' undefined bytes.
  void encodesEveryCharacterAsTheReference() {
    const ReferenceCodec reference;
    QHash<char16_t, QByteArray> departures;
    for (const EncodeDeparture& d : kEncodeDepartures) departures[d.character] = d.bytes;
    QStringList faults;
    for (int c = 0; c <= 0xFFFF; ++c) {
      if (QChar::isSurrogate(char32_t(c))) continue;
      const QString text = QChar(char16_t(c));
      const QByteArray bytes = EncodeSjis(text);
      const QByteArray expected = reference.Encode(char16_t(c)).value_or("?");
      const bool departs = departures.contains(char16_t(c));
      bool fits =
          departs ? bytes == departures[char16_t(c)] && expected != bytes : bytes == expected;
      if (fits && bytes != "?" && !(c == 0x80 || (c >= 0xF8F0 && c <= 0xF8F3))) {
        fits = DecodeSjis(bytes) == text;
      }
      if (!fits && faults.size() < 10) {
        faults << QStringLiteral("U+%1: %2, reference %3")
                      .arg(QString::number(c, 16), QString::fromLatin1(bytes.toHex(' ')),
                           QString::fromLatin1(expected.toHex(' ')));
      }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
  }

  // A character the code page lacks becomes "?", not the converter's user-defined FC FC.
  void unmappableCharactersBecomeQuestionMarks() {
    QCOMPARE(EncodeSjis(QStringLiteral("aé試😀b")), QByteArray("a?\x8e\x8e?b"));
    // Lone surrogates, also one that ends the text.
    QCOMPARE(EncodeSjis(QStringLiteral("a") + QChar(0xDC00) + u'b'), QByteArray("a?b"));
    QCOMPARE(EncodeSjis(QString(QChar(0xD800))), QByteArray("?"));
  }

  // A double-byte character cut off at the end is marked, the rest decodes, nothing crashes;
  // undefined bytes and pairs among defined characters each give their own U+FFFD, and a byte
  // that cannot be second is decoded on its own (the undecodable characters alone are checked
  // above).
  void decodesToReplacementInText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("after a character")
        << QByteArray("\x8e\x8e\x8d") << QStringLiteral("試") + QChar::ReplacementCharacter;
    QTest::newRow("after ascii") << QByteArray("ab\xfc") << QStringLiteral("ab\uFFFD");
    const QChar bad = QChar::ReplacementCharacter;
    QTest::newRow("undefined byte between letters")
        << QByteArray("a\x80z") << u'a' + QString(bad) + u'z';
    QTest::newRow("lead before a comma")
        << QByteArray("\x81,1") << QString(bad) + QStringLiteral(",1");
    QTest::newRow("lead before a line break and a pair")
        << QByteArray("\x81\x0a\x88\x9f") << QString(bad) + u'\n' + QStringLiteral("亜");
    QTest::newRow("unassigned pair before a letter")
        << QByteArray("\x85\x40x") << QString(bad) + u'x';
  }
  void decodesToReplacementInText() {
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

  // Which bytes lead a pair and which can be second is the every-byte-and-pair check's; the
  // length keeps a pair, a lone lead byte and the end.
  void characterLength_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("length");
    QTest::newRow("ascii") << QByteArray("ab") << 0 << 1;
    QTest::newRow("0x81 lead") << QByteArray("\x81\x40") << 0 << 2;
    QTest::newRow("lead as last byte") << QByteArray("a\x81") << 1 << 1;
    // A byte that cannot be second stays a character of its own: a comma or digit is never
    // taken into a pair.
    QTest::newRow("lead before a comma") << QByteArray("\x81,") << 0 << 1;
    QTest::newRow("lead before a digit") << QByteArray(
                                                "\xe0"
                                                "5")
                                         << 0 << 1;
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
    QTest::newRow("lead before a comma") << QByteArray("\x81,\x81,") << 3 << 3;
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
