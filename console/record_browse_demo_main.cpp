// A browse list over a record file of customers: 32-byte records with a 4-byte number, a
// 12-byte name (key 1) and 16 bytes of town. The list shows the customers whose names lie
// between two bounds in name order; Enter reads the chosen one with a lock (waiting, with the
// notice on row 24, while another program holds it) and shows it, Esc ends.
//
//   record_browse_demo file [low [high]]
//   record_browse_demo --make file count     writes a file of count customers
#include <cstdint>
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
#include "records/file_definition.h"
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

// Creates the file and writes count customers named "C" and their number.
int MakeFile(const std::string& path, long count) {
  FileDefinition definition;
  definition.record_length = kRecordLength;
  definition.page_size = 4096;
  definition.keys = {{{1, 4, kSegmentBinary}}, {{5, 12, kSegmentDuplicates}}};
  std::string status = FileStatusBytes(definition, 0);
  std::string name = path;
  name.resize(kKeyBufferSize + 1, '\0');
  std::int32_t length = static_cast<std::int32_t>(status.size());
  if (RecordManagerCall(kOpCreate, nullptr, status.data(), length, name.data(),
                        static_cast<std::int16_t>(path.size()), 0) != kStatusOk) {
    return 1;
  }
  char block[kPositionBlockSize] = {};
  name = path;
  name.resize(kKeyBufferSize + 1, '\0');
  length = 0;
  if (RecordManagerCall(kOpOpen, block, nullptr, length, name.data(),
                        static_cast<std::int16_t>(path.size()), 0) != kStatusOk) {
    return 1;
  }
  static const char* const kTowns[] = {"GIRONA", "LLEIDA", "TARRAGONA", "VIC", "REUS"};
  int result = 0;
  for (long n = 1; n <= count && result == 0; ++n) {
    std::string record(kRecordLength, ' ');
    for (int i = 0; i < 4; ++i) record[static_cast<std::size_t>(i)] = static_cast<char>((n >> (8 * i)) & 0xFF);
    std::string customer = "C" + std::to_string(100000 + n).substr(1);
    record.replace(4, customer.size(), customer);
    const std::string town = kTowns[n % 5];
    record.replace(16, town.size(), town);
    std::string key(kKeyBufferSize + 1, ' ');
    length = kRecordLength;
    if (RecordManagerCall(kOpInsert, block, record.data(), length, key.data(), 0, 0) != kStatusOk) {
      result = 1;
    }
  }
  std::string no_key(kKeyBufferSize + 1, '\0');
  length = 0;
  RecordManagerCall(kOpClose, block, nullptr, length, no_key.data(), 0, 0);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string_view(argv[1]) == "--make") return MakeFile(argv[2], std::stol(argv[3]));
  if (argc < 2) return 2;
  ResetSessionEnvironment();
  SessionEnvironment& session = SessionToFill();
  session.ColourTable = ParseColourTable(kDefaultColours);
  const std::string temp_dir = platform::SystemTempDirectory() + "kelcon-browse-" +
                               std::to_string(platform::ProcessId()) + "\\";
  platform::MakeDirectory(temp_dir);
  session.TempDir = temp_dir;
  session.TerminalDir = temp_dir;
  const std::string low = argc > 2 ? argv[2] : "";
  const std::string high = argc > 3 ? argv[3] : "";

  // Browse 1 over file 7 by the name key, 15 rows from row 4.
  const std::vector<std::string> list = {"0", "0", "1", "7", "1", "4", "10", "20", "60", "0",
                                         "CLIENTS", "0"};
  const std::vector<std::string_view> views(list.begin(), list.end());
  char area[kRecordLength] = {};
  int status = LoadScreenDefinitions(views, nullptr) ? 0 : 1;
  if (status == 0 && OpenRecordFile(kHandle, argv[1], area, kRecordLength, kNameKey, kLockWait) != kStatusOk) {
    status = 1;
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
  return status;
}
