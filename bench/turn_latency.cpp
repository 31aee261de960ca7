// Turn latency over the real link: two complete programs in one process, joined over 127.0.0.1
// on the ports 50001 and 50100 as two players at two computers would be.
//
// One sample is one turn: the clock starts right before the click on Button1 of the board whose
// turn it is (delivered as a real mouse click) and stops when the other board has applied the
// turn and opened its own: InputOpen set and Label6 reading "記録入力受付中". The stop is taken
// right after the receive handler, from a slot connected behind the board's own, or else as soon
// as the event loop has handled the event that opened the turn; the loop blocks while waiting,
// as the program does. The darts of the turn are entered before the clock starts, and the set-up
// of each match is not counted. No bull is thrown, so no match ends early; the last turn of a
// match (which ends it with result boxes) is not played: every match gives 39 turns, each match
// on fresh windows and a fresh link.
//
// Both boards share one thread here, so a turn's time also holds the sender's own repaint after
// the click (at two computers it runs beside the transfer), and any moment the scheduler gives
// the CPU to another process: turns during which the thread was switched out involuntarily are
// counted and shown apart, and so is the receiving side alone, from the socket event that
// brought the turn to the turn open.
//
// Then the waiting peer's cost: over an idle stretch after a turn (one board's turn open, the
// other waiting, no partial message on the link), the timers that fire, the events handled and
// the CPU time of the process.
//
//   turn_latency [TURNS]     (default 1000; runs on the offscreen platform unless told otherwise)
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include <sys/resource.h>

#include "link/peer_link.h"
#include "tests/ui/program_windows.h"
#include "ui/auto_size_label.h"
#include "ui/form_font.h"

using markwick::PeerLink;
using markwick::TForm1;
using markwick::TForm2;
using markwick::testing::ClickButton;
using markwick::testing::ClickCell;
using markwick::testing::PeerOf;
using markwick::testing::ProgramWindows;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRoundMax = 20;
constexpr int kTurnsPerMatch = 2 * kRoundMax - 1;
constexpr int kWatchdogMs = 30000;
constexpr int kIdleMs = 1500;  // longer than the one-second wait of a partial message
const QString kAccepting = QStringLiteral("記録入力受付中");

[[noreturn]] void Fail(const QString& why) {
  std::fprintf(stderr, "turn_latency: %s\n", qUtf8Printable(why));
  std::fflush(stderr);
  std::_Exit(1);  // may be inside a modal box's event loop: no unwinding
}

// One program: its start dialog and its board, with its own settings file.
struct Program {
  QTemporaryDir dir;
  ProgramWindows windows{dir.filePath(QStringLiteral("Markwick.ini"))};

  TForm1& board() { return windows.Form2.ScoreBoard(); }
  TForm2& dialog() { return windows.Form2; }
  const markwick::MatchState& state() { return board().engine().state(); }
  bool TurnOpen() { return state().InputOpen && board().Label6->text() == kAccepting; }

  // The user types the own name and the rival's address and presses the role's button.
  void Start(bool first, const QString& name) {
    dialog().show();
    (first ? dialog().Edit1 : dialog().Edit2)->setText(name);
    dialog().Edit3->setText(QStringLiteral("127.0.0.1"));
    ClickButton(first ? dialog().Button1 : dialog().Button2);
  }
};

// Counts the events that the main thread handles, and the timer events among them.
class EventCounter : public QObject {
 public:
  EventCounter() { qApp->installEventFilter(this); }
  ~EventCounter() override { qApp->removeEventFilter(this); }

  const QObject* ignored_timer = nullptr;  // the counter's caller's own
  long events = 0;
  QMap<QString, int> timer_receivers;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == ignored_timer) return false;
    ++events;
    if (event->type() == QEvent::Timer) {
      const QObject* parent = watched->parent();
      timer_receivers[QStringLiteral("%1 \"%2\" (parent %3)")
                          .arg(watched->metaObject()->className(), watched->objectName(),
                               parent != nullptr ? parent->metaObject()->className() : "none")] +=
          1;
    }
    return false;
  }
};

// Runs the event loop, blocking while nothing happens, until the condition holds.
void RunUntil(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool RealPortsFree() {
  for (quint16 port : {quint16{50001}, quint16{50100}}) {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::AnyIPv4, port)) return false;
  }
  return true;
}

// Other programs (tests) may hold the ports for a while.
void WaitForFreePorts() {
  const auto give_up = Clock::now() + std::chrono::minutes(2);
  bool said = false;
  while (!RealPortsFree()) {
    if (Clock::now() > give_up) Fail(QStringLiteral("the ports 50001 and 50100 stay in use"));
    if (!said) std::fprintf(stderr, "turn_latency: waiting for the ports 50001 and 50100\n");
    said = true;
    QThread::msleep(100);
  }
}

