// The two texts of the state dump, line for line: CR LF between lines, none after the last.
#include <QtTest>

#include "engine/engine_fixtures.h"
#include "ui/state_dump.h"

using namespace markwick;
using namespace markwick::testing;

namespace {

// Eight lines "20:" .. "計:" with their values.
QByteArrayList Rows(std::array<int, 8> values) {
  const char* labels[8] = {"20:", "19:", "18:", "17:", "16:", "15:", "Bu:", "計:"};
  QByteArrayList lines;
  for (int r = 0; r < 8; ++r) lines << QByteArray(labels[r]) + QByteArray::number(values[r]);
  return lines;
}

QByteArrayList Darts(std::array<int, 3> marks, std::array<int, 3> targets) {
  const char* labels[3] = {"1投:", "2投:", "3投:"};
  QByteArrayList lines{"nowmark"};
  for (int t = 0; t < 3; ++t) lines << QByteArray(labels[t]) + QByteArray::number(marks[t]);
  lines << ""
        << "nowdata";
  for (int t = 0; t < 3; ++t) lines << QByteArray(labels[t]) + QByteArray::number(targets[t]);
  return lines;
}

QByteArrayList Lines(const std::string& text) {
  return QByteArray::fromStdString(text).split('\n');
}

QByteArray Joined(const QByteArrayList& lines) { return lines.join("\r\n"); }

}  // namespace

class StateDumpTest : public QObject {
  Q_OBJECT
 private slots:
  // Right after the board's creation every value is 0.
  void afterCreation() {
    RecordingBoard board;
    MatchEngine engine(board);
    const std::array<int, 8> zeros{};
    const QByteArrayList first = QByteArrayList{"Throw:0", "MarkCount"} + Rows(zeros) +
                                 QByteArrayList{"", "r_MarkCount"} + Rows(zeros) +
                                 QByteArrayList{"", "showdata[0]"} + Rows(zeros) +
                                 QByteArrayList{""} + Darts({0, 0, 0}, {0, 0, 0});
    QCOMPARE(first.size(), 40);
    QCOMPARE(QByteArray::fromStdString(StateDumpFirstText(engine.state())), Joined(first));

    QByteArrayList second;
    for (int stage = 0; stage < 4; ++stage)
      second << "showdata[" + QByteArray::number(stage) + "]" << Rows(zeros);
    second << "" << Darts({0, 0, 0}, {0, 0, 0});
    QCOMPARE(second.size(), 46);
    QCOMPARE(QByteArray::fromStdString(StateDumpSecondText(engine.state())), Joined(second));
  }

  // Two darts into a turn: the first text shows stage 2, the second every stage; negative
  // values carry their "-".
  void withTwoDartsEntered() {
    RecordingBoard board;
    MatchEngine engine(board);
    OpenTurn(engine, With(Marks{}, {{0, 2}, {1, 4}}), With(Marks{}, {{0, 3}, {6, -1}}));
    engine.EnterDart(Triple(20));
    engine.EnterDart(Double(19));

    const std::string first = StateDumpFirstText(engine.state());
    const QByteArrayList first_lines = Lines(first);
    QCOMPARE(first_lines.size(), 40);
    QCOMPARE(first_lines[21], "showdata[2]\r");
    QVERIFY(!first.ends_with("\n"));
    QCOMPARE(QByteArray::fromStdString(first),
             Joined(QByteArrayList{"Throw:2", "MarkCount"} + Rows({2, 4, 0, 0, 0, 0, 0, 19}) +
                    QByteArrayList{"", "r_MarkCount"} + Rows({3, 0, 0, 0, 0, 0, -1, 0}) +
                    QByteArrayList{"", "showdata[2]"} + Rows({3, 6, 0, 0, 0, 0, 0, 57}) +
                    QByteArrayList{""} + Darts({1, 2, 0}, {20, 19, 0})));

    const std::string second = StateDumpSecondText(engine.state());
    QCOMPARE(Lines(second).size(), 46);
    QCOMPARE(QByteArray::fromStdString(second),
             Joined(QByteArrayList{"showdata[0]"} + Rows({2, 4, 0, 0, 0, 0, 0, 19}) +
                    QByteArrayList{"showdata[1]"} + Rows({3, 4, 0, 0, 0, 0, 0, 19}) +
                    QByteArrayList{"showdata[2]"} + Rows({3, 6, 0, 0, 0, 0, 0, 57}) +
                    QByteArrayList{"showdata[3]"} + Rows({0, 0, 0, 0, 0, 0, 0, 0}) +
                    QByteArrayList{""} + Darts({1, 2, 0}, {20, 19, 0})));
  }
};

QTEST_APPLESS_MAIN(StateDumpTest)
#include "test_state_dump.moc"
