// A small program that drives the console on a real terminal, for the scripts in bench/:
//   terminal_probe wait <milliseconds> <report>  waits for a key and writes the CPU time used
//   terminal_probe events <log>                  logs console input events until "q"
//   terminal_probe keys <log>                    logs key codes from WaitKey until "q"
//   terminal_probe draw                          draws a test screen and waits for a key
//   terminal_probe bytes <report> [hold]         bytes written to open, frame and close a
//                                                full-screen window, and for a full repaint
//   terminal_probe field <report>                edits a plain field; each Alt+X records the
//                                                bytes written and the CPU time used so far
//   terminal_probe waitkey <report>              the same marks around WaitKey alone, until
//                                                Enter (the peer of the field)
//   terminal_probe bare <report>                 the same marks without the library: a raw
//                                                terminal with one poll, one read and one
//                                                write (the echo) a key, the least any
//                                                terminal program pays for a typed key
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "console/window.h"
#include "editing/edit_settings.h"
#include "editing/field_editor.h"
#include "editing/key_reader.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/posix/terminal_console.h"
#include "startup/session_environment.h"

namespace {

using kel::platform::Console;
using kel::platform::InputEvent;

double CpuMilliseconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

double WallMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

void DrawTestScreen() {
  auto& console = Console();
  for (int row = 1; row <= console.Rows(); ++row) {
    console.SetCursorPosition(row, 1);
    console.SetTextAttribute(static_cast<std::uint8_t>((row % 8) * 16 + 15 - row % 16));
    std::string line = "row " + std::to_string(row) + " " + kel::Cp850("àéïòúç ÀÉÇ ñÑ €");
    line.resize(static_cast<std::size_t>(console.Columns()), '.');
    console.WriteText(line);
  }
  console.SetTextAttribute(0x1F);
  console.SetCursorPosition(5, 10);
  console.WriteText(kel::Cp850("╔══════════╗"));
  console.SetCursorPosition(6, 10);
  console.WriteText(kel::Cp850("║ ") + "\x10 menu \x11" + kel::Cp850(" ║"));
  console.SetCursorPosition(7, 10);
  console.WriteText(kel::Cp850("╚══════════╝"));
  console.SetCursorPosition(6, 12);
}

int Wait(int milliseconds, const char* report) {
  DrawTestScreen();
  Console().Flush();
  const double cpu_start = CpuMilliseconds();
  const double wall_start = WallMilliseconds();
  bool key = false;
  while (!key) {
    const int left = milliseconds - static_cast<int>(WallMilliseconds() - wall_start);
    if (left <= 0 || !Console().WaitForInput(left)) break;
    while (true) {
      InputEvent event = Console().PollInput();
      if (event.kind == InputEvent::Kind::None) break;
      if (event.kind == InputEvent::Kind::Key) key = true;
    }
  }
  const double cpu = CpuMilliseconds() - cpu_start;
  const double wall = WallMilliseconds() - wall_start;
  kel::platform::RestoreConsole();
  if (FILE* out = std::fopen(report, "w")) {
    std::fprintf(out, "cpu_ms %.3f wall_ms %.1f percent %.4f\n", cpu, wall, 100.0 * cpu / wall);
    std::fclose(out);
  }
  return 0;
}

int LogEvents(const char* log) {
  FILE* out = std::fopen(log, "w");
  if (out == nullptr) return 1;
  DrawTestScreen();
  while (Console().WaitForInput(-1)) {
    InputEvent event = Console().PollInput();
    switch (event.kind) {
      case InputEvent::Kind::Key:
        std::fprintf(out, "key char=%02x scan=%02x state=%x\n", event.character, event.scan_code,
                     event.control_state);
        break;
      case InputEvent::Kind::KeyUp:
        std::fprintf(out, "up state=%x\n", event.control_state);
        break;
      case InputEvent::Kind::Mouse:
        std::fprintf(out, "mouse kind=%d button=%d row=%d column=%d\n", event.mouse_kind,
                     event.mouse_button, event.mouse_row, event.mouse_column);
        break;
      case InputEvent::Kind::Resize:
        std::fprintf(out, "resize %dx%d\n", Console().Rows(), Console().Columns());
        break;
      case InputEvent::Kind::None:
        break;
    }
    std::fflush(out);
    if (event.kind == InputEvent::Kind::Key && event.character == 'q') break;
  }
  std::fclose(out);
  return 0;
}

int LogKeys(const char* log) {
  FILE* out = std::fopen(log, "w");
  if (out == nullptr) return 1;
  DrawTestScreen();
  while (true) {
    const kel::KeyCode key = kel::WaitKey();
    std::fprintf(out, "%x\n", static_cast<unsigned>(static_cast<std::uint16_t>(key)));
    std::fflush(out);
    if (key == 'q') break;
  }
  std::fclose(out);
  return 0;
}

// The window stack's work at the device: save the cells, draw a double frame with a blank
// inside, then write the saved cells back.
int Bytes(const char* report, bool hold) {
  auto* terminal = dynamic_cast<kel::platform::posix::TerminalConsole*>(&Console());
  if (terminal == nullptr) return 1;
  auto& console = Console();
  DrawTestScreen();
  console.Flush();
  const int rows = console.Rows();
  const int columns = console.Columns();
  std::vector<kel::platform::Cell> saved;
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= columns; ++c) saved.push_back(console.ReadCell(r, c));
  const auto before_open = terminal->BytesWritten();
  console.SetTextAttribute(0x1F);
  for (int r = 1; r <= rows; ++r) {
    std::string line(static_cast<std::size_t>(columns), ' ');
    std::string border = kel::Cp850(r == 1 || r == rows ? "═" : "║");
    if (r == 1 || r == rows) line.assign(static_cast<std::size_t>(columns), border[0]);
    line.front() = r == 1 ? kel::Cp850("╔")[0] : r == rows ? kel::Cp850("╚")[0] : border[0];
    line.back() = r == 1 ? kel::Cp850("╗")[0] : r == rows ? kel::Cp850("╝")[0] : border[0];
    console.WriteCells(r, 1, nullptr, 0);
    console.SetCursorPosition(r, 1);
    console.WriteText(r == rows ? line.substr(0, line.size() - 1) : line);
    if (r == rows) {
      const kel::platform::Cell corner{static_cast<unsigned char>(line.back()), 0x1F};
      console.WriteCells(r, columns, &corner, 1);
    }
  }
  console.SetCursorPosition(2, 2);
  console.Flush();
  const auto after_open = terminal->BytesWritten();
  if (hold) console.WaitForInput(3000);
  for (int r = 1; r <= rows; ++r)
    console.WriteCells(r, 1, &saved[static_cast<std::size_t>((r - 1) * columns)], columns);
  console.SetCursorPosition(6, 12);
  console.Flush();
  const auto after_close = terminal->BytesWritten();
  // A resize signal makes the console forget what the terminal shows: a full repaint.
  ::kill(::getpid(), SIGWINCH);
  console.WaitForInput(0);
  console.Flush();
  const auto after_repaint = terminal->BytesWritten();
  if (hold) console.WaitForInput(3000);
  kel::platform::RestoreConsole();
  if (FILE* out = std::fopen(report, "w")) {
    std::fprintf(out, "screen %dx%d open_frame_bytes %llu close_bytes %llu full_repaint_bytes %llu\n",
                 columns, rows, static_cast<unsigned long long>(after_open - before_open),
                 static_cast<unsigned long long>(after_close - after_open),
                 static_cast<unsigned long long>(after_repaint - after_close));
    std::fclose(out);
  }
  return 0;
}

