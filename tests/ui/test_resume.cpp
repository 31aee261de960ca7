// A program started again after a crash, with the record of a match that did not end in its
// records folder: the question, and on "はい" the board of that match as it stood, its link
// set up for the role at the round reached and its record continued.
#include <QDir>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "link/peer_link.h"
#include "link/scripted_rival.h"
#include "modal_box_answerer.h"
#include "program_windows.h"
#include "ui/auto_size_label.h"
#include "ui/form_font.h"
#include "ui/match_record.h"
#include "ui/stats_window.h"

using markwick::PlayedTurn;
using markwick::TForm1;
using markwick::testing::ClickButton;
using markwick::testing::ClickCell;
using markwick::testing::ModalBoxAnswerer;
using markwick::testing::ProgramWindows;
using markwick::testing::RivalListener;

namespace {

const QDateTime kStarted(QDate(2026, 12, 9), QTime(14, 9, 27));

// Playing second against 太郎 at 127.0.0.1: round 1 played, the rival's turn of round 2
// applied (20 scores 40 for it), the own turn of round 2 open.
const std::vector<std::pair<PlayedTurn, bool>> kUnfinished = {
    {{1, true, {{20, 0, 0}, {3, 0, 0}}, {}, 0}, false},
    {{1, false, {{19, 0, 0}, {3, 0, 0}}, {"19T", "×", "×"}, 0}, true},
    {{2, true, {{20, 20, 0}, {1, 1, 0}}, {}, 40}, false},
};

// A match that ended: its 20 rounds all played, every dart a miss.
std::vector<std::pair<PlayedTurn, bool>> Ended() {
  std::vector<std::pair<PlayedTurn, bool>> turns;
  for (int32_t round = 1; round <= 20; ++round) {
    turns.push_back({{round, true, {{0, 0, 0}, {0, 0, 0}}, {}, 0}, false});
    turns.push_back({{round, false, {{0, 0, 0}, {0, 0, 0}}, {"×", "×", "×"}, 0}, true});
  }
  return turns;
}

}  // namespace

class ResumeTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { markwick::InstallFormFont(); }

  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    answerer_ = std::make_unique<ModalBoxAnswerer>();
    windows_ = std::make_unique<ProgramWindows>(dir_->filePath("Markwick.ini"));
  }

  void cleanup() {
    windows_.reset();
    answerer_.reset();
    dir_.reset();
  }

  // "はい": the board of the match as the record left it, playing second, the own turn of
  // round 2 open; the link connects at once (no names after round 1); the next turn goes into
  // the same file, after the turns that were there.
  void yesGoesOnWithTheMatch() {
    const QString path = WriteRecord(kStarted, kUnfinished);
    QByteArray before = ReadFile(path);
    RivalListener rival(50001);
    answerer_->press = QMessageBox::Yes;
    QVERIFY(windows_->Form2.OfferToResume());
    QCOMPARE(
        answerer_->Texts(),
        std::vector<QString>{QStringLiteral("前回の試合を続けますか？\n太郎 対 花子\nラウンド 2")});
    QCOMPARE(answerer_->boxes[0].icon, QMessageBox::Question);
    QCOMPARE(answerer_->boxes[0].button_texts, (QStringList{"はい", "いいえ"}));

    TForm1& board = windows_->Form2.ScoreBoard();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    QVERIFY(!windows_->Form2.isVisible());
    const markwick::MatchState& s = board.engine().state();
    QVERIFY(!s.IsFirstPlayer);
    QCOMPARE(s.RoundNo, 2);
    QVERIFY(s.InputOpen);
    QCOMPARE(s.MarkCount[1], 3);
    QCOMPARE(s.r_MarkCount[0], 5);
    QCOMPARE(s.r_MarkCount[7], 40);
    QCOMPARE(board.StringGrid1->Cell(0, 0), QStringLiteral("花子"));
    QCOMPARE(board.StringGrid1->Cell(4, 0), QStringLiteral("太郎"));
    QCOMPARE(board.StringGrid1->Cell(4, 8), QStringLiteral("40"));
    QCOMPARE(board.Label5->text(), QStringLiteral("2"));
    QCOMPARE(board.Label6->text(), QStringLiteral("記録入力受付中"));
    board.ShowStats();
    QCOMPARE(board.stats_window()->players_table->item(1, 1)->text(), QStringLiteral("2"));
    QCOMPARE(board.stats_window()->players_table->item(2, 1)->text(), QStringLiteral("1"));

    QTRY_VERIFY(!rival.accepted.isNull());
    QTRY_COMPARE(board.windowTitle(), QStringLiteral("Markwick = Client = 接続完了"));
    for (int dart = 0; dart < 3; ++dart) ClickCell(board, 3, 7);
    ClickButton(board.Button1);
    QTRY_COMPARE(rival.received, QByteArray("0,0,0,0,0,0,"));
    QCOMPARE(answerer_->boxes.size(), 1u);
    before +=
        "2,花子,1,0,0,×,0,自分,127.0.0.1\r\n2,花子,2,0,0,×,0,自分,127.0.0.1\r\n"
        "2,花子,3,0,0,×,0,自分,127.0.0.1\r\n";
    QCOMPARE(ReadFile(path), before);
    QCOMPARE(QDir(dir_->filePath("records")).entryList(QDir::Files).size(), 1);
  }

  // "いいえ": the start dialog as always, the record untouched.
  void noStartsAsBefore() {
    const QString path = WriteRecord(kStarted, kUnfinished);
    const QByteArray before = ReadFile(path);
    answerer_->press = QMessageBox::No;
    QVERIFY(!windows_->Form2.OfferToResume());
    QCOMPARE(answerer_->boxes.size(), 1u);
    QCOMPARE(ReadFile(path), before);
    QCOMPARE(QDir(dir_->filePath("records")).entryList(QDir::Files).size(), 1);
  }

  // Nothing to go on with: no question at all.
  void nothingToResume_data() {
    QTest::addColumn<int>("records");  // 0: no folder; 1: an ended match; 2: unfinished, then ended
    QTest::newRow("no records folder") << 0;
    QTest::newRow("the match ended") << 1;
    QTest::newRow("an unfinished match older than the newest") << 2;
  }

  void nothingToResume() {
    QFETCH(int, records);
    if (records == 2) WriteRecord(kStarted.addDays(-1), kUnfinished);
    if (records >= 1) WriteRecord(kStarted, Ended());
    QVERIFY(!windows_->Form2.OfferToResume());
    QVERIFY(answerer_->boxes.empty());
  }

 private:
  QString WriteRecord(const QDateTime& started,
                      const std::vector<std::pair<PlayedTurn, bool>>& turns) {
    markwick::MatchRecord record(dir_->filePath("records"), started, "127.0.0.1");
    for (const auto& [turn, own] : turns) record.Append(turn, "太郎", "花子", own);
    if (!record.failure().isEmpty()) qWarning() << record.failure();
    return record.path();
  }

  static QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<ModalBoxAnswerer> answerer_;
  std::unique_ptr<ProgramWindows> windows_;
};

QTEST_MAIN(ResumeTest)
#include "test_resume.moc"
