// Throughput of the reader and writer in memory, in bytes of table input
// per second, for each kind of input, at three sizes: a tenfold size should
// take about ten times as long.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "conversion/convert_table.h"
#include "inputs.h"

namespace tabulor {
namespace {

// Serves a table that the benchmark keeps alive, without copying it.
class view_source : public byte_source {
 public:
  explicit view_source(std::string_view data) : data_(data) {}
  std::ptrdiff_t read(char* buffer, size_t capacity) override {
    const size_t n = std::min(capacity, data_.size());
    std::memcpy(buffer, data_.data(), n);
    data_.remove_prefix(n);
    return static_cast<std::ptrdiff_t>(n);
  }

 private:
  std::string_view data_;
};

// Discards the mapping file, as fast as a sink can.
class null_sink : public byte_sink {
 public:
  bool write(std::string_view data) override {
    benchmark::DoNotOptimize(data.data());
    return true;
  }
};

void convert(benchmark::State& state, input_kind kind) {
  const std::string table = make_input(kind, state.range(0));
  for (auto _ : state) {
    view_source source(table);
    null_sink sink;
    benchmark::DoNotOptimize(
        convert_table(source, sink, "zel-300_p100-2006", "300", {1, 2}));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(table.size()));
}

#define TABULOR_BENCH(kind)                          \
  BENCHMARK_CAPTURE(convert, kind, input_kind::kind) \
      ->Arg(2 << 20)                                 \
      ->Arg(20 << 20)                                \
      ->Arg(200 << 20)                               \
      ->Unit(benchmark::kMillisecond)                \
      ->UseRealTime()

TABULOR_BENCH(accepted);
TABULOR_BENCH(dropped);
TABULOR_BENCH(stop_tail);
TABULOR_BENCH(comments);
TABULOR_BENCH(long_lines);

}  // namespace
}  // namespace tabulor

BENCHMARK_MAIN();
