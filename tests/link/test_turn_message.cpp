// The Turn message: its composed bytes, the comma-list split, the integer conversion (of the
// items and of the settings values) and the application of a received text to the rival's
// marks, against tables of tricky inputs.
#include <QtTest>

#include <climits>
#include <random>
#include <string>

#include "codec/sjis_codec.h"
#include "link/integer_text.h"
#include "link/turn_message.h"

using namespace markwick;

using Counts = std::array<int32_t, 8>;
Q_DECLARE_METATYPE(Counts)

namespace {

QByteArray Bytes(const char* text, int size) { return QByteArray(text, size); }

QByteArrayList ToList(const std::vector<std::string>& items) {
  QByteArrayList list;
  for (const std::string& item : items) list.append(QByteArray::fromStdString(item));
  return list;
}

Counts Rows(std::initializer_list<std::pair<int, int32_t>> rows) {
  Counts counts{};
  for (const auto& [row, value] : rows) counts[row] = value;
  return counts;
}

}  // namespace

class TurnMessageTest : public QObject {
  Q_OBJECT
 private slots:
  // Targets of throws 1..3, then their credited marks, each followed by a comma.
  void composedBytes() {
    QCOMPARE(ComposeTurn({{20, 19, 0}, {3, 1, 0}}), "20,19,0,3,1,0,");
    QCOMPARE(ComposeTurn({{25, 25, 25}, {2, 2, 2}}), "25,25,25,2,2,2,");
    QCOMPARE(ComposeTurn({{20, 0, 0}, {3, 0, 0}}), "20,0,0,3,0,0,");
    QCOMPARE(ComposeTurn({{0, 0, 0}, {0, 0, 0}}), "0,0,0,0,0,0,");
    QCOMPARE(ComposeTurn({{25, 25, 25}, {3, 3, 3}}), "25,25,25,3,3,3,");
  }

