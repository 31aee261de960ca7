// The history window over a records folder of 1,000 matches of 20 rounds: reading and judging
// every record (each replayed through the engine), and opening the window, painted, from
// nothing. The window reads on the user-interface thread, so the opening must stay well within
// half a second.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QTableWidget>
#include <QTemporaryDir>
#include <random>

#include "tests/ui/record_files.h"
#include "ui/form_font.h"
#include "ui/handler_gate.h"
#include "ui/history_window.h"

using namespace markwick;
using namespace markwick::testing;

namespace {

constexpr int kRecords = 1000;

// A match of 20 whole rounds: darts on 20..15 and misses, never the bull, so that neither
// player closes everything before the end.
void PlayTwentyRounds(EnginePair& pair, std::mt19937& random) {
  std::uniform_int_distribution<int> target(14, 20);
  std::uniform_int_distribution<int> kind(0, 2);  // single, double, triple
  for (int turn = 0; turn < 2 * kRoundMax; ++turn) {
    MatchEngine& thrower = turn % 2 == 0 ? pair.a : pair.b;
    for (int k = 0; k < 3; ++k) {
      const int t = target(random);
      thrower.EnterDart(t == 14 ? kMiss : Dart{t, kind(random) + 1});
    }
    thrower.SendOwnTurn();
    pair.Deliver();
  }
}

const QString& RecordsFolder() {
  static QTemporaryDir dir;
  static const QString folder = [] {
    const QString path = dir.filePath("records");
    std::mt19937 random(7);
    for (int n = 0; n < kRecords; ++n) {
      EnginePair pair;
      PlayTwentyRounds(pair, random);
      const bool own_first = n % 2 == 0;
      const QString rival = QStringLiteral("相手%1").arg(n % 12);
      const QByteArray bytes = RecordBytes(path, (own_first ? pair.board_a : pair.board_b).played,
                                           own_first, own_first ? QStringLiteral("太郎") : rival,
                                           own_first ? rival : QStringLiteral("太郎"));
      const QString name = QDateTime(QDate(2024, 1, 1), QTime(12, 0))
                               .addSecs(3600LL * n)
                               .toString(QStringLiteral("yyyy-MM-dd_HHmmss_")) +
                           QStringLiteral("%1.csv").arg(n);
      if (!WriteFile(QDir(path).filePath(name), bytes)) std::abort();
    }
    return path;
  }();
  return folder;
}

void BM_ReadHistory(benchmark::State& state) {
  const QString& folder = RecordsFolder();
  for (auto _ : state) {
    MatchHistory history;
    for (const QString& path : MatchHistory::RecordPaths(folder)) history.Add(JudgeRecord(path));
    history.Finish();
    if (history.matches().size() != kRecords || !history.matches().front().readable) {
      state.SkipWithError("records not read");
    }
    benchmark::DoNotOptimize(history);
  }
}
BENCHMARK(BM_ReadHistory)->Unit(benchmark::kMillisecond);

// From the click on "戦績" to the window painted: created, read, laid out and drawn.
void BM_OpenHistoryWindow(benchmark::State& state) {
  const QString& folder = RecordsFolder();
  HandlerGate gate;
  for (auto _ : state) {
    HistoryWindow window(folder, gate);
    window.Open();
    window.repaint();
    if (window.matches_table->rowCount() != kRecords) state.SkipWithError("not listed");
    state.PauseTiming();
    window.close();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenHistoryWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallFormFont();
  RecordsFolder();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