// A stalled match (an error box, a lost message) ends the run with what is on screen.
class Watchdog {
 public:
  Watchdog() {
    timer_.setSingleShot(true);
    timer_.setInterval(kWatchdogMs);
    QObject::connect(&timer_, &QTimer::timeout, [] {
      QString why = QStringLiteral("no progress for %1 s").arg(kWatchdogMs / 1000);
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        why += QStringLiteral("; box shown: ") + box->text();
      }
      Fail(why);
    });
  }
  void Start() { timer_.start(); }
  void Stop() { timer_.stop(); }

 private:
  QTimer timer_;
};

// Involuntary context switches of the calling thread so far.
long Preemptions() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_nivcsw;
}

// The time of the latest socket readiness event that the main thread handled.
class SocketEventClock : public QObject {
 public:
  SocketEventClock() { qApp->installEventFilter(this); }
  ~SocketEventClock() override { qApp->removeEventFilter(this); }
  std::optional<Clock::time_point> latest;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::SockAct) latest = Clock::now();
    return false;
  }
};

struct Sample {
  double ms;          // click to the rival's turn open
  double receive_ms;  // the rival's socket event to its turn open
  bool preempted;
};

struct Idle {
  double cpu_ms = 0;
  long events = 0;
  QMap<QString, int> timers;
};

// The process over an idle stretch: CPU time, events handled and timers fired.
Idle MeasureIdle() {
  QCoreApplication::processEvents();  // what the turn left (repaints) is not idling
  QCoreApplication::processEvents();
  QEventLoop loop;
  QTimer end;
  end.setSingleShot(true);
  end.setTimerType(Qt::PreciseTimer);
  QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
  EventCounter counter;
  counter.ignored_timer = &end;
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  end.start(kIdleMs);
  loop.exec();
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  const auto us = [](const rusage& r) {
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e6 + r.ru_utime.tv_usec + r.ru_stime.tv_usec;
  };
  return Idle{(us(after) - us(before)) / 1000.0, counter.events, counter.timer_receivers};
}

class Bench {
 public:
  explicit Bench(int turns) : turns_(turns) { samples_.reserve(static_cast<size_t>(turns)); }

  void Run() {
    while (static_cast<int>(samples_.size()) < turns_) PlayMatch();
  }

  const std::vector<Sample>& samples() const { return samples_; }
  const std::vector<std::pair<QString, Idle>>& idles() const { return idles_; }
  int matches() const { return matches_; }

 private:
  void PlayMatch() {
    WaitForFreePorts();
    ++matches_;
    auto first = std::make_unique<Program>();
    auto second = std::make_unique<Program>();
    watchdog_.Start();
    first->Start(true, QStringLiteral("先攻 太郎"));
    second->Start(false, QStringLiteral("後攻 花子"));
    RunUntil([&] {
      return PeerOf(first->board()).IsOutgoingConnected() &&
             PeerOf(second->board()).IsOutgoingConnected() &&
             first->board().StringGrid1->Cell(4, 0) == QStringLiteral("後攻 花子") &&
             second->board().StringGrid1->Cell(4, 0) == QStringLiteral("先攻 太郎");
    });
    if (!first->TurnOpen()) Fail(QStringLiteral("the first player's turn is not open"));

    for (int turn = 0; turn < kTurnsPerMatch && static_cast<int>(samples_.size()) < turns_;
         ++turn) {
      Program& sender = turn % 2 == 0 ? *first : *second;
      Program& receiver = turn % 2 == 0 ? *second : *first;
      samples_.push_back(PlayTurn(sender, receiver));
      watchdog_.Start();
      // In the first match, once each way: the cost of the peer that waits.
      if (matches_ == 1 && (turn == 10 || turn == 11)) {
        watchdog_.Stop();
        const QString who = turn % 2 == 0 ? QStringLiteral("first player waits")
                                          : QStringLiteral("second player waits");
        idles_.emplace_back(who, MeasureIdle());
        watchdog_.Start();
      }
    }
    watchdog_.Stop();
    second.reset();
    first.reset();
  }

  // Enters three darts, then times the send until the rival's turn is open.
  Sample PlayTurn(Program& sender, Program& receiver) {
    // The player whose turn it is works in the active window, as at a computer of its own: the
    // click then moves the keyboard focus, with the repaints that this brings.
    sender.board().activateWindow();
    RunUntil([&] { return sender.board().isActiveWindow(); });
    for (int dart = 0; dart < 3; ++dart) {
      const int pick = cell_(rng_);  // 18 target cells without the bull, and the miss
      const int col = pick < 18 ? 1 + pick % 3 : 3;
      const int row = pick < 18 ? 1 + pick / 3 : 7;
      ClickCell(sender.board(), col, row);
    }
    if (!sender.board().Button1->isEnabled()) Fail(QStringLiteral("Button1 is not enabled"));
    // Let the darts' repaints run, as they would before a user's next click.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    const Sample sample = TimeTurn(sender, receiver);

    // The turn arrived whole: the receiver's record of its rival is the sender's own record.
    for (int row = 0; row < 8; ++row) {
      if (receiver.state().r_MarkCount[row] != sender.state().MarkCount[row]) {
        Fail(QStringLiteral("the boards disagree on row %1 after a turn").arg(row));
      }
    }
    if (sender.state().InputOpen) Fail(QStringLiteral("the sender did not go waiting"));
    return sample;
  }

