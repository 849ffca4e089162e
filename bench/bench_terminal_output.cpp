// Bytes the terminal backend sends to open, frame and close windows, against one full
// repaint of the screen, and the time to work out a frame. The byte counts are reported as
// counters; the renderer here is the one the terminal console writes through.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/screen_buffer.h"
#include "platform/terminal_renderer.h"

namespace {

using kel::platform::Cell;
using kel::platform::ScreenBuffer;
using kel::platform::TerminalRenderer;

// A working screen: text in many colours, as a form or a list leaves it.
void FillWorkingScreen(ScreenBuffer& screen) {
  for (int row = 1; row <= screen.Rows(); ++row) {
    screen.MoveCursor(row, 1);
    screen.attribute = static_cast<std::uint8_t>((row % 8) * 16 + 15 - row % 16);
    std::string line = "Línia " + std::to_string(row) + ": Client, factura, data 01/02/2024 ";
    line = kel::Cp850(line);
    line.resize(static_cast<std::size_t>(screen.Columns()), '.');
    screen.WriteText(line);
  }
}

// The window stack's open (save), frame and close (restore) of a rectangle.
struct Window {
  int top, left, bottom, right;
  std::vector<Cell> saved;

  void Open(const ScreenBuffer& screen) {
    saved.clear();
    for (int r = top; r <= bottom; ++r)
      for (int c = left; c <= right; ++c) saved.push_back(screen.At(r, c));
  }
  void Frame(ScreenBuffer& screen, std::uint8_t attribute) const {
    const std::string line = kel::Cp850("═");
    for (int r = top; r <= bottom; ++r) {
      for (int c = left; c <= right; ++c) {
        unsigned char ch = ' ';
        const bool edge_row = r == top || r == bottom;
        const bool edge_column = c == left || c == right;
        if (edge_row && edge_column) {
          ch = static_cast<unsigned char>(kel::Cp850(r == top ? (c == left ? "╔" : "╗")
                                                              : (c == left ? "╚" : "╝"))[0]);
        } else if (edge_row) {
          ch = static_cast<unsigned char>(line[0]);
        } else if (edge_column) {
          ch = static_cast<unsigned char>(kel::Cp850("║")[0]);
        }
        screen.At(r, c) = Cell{ch, attribute};
      }
    }
  }
  void Close(ScreenBuffer& screen) const {
    std::size_t i = 0;
    for (int r = top; r <= bottom; ++r)
      for (int c = left; c <= right; ++c) screen.At(r, c) = saved[i++];
  }
};

void MeasureWindow(benchmark::State& state, Window window) {
  std::size_t open_bytes = 0, close_bytes = 0, repaint_bytes = 0;
  for (auto _ : state) {
    ScreenBuffer screen(25, 80);
    TerminalRenderer renderer(25, 80);
    FillWorkingScreen(screen);
    std::string out;
    renderer.Render(screen, out);
    out.clear();
    renderer.Invalidate();
    renderer.Render(screen, out);
    repaint_bytes = out.size();

    window.Open(screen);
    window.Frame(screen, 0x1F);
    out.clear();
    renderer.Render(screen, out);
    open_bytes = out.size();

    window.Close(screen);
    out.clear();
    renderer.Render(screen, out);
    close_bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  const double cells = (window.bottom - window.top + 1) * (window.right - window.left + 1);
  state.counters["cells"] = cells;
  state.counters["open_frame_bytes"] = static_cast<double>(open_bytes);
  state.counters["close_bytes"] = static_cast<double>(close_bytes);
  state.counters["full_repaint_bytes"] = static_cast<double>(repaint_bytes);
  state.counters["close_per_repaint"] = static_cast<double>(close_bytes) / static_cast<double>(repaint_bytes);
}

void BM_FullScreenWindow(benchmark::State& state) { MeasureWindow(state, Window{1, 1, 25, 80, {}}); }
void BM_MessageBoxWindow(benchmark::State& state) { MeasureWindow(state, Window{9, 15, 15, 65, {}}); }

void BM_RenderOneChangedCell(benchmark::State& state) {
  ScreenBuffer screen(25, 80);
  TerminalRenderer renderer(25, 80);
  FillWorkingScreen(screen);
  std::string out;
  renderer.Render(screen, out);
  unsigned char ch = 'a';
  for (auto _ : state) {
    screen.At(12, 40).character = ch = ch == 'a' ? 'b' : 'a';
    out.clear();
    renderer.Render(screen, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = static_cast<double>(out.size());
}

void BM_RenderFullRepaint(benchmark::State& state) {
  ScreenBuffer screen(25, 80);
  TerminalRenderer renderer(25, 80);
  FillWorkingScreen(screen);
  std::string out;
  for (auto _ : state) {
    renderer.Invalidate();
    out.clear();
    renderer.Render(screen, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = static_cast<double>(out.size());
}

BENCHMARK(BM_FullScreenWindow);
BENCHMARK(BM_MessageBoxWindow);
BENCHMARK(BM_RenderOneChangedCell);
BENCHMARK(BM_RenderFullRepaint);

}  // namespace

BENCHMARK_MAIN();
