// The history window "戦績" over a records folder beside the settings file, opened from the
// start dialog's context menu and from the board's, and the figures it shows.
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "program_windows.h"
#include "record_files.h"
#include "ui/form_font.h"
#include "ui/history_window.h"

using namespace markwick;
using namespace markwick::testing;

namespace {

QString RowTexts(QTableWidget* table, int row) {
  QStringList texts;
  for (int col = 0; col < table->columnCount(); ++col) texts << table->item(row, col)->text();
  return texts.join(u'|');
}

// The menu's action of that text; null when it has none.
QAction* Action(QMenu* menu, const QString& text) {
  for (QAction* action : menu->actions()) {
    if (action->text() == text) return action;
  }
  return nullptr;
}

}  // namespace

// Receives the URLs the window asks the system to open.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void Open(const QUrl& url) { urls << url; }
};

class HistoryWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallFormFont(); }

  // Eleven finished matches against two rivals, one not ended and one broken file: the window
  // lists them newest first with the engine's results, the record against each rival, the
  // award totals, the chart's latest figures and the rating band from the finished matches;
  // the broken file with its reason. It is not modal, and its button asks the system to open
  // the folder.
  void opensOverTheRecordsFolder() {
    QTemporaryDir dir;
    const QString records = dir.filePath("records");
    QVERIFY(QDir().mkpath(records));
    EnginePair closure;
    Closure(closure);
    EnginePair misses;
    Misses(misses);
    const QByteArray win = RecordBytes(records, closure.board_a.played, true);
    const QByteArray loss = RecordBytes(records, closure.board_b.played, false, "次郎", "太郎");
    const QByteArray draw = RecordBytes(records, misses.board_a.played, true);
    const std::vector<PlayedTurn> cut(closure.board_a.played.begin(),
                                      closure.board_a.played.begin() + 3);
    const QByteArray unfinished = RecordBytes(records, cut, true);
    const auto write = [&](int day, const QString& rival, const QByteArray& bytes) {
      const QString name =
          QStringLiteral("2026-11-%1_203000_太郎_%2.csv").arg(day, 2, 10, QChar(u'0')).arg(rival);
      QVERIFY(WriteFile(QDir(records).filePath(name), bytes));
    };
    for (int day = 1; day <= 8; ++day) write(day, "花子", win);  // 8.00 each
    write(9, "次郎", loss);                                      // 1.00
    write(10, "次郎", loss);
    write(11, "花子", draw);  // 0.00
    write(12, "花子", unfinished);
    QVERIFY(WriteFile(QDir(records).filePath("2026-11-13_000000_x_y.csv"), "broken\r\n"));

    ProgramWindows windows(dir.filePath("Markwick.ini"));
    windows.Form2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&windows.Form2));
    QMenu* menu = ContextMenuAt(windows.Form2, QPoint(200, 140));
    QVERIFY(menu != nullptr);
    QAction* action = Action(menu, "戦績");
    QVERIFY(action != nullptr);
    action->trigger();
    menu->close();
    HistoryWindow* window = windows.Form2.history_window();
    QVERIFY(window != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->windowTitle(), "戦績");
    QVERIFY(!window->isModal());

    QCOMPARE(window->matches_table->rowCount(), 12);
    QCOMPARE(RowTexts(window->matches_table, 0), "2026/11/12 20:30|花子|未完了|0|0|9.00|1.00|2");
    QCOMPARE(RowTexts(window->matches_table, 1), "2026/11/11 20:30|花子|引き分け|0|0|0.00|0.00|20");
    QCOMPARE(RowTexts(window->matches_table, 2), "2026/11/10 20:30|次郎|負け|0|60|1.00|8.00|3");
    QCOMPARE(RowTexts(window->matches_table, 11), "2026/11/01 20:30|花子|勝ち|60|0|8.00|1.00|3");
    QCOMPARE(RowTexts(window->rivals_table, 0), "次郎|2|0|2|0|1.00|8.00");
    // The average MPR over the matches with a turn: (8 x 8.00 + 0.00 + 9.00) / 10.
    QCOMPARE(RowTexts(window->rivals_table, 1), "花子|10|8|0|1|7.30|0.90");
    // Each win holds two WHITE HORSEs (three triples of three numbers) and a 6 MARKS, the
    // match not ended two WHITE HORSEs.
    QCOMPARE(RowTexts(window->awards_table, 0), "WHITE HORSE|18");
    QCOMPARE(RowTexts(window->awards_table, 4), "9 MARKS|0");
    QCOMPARE(RowTexts(window->awards_table, 7), "6 MARKS|8");
    // Finished: eight at 8.00, two at 1.00, one at 0.00: (64 + 2) / 11 = 6.00, Rt.18.
    QVERIFY2(window->rating_label->text().contains("Rt.18"),
             qPrintable(window->rating_label->text()));
    QVERIFY(window->rating_label->text().contains("直近 11 試合の平均 MPR 6.00"));
    QVERIFY(window->rating_label->text().contains("推定"));
    // The latest match first; the average of the last ten: (8 x 6 + 1 + 1 + 0 + 9) / 10.
    QCOMPARE(window->chart->accessibleDescription(), "最新 9.00、直近 10 試合の平均 5.90");
    QVERIFY(window->unreadable_label->isVisible());
    QVERIFY(window->unreadable_label->text().contains(
        "2026-11-13_000000_x_y.csv: 対戦記録の見出し行がありません"));

    // Not modal: the start dialog still takes input.
    QTest::keyClicks(windows.Form2.Edit1, "x");
    QVERIFY(windows.Form2.Edit1->text().endsWith("x"));

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "Open");
    QTest::mouseClick(window->open_folder_button, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(records)});

    // From the board's menu: the same window, read again.
    window->close();
    QVERIFY(QFile::remove(QDir(records).filePath("2026-11-13_000000_x_y.csv")));
    TForm1& board = windows.Form2.ScoreBoard();
    ClickButton(windows.Form2.Button3);
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    QMenu* board_menu = ContextMenuAt(board, kBesideTheGrid);
    QVERIFY(board_menu != nullptr);
    Action(board_menu, "戦績")->trigger();
    board_menu->close();
    QCOMPARE(windows.Form2.history_window(), window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(!window->unreadable_label->isVisible());
  }

  // Without a records folder yet: no match, no rating, the button disabled, nothing created.
  void emptyWithoutFolder() {
    QTemporaryDir dir;
    HistoryWindow window(dir.filePath("records"), gate_);
    window.Open();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.matches_table->rowCount(), 0);
    QVERIFY(window.rating_label->text().contains("あと 10 試合"));
    QVERIFY(!window.open_folder_button->isEnabled());
    QVERIFY(!QFileInfo::exists(dir.filePath("records")));
  }

 private:
  HandlerGate gate_;
};

QTEST_MAIN(HistoryWindowTest)
#include "test_history_window.moc"
