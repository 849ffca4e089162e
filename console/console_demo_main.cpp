// A tour of the console library: coloured text, a framed window over it, a message box and
// the help pager, each waiting for a key, and everything closed again so that the screen
// ends as it began.
//
//   console_demo [help-root [topic]]
//
// The help is "AJUDA\<topic>.HLP" under help-root (default: the current directory; topic
// default "DEMO"). The window stack lives in a directory of its own under the system's
// temporary directory (fresh and private), removed at the end.
#include <string>

#include "console/help_pager.h"
#include "console/message.h"
#include "console/window.h"
#include "editing/key_reader.h"
#include "platform/environment.h"
#include "platform/process.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "startup/session_environment.h"
#include "textfmt/zero_pad.h"

namespace {

using namespace kel;

// Foreground and background of the background rows, in turn.
constexpr int kRowColours[][2] = {
    {15, 1}, {0, 3}, {14, 4}, {10, 0}, {0, 7}, {12, 5}, {11, 2}, {7, 0},
};

void PaintBackground() {
  SetConsoleColour(7, 0);
  ClearScreen();
  const int rows = ScreenRows();
  for (int row = 1; row < rows; ++row) {
    const auto& colour = kRowColours[row % (sizeof kRowColours / sizeof kRowColours[0])];
    SetConsoleColour(colour[0], colour[1]);
    MoveCursor(row, 1);
    std::string text = "Row " + ZeroPad(row, 2) + " of the console demo: ";
    while (static_cast<int>(text.size()) < ScreenColumns()) text += "=+-";
    text.resize(static_cast<std::size_t>(ScreenColumns()));
    WriteText(text);
  }
  SetConsoleColour(0, 7);
  MoveCursor(rows, 1);
  WriteText("Console demo - press a key to go on");
  MoveCursor(rows, 37);
}

void ShowFramedWindow() {
  SetColour("+n");
  OpenWindow(5, 10, 15, 60);
  SetColour("h");
  DrawFrame(2);
  SetColour("n");
  WriteInWindow(2, 3, "Framed window over coloured text");
  WriteInWindow(4, 3, "A message box comes next.");
  WriteInWindow(9, 3, "Press a key");
}

}  // namespace

int main(int argc, char** argv) {
  std::string help_root = argc > 1 ? argv[1] : "";
  std::string topic = argc > 2 ? argv[2] : "DEMO";

  ResetSessionEnvironment();
  SessionEnvironment& session = SessionToFill();
  session.ColourTable = ParseColourTable(kDefaultColours);
  // A fresh private directory: a predictable name in the shared temporary directory could be
  // taken first by someone else's directory or link.
  const std::string temp_dir = platform::MakePrivateDirectory(platform::SystemTempDirectory() + "kelcon-demo-");
  if (temp_dir.empty()) return 1;
  session.TempDir = temp_dir + "\\";
  if (!help_root.empty()) platform::ChangeDirectory(help_root);

  PaintBackground();
  WaitKey();

  ShowFramedWindow();
  WaitKey();

  ShowMessage(12, "A message box centred on row 12 - press a key");
  WaitKey();
  CloseWindow();

  ShowHelp(topic);

  CloseWindow();
  SetColour("-");
  WaitKey();

  platform::RemoveFile(WindowStackPath());
  platform::RemoveEmptyDirectory(temp_dir);
  platform::RestoreConsole();
  return 0;
}
