// Formatting figures and dates against snprintf of the same values.
//
//   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-release --target bench_textfmt -j2
//   build-release/bench/bench_textfmt
//
// The display settings are loaded from an empty installation root (defaults) before timing.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "startup/session_environment.h"
#include "textfmt/calendar.h"
#include "textfmt/date_format.h"
#include "textfmt/number_format.h"

namespace {

// The calculator's display mask with two decimals.
constexpr const char* kCalculatorMask = "-Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9.99";

constexpr std::array<double, 8> kValues = {0.0,      -3.456,      12.5,     1234567.891,
                                           -0.004,   98765432.1,  42.0,     -1234.5};

struct Dates {
  std::array<std::string, 8> packed;
  std::array<int, 8> year{}, month{}, day{};
  Dates() {
    for (std::size_t i = 0; i < packed.size(); ++i) {
      year[i] = 1990 + static_cast<int>(i) * 4;
      month[i] = 1 + static_cast<int>(i) * 3 % 12;
      day[i] = 1 + static_cast<int>(i) * 7 % 28;
      packed[i] = kel::PackDate(year[i], month[i], day[i]);
    }
  }
};

const Dates& SampleDates() {
  static const Dates dates;
  return dates;
}

void BM_SnprintfNumber(benchmark::State& state) {
  char buffer[64];
  std::size_t i = 0;
  for (auto _ : state) {
    std::snprintf(buffer, sizeof buffer, "%26.2f", kValues[i++ % kValues.size()]);
    benchmark::DoNotOptimize(buffer);
  }
}
BENCHMARK(BM_SnprintfNumber);

void BM_FormatNumber(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state) {
    std::string shown = kel::FormatNumber(kCalculatorMask, kValues[i++ % kValues.size()]);
    benchmark::DoNotOptimize(shown);
  }
}
BENCHMARK(BM_FormatNumber);

void BM_FormatNumberShortMask(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state) {
    std::string shown = kel::FormatNumber("ZZ9.99", kValues[i++ % 3]);
    benchmark::DoNotOptimize(shown);
  }
}
BENCHMARK(BM_FormatNumberShortMask);

void BM_SnprintfDate(benchmark::State& state) {
  const Dates& dates = SampleDates();
  char buffer[32];
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ % dates.packed.size();
    std::snprintf(buffer, sizeof buffer, "%d/%d/%04d", dates.day[k], dates.month[k], dates.year[k]);
    benchmark::DoNotOptimize(buffer);
  }
}
BENCHMARK(BM_SnprintfDate);

void BM_FormatDateNumeric(benchmark::State& state) {
  const Dates& dates = SampleDates();
  std::size_t i = 0;
  for (auto _ : state) {
    std::string shown = kel::FormatDate(dates.packed[i++ % dates.packed.size()], 0, "dma");
    benchmark::DoNotOptimize(shown);
  }
}
BENCHMARK(BM_FormatDateNumeric);

void BM_SnprintfLongDate(benchmark::State& state) {
  static const char* const kMonths[12] = {"gener", "febrer", "març", "abril", "maig", "juny",
                                          "juliol", "agost", "setembre", "octubre", "novembre",
                                          "desembre"};
  const Dates& dates = SampleDates();
  char buffer[64];
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ % dates.packed.size();
    std::snprintf(buffer, sizeof buffer, "%d de %s del %04d", dates.day[k],
                  kMonths[dates.month[k] - 1], dates.year[k]);
    benchmark::DoNotOptimize(buffer);
  }
}
BENCHMARK(BM_SnprintfLongDate);

void BM_FormatDateLong(benchmark::State& state) {
  const Dates& dates = SampleDates();
  std::size_t i = 0;
  for (auto _ : state) {
    std::string shown = kel::FormatDate(dates.packed[i++ % dates.packed.size()], 2, "dma");
    benchmark::DoNotOptimize(shown);
  }
}
BENCHMARK(BM_FormatDateLong);

}  // namespace

int main(int argc, char** argv) {
  std::string root = (std::filesystem::temp_directory_path() / "kel-bench-XXXXXX").string();
  if (mkdtemp(root.data()) == nullptr) return 1;
  kel::SessionToFill().RootDir = root + "/";
  kel::ResetDateFormatSettings();
  kel::ResetNumberFormatSettings();
  kel::FormatDate(SampleDates().packed[0], 0, "dma");
  kel::FormatNumber(kCalculatorMask, 1.0);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(root);
  return 0;
}