  void splitCommaList_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArrayList>("items");
    const QByteArrayList six = {"20", "19", "0", "3", "1", "0"};
    QTest::newRow("turn message") << QByteArray("20,19,0,3,1,0,") << six;
    QTest::newRow("empty") << QByteArray() << QByteArrayList{};
    QTest::newRow("blanks only") << QByteArray(" \t\r\n ") << QByteArrayList{};
    QTest::newRow("leading controls")
        << QByteArray(" \x01\x1f\t20,19") << QByteArrayList{"20", "19"};
    QTest::newRow("blanks round commas") << QByteArray(" 20 , 19 ,0,3,1,0 ,\r\n") << six;
    QTest::newRow("blank cuts a field") << QByteArray("20 19,0,3,1,0,") << six;
    QTest::newRow("tab cuts a field") << QByteArray("a\tb") << QByteArrayList{"a", "b"};
    QTest::newRow("empty items") << QByteArray("a,,b") << QByteArrayList{"a", "", "b"};
    QTest::newRow("leading comma") << QByteArray(",a") << QByteArrayList{"", "a"};
    QTest::newRow("trailing comma") << QByteArray("a,") << QByteArrayList{"a"};
    QTest::newRow("two trailing commas") << QByteArray("a,,") << QByteArrayList{"a", ""};
    QTest::newRow("comma alone") << QByteArray(",") << QByteArrayList{""};
    QTest::newRow("quoted comma") << QByteArray("\"a,b\",c") << QByteArrayList{"a,b", "c"};
    QTest::newRow("doubled quote") << QByteArray("\"a\"\"b\"") << QByteArrayList{"a\"b"};
    QTest::newRow("empty quotes") << QByteArray("\"\",1") << QByteArrayList{"", "1"};
    QTest::newRow("quoted blank") << QByteArray("\"a b\" c") << QByteArrayList{"a b", "c"};
    QTest::newRow("unterminated quote") << QByteArray("1,\"ab,c") << QByteArrayList{"1", "ab,c"};
    QTest::newRow("text after closing quote")
        << QByteArray("\"ab\"cd,e") << QByteArrayList{"ab", "cd", "e"};
    QTest::newRow("quote inside an item") << QByteArray("x\"y,z") << QByteArrayList{"x\"y", "z"};
    QTest::newRow("lone quote at the end") << QByteArray("1,\"") << QByteArrayList{"1", ""};
    QTest::newRow("DEL is no blank") << QByteArray("\x7f,a") << QByteArrayList{"\x7f", "a"};
    QTest::newRow("japanese items")
        << QByteArray("ドロー,試合終了,") << QByteArrayList{"ドロー", "試合終了"};
    QTest::newRow("full-width digits") << QByteArray("１２,３") << QByteArrayList{"１２", "３"};
    QTest::newRow("two- and four-byte characters")
        << QByteArray("é,😀x,\"ü\"") << QByteArrayList{"é", "😀x", "ü"};
    QTest::newRow("quoted japanese") << QByteArray("\"計,×\"") << QByteArrayList{"計,×"};
    // A broken lead byte is stepped alone: it never takes the comma or quote after it.
    QTest::newRow("broken lead byte before a comma")
        << QByteArray("\xe3,5,") << QByteArrayList{"\xe3", "5"};
    QTest::newRow("broken lead byte in quotes")
        << QByteArray("\"\xc3\",1") << QByteArrayList{"\xc3", "1"};
    QTest::newRow("NUL ends the text") << Bytes("20,1\0,5,", 8) << QByteArrayList{"20", "1"};
    QTest::newRow("NUL first") << Bytes(
                                      "\0"
                                      "20,19",
                                      6)
                               << QByteArrayList{};
    QTest::newRow("two messages") << QByteArray("20,19,0,3,1,0,17,0,0,3,0,0,")
                                  << (six + QByteArrayList{"17", "0", "0", "3", "0", "0"});
  }
  void splitCommaList() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArrayList, items);
    QCOMPARE(ToList(SplitCommaList(text.toStdString())), items);
  }

  // The Turn item form, then where the settings form differs from it.
  void parseInteger_data() {
    QTest::addColumn<bool>("settings");
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    const auto ok = [](const char* name, const QByteArray& item, int value) {
      QTest::newRow(name) << false << item << true << value;
    };
    const auto bad = [](const char* name, const QByteArray& item) {
      QTest::newRow(name) << false << item << false << 0;
    };
    const auto settings_ok = [](const char* name, const QByteArray& item, int value) {
      QTest::addRow("settings: %s", name) << true << item << true << value;
    };
    const auto settings_bad = [](const char* name, const QByteArray& item) {
      QTest::addRow("settings: %s", name) << true << item << false << 0;
    };
    ok("zero", "0", 0);
    ok("decimal", "20", 20);
    ok("plus", "+7", 7);
    ok("minus", "-7", -7);
    ok("minus zero", "-0", 0);
    ok("leading blanks", "   42", 42);
    ok("blanks then sign", "  -1", -1);
    ok("leading zeros", "007", 7);
    ok("dollar", "$1A", 26);
    ok("dollar lower", "$1a", 26);
    ok("x", "x1a", 26);
    ok("X", "X1A", 26);
    ok("0x", "0x1A", 26);
    ok("0X", "0X1a", 26);
    ok("sign then dollar", "-$10", -16);
    ok("sign then 0x", "+0x10", 16);
    ok("int max", "2147483647", INT_MAX);
    ok("int min", "-2147483648", INT_MIN);
    ok("hex max", "$7FFFFFFF", INT_MAX);
    ok("hex min", "-$80000000", INT_MIN);
    ok("hex leading zeros", "0x000000000000000019", 25);
    bad("empty", "");
    bad("blank", " ");
    bad("sign alone", "+");
    bad("minus alone", "-");
    bad("dollar alone", "$");
    bad("x alone", "x");
    bad("0x alone", "0x");
    bad("0X alone", "0X");
    bad("over int max", "2147483648");
    bad("under int min", "-2147483649");
    bad("hex over int max", "$80000000");
    bad("hex over 32 bits", "0x100000000");
    bad("hex under int min", "-0x80000001");
    bad("far over 64 bits", "99999999999999999999999");
    bad("trailing letter", "12a");
    bad("trailing blank", "1 ");
    bad("blank after sign", "- 1");
    bad("blank after dollar", "$ 1");
    bad("trailing comma", "1,");
    bad("letter", "a");
    bad("hex digits without prefix", "1A");
    bad("two signs", "--1");
    bad("plus minus", "+-1");
    bad("sign after dollar", "$-1");
    bad("sign after 0x", "0x+1");
    bad("two prefixes", "$$1");
    bad("0xx", "0xx1");
    bad("x then 0x", "x0x1");
    bad("leading tab", "\t1");
    bad("full-width digit", "１");
    bad("decimal point", "1.0");
    bad("exponent", "1e3");
    bad("binary prefix", "0b1");
    bad("NUL inside", Bytes("1\0"
                            "2",
                            3));
    settings_ok("blanks and tabs then sign", " \t-5", -5);
    settings_ok("leading tab", "\t7", 7);
    settings_ok("blanks then dollar", "  $ff", 255);
    settings_ok("0X opening the text", "0X1f", 31);
    settings_ok("0x max", "0x7FFFFFFF", INT_MAX);
    settings_ok("sign then dollar", "-$80000000", INT_MIN);
    settings_bad("trailing blank", "5 ");
    settings_bad("blank before 0x", " 0x5");
    settings_bad("sign then 0x", "-0x10");
    settings_bad("x", "x20");
    settings_bad("0x alone", "0x");
    settings_bad("0x then sign", "0x-1");
    settings_bad("0x then no hex digit", "0xZZ");
    settings_bad("0x over int max", "0x80000000");
    settings_bad("full-width digits", "\x82\x50\x82\x51");
  }
  void parseInteger() {
    QFETCH(bool, settings);
    QFETCH(QByteArray, item);
    QFETCH(bool, valid);
    QFETCH(int, value);
    const std::optional<int32_t> parsed =
        ParseInteger(item.toStdString(), settings ? kSettingsForm : kTurnItemForm);
    QCOMPARE(parsed.has_value(), valid);
    if (valid) QCOMPARE(*parsed, value);
  }

  // Every 32-bit value survives its decimal text.
  void parseIntegerRoundTrips() {
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> any(INT_MIN, INT_MAX);
    for (int i = 0; i < 20000; ++i) {
      const int32_t value = i < 3 ? std::array<int32_t, 3>{INT_MIN, INT_MAX, 0}[i] : any(random);
      for (const IntegerForm form : {kTurnItemForm, kSettingsForm}) {
        QCOMPARE(ParseInteger(std::to_string(value), form), std::optional<int32_t>(value));
      }
    }
  }

  // Marks of each throw whose target is one of the seven go to its row; everything else is
  // skipped; a failure keeps the additions of earlier throws; row 7 is never touched.
  void applyTurn_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Counts>("before");
    QTest::addColumn<Counts>("after");
    QTest::addColumn<QByteArray>("error");
    const QByteArray none;
    const auto row = [&](const char* name, const char* text, Counts before, Counts after,
                         const QByteArray& error) {
      before[7] = after[7] = 12345;
      QTest::newRow(name) << QByteArray(text) << before << after << error;
    };
    row("example", "20,19,0,3,1,0,", {}, Rows({{0, 3}, {1, 1}}), none);
    row("adds to what is there", "20,19,0,3,1,0,", Rows({{0, 4}, {1, 2}}), Rows({{0, 7}, {1, 3}}),
        none);
    row("three double bulls", "25,25,25,2,2,2,", {}, Rows({{6, 6}}), none);
    row("every target", "18,17,16,1,2,3,", {}, Rows({{2, 1}, {3, 2}, {4, 3}}), none);
    row("15 and coalesced rest", "15,0,0,3,0,0,20,20,20,3,3,3,", {}, Rows({{5, 3}}), none);
    row("no target", "21,22,23,3,3,3,", {}, {}, none);
    row("other values skip their marks", "24,-20,0,x,y,z,", {}, {}, none);
    row("marks above 3 added", "20,17,15,7,0,1,", {}, Rows({{0, 7}, {5, 1}}), none);
    row("negative marks added", "20,19,0,-2,-1,0,", Rows({{0, 1}}), Rows({{0, -1}, {1, -1}}), none);
    row("hex targets", "$14,x13,0x12,1,1,1,", {}, Rows({{0, 1}, {1, 1}, {2, 1}}), none);
    row("quoted and blank", "\"20\", 19 0 3,\"1\"", {}, Rows({{0, 3}, {1, 1}}), none);
    row("three misses need no marks", "0,0,0,", {}, {}, none);
    row("three items, first a target", "20,19,18,", {}, {},
        "リストのインデックスが範囲を超えています (3)");
    row("empty text", "", {}, {}, "リストのインデックスが範囲を超えています (0)");
    row("two items", "0,0", {}, {}, "リストのインデックスが範囲を超えています (2)");
    row("second throw lacks marks", "20,19,0,3,", {}, Rows({{0, 3}}),
        "リストのインデックスが範囲を超えています (4)");
    row("letter first", "a,19,0,3,1,0,", {}, {}, "'a' は整数ではありません");
    row("letter in third target", "20,19,a,3,2,1,", {}, Rows({{0, 3}, {1, 2}}),
        "'a' は整数ではありません");
    row("letter in marks", "20,19,0,3,b,0,", {}, Rows({{0, 3}}), "'b' は整数ではありません");
    row("empty item", "20,,0,3,1,0,", {}, Rows({{0, 3}}), "'' は整数ではありません");
    row("japanese item", "ドロー,0,0,3,0,0,", {}, {}, "'ドロー' は整数ではありません");
    row("target out of range", "4294967316,0,0,3,0,0,", {}, {},
        "'4294967316' は整数ではありません");
    row("count over int max", "19,20,0,3,1,0,", Rows({{1, INT_MAX - 2}}), Rows({{1, INT_MAX - 2}}),
        "相手の記録 '3' を加えると値が整数の範囲を超えるため、受け付けません");
    row("count at int min", "17,0,0,-2,0,0,", Rows({{3, INT_MIN + 2}}), Rows({{3, INT_MIN}}), none);
    row("count under int min", "17,20,0,-2,1,0,", Rows({{3, INT_MIN + 1}}),
        Rows({{3, INT_MIN + 1}}),
        "相手の記録 '-2' を加えると値が整数の範囲を超えるため、受け付けません");
    row("score over int max", "20,25,0,3,1,0,", Rows({{6, 85899348}}),
        Rows({{0, 3}, {6, 85899348}}),
        "相手の記録 '1' を加えると値が整数の範囲を超えるため、受け付けません");
    // Received bytes as the link hands them on: decoded from code page 932 first. An undefined
    // byte is no separator and no digit; 0x1C is a control character like any code up to 32.
    const auto received = [&](const char* name, const QByteArray& bytes, Counts after,
                              const QByteArray& error) {
      Counts before{};
      before[7] = after[7] = 12345;
      QTest::newRow(name) << DecodeSjis(bytes).toUtf8() << before << after << error;
    };
    received("undefined byte in a target", "20\x80,0,0,3,0,0,", {},
             "'20\uFFFD' は整数ではありません");
    received("DEL in marks",
             "17,0,0,3\x7f"
             "5,0,0,",
             {},
             "'3\x7f"
             "5' は整数ではありません");
    received("leading 0x1C skipped",
             "\x1c"
             "18,0,0,3,0,0,",
             Rows({{2, 3}}), none);
    received("lead byte before a comma", "20,0,0,3\x81,0,0,", {}, "'3\uFFFD' は整数ではありません");
    row("score summed over rows", "16,0,0,2,0,0,", Rows({{4, 60000000}, {6, 47499350}}),
        Rows({{4, 60000000}, {6, 47499350}}),
        "相手の記録 '2' を加えると値が整数の範囲を超えるため、受け付けません");
  }
  void applyTurn() {
    QFETCH(QByteArray, text);
    QFETCH(Counts, before);
    QFETCH(Counts, after);
    QFETCH(QByteArray, error);
    Counts counts = before;
    QByteArray what;
    try {
      ApplyTurn(ReadTurnItems(text.toStdString()), counts);
    } catch (const TurnError& e) {
      what = e.what();
    }
    QCOMPARE(what, error);
    for (int r = 0; r < 8; ++r) QCOMPARE(counts[r], after[r]);
  }
};

QTEST_APPLESS_MAIN(TurnMessageTest)
#include "test_turn_message.moc"
