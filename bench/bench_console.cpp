// The console toolkit on the virtual console: a full-screen window opened, framed and closed
// (the window stack file in a temporary directory), a message box shown and removed,
// paragraph layout, and key reading with decimal entry.
//   cmake --build <build> --target bench_console && <build>/bench/bench_console
#include <benchmark/benchmark.h>

#include "bench/bench_directory.h"

#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "console/message.h"
#include "console/window.h"
#include "editing/key_reader.h"
#include "platform/console.h"
#include "platform/virtual_console.h"
#include "startup/session_environment.h"

namespace {

using namespace kel;

// A virtual console and a temporary TempDir for one benchmark run.
class Setting {
 public:
  Setting() {
    ResetSessionEnvironment();
    SessionToFill().TempDir = directory_.Slashed();
    SessionToFill().ColourTable = ParseColourTable(kDefaultColours);
    auto console = std::make_unique<platform::VirtualConsole>(25, 80);
    console_ = console.get();
    platform::InstallConsole(std::move(console));
    ResetWindowState();
    ResetColourState();
    ResetKeyReader();
  }
  ~Setting() {
    platform::InstallConsole(nullptr);
  }
  platform::VirtualConsole& console() { return *console_; }

 private:
  bench::BenchDirectory directory_;
  platform::VirtualConsole* console_;
};

void BM_FullScreenWindow(benchmark::State& state) {
  Setting setting;
  for (auto _ : state) {
    OpenWindow(1, 1, 25, 80);
    DrawFrame(2);
    CloseWindow();
  }
}
BENCHMARK(BM_FullScreenWindow);

void BM_NestedWindows(benchmark::State& state) {
  Setting setting;
  for (auto _ : state) {
    for (int depth = 0; depth < 5; ++depth) {
      OpenWindow(2 + depth, 2 + 2 * depth, 20 + depth, 60 + 2 * depth);
      DrawFrame(1);
    }
    for (int depth = 0; depth < 5; ++depth) CloseWindow();
  }
}
BENCHMARK(BM_NestedWindows);

void BM_MessageBox(benchmark::State& state) {
  Setting setting;
  const std::string text = "El fitxer de clients està bloquejat per un altre terminal. "
                           "S'espera que quedi lliure per continuar.";
  for (auto _ : state) {
    ShowMessage(12, text);
    CloseWindow();
  }
}
BENCHMARK(BM_MessageBox);

void BM_FormatParagraph(benchmark::State& state) {
  std::string source;
  for (int i = 0; i < 100; ++i) source += "paraula" + std::to_string(i) + " de text ";
  for (auto _ : state) {
    std::string text = source;
    FormatParagraph(text, -4, 'A', 60);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_FormatParagraph);

void BM_WaitKeyDecimalEntry(benchmark::State& state) {
  Setting setting;
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < 100; ++i) {
      setting.console().PushExtendedKey(0x4F, platform::kLeftAlt);
      setting.console().PushExtendedKey(0x4D, platform::kLeftAlt);
      setting.console().PushExtendedKey(0x4C, platform::kLeftAlt);
      setting.console().PushKeyUp(0);
      setting.console().PushText("x");
    }
    state.ResumeTiming();
    for (int i = 0; i < 200; ++i) benchmark::DoNotOptimize(WaitKey());
  }
  state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_WaitKeyDecimalEntry);

}  // namespace

BENCHMARK_MAIN();
