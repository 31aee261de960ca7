// The handler gate: failures end in the error box and the program goes on; a handler that
// arrives while another runs (a modal box open) waits and runs after it, in order of arrival.
#include <QStringList>
#include <QtTest>
#include <stdexcept>

#include "modal_box_answerer.h"
#include "ui/form_font.h"
#include "ui/handler_gate.h"
#include "ui/message_boxes.h"

using markwick::HandlerGate;
using markwick::testing::ModalBoxAnswerer;

namespace {

// The gate is idle when a handler given to it runs at once.
bool RunsAtOnce(HandlerGate& gate) {
  bool ran = false;
  gate.Run([&] { ran = true; });
  return ran;
}

}  // namespace

class HandlerGateTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { markwick::InstallFormFont(); }

  // A handler that fails is ended; its message is shown in the error box, with the full stop.
  void failureIsShownInErrorBoxAndNextHandlerRuns() {
    ModalBoxAnswerer answerer;
    HandlerGate gate;
    QStringList log;
    gate.Run([&] {
      log << "before";
      throw std::runtime_error("非同期ソケットエラー 10061");
      log << "after";  // never reached
    });
    QCOMPARE(answerer.boxes.size(), 1u);
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("非同期ソケットエラー 10061."));
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Critical);
    QVERIFY(RunsAtOnce(gate));

    gate.Run([&] { log << "next"; });
    QCOMPARE(log, QStringList({"before", "next"}));
    QCOMPARE(answerer.boxes.size(), 1u);
  }

  // Something that is not a std::exception is caught and shown as well.
  void otherThrownValueIsShownAsError() {
    ModalBoxAnswerer answerer;
    HandlerGate gate;
    gate.Run([] { throw 42; });
    QCOMPARE(answerer.boxes.size(), 1u);
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Critical);
    QVERIFY(!answerer.boxes[0].text.isEmpty());
    QVERIFY(RunsAtOnce(gate));
  }

  // Handlers arriving while a handler waits for its box run after it, in order of arrival.
  void handlersArrivingDuringModalBoxRunAfterItInOrder() {
    ModalBoxAnswerer answerer;
    HandlerGate gate;
    QStringList log;
    QStringList log_while_open;
    answerer.on_box = [&](const markwick::testing::AnsweredBox&) {
      if (!log_while_open.isEmpty()) return;
      gate.Run([&] { log << "B"; });
      gate.Run([&] { log << "C"; });
      log_while_open = log;
    };
    gate.Run([&] {
      log << "A starts";
      markwick::ShowMessageBox(QStringLiteral("A"));
      log << "A ends";
    });
    QCOMPARE(log_while_open, QStringList({"A starts"}));
    QCOMPARE(log, QStringList({"A starts", "A ends", "B", "C"}));
    QVERIFY(RunsAtOnce(gate));
  }

  // A queued handler that fails does not keep the ones after it from running; a handler that
  // arrives while a queued one shows a box goes to the back of the queue and runs after that
  // box has closed, not inside it.
  void failingQueuedHandlerDoesNotStopTheOthers() {
    ModalBoxAnswerer answerer;
    HandlerGate gate;
    QStringList log;
    answerer.on_box = [&](const markwick::testing::AnsweredBox& box) {
      if (box.text == "A") {
        gate.Run([&] {
          log << "B";
          throw std::runtime_error("B failed");
        });
        gate.Run([&] {
          log << "C";
          markwick::ShowMessageBox(QStringLiteral("C"));
          log << "C ends";
        });
      } else if (box.text == "C") {
        gate.Run([&] { log << "D"; });
      }
    };
    gate.Run([&] {
      log << "A";
      markwick::ShowMessageBox(QStringLiteral("A"));
    });
    QCOMPARE(log, QStringList({"A", "B", "C", "C ends", "D"}));
    QCOMPARE(answerer.Texts(), std::vector<QString>({"A", "B failed.", "C"}));
    QCOMPARE(answerer.boxes[1].icon, QMessageBox::Critical);
  }

  // Two programs in one process have a gate each: a box open in one holds back only its own.
  void gatesOfTwoProgramsAreIndependent() {
    ModalBoxAnswerer answerer;
    HandlerGate first;
    HandlerGate second;
    QStringList log;
    answerer.on_box = [&](const markwick::testing::AnsweredBox&) {
      second.Run([&] { log << "second"; });
      first.Run([&] { log << "first queued"; });
      log << "box closes";
    };
    first.Run([&] {
      markwick::ShowMessageBox(QStringLiteral("A"));
      log << "A ends";
    });
    QCOMPARE(log, QStringList({"second", "box closes", "A ends", "first queued"}));
  }
};

QTEST_MAIN(HandlerGateTest)
#include "test_handler_gate.moc"
