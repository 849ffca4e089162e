// Takes the console, draws on it, then asks for the time stamp of the file named by its
// argument: with a missing file, the file utilities' fatal path, whose message must stay
// readable in the shell after the program has gone.
#include <string>

#include "console/window.h"
#include "files/file_utils.h"

int main(int argc, char** argv) {
  kel::ClearScreen();
  kel::MoveCursor(3, 1);
  kel::WriteText("PROBE SCREEN");
  kel::FlushScreen();
  kel::FileTimeStamp(argc > 1 ? argv[1] : "");
  return 3;
}
