// A browse list over a record file of customers: 32-byte records with a 4-byte number (key
// 0), a 12-byte name (key 1) and 16 bytes of town. The list shows the customers whose names lie
// between two bounds in name order; Enter reads the chosen one again with a lock (waiting, with
// the notice on row 24, while another program holds it) and shows it, Esc ends.
//
//   record_browse_demo [--pause MS] FILE [LOW [HIGH]]
//
// FILE is made with kelrec ("kelrec create FILE 32 1:4b 5:12d", then "kelrec import" of a CSV
// of number, name, town); a server file "pgsql:NAME" too. --pause MS shortens the random
// pause between two tries of a locked record from at most 10,001 to at most MS milliseconds.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "console/browse.h"
#include "console/browse_record_files.h"
#include "console/definitions.h"
#include "console/form_hooks.h"
#include "console/keys.h"
#include "console/window.h"
#include "editing/key_reader.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "records/file_table.h"
#include "records/record_access.h"
#include "records/record_manager.h"
#include "startup/session_environment.h"

namespace {

using namespace kel;

constexpr std::int16_t kHandle = 7;
constexpr std::int16_t kNameKey = 1;
constexpr int kRecordLength = 32;

std::string Trimmed(std::string text) {
  const std::size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

std::uint32_t NumberOf(const char* record) {
  std::uint32_t number = 0;
  for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(record[i]);
  return number;
}

// One display line: number, name and town.
std::string CustomerLine(const char* record) {
  std::string number = std::to_string(NumberOf(record));
  number.insert(0, number.size() < 6 ? 6 - number.size() : 0, ' ');
  return number + "  " + std::string(record + 4, 12) + "  " + Trimmed(std::string(record + 16, 16));
}

// The lock wait's random pause of 1 to 10,001 milliseconds scaled to 1 to longest.
void ShortenLockPause(long longest) {
  InstallLockPause([longest](int milliseconds) {
    platform::PauseMilliseconds(static_cast<int>(1 + (milliseconds - 1) * (longest - 1) / 10000));
  });
}

// The number given to --pause: 1 to 10,001 milliseconds; 0 when it is not one.
long PauseArgument(std::string_view text) {
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || value > 10001) return 0;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= 10001 ? value : 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  if (arguments.size() >= 2 && arguments[0] == "--pause") {
    const long longest = PauseArgument(arguments[1]);
    if (longest == 0) {
      std::fputs("record_browse_demo: --pause takes 1 to 10001 milliseconds\n", stderr);
      return 2;
    }
    ShortenLockPause(longest);
    arguments.erase(arguments.begin(), arguments.begin() + 2);
  }
  if (arguments.empty() || arguments.size() > 3) {
    std::fputs("usage: record_browse_demo [--pause MS] FILE [LOW [HIGH]]\n", stderr);
    return 2;
  }
  ResetSessionEnvironment();
  SessionEnvironment& session = SessionToFill();
  session.ColourTable = ParseColourTable(kDefaultColours);
  const std::string temp_dir = platform::SystemTempDirectory() + "kelcon-browse-" +
                               std::to_string(platform::ProcessId()) + "\\";
  platform::MakeDirectory(temp_dir);
  session.TempDir = temp_dir;
  session.TerminalDir = temp_dir;
  const std::string& path = arguments[0];
  const std::string low = arguments.size() > 1 ? arguments[1] : "";
  const std::string high = arguments.size() > 2 ? arguments[2] : "";

  // Browse 1 over file 7 by the name key, 15 rows from row 4.
  const std::vector<std::string> list = {"0", "0", "1", "7", "1", "4", "10", "20", "60", "0",
                                         "CLIENTS", "0"};
  const std::vector<std::string_view> views(list.begin(), list.end());
  char area[kRecordLength] = {};
  int status = LoadScreenDefinitions(views, nullptr) ? 0 : 1;
  std::string failure;  // printed once the console is given back
  if (status == 0) {
    const std::int16_t opened = OpenRecordFile(kHandle, path, area, kRecordLength, kNameKey, kLockWait);
    if (opened != kStatusOk) {
      failure = "record_browse_demo: " + path + ": status " + std::to_string(opened) + ": " +
                RecordStatusText(opened) + "\n";
      status = 1;
    }
  }
  if (status == 0) {
    InstallRecordFileBrowsing();
    ScreenHooks hooks;
    hooks.prepare_browse = [&](std::int16_t, std::string& from, std::string& to) {
      from = low;
      to = high;
      return std::int16_t{0};
    };
    hooks.browse_line = [&](std::int16_t) { return CustomerLine(area); };
    InstallScreenHooks(hooks);

    SetConsoleColour(7, 0);
    ClearScreen();
    SetConsoleColour(15, 1);
    WriteText("Customers " + (low.empty() ? std::string("from the first") : low) + " to " +
              (high.empty() ? std::string("the last") : high) + ": Enter reads, Esc ends");
    std::int16_t result = -1;
    Browse(1, result);
    // The list reads without locks; the chosen customer is read again with the file's own
    // lock mode, as a program does before changing it, waiting while another program holds it.
    if (result == 0) SeekKey(kHandle, 0, std::string_view(area, 4), 0, result);
    SetConsoleColour(7, 0);
    ClearScreen();
    if (result == 0) {
      WriteText("Read: " + CustomerLine(area) + "  (Esc ends)");
    } else {
      WriteText("Nothing read (" + std::to_string(result) + ")  (Esc ends)");
    }
    while (WaitKey() != kKeyEsc) {
    }
    CloseRecordFile(kHandle);
  }
  platform::RemoveFile(WindowStackPath());
  platform::RemoveEmptyDirectory(temp_dir);
  platform::RestoreConsole();
  std::fputs(failure.c_str(), stderr);
  return status;
}
