#include "terminal/registration.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "config/ini.h"
#include "console/browse.h"
#include "console/definitions.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message.h"
#include "console/window.h"
#include "files/file_utils.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/process.h"
#include "platform/state_reset.h"
#include "startup/session_environment.h"
#include "terminal/terminal_registry.h"
#include "terminal/translation.h"

namespace kel {
namespace {

// The dialog's texts, in Catalan (program literals, turned into code page 850 as they are
// used); TranslateText gives them in the chosen language.
constexpr const char* kNewTerminalRow = "TERMINAL NOU";
constexpr const char* kNoCopyRow = "NO COPIAR-LA";
constexpr std::array<const char*, 3> kFirstQuestion = {
    "S'HA DETECTAT QUE EL VOSTRE TERMINAL NO ESTÀ CONFIGURAT. ",
    "MARQUEU A QUIN ORDINADOR SUBSTITUEIX O SI ES TRACTA ", "REALMENT D'UN TERMINAL NOU."};
constexpr std::array<const char*, 3> kSecondQuestion = {
    "SI VOLEU PODEU COPIAR LA CONFIGURACIÓ D'UN ALTRE ",
    "TERMINAL, I DESPRÉS AJUSTAR-LA, O NO COPIAR-LA ", "I CONFIGURAR-LO ENTERAMENT DES DE ZERO."};
// What a terminal that copies nothing starts from, in the installation root.
constexpr std::array<const char*, 2> kDefaultConfiguration = {"SCRN.CFG", "PRINTER.CFG"};
// The message boxes stand on this row.
constexpr int kQuestionRow = 1;
// The toolkit's working files, which the private working directory may hold at the end.
constexpr std::array<const char*, 2> kToolkitWorkingFiles = {"WinPush.tmp", "Browse.tmp"};

struct RegistrationState {
  std::string private_directory;  // the dialog's own working directory while TempDir is empty
  bool cleanup_registered = false;
};

RegistrationState& State() {
  static RegistrationState state;
  return state;
}

[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetRegistration);

void RemovePrivateDirectory() {
  std::string& directory = State().private_directory;
  if (directory.empty()) return;
  for (const char* name : kToolkitWorkingFiles) platform::RemoveFile(directory + name);
  platform::RemoveEmptyDirectory(directory);
  directory.clear();
}

// On a PC that is not registered and without KELTMP, TempDir is empty and the toolkit's
// working files would land in the current directory, the shared installation root, where two
// PCs registering at once would overwrite each other's window stack and list. They go to a
// directory of this process instead, for as long as the dialog runs.
class PrivateWorkingDirectory {
 public:
  PrivateWorkingDirectory() {
    if (!Session().TempDir.empty()) return;
    const std::string directory = platform::MakePrivateDirectory(
        WithTrailingSeparator(platform::SystemTempDirectory()) + "kelstart-");
    if (directory.empty()) return;
    State().private_directory = WithTrailingSeparator(directory);
    SessionToFill().TempDir = State().private_directory;
    // Ending the program from inside the dialog must not leave it behind either.
    if (!State().cleanup_registered) platform::AtProcessExit(&RemovePrivateDirectory);
    State().cleanup_registered = true;
    active_ = true;
  }
  ~PrivateWorkingDirectory() {
    if (!active_) return;
    SessionToFill().TempDir.clear();
    RemovePrivateDirectory();
  }
  PrivateWorkingDirectory(const PrivateWorkingDirectory&) = delete;
  PrivateWorkingDirectory& operator=(const PrivateWorkingDirectory&) = delete;

