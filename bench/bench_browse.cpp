// A browse list of 200 entries on the virtual console: the CPU time to open, draw and close
// it, and the bytes the terminal backend's renderer sends for one Down, against the cells
// that change.
//   cmake --build <build> --target bench_browse && <build>/bench/bench_browse
#include <benchmark/benchmark.h>

#include "bench/bench_directory.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "console/browse.h"
#include "console/browse_rows.h"
#include "console/definitions.h"
#include "console/form_hooks.h"
#include "console/window.h"
#include "editing/edit_settings.h"
#include "editing/key_reader.h"
#include "platform/screen_buffer.h"
#include "platform/terminal_renderer.h"
#include "platform/virtual_console.h"
#include "startup/session_environment.h"

namespace {

using namespace kel;

// The virtual console, rendering what it shows each time a key is taken, as the terminal
// backend does before each wait for a key.
class FrameConsole : public platform::VirtualConsole {
 public:
  FrameConsole() : VirtualConsole(25, 80), renderer_(25, 80) {}
  platform::InputEvent PollInput() override {
    if (recording && PendingInput() > 0) Frame();
    return VirtualConsole::PollInput();
  }
  void Frame() {
    platform::ScreenBuffer screen(Rows(), Columns());
    for (int r = 1; r <= Rows(); ++r)
      for (int c = 1; c <= Columns(); ++c) screen.At(r, c) = CellAt(r, c);
    const platform::CursorPlace cursor = CursorPosition();
    screen.MoveCursor(cursor.row, cursor.column);
    screen.cursor_visible = CursorVisible();
    int changed = 0;
    if (!frames.empty()) {
      for (int r = 1; r <= Rows(); ++r)
        for (int c = 1; c <= Columns(); ++c) changed += !(screen.At(r, c) == last_->At(r, c));
    }
    std::string out;
    renderer_.Render(screen, out);
    frames.push_back({out.size(), changed});
    last_ = std::make_unique<platform::ScreenBuffer>(screen);
  }
  struct FrameSize {
    std::size_t bytes;
    int changed_cells;
  };
  std::vector<FrameSize> frames;
  bool recording = false;

 private:
  platform::TerminalRenderer renderer_;
  std::unique_ptr<platform::ScreenBuffer> last_;
};

class Setting {
 public:
  Setting() {
    ResetSessionEnvironment();
    SessionToFill().TempDir = directory_.Slashed();
    SessionToFill().ColourTable = ParseColourTable("15010702000314041205");
    auto console = std::make_unique<FrameConsole>();
    console_ = console.get();
    platform::InstallConsole(std::move(console));
    ResetWindowState();
    ResetColourState();
    ResetKeyReader();
    ResetEditSettings();
    // One browse over the memory list, 14 rows of 68 columns inside its frame.
    static const std::string_view list[] = {"0", "0", "1", "0", "0", "5", "5", "20", "74",
                                            "0", "CLIENTS", "0"};
    LoadScreenDefinitions(list, nullptr);
    for (int i = 0; i < 200; ++i) {
      std::string line = "Client " + std::to_string(1000 + i) +
                         "  Carrer Major " + std::to_string(i) + ", 08001 Barcelona  ";
      while (line.size() < 100) line += "factura ";
      BrowseList(i) = line;
    }
    ScreenHooks hooks;
    hooks.prepare_browse = [](std::int16_t, std::string&, std::string&) {
      AppendBrowseListRows();
      return std::int16_t{0};
    };
    InstallScreenHooks(hooks);
  }
  ~Setting() {
    platform::InstallConsole(nullptr);
    ResetScreenHooks();
    ResetScreenDefinitions();
  }
  FrameConsole& console() { return *console_; }

 private:
  bench::BenchDirectory directory_;
  FrameConsole* console_;
};

void BM_OpenDrawAndCloseBrowse200(benchmark::State& state) {
  Setting setting;
  for (auto _ : state) {
    setting.console().PushKey(27);
    std::int16_t result = 0;
    Browse(1, result);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_OpenDrawAndCloseBrowse200)->Unit(benchmark::kMicrosecond);

void BM_TerminalBytesForOneDown(benchmark::State& state) {
  Setting setting;
  FrameConsole& console = setting.console();
  for (auto _ : state) {
    console.frames.clear();
    console.recording = true;
    for (int i = 0; i < 5; ++i) console.PushExtendedKey(0x50);  // Down within the page
    console.PushKey(27);
    std::int16_t result = 0;
    Browse(1, result);
    console.recording = false;
  }
  // Frame 0 is the list as opened; frames 1-5 follow the Downs.
  const auto& down = console.frames[3];
  state.counters["open_bytes"] = static_cast<double>(console.frames[0].bytes);
  state.counters["down_bytes"] = static_cast<double>(down.bytes);
  state.counters["down_changed_cells"] = down.changed_cells;
}
BENCHMARK(BM_TerminalBytesForOneDown)->Iterations(1);

void BM_TerminalBytesForScrollingDown(benchmark::State& state) {
  Setting setting;
  FrameConsole& console = setting.console();
  for (auto _ : state) {
    console.frames.clear();
    console.recording = true;
    for (int i = 0; i < 15; ++i) console.PushExtendedKey(0x50);  // the 15th scrolls the page
    console.PushKey(27);
    std::int16_t result = 0;
    Browse(1, result);
    console.recording = false;
  }
  const auto& scroll = console.frames[14];
  state.counters["scroll_bytes"] = static_cast<double>(scroll.bytes);
  state.counters["scroll_changed_cells"] = scroll.changed_cells;
}
BENCHMARK(BM_TerminalBytesForScrollingDown)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
