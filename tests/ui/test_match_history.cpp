// Record files read back for the history: good records of each result, written by the match
// record from matches two engines played, and every kind of damage a file can suffer, each
// against what the history lists for it. Then the reader's own view of a record (names, side,
// address, turns), and the Cricket rating table at its edges.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "engine/engine_fixtures.h"
#include "engine/match_replay.h"
#include "record_files.h"
#include "ui/match_history.h"
#include "ui/match_record.h"
#include "ui/record_reader.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace markwick;
using namespace markwick::testing;

namespace {

const char* kResultTexts[] = {"未完了", "勝ち", "負け", "引き分け"};

// What the history lists for a record: its figures or why it is unreadable.
QString Listed(const HistoryMatch& m) {
  if (!m.readable) return "unreadable: " + m.reason;
  return QStringLiteral("%1 vs %2 %3 %4-%5 MPR %6/%7 R%8")
      .arg(m.own_name, m.rival_name, kResultTexts[static_cast<int>(m.result)])
      .arg(m.own_score)
      .arg(m.rival_score)
      .arg(m.own_mpr, 0, 'f', 2)
      .arg(m.rival_mpr, 0, 'f', 2)
      .arg(m.rounds);
}

}  // namespace

class MatchHistoryTest : public QObject {
  Q_OBJECT

 private slots:
  void recordsAsListed_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("listed");
    const QString folder = dir_.filePath("written");
    EnginePair closure;
    Closure(closure);
    const QByteArray win = RecordBytes(folder, closure.board_a.played, true);
    const QByteArray loss = RecordBytes(folder, closure.board_b.played, false);
    EnginePair misses;
    Misses(misses);
    const QByteArray draw = RecordBytes(folder, misses.board_b.played, false);
    const std::vector<PlayedTurn> cut(closure.board_a.played.begin(),
                                      closure.board_a.played.begin() + 3);
    const QByteArray unfinished = RecordBytes(folder, cut, true);

    QTest::newRow("won by closure") << win << "太郎 vs 花子 勝ち 60-0 MPR 8.00/1.00 R3";
    QTest::newRow("lost, playing second") << loss << "花子 vs 太郎 負け 0-60 MPR 1.00/8.00 R3";
    QTest::newRow("draw after 20 rounds") << draw << "花子 vs 太郎 引き分け 0-0 MPR 0.00/0.00 R20";
    QTest::newRow("not ended") << unfinished << "太郎 vs 花子 未完了 0-0 MPR 9.00/1.00 R2";
    const QByteArray one_turn = RecordBytes(folder, {closure.board_b.played[0]}, false);
    QTest::newRow("rival's first turn only, name from the file name")
        << one_turn << "花子 vs 太郎 未完了 0-0 MPR 0.00/9.00 R1";

    // Older records: seven columns, the own side known by the darts' texts.
    QList<QByteArray> old_lines = Lines(loss);
    for (QByteArray& line : old_lines) line = line.split(',').mid(0, 7).join(',');
    QTest::newRow("seven columns, playing second")
        << Joined(old_lines) << "花子 vs 太郎 負け 0-60 MPR 1.00/8.00 R3";
    // Saved again by a spreadsheet: no byte order mark, LF line ends.
    QTest::newRow("no BOM, LF") << Joined(Lines(win)).mid(3).replace("\r\n", "\n")
                                << "太郎 vs 花子 勝ち 60-0 MPR 8.00/1.00 R3";
    // Names a spreadsheet would take for formulas are written after an apostrophe.
    QTest::newRow("formula names")
        << RecordBytes(folder, closure.board_a.played, true, "=SUM(A1)", "@x,\"y\"", "+1")
        << "=SUM(A1) vs @x,\"y\" 勝ち 60-0 MPR 8.00/1.00 R3";

