// The pop-up calculator and calendar over a small form: two fields, "Import" and "Data",
// each with Enter, Tab and Esc as its exit keys, as a form sets them. Alt+X and Alt+C open the
// pop-ups in either field; F hands the figure or the date back into it as typed keys.
// Enter and Tab go to the other field, Esc ends.
//
//   popup_demo [terminal-dir [work-date]]
//
// The calculator keeps its tape in "KELCALC.TMP" in terminal-dir (default: a directory of
// its own under the system's temporary directory, removed at the end); work-date (YYYYMMDD)
// is where the calendar opens (default: today).
#include <string>

#include "console/window.h"
#include "editing/edit_settings.h"
#include "editing/key_reader.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/process.h"
#include "startup/session_environment.h"
#include "textfmt/calendar.h"

namespace {

using namespace kel;

struct DemoField {
  const char* label;
  int row;
  std::size_t width;
  std::string text;
};

constexpr int kLabelColumn = 3;
constexpr int kFieldColumn = 11;

void DrawField(const DemoField& field) {
  SetColour("u");
  std::string shown = field.text;
  shown.resize(field.width, ' ');
  WriteInWindow(field.row, kFieldColumn, shown);
  LocateInWindow(field.row, kFieldColumn + static_cast<int>(field.text.size()));
}

// Edits one field until one of the exit keys in force: printable keys type, Backspace
// deletes; any other key, the hotkeys included, is ignored.
KeyCode EditDemoField(DemoField& field) {
  platform::Console().SetCursorVisible(true);
  for (;;) {
    DrawField(field);
    const KeyCode key = WaitKey();
    if (ExitKeysContain(key)) return key;
    if (key == kKeyBackspace) {
      if (!field.text.empty()) field.text.pop_back();
    } else if (key >= 32 && key <= 254 && key != 127 && field.text.size() < field.width) {
      field.text += static_cast<char>(key);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  ResetSessionEnvironment();
  SessionEnvironment& session = SessionToFill();
  session.ColourTable = ParseColourTable(kDefaultColours);
  const std::string temp_dir = platform::SystemTempDirectory() + "kelcon-popups-" +
                               std::to_string(platform::ProcessId()) + "\\";
  platform::MakeDirectory(temp_dir);
  session.TempDir = temp_dir;
  session.TerminalDir = argc > 1 ? WithTrailingSeparator(argv[1]) : temp_dir;
  if (argc > 2) session.WorkDate = PackDigits(std::string(argv[2]).substr(0, 8));

  SetConsoleColour(7, 0);
  ClearScreen();
  SetConsoleColour(15, 1);
  WriteText("Pop-up demo: Alt+X calculator, Alt+C calendar, Enter next field, Esc ends");
  SetColour("+n");
  OpenWindow(8, 10, 12, 50);
  SetColour("h");
  DrawFrame(2);
  DemoField fields[] = {{"Import:", 2, 14, ""}, {"Data:", 3, 10, ""}};
  for (const DemoField& field : fields) {
    SetColour("h");
    WriteInWindow(field.row, kLabelColumn, field.label);
    DrawField(field);
  }
  for (std::size_t current = 0;;) {
    EditSettings("+ea", "d,9,1b");
    const KeyCode key = EditDemoField(fields[current]);
    EditSettings("-", "");
    if (key == kKeyEsc) break;
    current = 1 - current;
  }
  CloseWindow();
  SetColour("-");

  if (session.TerminalDir == temp_dir) {
    platform::RemoveFile(temp_dir + "KELCALC.TMP");
  }
  platform::RemoveFile(WindowStackPath());
  platform::RemoveEmptyDirectory(temp_dir);
  platform::RestoreConsole();
  return 0;
}
