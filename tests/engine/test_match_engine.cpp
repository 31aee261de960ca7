#include <QtTest>

#include "engine/match_engine.h"
#include "recording_board.h"

using markwick::MatchEngine;
using markwick::testing::RecordingBoard;

class MatchEngineTest : public QObject {
  Q_OBJECT
 private slots:
  void startValuesShowTheFirstRound() {
    RecordingBoard board;
    MatchEngine engine(board);
    QCOMPARE(board.round, std::string("1"));
    QCOMPARE(board.round_max, std::string("／20R"));
    QCOMPARE(board.CellText(3, 7), std::string("外"));
  }
};

QTEST_APPLESS_MAIN(MatchEngineTest)
#include "test_match_engine.moc"
