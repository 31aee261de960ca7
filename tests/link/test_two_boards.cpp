// Two complete programs in one process, joined over 127.0.0.1 on the real ports 50001 and
// 50100 as two players at two computers would be: the set-up in either order, the captions,
// the name exchange, whole matches played by clicks on the grids, and a rival that leaves.
// Against a scripted first player (scripted_rival.h) the second program takes broken and
// hostile bytes.
//
// Each program has its own handler gate, as two programs do; the modal boxes of one process
// are answered in the order they open.
#include <QLineEdit>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "link/peer_link.h"
#include "scripted_rival.h"
#include "system_error_expectations.h"
#include "ui/auto_size_label.h"
#include "ui/form_font.h"
#include "ui/modal_box_answerer.h"
#include "ui/program_windows.h"
#include "ui/stats_window.h"

using markwick::TForm1;
using markwick::TForm2;
using markwick::testing::CellCentre;
using markwick::testing::ClickButton;
using markwick::testing::ClickCell;
using markwick::testing::ModalBoxAnswerer;
using markwick::testing::PeerOf;
using markwick::testing::ProgramWindows;
using markwick::testing::RivalConnection;
using markwick::testing::RivalListener;

namespace {

const QString kListening = QStringLiteral("Markwick = Server = 接続待ち");
const QString kAccepted = QStringLiteral("Markwick = Server = 接続中 ");
const QString kConnected = QStringLiteral("Markwick = Client = 接続完了");
const QString kDisconnected = QStringLiteral("Markwick = Client = 切断");
const QString kTurnWaits =
    QStringLiteral("Markwick = Client = 切断 （記録は接続が戻りしだい送信します）");
const QString kNewMatch =
    QStringLiteral("相手は新しい試合を始めています。この試合の記録は送り直しません");
const QString kCannotAgree = QStringLiteral("相手と記録の数が合わないため、記録を送り直せません");
const QString kRunClosed =
    QStringLiteral("不正な記録が何度も届いたため、相手との接続を切断しました.");

// A grid cell as (column, row).
using Cell = std::pair<int, int>;
const Cell kTriple20{3, 1};
const Cell kSingle19{2, 2};
const Cell kMiss{3, 7};

// One program: its start dialog and its board, with its own settings file.
struct Program {
  QTemporaryDir dir;
  std::unique_ptr<ProgramWindows> windows =
      std::make_unique<ProgramWindows>(dir.filePath("Markwick.ini"));

  TForm1& board() { return windows->Form2.ScoreBoard(); }
  TForm2& dialog() { return windows->Form2; }
  const markwick::MatchState& state() { return board().engine().state(); }

  bool Show() {
    dialog().show();
    return QTest::qWaitForWindowExposed(&dialog());
  }
  // The user types the own name into the role's box and the rival's address, and presses the
  // role's button.
  void Start(bool first, const QString& name, const QString& address = "127.0.0.1") {
    (first ? dialog().Edit1 : dialog().Edit2)->setText(name);
    dialog().Edit3->setText(address);
    ClickButton(first ? dialog().Button1 : dialog().Button2);
  }
  // Three darts and the send button.
  void PlayTurn(const std::vector<Cell>& darts) {
    for (const auto& [col, row] : darts) ClickCell(board(), col, row);
    ClickButton(board().Button1);
  }
  QString RivalName() { return board().StringGrid1->Cell(4, 0); }
};

// A click of the left button at a place of a widget as it stands on the screen: it lands on
// the window in front there, which may not be the widget's own.
void ClickOnScreen(QWidget* widget, QPoint place) {
  const QPoint global = widget->mapToGlobal(place);
  QWidget* front = QApplication::widgetAt(global);
  QWidget* window = front != nullptr ? front->window() : widget->window();
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, window->mapFromGlobal(global));
}

bool RealPortsFree() {
  for (quint16 port : {quint16{50001}, quint16{50100}}) {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::AnyIPv4, port)) return false;
  }
  return true;
}

}  // namespace

class TwoBoardsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    markwick::InstallFormFont();
    answerer_ = std::make_unique<ModalBoxAnswerer>();
  }

  void init() {
    // Both boards bind them; CTest gives the test a network namespace of its own.
    QVERIFY2(RealPortsFree(), "the ports 50001 and 50100 are taken: run it through CTest");
    answerer_->boxes.clear();
    answerer_->give_back_activation = false;
    answerer_->on_box = nullptr;
    first_ = std::make_unique<Program>();
    second_ = std::make_unique<Program>();
    QVERIFY(first_->Show());
    QVERIFY(second_->Show());
  }

  void cleanup() {
    answerer_->on_box = nullptr;
    first_.reset();
    second_.reset();
    scripted_listener_.reset();
  }

  // First player first, then the second: both connections form, each side shows the other's
  // name exactly as typed (an empty name sends nothing), and the captions end as the last link
  // event left them.
  void setUpInTheRightOrder_data() {
    QTest::addColumn<QString>("first_name");
    QTest::addColumn<QString>("second_name");
    const auto row = [](const char* name, const QString& first_name, const QString& second_name) {
      QTest::newRow(name) << first_name << second_name;
    };
    row("plain", "Player1", "Player2");
    row("blanks, commas, Japanese", "先攻 太郎", " ソ表,20,19, ");
    row("empty first name", "", "後攻");
  }
  void setUpInTheRightOrder() {
    QFETCH(QString, first_name);
    QFETCH(QString, second_name);
    QSignalSpy first_captions(&first_->board(), &QWidget::windowTitleChanged);
    QSignalSpy second_captions(&second_->board(), &QWidget::windowTitleChanged);

    first_->Start(true, first_name);
    QCOMPARE(first_->board().windowTitle(), QStringLiteral("Markwick [先攻]"));
    QVERIFY(first_->board().isVisible());
    second_->Start(false, second_name);

    QTRY_VERIFY(PeerOf(first_->board()).IsOutgoingConnected());
    QTRY_VERIFY(PeerOf(second_->board()).IsOutgoingConnected());
    QTRY_COMPARE(first_->RivalName(), second_name);
    QTRY_COMPARE(second_->board().windowTitle(), kAccepted);
    QCOMPARE(first_->board().windowTitle(), kConnected);
    QCOMPARE(second_->RivalName(),
             first_name.isEmpty() ? QStringLiteral("SecondPlayer") : first_name);
    QVERIFY(answerer_->boxes.empty());

    const auto texts = [](const QSignalSpy& spy) {
      QStringList list;
      for (const QList<QVariant>& args : spy) list << args[0].toString();
      return list;
    };
    QCOMPARE(texts(first_captions),
             (QStringList{kListening, "Markwick [先攻]", kAccepted, kConnected}));
    QCOMPARE(texts(second_captions),
             (QStringList{kListening, "Markwick [後攻]", kConnected, kAccepted}));
  }

  // The second player first: its connect is refused (one error box), and it tries again by
  // itself, so that the link forms once the first player starts: the names are exchanged as
  // in round 1 and the match is played.
  void setUpInTheWrongOrder() {
    second_->Start(false, "Player2");
    QTRY_COMPARE(answerer_->boxes.size(), 1u);
    QCOMPARE(answerer_->boxes[0].text,
             markwick::AsyncSocketErrorText(expected_errors::kRefused) + QStringLiteral("."));
    QCOMPARE(answerer_->boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(second_->board().windowTitle(), QStringLiteral("Markwick [後攻]"));
    QVERIFY(second_->board().isVisible());
    const int attempts = PeerOf(second_->board()).OutgoingAttempts();
    QTRY_VERIFY_WITH_TIMEOUT(PeerOf(second_->board()).OutgoingAttempts() >= attempts + 1, 5000);

    first_->Start(true, "Player1");
    QTRY_VERIFY_WITH_TIMEOUT(PeerOf(second_->board()).IsOutgoingConnected(), 5000);
    QTRY_VERIFY(PeerOf(first_->board()).IsOutgoingConnected());
    QTRY_COMPARE(first_->RivalName(), QStringLiteral("Player2"));
    QTRY_COMPARE(second_->RivalName(), QStringLiteral("Player1"));
    first_->PlayTurn({kTriple20, kSingle19, kMiss});
    QTRY_VERIFY(second_->state().InputOpen);
    QCOMPARE(second_->state().r_MarkCount[0], 3);
    second_->PlayTurn({kSingle19, kMiss, kMiss});
    QTRY_COMPARE(first_->state().RoundNo, 2);
    QCOMPARE(first_->state().r_MarkCount[1], 1);
    QCOMPARE(answerer_->boxes.size(), 1u);
  }

  // The second player with an empty address: the error, the board not shown, the listener
  // closed again; pressing the button again with an address completes the set-up.
  void emptyAddressThenRetry() {
    first_->Start(true, "Player1");
    second_->Start(false, "Player2", "");
    QCOMPARE(answerer_->boxes.size(), 1u);
    QCOMPARE(answerer_->boxes[0].text, QStringLiteral("アドレスが指定されていません."));
    QVERIFY(!second_->board().isVisible());
    QTRY_COMPARE(second_->board().windowTitle(), kDisconnected);
    QVERIFY(!PeerOf(second_->board()).IsListening());

    second_->Start(false, "Player2");
    QVERIFY(second_->board().isVisible());
    QTRY_COMPARE(first_->RivalName(), QStringLiteral("Player2"));
    QTRY_COMPARE(second_->RivalName(), QStringLiteral("Player1"));
    QCOMPARE(answerer_->boxes.size(), 1u);
  }

  // The first player without an address: when the rival connects, its name goes out, then the
  // error, and the rival's connection is closed again, which the rival sees.
  void firstPlayerWithoutAddress() {
    first_->Start(true, "Player1", "");
    QVERIFY(first_->board().isVisible());
    second_->Start(false, "Player2");
    QTRY_COMPARE(answerer_->boxes.size(), 1u);
    QCOMPARE(answerer_->boxes[0].text, QStringLiteral("アドレスが指定されていません."));
    QTRY_COMPARE(second_->board().windowTitle(), kDisconnected);
    QTRY_COMPARE(first_->board().windowTitle(), kDisconnected);
    QCOMPARE(second_->RivalName(), QStringLiteral("Player1"));
    QVERIFY(PeerOf(first_->board()).IncomingConnections().isEmpty());
    QCOMPARE(first_->RivalName(), QStringLiteral("SecondPlayer"));
  }

  // The first player's turn of round 1, sent before the second player has started, goes out
  // once the link is up and opens the second player's turn.
  void firstTurnBeforeTheRivalStarts() {
    first_->Start(true, "Player1");
    first_->PlayTurn({kTriple20, kSingle19, kMiss});
    QCOMPARE(first_->board().Label6->text(), QStringLiteral("相手入力待ち"));
    QVERIFY(answerer_->boxes.empty());

    second_->Start(false, "Player2");
    QTRY_VERIFY(second_->state().InputOpen);
    QCOMPARE(second_->state().r_MarkCount[0], 3);
    QCOMPARE(second_->state().r_MarkCount[1], 1);
    QCOMPARE(second_->board().Label6->text(), QStringLiteral("記録入力受付中"));
    QVERIFY(answerer_->boxes.empty());
  }

  // Twenty rounds by clicks: the round counters of both peers at every moment, and the end on
  // both, the second player judging right after its last send, the first on receiving it.
  void fullMatch() {
    StartBoth("先攻 太郎", "後攻 花子");
    if (QTest::currentTestFailed()) return;
    TForm1& a = first_->board();
    TForm1& b = second_->board();

    std::vector<std::pair<int, int>> after_first_sends;
    std::vector<std::pair<int, int>> after_second_sends;
    connect(a.Button1, &QPushButton::clicked, this, [&] {
      after_first_sends.emplace_back(first_->state().RoundNo, second_->state().RoundNo);
    });
    connect(b.Button1, &QPushButton::clicked, this, [&] {
      after_second_sends.emplace_back(first_->state().RoundNo, second_->state().RoundNo);
    });
    std::vector<std::pair<int, int>> at_boxes;
    answerer_->on_box = [&](const markwick::testing::AnsweredBox&) {
      at_boxes.emplace_back(first_->state().RoundNo, second_->state().RoundNo);
    };

    for (int round = 1; round <= 20; ++round) {
      const QString shown = QString::number(round);
      // The first player's turn of this round is open; the second waits.
      QCOMPARE(first_->state().RoundNo, round);
      QCOMPARE(second_->state().RoundNo, round);
      QCOMPARE(a.Label5->text(), shown);
      QVERIFY(first_->state().InputOpen);
      QVERIFY(!second_->state().InputOpen);

      first_->PlayTurn({kTriple20, kTriple20, kMiss});
      QCOMPARE(after_first_sends.back(), std::make_pair(round, round));
      QCOMPARE(a.Label6->text(), round == 20 ? QStringLiteral("全て投げ終わりました")
                                             : QStringLiteral("相手入力待ち"));

      QTRY_VERIFY(second_->state().InputOpen);
      QCOMPARE(first_->state().RoundNo, round);
      QCOMPARE(second_->state().RoundNo, round);
      QCOMPARE(b.Label5->text(), shown);

      second_->PlayTurn({kSingle19, kMiss, kMiss});
      if (round < 20) {
        QCOMPARE(after_second_sends.back(), std::make_pair(round, round + 1));
        QCOMPARE(b.Label5->text(), QString::number(round + 1));
        QTRY_VERIFY(first_->state().InputOpen);
        QCOMPARE(first_->state().RoundNo, round + 1);
        QCOMPARE(second_->state().RoundNo, round + 1);
        QVERIFY(answerer_->boxes.empty());
      }
    }

    // The end: the second player's result right after its send, the first player's on
    // receiving that turn. Each program has its own handler gate, as two programs do, so in
    // one process the first may take the turn in while the second's box is still open.
    QTRY_COMPARE(answerer_->boxes.size(), 2u);
    QCOMPARE(answerer_->Texts(), (std::vector<QString>{"先攻 太郎 Win!!", "先攻 太郎 Win!!"}));
    for (const auto& [first_round, second_round] : at_boxes) QCOMPARE(second_round, 21);
    QCOMPARE(at_boxes.back(), std::make_pair(21, 21));
    for (Program* program : {first_.get(), second_.get()}) {
      TForm1& board = program->board();
      QCOMPARE(program->state().RoundNo, 21);
      QVERIFY(!program->state().InputOpen);
      QCOMPARE(board.Label5->text(), QStringLiteral("20"));
      QCOMPARE(board.Label6->text(), QStringLiteral("試合終了"));
      QCOMPARE(board.Label6->palette().color(QPalette::WindowText), QColor(255, 0, 0));
      QVERIFY(!board.Button1->isEnabled());
      QCOMPARE(board.Button1->text(), QStringLiteral("待ち"));
      QVERIFY(!board.Button2->isEnabled());
    }
    // Both peers hold the same scores: 60 + 19 x 120 for the first, 17 x 19 for the second.
    QCOMPARE(a.StringGrid1->Cell(0, 8), QStringLiteral("2340"));
    QCOMPARE(b.StringGrid1->Cell(4, 8), QStringLiteral("2340"));
    QCOMPARE(a.StringGrid1->Cell(4, 8), QStringLiteral("323"));
    QCOMPARE(b.StringGrid1->Cell(0, 8), QStringLiteral("323"));
    QCOMPARE(first_->state().MarkCount, second_->state().r_MarkCount);
    QCOMPARE(second_->state().MarkCount, first_->state().r_MarkCount);

    // A Turn message that reaches a board after round 20 is left unread: no box, its bytes stay.
    PeerOf(second_->board()).SendTurn(QStringLiteral("x,0,0,3,0,0,"));
    const QList<QTcpSocket*> incoming = PeerOf(first_->board()).IncomingConnections();
    QVERIFY(!incoming.isEmpty());
    QTRY_COMPARE(incoming.front()->bytesAvailable(), qint64{12});
    QCoreApplication::processEvents();
    QCOMPARE(answerer_->boxes.size(), 2u);
    QCOMPARE(first_->state().r_MarkCount, second_->state().MarkCount);
  }

  // Level scores with only the first player closed: the second player declares the draw, the
  // first plays on, and its next turn reopens the second player's turn.
  void drawDisagreement() {
    // The second player's board stands near the screen's bottom, where the STATS window does
    // not fit below it.
    const QRect area = second_->dialog().screen()->availableGeometry();
    second_->dialog().move(area.left() + 100, area.bottom() - 250);
    answerer_->give_back_activation = true;
    StartBoth("Player1", "Player2");
    if (QTest::currentTestFailed()) return;
    const std::vector<std::vector<Cell>> first_turns = {
        {{3, 1}, {3, 2}, {3, 3}},
        {{3, 4}, {3, 5}, {3, 6}},
        {{1, 7}, {2, 7}, kMiss},  // every target closed with exactly three marks: 0 points
    };
    for (const auto& turn : first_turns) {
      first_->PlayTurn(turn);
      QTRY_VERIFY(second_->state().InputOpen);
      second_->PlayTurn({kMiss, kMiss, kMiss});
      QTRY_VERIFY(first_->state().InputOpen || !answerer_->boxes.empty());
    }
    QTRY_VERIFY(first_->state().InputOpen);
    QCOMPARE(answerer_->Texts(),
             std::vector<QString>{QStringLiteral("Player2vsPlayer1\r\n   0   0\r\n ドロー！")});
    QCOMPARE(second_->board().Label6->text(), QStringLiteral("試合終了"));
    QVERIFY(!second_->state().InputOpen);
    QCOMPARE(first_->state().RoundNo, 4);
    QCOMPARE(first_->board().Label6->text(), QStringLiteral("記録入力受付中"));

    first_->PlayTurn({kMiss, kMiss, kMiss});
    QTRY_VERIFY(second_->state().InputOpen);
    QCOMPARE(second_->board().Label6->text(), QStringLiteral("記録入力受付中"));
    QCOMPARE(second_->state().RoundNo, 4);
    QCOMPARE(answerer_->boxes.size(), 1u);

    // The STATS window that opened by itself after the draw leaves the board's controls free:
    // the second player's next turn is entered and sent by clicks where its controls stand on
    // the screen, and the board keeps the keyboard.
    markwick::StatsWindow* stats = second_->board().stats_window();
    QVERIFY(stats != nullptr && stats->isVisible());
    for (int i = 0; i < 3; ++i)
      ClickOnScreen(&second_->board(), CellCentre(second_->board(), 3, 7));
    ClickOnScreen(second_->board().Button1, second_->board().Button1->rect().center());
    QTRY_VERIFY(first_->state().InputOpen);
    QCOMPARE(first_->state().r_MarkCount, second_->state().MarkCount);
    // The send shows the draw again; its box hands the activation back a moment later.
    QTRY_COMPARE(answerer_->boxes.size(), 2u);
    QTRY_COMPARE(QApplication::activeWindow(), &second_->board());
  }

  // The rival closes its program mid-match: the caption shows the disconnect; the next send
  // keeps its turn, says so in the caption, and shows no box. A rival that starts a new match
  // instead gets the kept turn, and the board says once that the match cannot be resumed.
  void rivalClosesItsProgram() {
    StartBoth("Player1", "Player2");
    if (QTest::currentTestFailed()) return;
    first_->PlayTurn({kTriple20, kMiss, kMiss});
    QTRY_VERIFY(second_->state().InputOpen);
    second_->PlayTurn({kSingle19, kMiss, kMiss});
    QTRY_VERIFY(first_->state().InputOpen);

    second_->board().close();
    QTRY_COMPARE(first_->board().windowTitle(), kDisconnected);
    QTRY_VERIFY(PeerOf(first_->board()).IncomingConnections().isEmpty());
    QVERIFY(answerer_->boxes.empty());
    QCOMPARE(first_->board().Label6->text(), QStringLiteral("記録入力受付中"));

    first_->PlayTurn({kTriple20, kMiss, kMiss});
    QVERIFY(answerer_->boxes.empty());
    QCOMPARE(first_->board().windowTitle(), kTurnWaits);
    QVERIFY(!first_->state().InputOpen);
    QCOMPARE(first_->board().Label6->text(), QStringLiteral("相手入力待ち"));

    second_ = std::make_unique<Program>();
    QVERIFY(second_->Show());
    second_->Start(false, "Player3");
    // The new program is told that the counts of the old match cannot agree with its own.
    QTRY_COMPARE_WITH_TIMEOUT(answerer_->boxes.size(), 2u, 5000);
    std::vector<QString> texts = answerer_->Texts();
    std::sort(texts.begin(), texts.end());
    QCOMPARE(texts, (std::vector<QString>{kCannotAgree, kNewMatch}));
    QTRY_VERIFY(second_->state().InputOpen);  // the kept turn went out once the link was back
    QCOMPARE(first_->board().windowTitle(), kConnected);
    QCOMPARE(first_->RivalName(), QStringLiteral("Player2"));
  }

  // After a lost link the programs agree on the turn that may have been in flight. The second
  // program against a scripted first player: both connections are lost after round 1 and come
  // back; the second sends its counts (1 sent, 1 applied) on the connection it accepts, reads
  // the rival's on its own, and sends its last turn again only when the rival lacks it.
  void resynchronisesAfterALostLink_data() {
    QTest::addColumn<QByteArray>("rival_says");
    QTest::addColumn<bool>("sent_again");
    QTest::addColumn<QString>("box");
    const auto counts = [](const char* tail) { return QByteArray("Player1\0", 8) + tail; };
    QTest::newRow("the rival lacks the last turn") << counts("MWSYNC,1,0,") << true << QString();
    QTest::newRow("nothing lacking") << counts("MWSYNC,1,1,") << false << QString();
    QTest::newRow("the rival's turn is lacking") << counts("MWSYNC,2,1,") << false << QString();
    QTest::newRow("counts that cannot agree") << counts("MWSYNC,5,0,") << false << kCannotAgree;
    QTest::newRow("a bare name: a new match") << QByteArray("Player1") << false << kNewMatch;
  }
  void resynchronisesAfterALostLink() {
    QFETCH(QByteArray, rival_says);
    QFETCH(bool, sent_again);
    QFETCH(QString, box);
    std::unique_ptr<RivalConnection> rival = StartAgainstScriptedRival();
    QVERIFY(rival);
    rival->Send("20,19,0,3,1,0,");
    QTRY_VERIFY(second_->state().InputOpen);
    second_->PlayTurn({kSingle19, kMiss, kMiss});
    const QByteArray own_turn = "19,0,0,1,0,0,";
    QTRY_COMPARE(scripted_listener_->received, own_turn);

    // Both connections are lost; the second program's comes back by itself.
    const QPointer<QTcpSocket> lost = scripted_listener_->accepted;
    lost->abort();
    rival->socket.abort();
    QTRY_VERIFY_WITH_TIMEOUT(scripted_listener_->accepted != lost, 5000);
    rival = std::make_unique<RivalConnection>(50100);
    const QByteArray own_counts("Player2\0MWSYNC,1,1,", 19);
    QTRY_COMPARE(rival->received, own_counts);

    scripted_listener_->accepted->write(rival_says);
    if (!box.isEmpty()) QTRY_COMPARE(answerer_->Texts(), std::vector<QString>{box});
    // A rival that lacks the turn waits for it; one that has it may play on at once, and its
    // next turn may be applied before its counts are read.
    if (sent_again) QTRY_COMPARE(scripted_listener_->received, own_turn + own_turn);
    // The rival's turn of round 2, then the second's: nothing else went out between.
    rival->Send("25,0,0,1,0,0,");
    QTRY_COMPARE(second_->state().r_MarkCount[6], 1);
    second_->PlayTurn({kTriple20, kMiss, kMiss});
    const QByteArray next_turn = "20,0,0,3,0,0,";
    QTRY_COMPARE(scripted_listener_->received,
                 own_turn + (sent_again ? own_turn : QByteArray()) + next_turn);
    QCOMPARE(answerer_->Texts(), box.isEmpty() ? std::vector<QString>{} : std::vector{box});
  }

  // Round 1, the first program against a scripted second player that is lost and connects
  // again, the first's turn played before the loss (it went out on the lost connection) or while
  // the rival was away (kept, written when the link is back). The first sends its counts on the
  // connection it accepts; on its own reopened connection, a rival that answers with a bare name
  // (a program started afresh) or whose counts lack the turn gets the turn that went out on the
  // lost connection again; nothing else is sent again.
  void firstTurnAgainForARivalBackInRoundOne_data() {
    QTest::addColumn<bool>("turn_before_loss");
    QTest::addColumn<QByteArray>("rival_says");
    QTest::addColumn<bool>("sent_again");
    const auto counts = [](const char* tail) { return QByteArray("Player3\0", 8) + tail; };
    QTest::newRow("a bare name: started afresh") << true << QByteArray("Player3") << true;
    QTest::newRow("a bare name, the turn kept meanwhile")
        << false << QByteArray("Player3") << false;
    QTest::newRow("counts without the turn") << true << counts("MWSYNC,0,0,") << true;
    QTest::newRow("counts with the turn") << true << counts("MWSYNC,0,1,") << false;
  }
  void firstTurnAgainForARivalBackInRoundOne() {
    QFETCH(bool, turn_before_loss);
    QFETCH(QByteArray, rival_says);
    QFETCH(bool, sent_again);
    scripted_listener_ = std::make_unique<RivalListener>(50100);
    first_->Start(true, "Player1");
    auto rival = std::make_unique<RivalConnection>(50001);
    QTRY_COMPARE(rival->received, QByteArray("Player1"));
    QTRY_VERIFY(!scripted_listener_->accepted.isNull());
    scripted_listener_->accepted->write("Player2");
    QTRY_COMPARE(first_->RivalName(), QStringLiteral("Player2"));
    const QByteArray own_turn = "20,0,0,3,0,0,";
    if (turn_before_loss) {
      first_->PlayTurn({kTriple20, kMiss, kMiss});
      QTRY_COMPARE(scripted_listener_->received, own_turn);
    }

    // The rival's program is gone: both its connections close, and nobody listens for a while.
    const QPointer<QTcpSocket> lost = scripted_listener_->accepted;
    scripted_listener_->received.clear();
    scripted_listener_->server.close();
    lost->abort();
    rival->socket.abort();
    QTRY_COMPARE(first_->board().windowTitle(), kDisconnected);
    if (!turn_before_loss) {
      first_->PlayTurn({kTriple20, kMiss, kMiss});
      QCOMPARE(first_->board().windowTitle(), kTurnWaits);
    }
    // Back, listening before it connects again; it greets the first's connection at once.
    QVERIFY(scripted_listener_->server.listen(QHostAddress::LocalHost, 50100));
    QObject::connect(&scripted_listener_->server, &QTcpServer::newConnection,
                     &scripted_listener_->server,
                     [&] { scripted_listener_->accepted->write(rival_says); });
    rival = std::make_unique<RivalConnection>(50001);
    QTRY_COMPARE(rival->received, QByteArray("Player1\0MWSYNC,1,0,", 19));
    QTRY_COMPARE_WITH_TIMEOUT(first_->RivalName(), QStringLiteral("Player3"), 5000);
    const QByteArray expected = turn_before_loss && !sent_again ? QByteArray() : own_turn;
    QTRY_COMPARE(scripted_listener_->received, expected);
    // The rival's turn of round 1, then the first's of round 2: nothing else went out between.
    rival->Send("25,0,0,1,0,0,");
    QTRY_COMPARE(first_->state().r_MarkCount[6], 1);
    first_->PlayTurn({kSingle19, kMiss, kMiss});
    QTRY_COMPARE(scripted_listener_->received, expected + "19,0,0,1,0,0,");
    QCOMPARE(answerer_->Texts(), std::vector<QString>{});
  }

  // A malformed message, then a good turn that arrives while its error box is still open: once
  // the box is closed, the turn is applied.
  void turnArrivingWhileABoxIsOpenIsApplied() {
    std::unique_ptr<RivalConnection> rival = StartAgainstScriptedRival();
    QVERIFY(rival);
    QTcpSocket* incoming = PeerOf(second_->board()).IncomingConnections().value(0);
    bool turn_arrived = false;
    answerer_->on_box = [&](const markwick::testing::AnsweredBox&) {
      if (answerer_->boxes.size() != 1) return;
      rival->Send("20,19,0,3,1,0,");
      // The turn has reached the board before the box is closed.
      turn_arrived = QTest::qWaitFor([&] { return incoming->bytesAvailable() > 0; });
    };
    rival->Send("x,0,0,0,0,0,");
    QTRY_VERIFY(!answerer_->boxes.empty());
    QVERIFY(turn_arrived);
    QTRY_VERIFY(second_->state().InputOpen);
    QCOMPARE(answerer_->Texts(), std::vector<QString>{QStringLiteral("'x' は整数ではありません.")});
    QCOMPARE(second_->state().r_MarkCount[0], 3);
    QCOMPARE(second_->state().r_MarkCount[1], 1);
  }

  // 8,192 bytes without a comma and a turn in one write: each piece of the buffer's size shows
  // its box, and the connection, its buffer filled while a box was open, goes on to the turn.
  void turnAfterBytesWithoutCommasIsApplied() {
    std::unique_ptr<RivalConnection> rival = StartAgainstScriptedRival();
    QVERIFY(rival);
    rival->Send(QByteArray(8192, 'x') + "20,19,0,3,1,0,");
    QTRY_VERIFY_WITH_TIMEOUT(second_->state().InputOpen, 10000);
    const QString piece = u'\'' + QString(4096, u'x') + QStringLiteral("' は整数ではありません.");
    QCOMPARE(answerer_->Texts(), (std::vector<QString>{piece, piece}));
    QCOMPARE(second_->state().r_MarkCount[0], 3);
  }

  // The third malformed message from the rival's address shows its box, then one more box says
  // that the link was cut; what the connection still held is dropped. A rival at another address
  // then plays on.
  void thirdMalformedMessageCutsTheAddressOff() {
    std::unique_ptr<RivalConnection> rival = StartAgainstScriptedRival();
    QVERIFY(rival);
    const QByteArray bad = "x,0,0,0,0,0,";
    rival->Send(bad + bad + bad + "20,19,0,3,1,0,");
    QTRY_COMPARE_WITH_TIMEOUT(rival->socket.state(), QAbstractSocket::UnconnectedState, 10000);
    rival = ConnectScriptedRival(QHostAddress(QStringLiteral("127.0.0.2")));
    QVERIFY(rival);
    rival->Send("25,25,25,2,2,2,");
    QTRY_COMPARE(second_->state().r_MarkCount[6], 6);
    const QString not_integer = QStringLiteral("'x' は整数ではありません.");
    QCOMPARE(answerer_->Texts(),
             (std::vector<QString>{not_integer, not_integer, not_integer, kRunClosed}));
    QCOMPARE(second_->state().r_MarkCount[0], 0);
  }

 private:
  // Both programs started in the right order, with the link formed and the names exchanged.
  void StartBoth(const QString& first_name, const QString& second_name) {
    first_->Start(true, first_name);
    second_->Start(false, second_name);
    QTRY_COMPARE(first_->RivalName(), second_name);
    QTRY_COMPARE(second_->RivalName(), first_name);
    QTRY_VERIFY(PeerOf(first_->board()).IsOutgoingConnected());
    QVERIFY(answerer_->boxes.empty());
  }

  // The second program started against a scripted first player: a bare listener on 50001 takes
  // its outgoing connection, and a bare connection to its port 50100 stands for the first
  // player's, on which the test sends the bytes it wants.
  std::unique_ptr<RivalConnection> StartAgainstScriptedRival() {
    scripted_listener_ = std::make_unique<RivalListener>(50001);
    second_->Start(false, "Player2");
    if (!QTest::qWaitFor([&] { return !scripted_listener_->accepted.isNull(); })) return nullptr;
    return ConnectScriptedRival();
  }
  // A bare connection to the second program's listener, once the board has accepted it (it
  // greets each connection of round 1 with its name).
  std::unique_ptr<RivalConnection> ConnectScriptedRival(const QHostAddress& from = {}) {
    auto rival = std::make_unique<RivalConnection>(50100, from);
    if (!QTest::qWaitFor([&] { return rival->received == "Player2"; })) return nullptr;
    return rival;
  }

  std::unique_ptr<ModalBoxAnswerer> answerer_;
  std::unique_ptr<Program> first_;
  std::unique_ptr<Program> second_;
  std::unique_ptr<RivalListener> scripted_listener_;
};

QTEST_MAIN(TwoBoardsTest)
#include "test_two_boards.moc"
