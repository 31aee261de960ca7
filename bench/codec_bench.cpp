// Throughput of the code page 932 codec on the texts the program converts: Turn messages,
// names and settings lines, ASCII and Japanese mixed.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>

#include "codec/sjis_codec.h"

using namespace markwick;

namespace {

QString SampleText() {
  QString text;
  while (text.size() < 4096) {
    text +=
        QStringLiteral("20,19,0,3,1,0,FName=先攻プレイヤー\r\n相手のIPアドレス：192.168.0.7 ﾏｰｸ ");
  }
  return text;
}

void BM_DecodeSjis(benchmark::State& state) {
  const QByteArray bytes = EncodeSjis(SampleText());
  for (auto _ : state) benchmark::DoNotOptimize(DecodeSjis(bytes));
  state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeSjis);

void BM_EncodeSjis(benchmark::State& state) {
  const QString text = SampleText();
  for (auto _ : state) benchmark::DoNotOptimize(EncodeSjis(text));
  state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_EncodeSjis);

}  // namespace

BENCHMARK_MAIN();