 private:
  bool active_ = false;
};

std::string Joined(const std::array<const char*, 3>& parts) {
  std::string text;
  for (const char* part : parts) text += TranslateText(Cp850(part));
  return text;
}

// Shows the question on row 1 over the list, runs the list and takes the box away; the chosen
// row, or -1 when the list was cancelled.
int AskOnList(const char* first_row, const std::array<const char*, 3>& question) {
  BrowseList(0) = TranslateText(Cp850(first_row));
  const bool shown = ShowMessage(kQuestionRow, Joined(question));
  std::int16_t result = -1;
  Browse(kTerminalList, result);
  if (shown) CloseWindow();
  return result == 0 ? static_cast<int>(BrowseSelectedIndex()) : -1;
}

// Rows 1 to k hold the first registered names; the rest is emptied. Returns k.
int FillListRows() {
  int listed = 0;
  for (int number = 1; number <= kListedTerminals; ++number) {
    std::string name = RegisteredName(number);
    if (name.empty()) break;
    BrowseList(number) = std::move(name);
    listed = number;
  }
  for (int row = listed + 1; row < kBrowseListSize; ++row) BrowseList(row).clear();
  return listed;
}

bool IsDirectory(const std::string& path) {
  const std::int64_t attributes = platform::EntryAttributes(path);
  return attributes >= 0 && (attributes & platform::kDirectory) != 0;
}

// Makes the new terminal's directory and fills it: from the root's default configuration when
// no terminal is named, else from that terminal's directory; false when the directory is not
// there.
bool MakeTerminalDirectory(const std::string& directory, const std::string& copy_name,
                           const std::string& copy_from) {
  MakeDirectoryPath(directory);
  if (!IsDirectory(directory)) return false;
  if (copy_name.empty()) {
    for (const char* name : kDefaultConfiguration) CopyFiles(name, directory);
  } else if (PathInsideRoot(copy_from)) {
    // An empty "Path" would copy the root's own files, one outside the root anybody's.
    CopyFiles(WithTrailingSeparator(copy_from) + "*.*", directory);
  }
  return true;
}

}  // namespace

void ResetRegistration() {
  RemovePrivateDirectory();
  State() = RegistrationState{};
}

int RegisteredCount() {
  int count = 0;
  while (count < kLargestSettingsCount && !RegisteredName(count + 1).empty()) ++count;
  return count;
}

bool PathInsideRoot(const std::string& path) {
  if (path.empty()) return false;
  std::string_view rest = path;
  const std::string& root = Session().RootDir;
  const bool absolute = path[0] == '\\' || path[0] == '/' || path.find(':') != std::string::npos;
  if (absolute) {
    if (root.empty() || path.compare(0, root.size(), root) != 0) return false;
    rest.remove_prefix(root.size());
  }
  // No level may climb out of the root.
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = rest.size();
    if (rest.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

RegistrationOutcome RunRegistration(const std::string& computer_name,
                                    const std::string& adapter_address, RegistrationResult& result) {
  const PrivateWorkingDirectory working_directory;
  const int listed = FillListRows();

  KeyCode key = kKeyEsc;
  RunForm(kLanguageForm, 0, 0, key);
  if (key == kKeyEsc) return RegistrationOutcome::Cancelled;

  int copy_row = -1;
  while (copy_row < 0) {
    const int row = AskOnList(kNewTerminalRow, kFirstQuestion);
    if (row < 0) return RegistrationOutcome::Cancelled;
    if (row >= 1 && row <= listed) {
      const std::string registry = RegistryFile();
      result = {};
      result.replaced_name = BrowseList(row);
      result.replaced_number = row;
      result.replaced_address = ReadIniKey(registry, result.replaced_name, kMacKey);
      result.directory = ReadIniKey(registry, result.replaced_name, kPathKey);
      return RegistrationOutcome::Done;
    }
    copy_row = AskOnList(kNoCopyRow, kSecondQuestion);
  }
  const std::string copy_name = copy_row >= 1 && copy_row <= listed ? BrowseList(copy_row) : "";

  // The number is chosen, the directory made and the keys written under the registry writers'
  // lock, with the count read again under it: another PC may have registered while this one's
  // user was answering.
  const std::string registry = RegistryFile();
  std::string directory;
  bool made = false;
  UpdateIniKeys(registry, [&]() -> std::vector<IniSetting> {
    const int number = RegisteredCount() + 1;
    directory = "TERM\\" + std::to_string(number) + "\\";
    const std::string copy_from = copy_name.empty() ? "" : ReadIniKey(registry, copy_name, kPathKey);
    made = MakeTerminalDirectory(directory, copy_name, copy_from);
    if (!made) return {};
    return {{kTerminalsSection, "Term" + std::to_string(number), computer_name},
            {computer_name, kMacKey, adapter_address},
            {computer_name, kPathKey, directory}};
  });
  if (!made) return RegistrationOutcome::NoDirectory;
  result = {};
  result.directory = directory;
  return RegistrationOutcome::Done;
}

RegistrationResult RegisterTerminal(const std::string& computer_name,
                                    const std::string& adapter_address) {
  // Without a terminal nobody can answer: end rather than wait for keys that never come.
  if (!platform::ConsoleIsInteractive()) {
    platform::EndProcessWithMessage(
        Cp850("Aquest ordinador (") + computer_name +
            Cp850(") no és cap terminal registrat i encara no es pot registrar des d'aquí.\n"),
        1);
  }
  RegistrationResult result;
  switch (RunRegistration(computer_name, adapter_address, result)) {
    case RegistrationOutcome::Done:
      return result;
    case RegistrationOutcome::Cancelled:
      platform::EndProcess(1);
    case RegistrationOutcome::NoDirectory:
      break;
  }
  platform::EndProcessWithMessage(
      Cp850("No s'ha pogut crear el directori del terminal nou; no s'ha registrat.\n"), 1);
}

}  // namespace kel
