// The pop-ups per keystroke, and the calculator's state file.
//
// The pop-ups run on a virtual console that, each time they wait for a key, sends what
// changed since the last wait through the terminal renderer (the one the terminal console
// writes through): that is what a real terminal would receive for the key. The CPU time per
// key is the thread's CPU time from the first key to the last, renderer included, divided by
// the keys.
//
// The state file's save (new file, forced to disk, renamed over the old one) is set beside a
// plain rewrite of the same bytes in place, with and without forcing them to disk.
//   cmake --build <build> --target bench_popups && <build>/bench/bench_popups
#include <benchmark/benchmark.h>

#include "bench/bench_directory.h"

#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "console/window.h"
#include "editing/calculator.h"
#include "editing/calculator_state.h"
#include "editing/calculator_steps.h"
#include "editing/calendar_popup.h"
#include "editing/edit_settings.h"
#include "editing/key_reader.h"
#include "platform/file_system.h"
#include "platform/screen_buffer.h"
#include "platform/terminal_renderer.h"
#include "platform/virtual_console.h"
#include "startup/session_environment.h"
#include "textfmt/calendar.h"

namespace {

using namespace kel;

constexpr int kKeysPerRun = 2000;

double ThreadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Renders the screen at every wait for input, and keeps the byte count of the last frame.
class MeasuringConsole : public platform::VirtualConsole {
 public:
  MeasuringConsole() : VirtualConsole(25, 80), mirror_(25, 80), renderer_(25, 80) {}

  platform::InputEvent PollInput() override {
    for (int row = 1; row <= Rows(); ++row) {
      for (int column = 1; column <= Columns(); ++column) {
        mirror_.At(row, column) = CellAt(row, column);
      }
    }
    const platform::CursorPlace cursor = CursorPosition();
    mirror_.cursor_row = cursor.row;
    mirror_.cursor_column = cursor.column;
    mirror_.cursor_visible = CursorVisible();
    frame_.clear();
    renderer_.Render(mirror_, frame_);
    // The first wait follows the opening; every later one follows a key.
    if (polls_++ > 0) {
      key_bytes_ += frame_.size();
      ++keys_;
    }
    last_cpu_ = ThreadCpuSeconds();
    if (polls_ == 1) first_key_cpu_ = last_cpu_;
    return VirtualConsole::PollInput();
  }

  void StartRun() {
    polls_ = 0;
    keys_ = 0;
    key_bytes_ = 0;
  }
  // Keys measured: every key but the last, which closes.
  int Keys() const { return keys_; }
  double BytesPerKey() const { return static_cast<double>(key_bytes_) / keys_; }
  double CpuSeconds() const { return last_cpu_ - first_key_cpu_; }

 private:
  platform::ScreenBuffer mirror_;
  platform::TerminalRenderer renderer_;
  std::string frame_;
  int polls_ = 0;
  int keys_ = 0;
  std::size_t key_bytes_ = 0;
  double first_key_cpu_ = 0;
  double last_cpu_ = 0;
};

// A measuring console and a temporary directory as TempDir and TerminalDir.
class Setting {
 public:
  Setting() {
    ResetSessionEnvironment();
    SessionToFill().TempDir = directory_.Slashed();
    SessionToFill().TerminalDir = directory_.Slashed();
    SessionToFill().RootDir = directory_.Slashed();
    SessionToFill().WorkDate = PackDate(2024, 3, 13);
    SessionToFill().ColourTable = ParseColourTable(kDefaultColours);
    auto console = std::make_unique<MeasuringConsole>();
    console_ = console.get();
    platform::InstallConsole(std::move(console));
    ResetWindowState();
    ResetColourState();
    ResetKeyReader();
    ResetEditSettings();
  }
  ~Setting() {
    platform::InstallConsole(nullptr);
  }
  Setting(const Setting&) = delete;
  Setting& operator=(const Setting&) = delete;

  MeasuringConsole& console() { return *console_; }
  const std::string& directory() const { return directory_.path(); }

 private:
  bench::BenchDirectory directory_;
  MeasuringConsole* console_ = nullptr;
};

// One session of a pop-up with keys scripted in pairs; per key: CPU time and bytes.
template <typename Script>
void MeasurePopup(benchmark::State& state, std::string (*popup)(), Script script) {
  Setting setting;
  MeasuringConsole& console = setting.console();
  double bytes = 0;
  double cpu = 0;
  int keys = 0;
  for (auto _ : state) {
    console.StartRun();
    for (int i = 0; i < kKeysPerRun / 2; ++i) script(console);
    console.PushKey(27);
    benchmark::DoNotOptimize(popup());
    state.SetIterationTime(console.CpuSeconds());
    cpu += console.CpuSeconds();
    keys += console.Keys();
    bytes = console.BytesPerKey();
  }
  state.counters["cpu_us_per_key"] = cpu / keys * 1e6;
  state.counters["terminal_bytes_per_key"] = bytes;
}

// A digit and Backspace in turn: the display line changes by one cell each time.
void BM_CalculatorDigit(benchmark::State& state) {
  MeasurePopup(state, &Calculator, [](MeasuringConsole& console) {
    console.PushKey('5');
    console.PushKey(8);
  });
}

// Right and Left in turn inside one week: two cells change their colour each time.
void BM_CalendarDayMove(benchmark::State& state) {
  MeasurePopup(state, &Calendar, [](MeasuringConsole& console) {
    console.PushExtendedKey(0x4D);
    console.PushExtendedKey(0x4B);
  });
}

// ---- The state file ---------------------------------------------------------------------------

CalculatorState FullTape() {
  CalculatorState state;
  for (int i = 0; i < kTapeLines; ++i) {
    for (char key : std::to_string(1234.5 + i * 7.25)) ApplyCalculatorKey(state, key);
    ApplyCalculatorKey(state, '+');
  }
  return state;
}

void BM_SaveCalculatorState(benchmark::State& state) {
  Setting setting;
  const CalculatorState full = FullTape();
  for (auto _ : state) benchmark::DoNotOptimize(SaveCalculatorState(full));
  state.counters["bytes"] = static_cast<double>(CalculatorStateText(full).size());
}

void PlainWrite(benchmark::State& state, bool force) {
  Setting setting;
  const std::string text = CalculatorStateText(FullTape());
  const std::string path = setting.directory() + "/KELCALC.TMP";
  for (auto _ : state) {
    const platform::FileHandle file =
        platform::OpenFileHandle(path, platform::OpenMode::CreateAlways);
    benchmark::DoNotOptimize(platform::WriteToFile(file, text.data(), text.size()));
    if (force) platform::FlushFile(file);
    platform::CloseFile(file);
  }
  state.counters["bytes"] = static_cast<double>(text.size());
}

void BM_PlainWrite(benchmark::State& state) { PlainWrite(state, false); }
void BM_PlainWriteForced(benchmark::State& state) { PlainWrite(state, true); }

void BM_LoadCalculatorState(benchmark::State& state) {
  Setting setting;
  SaveCalculatorState(FullTape());
  for (auto _ : state) benchmark::DoNotOptimize(LoadCalculatorState());
}

// An iteration is one session of 2000 keys.
BENCHMARK(BM_CalculatorDigit)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalendarDayMove)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveCalculatorState)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainWriteForced)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadCalculatorState)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