// Marks taken by Alt+X inside the field: bytes written and CPU milliseconds so far.
struct FieldMark {
  unsigned long long bytes;
  double cpu_ms;
};
std::vector<FieldMark> g_field_marks;

std::string MarkField() {
  auto* terminal = dynamic_cast<kel::platform::posix::TerminalConsole*>(&Console());
  g_field_marks.push_back({terminal != nullptr ? terminal->BytesWritten() : 0, CpuMilliseconds()});
  return "";
}

// A 40-character plain field over the test screen; Enter and Esc end it, Alt+X marks. As
// the peer, keys read by WaitKey alone until Enter, with the same marks.
int Field(const char* report, bool edit) {
  kel::SessionToFill().ColourTable = kel::ParseColourTable(kel::kDefaultColours);
  DrawTestScreen();
  kel::SetCalculatorPopup(&MarkField);
  kel::EditSettings("ea", "d,1b");
  std::string text(40, ' ');
  std::int16_t row = 10, column = 20, width = 0, cursor = 1;
  kel::KeyCode key = 0;
  if (edit) {
    kel::EditField(row, column, width, text, cursor, key);
  } else {
    Console().SetCursorPosition(row, column);
    while ((key = kel::WaitKey()) != kel::kKeyEnter) {
    }
  }
  kel::platform::RestoreConsole();
  if (FILE* out = std::fopen(report, "w")) {
    for (std::size_t i = 0; i < g_field_marks.size(); ++i) {
      std::fprintf(out, "mark %zu bytes %llu cpu_ms %.3f\n", i, g_field_marks[i].bytes,
                   g_field_marks[i].cpu_ms);
    }
    std::fprintf(out, "text [%s] key %x\n", text.c_str(),
                 static_cast<unsigned>(static_cast<std::uint16_t>(key)));
    std::fclose(out);
  }
  return 0;
}

