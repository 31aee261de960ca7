// Seeded random matches between two wired engines (random_match.h): after every step the
// invariants of the match state hold, and after every delivered turn both peers hold the same
// marks for both players and have played the same turn.
#include <QtTest>

#include "random_match.h"

using namespace markwick;
using namespace markwick::testing;

class RandomMatchesTest : public QObject {
  Q_OBJECT
 private slots:
  // Thousands of seeded matches; both ways a match can end must occur among them.
  void invariantsHoldThroughRandomMatches() {
    int all_rounds = 0;
    int stopped = 0;
    for (uint32_t seed = 1; seed <= 3000; ++seed) {
      RandomMatch match(seed);
      End end = End::Stopped;
      const std::string failure = match.Play(end);
      if (!failure.empty()) {
        QFAIL(qPrintable(QStringLiteral("seed %1, %2").arg(seed).arg(failure.c_str())));
      }
      (end == End::AllRounds ? all_rounds : stopped) += 1;
    }
    qInfo("%d matches ran all 20 rounds, %d stopped early", all_rounds, stopped);
    QVERIFY(all_rounds > 100);
    QVERIFY(stopped > 100);
  }
};

QTEST_APPLESS_MAIN(RandomMatchesTest)
#include "test_random_matches.moc"
