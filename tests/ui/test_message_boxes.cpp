// The message box and the error box: captioned with the application title, one OK button,
// application modal, centred on the screen, plain text; the error box's stop icon and full stop.
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QtTest>

#include "modal_box_answerer.h"
#include "ui/form_font.h"
#include "ui/message_boxes.h"

using markwick::testing::ModalBoxAnswerer;

class MessageBoxesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { markwick::InstallFormFont(); }

  // The title is the file name up to its first dot, first character kept, the rest lower case.
  void titleIsFileNameUpToFirstDotInLowerCase_data() {
    QTest::addColumn<QString>("file_name");
    QTest::addColumn<QString>("title");
    const auto row = [](const char* name, const QString& file_name, const QString& title) {
      QTest::newRow(name) << file_name << title;
    };
    row("plain", "Markwick", "Markwick");
    row("extension", "Markwick.exe", "Markwick");
    row("upper case", "MARKWICK.EXE", "Markwick");
    row("first lower", "markWick", "markwick");
    row("several dots", "Mark.wick.bin", "Mark");
    row("leading dot", ".markwick", "");
    row("empty", "", "");
    row("non-ASCII", "ÄBÇ.x", "Äbç");
  }
  void titleIsFileNameUpToFirstDotInLowerCase() {
    QFETCH(QString, file_name);
    QFETCH(QString, title);
    QCOMPARE(markwick::TitleFromFileName(file_name), title);
  }

  // A full stop follows a last character whose code is greater than that of ".".
  void errorTextGetsFullStopAfterDigitLetterOrJapanese_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    const auto row = [](const char* name, const QString& message, const QString& shown) {
      QTest::newRow(name) << message << shown;
    };
    row("letter", "Access denied", "Access denied.");
    row("digit", "非同期ソケットエラー 10061", "非同期ソケットエラー 10061.");
    row("Japanese", "/tmp/Markwick.ini に書き込めません", "/tmp/Markwick.ini に書き込めません.");
    row("full-width mark", "修正する記録がありません！", "修正する記録がありません！.");
    row("slash, just above the dot", "a/", "a/.");
    row("closing parenthesis", "'bind' API でWindows ソケットエラー: Address already in use (98)",
        "'bind' API でWindows ソケットエラー: Address already in use (98)");
    row("full stop", "Done.", "Done.");
    row("hyphen, just below the dot", "a-", "a-");
    row("exclamation mark", "Stop!", "Stop!");
    row("blank", "a ", "a ");
    row("empty", "", "");
  }
  void errorTextGetsFullStopAfterDigitLetterOrJapanese() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(markwick::WithFullStop(message), shown);
  }

  // The message box: the text as given, no icon, OK only, the title of this test's executable.
  void messageBoxIsPlainWithOkAndApplicationTitle() {
    ModalBoxAnswerer answerer;
    markwick::ShowMessageBox(QStringLiteral("Player1vsPlayer2\r\n   40   40\r\n ドロー！"));
    QCOMPARE(answerer.boxes.size(), 1u);
    const auto& box = answerer.boxes[0];
    QCOMPARE(box.text, QStringLiteral("Player1vsPlayer2\r\n   40   40\r\n ドロー！"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.title, QStringLiteral("Unittest-messageboxes"));
    QCOMPARE(box.modality, Qt::ApplicationModal);
    QVERIFY(!box.has_parent);
  }

  // The error box: stop icon, OK only, the text with its full stop.
  void errorBoxHasStopIconAndFullStop() {
    ModalBoxAnswerer answerer;
    markwick::ShowErrorBox(QStringLiteral("/tmp/x/Markwick.ini に書き込めません"));
    QCOMPARE(answerer.boxes.size(), 1u);
    const auto& box = answerer.boxes[0];
    QCOMPARE(box.text, QStringLiteral("/tmp/x/Markwick.ini に書き込めません."));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.title, QStringLiteral("Unittest-messageboxes"));
    QCOMPARE(box.modality, Qt::ApplicationModal);
  }

  // Both boxes stand in the middle of the screen, also while another window is active.
  void boxesAreCentredOnScreenNotOverActiveWindow() {
    QWidget window;
    window.setGeometry(10, 20, 200, 100);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    ModalBoxAnswerer answerer;
    markwick::ShowMessageBox(QStringLiteral("Player160 Win!!"));
    markwick::ShowErrorBox(
        QStringLiteral("a much longer error text, to give the box another size"));
    QCOMPARE(answerer.boxes.size(), 2u);
    const QPoint screen_centre = QGuiApplication::primaryScreen()->geometry().center();
    for (const auto& box : answerer.boxes) {
      QVERIFY2((box.frame.center() - screen_centre).manhattanLength() <= 2,
               qPrintable(QStringLiteral("box centre %1,%2")
                              .arg(box.frame.center().x())
                              .arg(box.frame.center().y())));
    }
  }

  // Names come from the rival: markup in them is shown as it is, never interpreted.
  void textIsNeverTakenAsMarkup() {
    ModalBoxAnswerer answerer;
    markwick::ShowMessageBox(QStringLiteral("<b>Rival</b>20 Win!!"));
    QCOMPARE(answerer.boxes.size(), 1u);
    QCOMPARE(answerer.boxes[0].text_format, Qt::PlainText);
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("<b>Rival</b>20 Win!!"));
  }
};

QTEST_MAIN(MessageBoxesTest)
#include "test_message_boxes.moc"
