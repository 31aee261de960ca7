// The match record's cost per turn: three rows appended and taken down to the disk itself,
// in a folder beside the benchmark (on the disk the build lies on, not in a RAM file system).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>

#include "ui/match_record.h"

using namespace markwick;

namespace {

void BM_RecordTurn(benchmark::State& state) {
  QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/record-XXXXXX"));
  MatchRecord record(dir.filePath(QStringLiteral("records")), QDateTime::currentDateTime());
  const PlayedTurn turn{1, true, {{20, 19, 0}, {3, 1, 0}}, {"20T", "19S", "×"}, 0};
  for (auto _ : state) record.Append(turn, QStringLiteral("太郎"), QStringLiteral("花子"), true);
  if (!record.failure().isEmpty()) state.SkipWithError(record.failure().toStdString().c_str());
}
BENCHMARK(BM_RecordTurn)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
