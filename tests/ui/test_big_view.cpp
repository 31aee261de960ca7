// The big view, its banners and the sounds, on a board opened with "設定しないでGo" (no link),
// the rival's turns applied as the link hands them over: what the view shows
// against what the board shows, at two sizes, through its snapshot and its screen reader texts;
// the score digits' height in pixels at full screen on 1920 x 1080; the banners and the calls
// against a fake sound sink; the view's settings kept beside the settings file.
#include <QAccessible>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "link/turn_message.h"
#include "modal_box_answerer.h"
#include "program_windows.h"
#include "ui/auto_size_label.h"
#include "ui/big_view.h"
#include "ui/form_font.h"
#include "ui/match_cues.h"
#include "ui/sound_sink.h"
#include "ui/view_settings.h"

using markwick::BigView;
using markwick::BigViewSnapshot;
using markwick::ReadTurnItems;
using markwick::Sound;
using markwick::TForm1;
using markwick::testing::ClickButton;
using markwick::testing::ClickCell;
using markwick::testing::ContextMenuAt;
using markwick::testing::kBesideTheGrid;

namespace {

struct FakeSoundSink : markwick::SoundSink {
  void Play(Sound sound) noexcept override { sounds.push_back(sound); }
  std::vector<Sound> sounds;
};

// The cells of the darts: (column, row) of the grid.
constexpr QPoint k20T{3, 1}, k19T{3, 2}, k18T{3, 3}, k17T{3, 4}, k16T{3, 5}, k15T{3, 6},
    kMiss{3, 7}, kDoubleBull{1, 7};

}  // namespace

class BigViewTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { markwick::InstallFormFont(); }

  void init() { Restart(); }

  void cleanup() {
    windows_.reset();
    QFile::remove(dir_.filePath("MarkwickView.ini"));
  }

  void viewFollowsTheBoard_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("small window") << QSize(480, 300);
    QTest::newRow("full HD") << QSize(1920, 1080);
  }

  // Opened from the context menu in the middle of a turn, the view shows what the board shows:
  // names, the marks of each target, scores, the round, the darts and whose turn it is; it
  // follows each dart, a correction and the rival's turn at once. Its layout scales with the
  // window: the places of its parts are the same fractions of its drawn area at any size.
  void viewFollowsTheBoard() {
    QFETCH(QSize, size);
    TForm1& board = Board();
    board.SetName(markwick::Side::Rival, "花子");
    Throw(board, {k20T, k20T, k19T});
    ClickButton(board.Button1);
    board.engine().TakeInRivalTurn(ReadTurnItems("19,18,0,3,2,0,"));
    ClickCell(board, k18T.x(), k18T.y());
    BigView& view = Open(board);
    view.resize(size);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    VerifyAgainstBoard(board, view);
    QCOMPARE(view.snapshot().RoundText(), QStringLiteral("ROUND 2 / 20"));
    QCOMPARE(view.snapshot().own.marks[0], QStringLiteral("○"));
    QCOMPARE(view.snapshot().own.marks[1], QStringLiteral("－－"));
    QCOMPARE(view.snapshot().rival.marks[2], QStringLiteral("×"));
    QCOMPARE(view.snapshot().own.score, 60);
    QCOMPARE(view.snapshot().own.mpr, QStringLiteral("9.00"));
    QCOMPARE(view.snapshot().rival.mpr, QStringLiteral("5.00"));
    QCOMPARE(view.snapshot().turn, markwick::TurnOf::Own);

    const QStringList texts = view.AccessibleTexts();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view);
    QVERIFY(accessible != nullptr);
    QCOMPARE(accessible->childCount(), texts.size());
    QStringList read;
    for (int i = 0; i < accessible->childCount(); ++i) {
      read << accessible->child(i)->text(QAccessible::Name);
      QCOMPARE(accessible->indexOfChild(accessible->child(i)), i);
    }
    QCOMPARE(read.mid(0, 7),
             QStringList({"ROUND 2 / 20", "FirstPlayer", "花子", "FirstPlayer 得点 60",
                          "花子 得点 0", "FirstPlayer MPR 9.00", "花子 MPR 5.00"}));
    QCOMPARE(read[7], QStringLiteral("20: FirstPlayer クローズ, 花子 0マーク"));
    QCOMPARE(read[8], QStringLiteral("19: FirstPlayer 両者クローズ, 花子 両者クローズ"));
    QCOMPARE(read[9], QStringLiteral("18: FirstPlayer クローズ, 花子 2マーク"));
    QCOMPARE(read[14], QStringLiteral("1投目 18T, 2投目 , 3投目 "));
    QCOMPARE(read[15], QStringLiteral("FirstPlayerの番"));
    QCOMPARE(read[16], QString());

    // The parts keep their proportions: the drawn area is 16:9, centred.
    const QRect round = view.AccessibleRect(0);
    const QRect rival_score = view.ScoreRect(false);
    const double scale = std::min(size.width() / 1600.0, size.height() / 900.0);
    QVERIFY(std::abs(rival_score.width() - 560 * scale) <= 1.5);
    QVERIFY(std::abs(round.center().x() - size.width() / 2.0) <= 1.5);
    QVERIFY(QRect(QPoint(), size).contains(rival_score));
    QVERIFY(!view.grab().isNull());

    // A correction and a dart, then the turn sent and the rival's applied: followed at once.
    ClickButton(board.Button2);
    VerifyAgainstBoard(board, view);
    QCOMPARE(view.snapshot().own.marks[2], QString());
    ClickCell(board, kDoubleBull.x(), kDoubleBull.y());
    Throw(board, {kMiss, kMiss});
    VerifyAgainstBoard(board, view);
    ClickButton(board.Button1);
    VerifyAgainstBoard(board, view);
    QCOMPARE(view.snapshot().turn, markwick::TurnOf::Rival);
    QCOMPARE(view.snapshot().darts, (std::array<QString, 3>{}));
    board.engine().TakeInRivalTurn(ReadTurnItems("20,0,0,3,0,0,"));
    VerifyAgainstBoard(board, view);
    QCOMPARE(view.snapshot().RoundText(), QStringLiteral("ROUND 3 / 20"));
    QCOMPARE(view.AccessibleTexts()[7],
             QStringLiteral("20: FirstPlayer 両者クローズ, 花子 両者クローズ"));
  }

  // At full screen on a 1920 x 1080 screen the score's digits are at least 150 pixels high:
  // counted on the drawn image, in the view's pixels at any display scale.
  void scoreDigitsAtFullHd() {
    TForm1& board = Board();
    Throw(board, {k20T, k20T, k20T});
    ClickButton(board.Button1);
    BigView& view = Open(board);
    view.resize(1920, 1080);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.snapshot().own.score, 120);
    const QImage image = view.grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const QRect place = view.ScoreRect(true);
    const QRect pixels(qRound(place.x() * ratio), qRound(place.y() * ratio),
                       qRound(place.width() * ratio), qRound(place.height() * ratio));
    int top = pixels.bottom(), bottom = pixels.top() - 1;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
      for (int x = pixels.left(); x <= pixels.right(); ++x) {
        if (qGray(image.pixel(x, y)) > 200) {  // the white of the digits on the dark panel
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
      }
    }
    const qreal height = (bottom - top + 1) / ratio;
    QVERIFY2(height >= 150, qPrintable(QStringLiteral("digits %1 px high").arg(height)));
  }

  // A turn sent and a turn applied, each with its award across the view for 2.5 s, the second
  // after the first; the end of the match the same with the result. With the sound on: a sound
  // per dart (closing mark, mark, miss), no call for darts a correction took back (a WHITE
  // HORSE that became 6 MARKS), the awards called when sent or applied, the end called.
  void bannersAndCalls() {
    TForm1& board = Board();
    FakeSoundSink sink;
    board.SetSoundSink(&sink);
    QMenu* menu = ContextMenuAt(board, kBesideTheGrid);
    QAction* sound = menu->actions().at(3);
    QCOMPARE(sound->text(), QStringLiteral("音声"));
    QVERIFY(sound->isCheckable() && !sound->isChecked());
    sound->trigger();
    QVERIFY(board.sound_on() && sound->isChecked());
    BigView& view = Open(board);
    const markwick::MatchCues& cues = *board.cues();

    // The first turn opens without a correction button on a board without a link.
    Throw(board, {k20T, k19T, k18T});
    QCOMPARE(cues.banner(), QString());
    ClickButton(board.Button1);
    QCOMPARE(cues.banner(), QStringLiteral("WHITE HORSE"));
    QCOMPARE(view.snapshot().banner, QStringLiteral("WHITE HORSE"));
    QCOMPARE(view.AccessibleTexts().last(), QStringLiteral("WHITE HORSE"));
    board.engine().TakeInRivalTurn(ReadTurnItems("25,25,25,2,2,2,"));
    QCOMPARE(cues.banner(), QStringLiteral("WHITE HORSE"));  // the next waits its turn
    QTRY_COMPARE_WITH_TIMEOUT(cues.banner(), QStringLiteral("3 IN THE BLACK"), 4000);
    QTRY_COMPARE_WITH_TIMEOUT(cues.banner(), QString(), 4000);
    QCOMPARE(view.snapshot().banner, QString());

    Throw(board, {k17T, k16T, k15T});
    ClickButton(board.Button2);  // the WHITE HORSE is taken back before it is sent
    Throw(board, {kMiss});
    QCOMPARE(cues.banner(), QString());
    ClickButton(board.Button1);
    QCOMPARE(cues.banner(), QStringLiteral("6 MARKS"));
    QCOMPARE(
        sink.sounds,
        (std::vector<Sound>{Sound::ClosingMark, Sound::ClosingMark, Sound::ClosingMark,
                            Sound::WhiteHorse, Sound::ThreeInTheBlack, Sound::ClosingMark,
                            Sound::ClosingMark, Sound::ClosingMark, Sound::Miss, Sound::SixMarks}));

    // The rival closes everything ahead: the result, after the rival's award.
    sink.sounds.clear();
    board.engine().TakeInRivalTurn(ReadTurnItems("20,19,18,3,3,3,"));
    Throw(board, {kMiss, k20T, kMiss});
    ClickButton(board.Button1);
    markwick::testing::ModalBoxAnswerer answerer;
    QString banner_under_box;
    answerer.on_box = [&](const auto&) { banner_under_box = cues.banner(); };
    board.engine().TakeInRivalTurn(ReadTurnItems("17,16,15,3,3,3,"));
    QCOMPARE(answerer.Texts(), std::vector<QString>{"SecondPlayer75 Win!!"});
    QVERIFY(banner_under_box == "6 MARKS" || banner_under_box == "WHITE HORSE");
    QTRY_COMPARE_WITH_TIMEOUT(cues.banner(), QStringLiteral("SecondPlayer WIN"), 10000);
    QCOMPARE(view.AccessibleTexts().last(), QStringLiteral("SecondPlayer WIN"));
    QCOMPARE(view.snapshot().turn, markwick::TurnOf::Nobody);
    // A dart on a target closed by both credits nothing: the sound of a miss.
    QCOMPARE(sink.sounds, (std::vector<Sound>{Sound::WhiteHorse, Sound::Miss, Sound::Miss,
                                              Sound::Miss, Sound::WhiteHorse, Sound::Lose}));

    // Turned off: nothing more is played; a judgement that declares the result again (a click
    // after the end) is neither shown nor called again.
    sound->trigger();
    QVERIFY(!board.sound_on());
    board.SetSoundSink(&sink);
    ClickCell(board, k20T.x(), k20T.y());
    QCOMPARE(answerer.Texts().size(), 2u);
    QCOMPARE(sink.sounds.size(), 6u);
    QCOMPARE(cues.banner(), QStringLiteral("SecondPlayer WIN"));
  }

  // F11 and a double click take the view to full screen and back, Esc leaves it. Its place and
  // size and the sound are kept in MarkwickView.ini beside Markwick.ini, which stays as it was;
  // the next program opens the view there and has the sound on.
  void fullScreenAndKeptSettings() {
    QFile settings(dir_.filePath("Markwick.ini"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    const QByteArray ini = "[Parameter]\r\nIPAddress=127.0.0.1\r\nFName=\x91\xbe\x98Y\r\n";
    settings.write(ini);
    settings.close();
    Restart();
    TForm1& board = Board();
    FakeSoundSink sink;
    board.SetSoundSink(&sink);
    BigView& view = Open(board);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTest::keyClick(&view, Qt::Key_F11);
    QTRY_VERIFY(view.isFullScreen());
    QTest::keyClick(&view, Qt::Key_Escape);
    QTRY_VERIFY(!view.isFullScreen());
    QTest::mouseDClick(&view, Qt::LeftButton);
    QTRY_VERIFY(view.isFullScreen());
    QTest::keyClick(&view, Qt::Key_F11);
    QTRY_VERIFY(!view.isFullScreen());
    const QRect place(40, 50, 640, 400);
    view.setGeometry(place);
    QTRY_COMPARE(view.geometry(), place);
    view.close();
    board.SetSoundOn(true);
    const QString path = dir_.filePath("MarkwickView.ini");
    QCOMPARE(markwick::ReadViewSettings(path), (markwick::ViewSettings{place, false, true}));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), ini);
    settings.close();

    Restart();
    TForm1& next = Board();
    QVERIFY(next.sound_on());
    QVERIFY(ContextMenuAt(next, kBesideTheGrid)->actions().at(3)->isChecked());
    BigView& reopened = Open(next);
    QCOMPARE(reopened.geometry(), place);
  }

 private:
  // The program started anew, its start dialog shown.
  void Restart() {
    windows_.reset();
    windows_ = std::make_unique<markwick::testing::ProgramWindows>(dir_.filePath("Markwick.ini"));
    windows_->Form2.show();
    if (!QTest::qWaitForWindowExposed(&windows_->Form2)) {
      QTest::qFail("start dialog not shown", __FILE__, __LINE__);
    }
  }

  TForm1& Board() {
    TForm1& board = windows_->Form2.ScoreBoard();
    ClickButton(windows_->Form2.Button3);
    if (!QTest::qWaitForWindowExposed(&board)) QTest::qFail("board not shown", __FILE__, __LINE__);
    return board;
  }

  // "大画面" from the context menu, beside "成績" and "戦績".
  static BigView& Open(TForm1& board) {
    QMenu* menu = ContextMenuAt(board, kBesideTheGrid);
    QStringList items;
    for (QAction* action : menu->actions()) items << action->text();
    [&] { QCOMPARE(items, QStringList({"成績", "戦績", "大画面", "音声"})); }();
    menu->actions().at(2)->trigger();
    menu->hide();
    BigView* view = board.big_view();
    [&] { QVERIFY(view != nullptr && view->isVisible() && view->parentWidget() == &board); }();
    return *view;
  }

  static void Throw(TForm1& board, std::initializer_list<QPoint> cells) {
    for (const QPoint& cell : cells) ClickCell(board, cell.x(), cell.y());
  }

  // The snapshot against the board's own cells, round counter and dart boxes.
  static void VerifyAgainstBoard(TForm1& board, const BigView& view) {
    const BigViewSnapshot& s = view.snapshot();
    QCOMPARE(s.own.name, board.StringGrid1->Cell(0, 0));
    QCOMPARE(s.rival.name, board.StringGrid1->Cell(4, 0));
    for (int row = 0; row < markwick::kTargetRows; ++row) {
      QCOMPARE(s.own.marks[row], board.StringGrid1->Cell(0, row + 1));
      QCOMPARE(s.rival.marks[row], board.StringGrid1->Cell(4, row + 1));
    }
    QCOMPARE(QString::number(s.own.score), board.StringGrid1->Cell(0, 8));
    QCOMPARE(QString::number(s.rival.score), board.StringGrid1->Cell(4, 8));
    QCOMPARE(QString::number(s.round), board.Label5->text());
    QCOMPARE(s.darts[0], board.Edit1->text());
    QCOMPARE(s.darts[1], board.Edit2->text());
    QCOMPARE(s.darts[2], board.Edit3->text());
    const QStringList texts = view.AccessibleTexts();
    QCOMPARE(texts[0], s.RoundText());
    QCOMPARE(texts[3], QStringLiteral("%1 得点 %2").arg(s.own.name).arg(s.own.score));
  }

  QTemporaryDir dir_;
  std::unique_ptr<markwick::testing::ProgramWindows> windows_;
};

QTEST_MAIN(BigViewTest)
#include "test_big_view.moc"
