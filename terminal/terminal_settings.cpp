#include "terminal/terminal_settings.h"

#include <algorithm>
#include <vector>

#include "config/ini.h"
#include "files/file_utils.h"
#include "platform/process.h"
#include "platform/file_system.h"
#include "startup/session_environment.h"
#include "terminal/colour_schemes.h"
#include "terminal/terminal_registry.h"
#include "textfmt/calendar.h"
#include "textfmt/text_number.h"

namespace kel {
namespace {

constexpr std::size_t kColourTextLength = 20;
constexpr std::size_t kSystemRecordLength = 6;  // packed date (4), output device, unused

// Bytes of the old binary files end up inside settings lines, where a line end or a ";"
// would break the line apart or start a comment.
bool FitsInSettingsLine(char c) { return static_cast<unsigned char>(c) >= 32 && c != ';'; }

// Up to count bytes from the start of a file; fewer when the file is shorter or missing.
std::string LeadingBytes(const std::string& path, std::size_t count) {
  const platform::FileHandle file = platform::OpenFileHandle(path, platform::OpenMode::Read);
  if (file == platform::kNoFile) return {};
  std::string bytes(count, '\0');
  std::size_t filled = 0;
  while (filled < count) {
    const std::int64_t read = platform::ReadFromFile(file, bytes.data() + filled, count - filled);
    if (read <= 0) break;
    filled += static_cast<std::size_t>(read);
  }
  platform::CloseFile(file);
  bytes.resize(filled);
  return bytes;
}

std::string TodayDigits() {
  const platform::CalendarTime today = platform::LocalTime();
  std::string digits = std::to_string(today.year);
  digits.insert(0, digits.size() < 4 ? 4 - digits.size() : 0, '0');
  for (int part : {today.month, today.day}) {
    digits += static_cast<char>('0' + part / 10);
    digits += static_cast<char>('0' + part % 10);
  }
  return digits;
}

void CompleteColours(const std::string& file) {
  const std::string& directory = Session().TerminalDir;
  std::string colours = kDefaultColours;
  const std::string legacy = LeadingBytes(directory + "scrn.cfg", kColourTextLength);
  const auto usable = std::find_if_not(legacy.begin(), legacy.end(), FitsInSettingsLine);
  std::copy(legacy.begin(), usable, colours.begin());

  const long schemes =
      std::min(TextNumber(ReadIniKey(file, "Pantalla", "MaxColors")), kLargestSettingsCount);
  long selection = 0;
  for (long i = 1; i <= schemes && selection == 0; ++i) {
    if (ReadIniKey(file, "Pantalla", "Col" + std::to_string(i)) == colours) selection = i;
  }
  WriteIniKeys(file, {{"Pantalla", "Seleccio", std::to_string(selection)}, {"Pantalla", "Col", colours}});
}

void CompleteSystemSettings(const std::string& file) {
  const SessionEnvironment& session = Session();
  std::string record = PackDigits(TodayDigits()) + "PE";
  const std::string legacy_file = session.TerminalDir + "system.cfg";
  if (FileExists(legacy_file)) {
    const std::string legacy = LeadingBytes(legacy_file, kSystemRecordLength);
    std::copy(legacy.begin(), legacy.end(), record.begin());
  }
  std::vector<IniSetting> settings = {{"Sistema", "Data", UnpackDigits(record.substr(0, 4))}};
  // An output device byte that cannot stand in the file keeps the default printer.
  settings.push_back({"Sistema", "Sortida", std::string(1, FitsInSettingsLine(record[4]) ? record[4] : 'P')});
  if (session.LanguageCode.find_first_not_of(' ') != std::string::npos) {
    settings.push_back({"Sistema", "Idioma", session.LanguageCode});
  }
  WriteIniKeys(file, settings);
}

}  // namespace

void CompleteTerminalSettings() {
  const std::string file = Session().TerminalDir + "NuroTerm.ini";
  if (ReadIniKey(file, "Pantalla", "Col").empty()) WriteColourSchemes();
  if (ReadIniKey(file, "Pantalla", "Col").empty()) CompleteColours(file);
  if (ReadIniKey(file, "Sistema", "Idioma").empty()) CompleteSystemSettings(file);
}

}  // namespace kel