// The floor under every terminal program: the process sleeps in poll until the terminal has a
// byte, wakes, reads it, echoes a printable one and goes back to sleep. Alt+X (Esc x) marks
// the CPU time as the field does; Enter ends.
int Bare(const char* report) {
  termios saved{};
  if (::tcgetattr(0, &saved) != 0) return 1;
  termios raw = saved;
  ::cfmakeraw(&raw);
  ::tcsetattr(0, TCSANOW, &raw);
  std::vector<double> marks;
  bool escape = false;
  bool done = false;
  while (!done) {
    pollfd watched{0, POLLIN, 0};
    if (::poll(&watched, 1, -1) < 0) continue;
    char buffer[4096];
    const ssize_t got = ::read(0, buffer, sizeof buffer);
    if (got <= 0) break;
    for (ssize_t i = 0; i < got; ++i) {
      if (escape && buffer[i] == 'x') marks.push_back(CpuMilliseconds());
      else if (buffer[i] >= ' ' && buffer[i] < 0x7f && !escape) (void)!::write(1, &buffer[i], 1);
      escape = buffer[i] == '\x1b';
      if (buffer[i] == '\r') done = true;
    }
  }
  ::tcsetattr(0, TCSANOW, &saved);
  if (FILE* out = std::fopen(report, "w")) {
    for (std::size_t i = 0; i < marks.size(); ++i) {
      std::fprintf(out, "mark %zu bytes 0 cpu_ms %.3f\n", i, marks[i]);
    }
    std::fclose(out);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "wait") == 0) return Wait(std::atoi(argv[2]), argv[3]);
  if (argc >= 3 && std::strcmp(argv[1], "events") == 0) return LogEvents(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "keys") == 0) return LogKeys(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "field") == 0) return Field(argv[2], true);
  if (argc >= 3 && std::strcmp(argv[1], "waitkey") == 0) return Field(argv[2], false);
  if (argc >= 3 && std::strcmp(argv[1], "bare") == 0) return Bare(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "bytes") == 0) return Bytes(argv[2], argc >= 4);
  if (argc >= 2 && std::strcmp(argv[1], "draw") == 0) {
    DrawTestScreen();
    Console().WaitForInput(-1);
    return 0;
  }
  std::fprintf(stderr, "usage: terminal_probe wait|events|keys|draw ...\n");
  return 2;
}
