// The start dialog: its layout and the values it reads from the settings file, the steps of
// the two role buttons and of "設定しないでGo", and a settings file that cannot be written.
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "modal_box_answerer.h"
#include "program_windows.h"
#include "ui/auto_size_label.h"
#include "ui/form_font.h"
#include "ui/handler_gate.h"
#include "ui/message_boxes.h"
#include "ui/settings_file.h"

using markwick::TForm1;
using markwick::TForm2;
using markwick::testing::ClickButton;
using markwick::testing::ModalBoxAnswerer;
using markwick::testing::PeerOf;
using markwick::testing::ProgramWindows;

class StartDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    markwick::InstallFormFont();
    answerer_ = std::make_unique<ModalBoxAnswerer>();
  }

  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    settings_path_ = dir_->filePath("Markwick.ini");
    answerer_->boxes.clear();
    answerer_->on_box = nullptr;
  }

  void cleanup() {
    windows_.reset();
    dir_.reset();
  }

  // First start, no settings file: left 511, top 140, "Player1", "Player2", "xxx.XXX.xxx.XXX";
  // the dialog's caption, size, caption buttons, font and controls.
  void firstStartWithoutSettingsFile() {
    Create();
    TForm2& dialog = Dialog();
    QCOMPARE(dialog.pos(), QPoint(511, 140));
    QCOMPARE(dialog.Edit1->text(), QStringLiteral("Player1"));
    QCOMPARE(dialog.Edit2->text(), QStringLiteral("Player2"));
    QCOMPARE(dialog.Edit3->text(), QStringLiteral("xxx.XXX.xxx.XXX"));
    QVERIFY(!QFile::exists(settings_path_));

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Markwick: StartGame"));
    QCOMPARE(dialog.minimumSize(), QSize(385, 153));
    QCOMPARE(dialog.maximumSize(), QSize(385, 153));
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(!(flags & (Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                       Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)));
    QCOMPARE(dialog.font(), markwick::FormFont(12));

    QCOMPARE(dialog.GroupBox1->geometry(), QRect(4, 4, 377, 45));
    QCOMPARE(dialog.GroupBox1->title(), QStringLiteral("先攻プレイヤー"));
    QCOMPARE(dialog.Edit1->geometry(), QRect(84, 16, 201, 20));
    QCOMPARE(dialog.Edit1->parentWidget(), dialog.GroupBox1);
    QCOMPARE(dialog.Button1->geometry(), QRect(292, 12, 77, 25));
    QCOMPARE(dialog.Button1->text(), QStringLiteral("先攻いきます"));
    QCOMPARE(dialog.GroupBox2->geometry(), QRect(4, 52, 377, 45));
    QCOMPARE(dialog.GroupBox2->title(), QStringLiteral("後攻プレイヤー"));
    QCOMPARE(dialog.Edit2->geometry(), QRect(84, 16, 201, 20));
    QCOMPARE(dialog.Edit2->parentWidget(), dialog.GroupBox2);
    QCOMPARE(dialog.Button2->geometry(), QRect(292, 16, 77, 25));
    QCOMPARE(dialog.Button2->text(), QStringLiteral("後攻待ちます"));
    QCOMPARE(dialog.Edit3->geometry(), QRect(104, 104, 273, 20));
    QCOMPARE(dialog.Button3->geometry(), QRect(8, 132, 89, 17));
    QCOMPARE(dialog.Button3->text(), QStringLiteral("設定しないでGo"));
    QCOMPARE(dialog.Label1->pos(), QPoint(8, 20));
    QCOMPARE(dialog.Label1->text(), QStringLiteral("プレイヤー名："));
    QCOMPARE(dialog.Label3->pos(), QPoint(8, 20));
    QCOMPARE(dialog.Label5->pos(), QPoint(8, 108));
    QCOMPARE(dialog.Label5->text(), QStringLiteral("相手のIPアドレス："));
    QCOMPARE(dialog.Label2->text(), QStringLiteral("使用ポート：50100、50001"));
    QCOMPARE(dialog.Label2->y(), 136);
    // The port label stays inside the dialog whatever the width of the substitute font.
    QVERIFY(dialog.Label2->geometry().right() < dialog.width());
  }

  // The five keys are read into the position and the three boxes (Shift-JIS in the file).
  // Saving puts the texts left unedited back byte for byte, even bytes the code page leaves
  // undefined, which the box shows as replacement characters; an edited text is saved as typed.
  void settingsFileGivesPositionAndTexts_data() {
    QTest::addColumn<QString>("typed");  // into Edit1 before saving; null: left as read
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("left as read") << QString()
                                  << QByteArray(
                                         "\x90\xe6\x8d\x55\x80"
                                         "Bob\xa0");
    QTest::newRow("edited") << QStringLiteral("先攻Bob")
                            << QByteArray(
                                   "\x90\xe6\x8d\x55"
                                   "Bob");
  }

  void settingsFileGivesPositionAndTexts() {
    QFETCH(QString, typed);
    QFETCH(QByteArray, saved);
    QFile file(settings_path_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray parameters =
        "[Parameter]\r\nIPAddress=192.168.0.7\r\nFName=\x90\xe6\x8d\x55\x80"
        "Bob\xa0\r\nSName=\r\n";
    file.write(parameters + "[Form]\r\nTOP=0x20\r\nleft=300\r\n");
    file.close();
    Create();
    QCOMPARE(Dialog().pos(), QPoint(300, 32));
    QCOMPARE(Dialog().Edit1->text(), QStringLiteral("先攻\uFFFDBob\uFFFD"));
    QCOMPARE(Dialog().Edit2->text(), QString());
    QCOMPARE(Dialog().Edit3->text(), QStringLiteral("192.168.0.7"));
    if (!typed.isNull()) Dialog().Edit1->setText(typed);
    Dialog().SaveParam();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "[Parameter]\r\nIPAddress=192.168.0.7\r\nFName=" + saved +
                                 "\r\nSName=\r\n[Form]\r\nTOP=32\r\nLEFT=300\r\n");
  }

  // A saved position that would put the dialog wholly off every screen (a monitor unplugged
  // since, or a hand-edited file) centres it on the primary screen; the board follows it.
  void positionOffEveryScreenIsCentred_data() {
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<bool>("kept");
    QTest::newRow("int max") << QByteArray("TOP=2147483647\r\nLEFT=2147483647") << false;
    QTest::newRow("int min") << QByteArray("TOP=-2147483648\r\nLEFT=-2147483648") << false;
    QTest::newRow("right of the screen") << QByteArray("TOP=10\r\nLEFT=100000") << false;
    QTest::newRow("above the screen") << QByteArray("TOP=-153\r\nLEFT=10") << false;
    QTest::newRow("left of the screen") << QByteArray("TOP=10\r\nLEFT=-385") << false;
    QTest::newRow("partly on the screen") << QByteArray("TOP=-100\r\nLEFT=-300") << true;
  }
  void positionOffEveryScreenIsCentred() {
    QFETCH(QByteArray, keys);
    QFETCH(bool, kept);
    QFile file(settings_path_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Form]\r\n" + keys + "\r\n");
    file.close();
    Create();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint centred(screen.x() + (screen.width() - 385) / 2,
                         screen.y() + (screen.height() - 153) / 2);
    QCOMPARE(Dialog().pos(), kept ? QPoint(-300, -100) : centred);
    ClickButton(Dialog().Button3);
    QVERIFY(Board().isVisible());
    QVERIFY(Board().frameGeometry().intersects(screen));
  }

  // "先攻いきます" and "後攻待ちます": the own name from the role's box, the turn open (first) or
  // waiting (second) in round 1, the status line's text and colour, the correction button, the
  // settings saved, the listening caption and then the role's (the rival's listener may answer
  // soon after), the board shown centred and the dialog hidden.
  void playRole_data() {
    QTest::addColumn<bool>("first");
    QTest::newRow("先攻いきます") << true;
    QTest::newRow("後攻待ちます") << false;
  }
  void playRole() {
    QFETCH(bool, first);
    QTcpServer rival;  // the first player's listener, so that the second's link forms at once
    if (!first) QVERIFY(rival.listen(QHostAddress::AnyIPv4, 50001));
    Create();
    const QString name = first ? QStringLiteral("太郎 A,B") : QStringLiteral("花子");
    const QString address = first ? QStringLiteral("10.0.0.2") : QStringLiteral("127.0.0.1");
    (first ? Dialog().Edit1 : Dialog().Edit2)->setText(name);
    (first ? Dialog().Edit2 : Dialog().Edit1)->setText(QStringLiteral("unused"));
    Dialog().Edit3->setText(address);
    QSignalSpy captions(&Board(), &QWidget::windowTitleChanged);
    ClickButton(first ? Dialog().Button1 : Dialog().Button2);

    TForm1& board = Board();
    QVERIFY(answerer_->boxes.empty());
    QCOMPARE(board.StringGrid1->Cell(0, 0), name);
    QCOMPARE(board.engine().state().IsFirstPlayer, first);
    QCOMPARE(board.engine().state().InputOpen, first);
    QCOMPARE(board.Label5->text(), QStringLiteral("1"));
    QCOMPARE(board.Label6->text(),
             first ? QStringLiteral("記録入力受付中") : QStringLiteral("相手入力待ち"));
    QCOMPARE(board.Label6->palette().color(QPalette::WindowText),
             first ? QColor(0, 0, 255) : QColor(255, 0, 0));
    QCOMPARE(board.Button2->isEnabled(), first);
    QVERIFY(!board.Button1->isEnabled());
    QVERIFY(first ? captions.size() == 2 : captions.size() >= 2);  // the first has no rival yet
    QCOMPARE(captions[0][0].toString(), QStringLiteral("Markwick = Server = 接続待ち"));
    QCOMPARE(captions[1][0].toString(),
             first ? QStringLiteral("Markwick [先攻]") : QStringLiteral("Markwick [後攻]"));
    CheckBoardReplacedDialog();
    CheckSaved(address, first ? name : "unused", first ? "unused" : name);
  }

  // "設定しないでGo": the board as created, shown in the dialog's place; nothing is saved, and
  // no network object is created.
  void goWithoutSettingUp() {
    Create();
    ClickButton(Dialog().Button3);
    TForm1& board = Board();
    QCOMPARE(board.windowTitle(), QStringLiteral("Markwick"));
    QCOMPARE(board.StringGrid1->Cell(0, 0), QStringLiteral("FirstPlayer"));
    QCOMPARE(board.StringGrid1->Cell(4, 0), QStringLiteral("SecondPlayer"));
    QVERIFY(board.Label6->text().isEmpty());
    QVERIFY(!board.Button2->isEnabled());
    QVERIFY(board.engine().state().IsFirstPlayer);
    QVERIFY(board.engine().state().InputOpen);
    CheckBoardReplacedDialog();
    QVERIFY(!QFile::exists(settings_path_));
    QVERIFY(board.link() == nullptr);
    for (const QObject* object : board.findChildren<QObject*>()) {
      QVERIFY2(!object->inherits("QTcpServer") && !object->inherits("QAbstractSocket"),
               object->metaObject()->className());
    }
  }

  // A start that fails, at the settings file that cannot be written (a directory stands in its
  // place) or at the link's set-up (no address): the error box says why, the board is not shown
  // and gets no role caption (the link has set its own), the dialog stays, and the steps before
  // the failure stay done but the link's: nothing listens or connects, and the next press
  // starts afresh.
  void failedStartLeavesNothingOpen_data() {
    QTest::addColumn<bool>("first");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("failure");  // "" for the settings file's
    const auto row = [](const char* name, bool first, const QString& address,
                        const QString& failure) {
      QTest::newRow(name) << first << address << failure;
    };
    row("先攻いきます, settings", true, "127.0.0.1", "");
    row("後攻待ちます, settings", false, "127.0.0.1", "");
    row("後攻待ちます, no address", false, "", "アドレスが指定されていません.");
  }
  void failedStartLeavesNothingOpen() {
    QFETCH(bool, first);
    QFETCH(QString, address);
    QFETCH(QString, failure);
    QTcpServer rival;  // the first player's listener, for the second player to connect to
    if (!first) QVERIFY(rival.listen(QHostAddress::AnyIPv4, 50001));
    if (failure.isEmpty()) QVERIFY(QDir().mkpath(settings_path_));
    Create();
    Dialog().Edit3->setText(address);
    QSignalSpy captions(&Board(), &QWidget::windowTitleChanged);
    ClickButton(first ? Dialog().Button1 : Dialog().Button2);

    QCOMPARE(answerer_->boxes.size(), 1u);
    const auto& box = answerer_->boxes[0];
    QCOMPARE(box.text, failure.isEmpty() ? QDir::toNativeSeparators(settings_path_) +
                                               QStringLiteral(" に書き込めません.")
                                         : failure);
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.title, QStringLiteral("Integrationtest-startdialog"));

    TForm1& board = Board();
    QVERIFY(!board.isVisible());
    QVERIFY(Dialog().isVisible());
    QVERIFY(!captions.isEmpty());
    QCOMPARE(captions[0][0].toString(), QStringLiteral("Markwick = Server = 接続待ち"));
    for (const QList<QVariant>& caption : captions) {
      QVERIFY(!caption[0].toString().startsWith(QStringLiteral("Markwick [")));
    }
    QCOMPARE(board.StringGrid1->Cell(0, 0),
             first ? QStringLiteral("Player1") : QStringLiteral("Player2"));
    QCOMPARE(board.engine().state().IsFirstPlayer, first);
    QVERIFY(!PeerOf(board).IsListening());
    QCOMPARE(PeerOf(board).outgoing_state(), markwick::PeerLink::OutgoingState::Closed);
    QTcpServer own;  // the port that the press listened on is free again
    QVERIFY2(own.listen(QHostAddress::AnyIPv4, first ? 50001 : 50100),
             qPrintable(own.errorString()));
    own.close();
    QCOMPARE(QFileInfo(settings_path_).isDir(), failure.isEmpty());  // left as it was

    // The button can be pressed again once the cause is gone.
    if (failure.isEmpty()) QVERIFY(QDir(settings_path_).removeRecursively());
    Dialog().Edit3->setText(QStringLiteral("127.0.0.1"));
    ClickButton(first ? Dialog().Button1 : Dialog().Button2);
    QCOMPARE(answerer_->boxes.size(), 1u);
    CheckBoardReplacedDialog();
  }

  // Closing the board ends the program, as does closing the start dialog before a start, with
  // the board not created yet or already created (a start that failed); the event loop is
  // ended by the windows themselves, not by the last window going away. Closing the board while
  // a box is open ends the program at once: the handlers queued behind the box are dropped, not
  // run first.
  void closingEndsTheProgram_data() {
    QTest::addColumn<bool>("board");
    QTest::addColumn<bool>("boxes_queued");
    QTest::addColumn<bool>("board_created");
    QTest::newRow("board") << true << false << true;
    QTest::newRow("start dialog") << false << false << false;
    QTest::newRow("start dialog with its board created") << false << false << true;
    QTest::newRow("board while boxes are queued") << true << true << true;
  }
  void closingEndsTheProgram() {
    QFETCH(bool, board);
    QFETCH(bool, boxes_queued);
    QFETCH(bool, board_created);
    Create();
    if (board) ClickButton(Dialog().Button3);
    if (board_created) Board();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    bool closed = false;
    const auto close = [&] { closed = board ? Board().close() : Dialog().close(); };
    if (boxes_queued) {
      answerer_->on_box = [&](const markwick::testing::AnsweredBox&) {
        if (answerer_->boxes.size() != 1) return;
        for (int i = 0; i < 3; ++i) {
          Board().gate().Run([] { markwick::ShowErrorBox(QStringLiteral("queued")); });
        }
        close();
      };
      QTimer::singleShot(0, this, [this] {
        Board().gate().Run([] { markwick::ShowErrorBox(QStringLiteral("open")); });
      });
    } else {
      QTimer::singleShot(0, this, close);
    }
    QTimer::singleShot(60000, this, [] { QCoreApplication::exit(1); });  // only if it hangs
    const int result = QCoreApplication::exec();
    QGuiApplication::setQuitOnLastWindowClosed(true);
    QVERIFY(closed);
    QCOMPARE(result, 0);
    QCOMPARE(answerer_->boxes.size(), boxes_queued ? 1u : 0u);
    bool ran = false;  // the gate is idle: a handler runs at once
    Board().gate().Run([&] { ran = true; });
    QVERIFY(ran);
  }

 private:
  void Create() {
    windows_ = std::make_unique<ProgramWindows>(settings_path_);
    Dialog().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Dialog()));
  }

  TForm2& Dialog() { return windows_->Form2; }
  TForm1& Board() { return windows_->Form2.ScoreBoard(); }

  // The board is shown centred over the dialog, which is hidden.
  void CheckBoardReplacedDialog() {
    QVERIFY(Board().isVisible());
    QVERIFY(!Dialog().isVisible());
    // Positions are those of the window frames; both windows have the same kind of frame.
    QCOMPARE(Dialog().pos(), QPoint(511, 140));
    QCOMPARE(Board().pos(), QPoint(511 + (385 - 270) / 2, 140 + (153 - 229) / 2));
  }

  void CheckSaved(const QString& address, const QString& first, const QString& second) {
    const markwick::SettingsFile settings(settings_path_);
    QVERIFY(QFile::exists(settings_path_));
    QCOMPARE(settings.ReadString(u"Parameter", u"IPAddress", "-"), address);
    QCOMPARE(settings.ReadString(u"Parameter", u"FName", "-"), first);
    QCOMPARE(settings.ReadString(u"Parameter", u"SName", "-"), second);
    QCOMPARE(settings.ReadInteger(u"Form", u"TOP", -1), 140);
    QCOMPARE(settings.ReadInteger(u"Form", u"LEFT", -1), 511);
  }

  std::unique_ptr<QTemporaryDir> dir_;
  QString settings_path_;
  std::unique_ptr<ModalBoxAnswerer> answerer_;
  std::unique_ptr<ProgramWindows> windows_;
};

QTEST_MAIN(StartDialogTest)
#include "test_start_dialog.moc"