    QTest::newRow("empty") << QByteArray() << "unreadable: 空のファイルです";
    QTest::newRow("cut in a line") << win.chopped(4) << "unreadable: 最後の行が途中で切れています";
    QTest::newRow("cut in a turn")
        << Joined(Lines(win).mid(0, 8)) << "unreadable: ターンの途中で終わっています";
    QTest::newRow("BOM only") << QByteArray("\xEF\xBB\xBF") << "unreadable: 空のファイルです";
    QTest::newRow("not CSV") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)
                             << "unreadable: UTF-8 でない文字があります";
    QTest::newRow("other CSV") << QByteArray("a,b,c\r\n1,2,3\r\n")
                               << "unreadable: 対戦記録の見出し行がありません";
    QByteArray latin = win;
    latin.replace("花子", "\xFF\xFE");
    QTest::newRow("not UTF-8") << latin << "unreadable: UTF-8 でない文字があります";

    QList<QByteArray> lines = Lines(win);
    lines[1].replace(",20,3,20T,", ",20,2,20T,");
    QTest::newRow("marks edited")
        << Joined(lines)
        << "unreadable: 試合として再生できません（1 ラウンドの先攻のターン: "
           "マークが記録と違います）";
    lines = Lines(win);
    for (int k = 7; k <= 9; ++k) lines[k].replace(",0,自分,", ",99,自分,");
    QTest::newRow("score edited")
        << Joined(lines)
        << "unreadable: 試合として再生できません（2 ラウンドの先攻のターン: "
           "得点が記録と違います）";
    lines = Lines(win);
    lines[4].replace(",相手,", ",自分,");
    QTest::newRow("side edited") << Joined(lines)
                                 << "unreadable: 5 行目: 側が試合の途中で変わっています";
    lines = Lines(win);
    lines[2] += ",";
    QTest::newRow("extra field") << Joined(lines) << "unreadable: 3 行目: 欄の数が見出しと違います";
    lines = Lines(win);
    lines[2].replace("太郎", "\"太郎\"x");
    QTest::newRow("quote in place of a separator")
        << Joined(lines) << "unreadable: 3 行目: 引用符で閉じた欄の後に文字があります";
    lines = Lines(win);
    lines[2].replace(",2,19,", ",2,14,");
    QTest::newRow("no such target")
        << Joined(lines) << "unreadable: 3 行目: ターゲットが数字でないか、的にありません";
    lines = Lines(win);
    lines[2].replace("太郎", "次郎");
    QTest::newRow("name changes")
        << Joined(lines) << "unreadable: 3 行目: 同じ側のプレイヤー名が途中で変わっています";
    lines = Lines(win);
    lines.swapItemsAt(4, 7);
    QTest::newRow("turns swapped")
        << Joined(lines) << "unreadable: 5 行目: ラウンドが試合の順になっていません";
    lines = Lines(draw);
    lines << lines.mid(1, 6);
    QTest::newRow("more than 20 rounds")
        << Joined(lines) << "unreadable: 行が多すぎます（1 試合は多くて 121 行）";
  }
  // Each file alone: what the history lists for it.
  void recordsAsListed() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, listed);
    const QString path = dir_.filePath("2026-12-01_120000_太郎_花子.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
    QCOMPARE(Listed(JudgeRecord(path)), listed);
  }

  // What is no regular file is skipped, never opened for reading (a FIFO would block); a huge
  // file is refused by its size; the folder's other entries still read.
  void entriesThatAreNoRecords() {
    QTemporaryDir folder;
    const QString huge = folder.filePath("2026-12-02_000000_a_b.csv");
    QFile file(huge);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(100LL * 1024 * 1024));  // sparse: no 100 MB written
    file.close();
    QVERIFY(QDir(folder.path()).mkdir("folder.csv"));
#ifdef Q_OS_UNIX
    QCOMPARE(mkfifo(QFile::encodeName(folder.filePath("fifo.csv")).constData(), 0600), 0);
