// What the big view shows, worked out from match states made by hand: the own marks and score
// of the turn being entered or the committed ones (after a send the stage counter may point at
// a stage of an earlier turn), the symbols of both sides, the round, whose turn it is and each
// side's MPR.
#include <QtTest>

#include "ui/big_view_snapshot.h"

using markwick::BigViewSnapshot;
using markwick::MatchState;
using markwick::TurnOf;

Q_DECLARE_METATYPE(markwick::TurnOf)

namespace {

// The seven symbols of a side joined with "|".
QString Marks(const markwick::BigViewSide& side) {
  QStringList marks;
  for (const QString& mark : side.marks) marks << mark;
  return marks.join(u'|');
}

}  // namespace

class BigViewSnapshotTest : public QObject {
  Q_OBJECT

 private slots:
  void snapshot_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("own_marks");
    QTest::addColumn<QString>("rival_marks");
    QTest::addColumn<int>("own_score");
    QTest::addColumn<QString>("round");
    QTest::addColumn<TurnOf>("turn");
    QTest::addColumn<QString>("darts");
    QTest::newRow("darts being entered")
        << 0 << QString("－－|＼|||||") << QString("－－||○||||") << 20 << QString("ROUND 3 / 20")
        << TurnOf::Own << QString("20T|19S|");
    QTest::newRow("second player, just sent")
        << 1 << QString("○|○|||||") << QString("||×||||") << 40 << QString("ROUND 4 / 20")
        << TurnOf::Rival << QString("||");
    QTest::newRow("first player, just sent")
        << 2 << QString("○|○|||||") << QString("||×||||") << 40 << QString("ROUND 3 / 20")
        << TurnOf::Rival << QString("||");
    QTest::newRow("negative rival count")
        << 3 << QString("||||||") << QString("||||||") << 0 << QString("ROUND 1 / 20")
        << TurnOf::Own << QString("||");
    QTest::newRow("all rounds played")
        << 4 << QString("○|○|||||") << QString("||×||||") << 40 << QString("ROUND 20 / 20")
        << TurnOf::Nobody << QString("||");
    QTest::newRow("decided") << 5 << QString("○|○|||||") << QString("||×||||") << 40
                             << QString("ROUND 4 / 20") << TurnOf::Nobody << QString("||");
  }

  void snapshot() {
    QFETCH(int, kind);
    MatchState s;
    markwick::MatchStats stats;
    bool decided = false;
    // Committed: own 5 marks on 20 and 3 on 19 (40 points), rival 2 on 18.
    const auto committed = [&] {
      s.MarkCount[0] = 5;
      s.MarkCount[1] = 3;
      s.MarkCount[7] = 40;
      s.r_MarkCount[2] = 2;
    };
    switch (kind) {
      case 0:  // round 3 of the first player: 20T, 19S entered; the rival has closed 20 and 18
        s.RoundNo = 3;
        s.Throw = 2;
        s.ThrowText = {"20T", "19S", ""};
        s.showdata[0][2] = 4;
        s.showdata[1][2] = 1;
        s.showdata[7][2] = 20;
        s.r_MarkCount[0] = 3;
        s.r_MarkCount[2] = 4;
        break;
      case 1:  // the second player has sent round 3: the stage counter is back at 0, whose stage
               // is still the turn's opening
        committed();
        s.IsFirstPlayer = false;
        s.InputOpen = false;
        s.RoundNo = 4;
        s.Throw = 0;
        s.showdata[0][0] = 2;
        break;
      case 2:  // the first player has sent round 3: the counter stays at 3 until the next turn
        committed();
        s.InputOpen = false;
        s.RoundNo = 3;
        s.Throw = 3;
        for (int row = 0; row < 8; ++row) s.showdata[row][3] = s.MarkCount[row];
        break;
      case 3:  // a malformed rival message left a negative count: nothing is shown for it
        s.r_MarkCount[6] = -2;
        break;
      case 4:
        committed();
        s.InputOpen = false;
        s.RoundNo = 21;
        break;
      case 5:
        committed();
        s.InputOpen = true;
        s.RoundNo = 4;
        decided = true;
        break;
    }
    stats.first.AddTurn(1, {{20, 20, 0}, {3, 2, 0}});
    stats.second.AddTurn(1, {{18, 0, 0}, {2, 0, 0}});
    const BigViewSnapshot view = markwick::SnapshotOf(s, stats, decided, "太郎", "花子");
    QTEST(Marks(view.own), "own_marks");
    QTEST(Marks(view.rival), "rival_marks");
    QTEST(static_cast<int>(view.own.score), "own_score");
    QTEST(view.RoundText(), "round");
    QTEST(view.turn, "turn");
    QTEST(QStringList(view.darts.begin(), view.darts.end()).join(u'|'), "darts");
    QCOMPARE(view.own.name, QStringLiteral("太郎"));
    QCOMPARE(view.rival.name, QStringLiteral("花子"));
    // Each side's STATS by its role: the second player's own figures are the second's.
    QCOMPARE(view.own.mpr, s.IsFirstPlayer ? QStringLiteral("5.00") : QStringLiteral("2.00"));
    QCOMPARE(view.rival.mpr, s.IsFirstPlayer ? QStringLiteral("2.00") : QStringLiteral("5.00"));
  }
};

QTEST_APPLESS_MAIN(BigViewSnapshotTest)
#include "test_big_view_snapshot.moc"