  // The timed part of a turn: the click on Button1 until the rival's turn is open. Kept apart
  // so that callgrind can count its instructions alone (--toggle-collect=*TimeTurn*).
  [[gnu::noinline]] Sample TimeTurn(Program& sender, Program& receiver) {
    std::optional<Clock::time_point> opened;
    std::optional<Clock::time_point> arrived;
    const QMetaObject::Connection behind_handler =
        QObject::connect(&PeerOf(receiver.board()), &PeerLink::incomingDataArrived, [&] {
          if (!opened && receiver.TurnOpen()) {
            opened = Clock::now();
            arrived = socket_events_.latest;
          }
        });
    socket_events_.latest.reset();
    const long preemptions = Preemptions();
    const Clock::time_point start = Clock::now();
    ClickButton(sender.board().Button1);
    while (!opened) {
      if (receiver.TurnOpen()) {
        opened = Clock::now();
        arrived = socket_events_.latest;
        break;
      }
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const bool preempted = Preemptions() != preemptions;
    QObject::disconnect(behind_handler);

    if (!arrived) Fail(QStringLiteral("a turn opened without a socket event"));
    const auto ms = [](Clock::duration d) {
      return std::chrono::duration<double, std::milli>(d).count();
    };
    return Sample{ms(*opened - start), ms(*opened - *arrived), preempted};
  }

  int turns_;
  int matches_ = 0;
  std::vector<Sample> samples_;
  std::vector<std::pair<QString, Idle>> idles_;
  Watchdog watchdog_;
  SocketEventClock socket_events_;
  std::mt19937 rng_{20240601};
  std::uniform_int_distribution<int> cell_{0, 18};
};

struct Figures {
  double median;
  double p99;
  double max;
};

Figures Summarise(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  // Nearest rank.
  const auto rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(n)));
  return Figures{median, values[std::max<size_t>(rank, 1) - 1], values.back()};
}

void Print(const char* what, const Figures& f) {
  std::printf("  %-32s median %7.3f ms   p99 %7.3f ms   max %7.3f ms\n", what, f.median, f.p99,
              f.max);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const int turns = argc > 1 ? std::atoi(argv[1]) : 1000;
  if (turns < 1) Fail(QStringLiteral("usage: turn_latency [TURNS]"));
  int qt_argc = 1;
  QApplication application(qt_argc, argv);
  markwick::InstallFormFont();

  Bench bench(turns);
  bench.Run();

  std::vector<double> all;
  std::vector<double> undisturbed;
  std::vector<double> receiving;
  for (const Sample& sample : bench.samples()) {
    all.push_back(sample.ms);
    receiving.push_back(sample.receive_ms);
    if (!sample.preempted) undisturbed.push_back(sample.ms);
  }
  std::printf("Turn latency, click on Button1 to the rival's turn open (%zu turns, %d matches)\n",
              all.size(), bench.matches());
  const Figures figures = Summarise(all);
  Print("all turns", figures);
  std::printf("  (target: median <= 1 ms: %s; p99 is the scheduler's on a loaded machine)\n",
              figures.median <= 1.0 ? "met" : "MISSED");
  if (!undisturbed.empty()) {
    Print(qUtf8Printable(QStringLiteral("%1 turns not preempted").arg(undisturbed.size())),
          Summarise(undisturbed));
  }
  Print("receiving side only", Summarise(receiving));

  bool idle_ok = true;
  for (const auto& [who, idle] : bench.idles()) {
    std::printf("Idle %.1f s (%s): CPU %.3f ms, events handled %ld, timers that fired %d\n",
                kIdleMs / 1000.0, qUtf8Printable(who), idle.cpu_ms, idle.events,
                static_cast<int>(idle.timers.size()));
    for (auto it = idle.timers.begin(); it != idle.timers.end(); ++it) {
      std::printf("    timer of %s: %d times\n", qUtf8Printable(it.key()), it.value());
    }
    if (!idle.timers.isEmpty()) idle_ok = false;
  }
  std::printf("Waiting peer: %s\n", idle_ok ? "no timer runs" : "TIMERS RUN WHILE WAITING");
  return 0;
}