#endif
    QFile other(folder.filePath("notes.txt"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
    EnginePair closure;
    Closure(closure);
    const QByteArray win = RecordBytes(folder.path(), closure.board_a.played, true);
    QFile good(folder.filePath("2026-12-03_000000_太郎_花子.csv"));
    QVERIFY(good.open(QIODevice::WriteOnly));
    good.write(win);
    good.close();

    MatchHistory history;
    for (const QString& path : MatchHistory::RecordPaths(folder.path())) {
      history.Add(JudgeRecord(path));
    }
    history.Finish();
#ifdef Q_OS_UNIX
    QCOMPARE(history.skipped(), 2);
#else
    QCOMPARE(history.skipped(), 1);
#endif
    QCOMPARE(history.matches().size(), 2u);
    QCOMPARE(Listed(history.matches()[0]), "太郎 vs 花子 勝ち 60-0 MPR 8.00/1.00 R3");
    QCOMPARE(Listed(history.matches()[1]), "unreadable: 大きすぎます（104857600 バイト）");
  }

  // The reader's view of a record, as resuming a match needs it: the names, the own side, the
  // rival's address and every turn with the own darts' texts.
  void readerGivesTheMatch() {
    EnginePair closure;
    Closure(closure);
    const std::vector<PlayedTurn> cut(closure.board_b.played.begin(),
                                      closure.board_b.played.begin() + 4);
    const QByteArray bytes =
        RecordBytes(dir_.filePath("written"), cut, false, "太郎", "=花子", "pc-of-hanako");
    const RecordContents record = ParseRecord(bytes, "2026-12-09_140927_太郎_'=花子.csv");
    QVERIFY2(record.read(), qPrintable(record.reason));
    QCOMPARE(record.first_name, "太郎");
    QCOMPARE(record.second_name, "=花子");
    QVERIFY(!record.own_first);
    QCOMPARE(record.own_name(), "=花子");
    QCOMPARE(record.rival_address, "pc-of-hanako");
    QCOMPARE(record.started, QDateTime(QDate(2026, 12, 9), QTime(14, 9, 27)));
    QVERIFY(record.turns == cut);
    QCOMPARE(record.turns[1].texts[0], "19S");
    QVERIFY(record.turns[0].texts[0].empty());

    // Replayed into an engine of the same role, it stands where the match stood.
    RecordingBoard board;
    MatchEngine engine(board);
    engine.ChooseSecondPlayer("=花子");
    ReplayTurns(engine, record.turns);
    QVERIFY((engine.state().MarkCount == std::array<int32_t, 8>{0, 2, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(engine.state().RoundNo, 3);
    QVERIFY(!engine.state().InputOpen);
  }

  // A match resumed after a restart goes on in its own record, in that record's columns: one
  // written before the side and the address were kept stays of seven columns, so that it
  // still reads (and can be resumed again).
  void continuedRecordKeepsItsColumns_data() {
    QTest::addColumn<bool>("seven");
    QTest::newRow("nine columns") << false;
    QTest::newRow("seven columns") << true;
  }
  void continuedRecordKeepsItsColumns() {
    QFETCH(bool, seven);
    EnginePair closure;
    Closure(closure);
    const std::vector<PlayedTurn>& played = closure.board_a.played;
    const std::vector<PlayedTurn> before(played.begin(), played.begin() + 3);
    QList<QByteArray> lines = Lines(RecordBytes(dir_.filePath("written"), before, true));
    if (seven) {
      for (QByteArray& line : lines) line = line.split(',').mid(0, 7).join(',');
    }
    QTemporaryDir folder;
    const QString path = folder.filePath("2026-12-09_140927_太郎_花子.csv");
    QVERIFY(WriteFile(path, Joined(lines)));
    {
      const std::unique_ptr<MatchRecord> record =
          MatchRecord::Continuing(path, QStringLiteral("192.168.1.20"));
      for (auto turn = played.begin() + 3; turn != played.end(); ++turn) {
        record->Append(*turn, QStringLiteral("太郎"), QStringLiteral("花子"), turn->first);
      }
      QVERIFY2(record->failure().isEmpty(), qPrintable(record->failure()));
    }
    QCOMPARE(Listed(JudgeRecord(path)), "太郎 vs 花子 勝ち 60-0 MPR 8.00/1.00 R3");
    const RecordContents read = ReadRecord(path);
    QVERIFY(read.turns == played);
    const QByteArray bytes = [&] {
      QFile file(path);
      return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    for (const QByteArray& line : Lines(bytes)) QCOMPARE(line.count(','), seven ? 6 : 8);
  }

  // The table's edges: each band from its lower edge on, the one below up to a hundredth short.
  void ratingTableAtItsEdges_data() {
    QTest::addColumn<int>("hundredths");
    QTest::addColumn<int>("rating");
    QTest::newRow("0.00") << 0 << 1;
    QTest::newRow("1.29") << 129 << 1;
    const int edges[] = {130, 150, 170, 190, 210, 230, 250, 270, 290,
                         310, 330, 350, 375, 400, 425, 450, 475};
    for (int k = 0; k < 17; ++k) {
      QTest::addRow("%d.%02d", edges[k] / 100, edges[k] % 100) << edges[k] << k + 2;
      QTest::addRow("%d.%02d", (edges[k] - 1) / 100, (edges[k] - 1) % 100) << edges[k] - 1 << k + 1;
    }
    QTest::newRow("9.00") << 900 << 18;
  }
  void ratingTableAtItsEdges() {
    QFETCH(int, hundredths);
    QFETCH(int, rating);
    QCOMPARE(CricketRating(hundredths), rating);
  }

  // The rating: shown from the tenth finished match, from the latest 30 of them; unfinished
  // matches do not count; the average of ten follows the series.
  void ratingFromTheLatestFinishedMatches() {
    MatchHistory history;
    const auto add = [&](int day, double mpr, MatchResult result) {
      HistoryMatch match;
      match.readable = true;
      match.started = QDateTime(QDate(2026, 1, 1).addDays(day), QTime(12, 0));
      match.rival_name = day % 2 ? "A" : "B";
      match.result = result;
      match.own_turns = 20;
      match.own_mpr = mpr;
      history.Add(match);
    };
    for (int day = 0; day < 9; ++day) add(day, 3.0, MatchResult::OwnWin);
    add(9, 9.0, MatchResult::NotEnded);
    history.Finish();
    QCOMPARE(history.rating(), std::nullopt);
    add(10, 3.0, MatchResult::RivalWin);
    history.Finish();
    QCOMPARE(history.rating_matches(), 10);
    QCOMPARE(history.rating(), 10);  // 3.00: Rt.10 from 2.90
    // 30 newer finished matches at 1.30 leave the old ones out.
    for (int day = 11; day < 41; ++day) add(day, 1.3, MatchResult::Draw);
    history.Finish();
    QCOMPARE(history.rating_matches(), 30);
    QCOMPARE(history.rating(), 2);
    QCOMPARE(history.mpr_series().size(), 41u);
    QCOMPARE(history.mpr_series()[9], 9.0);
    QCOMPARE(history.mpr_average_of_ten()[9], (9 * 3.0 + 9.0) / 10);
    QCOMPARE(history.mpr_average_of_ten()[18], (9.0 + 3.0 + 8 * 1.3) / 10);
    QCOMPARE(history.rivals().size(), 2u);
    QCOMPARE(history.rivals()[0].name, "A");
    QCOMPARE(history.rivals()[0].matches, 20);
    QCOMPARE(history.rivals()[1].wins + history.rivals()[0].wins, 9);
  }

 private:
  QTemporaryDir dir_;
};

QTEST_MAIN(MatchHistoryTest)
#include "test_match_history.moc"
