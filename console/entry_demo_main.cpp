// A data-entry screen built from the library's forms and browse lists: two pages of fields
// (a plain field, a notes field over three rows, a hidden PIN, a disabled customer code, a
// language chosen from a list of choices, and a city looked up with F4 in a list of 200
// towns wider than its window), with F1 help. PgDn and PgUp on the edge fields turn the page;
// Enter on the last field of the second page accepts, Esc on a first field leaves. The values
// are printed when the screen has been given back.
//
//   entry_demo [help-root]
//
// The help is "AJUDA\DEMO.HLP" under help-root (default: the current directory).
#include <cstdio>
#include <string>
#include <vector>

#include "console/browse.h"
#include "console/browse_rows.h"
#include "console/definitions.h"
#include "console/form.h"
#include "console/form_hooks.h"
#include "console/window.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "startup/session_environment.h"

namespace {

using namespace kel;

constexpr std::int16_t kFirstPage = 1;
constexpr std::int16_t kSecondPage = 2;
constexpr std::int16_t kTownList = 1;
constexpr std::int16_t kCityField = 2;
constexpr std::int16_t kLanguageField = 3;
constexpr std::int16_t kDigitsCheck = 1;
constexpr int kTownCount = 200;

// Enter, Esc, Up, Down, PgUp, PgDn and F4 end a field.
constexpr const char* kFieldKeys = "d,1b,4800,5000,4900,5100,3e00";

// The screens, in the order the definition reader takes them.
std::vector<std::string> Definitions() {
  return {
      "2", "3",
      // Page 1: name, notes over three rows of 30, hidden PIN (digits only); page 2 follows.
      kFieldKeys, "3", "2", "3", "3", "13", "77",
      "1", "2", "Name:      ", "30", "0", "0", "0", "0", "0", "",
      "3", "2", "Notes:     ", "90", "30", "0", "0", "0", "0", "",
      "7", "2", "PIN:       ", "4", "0", "0", "2", "1", "0", "",
      // Page 2: disabled customer code, city with a lookup, language by its description.
      kFieldKeys, "3", "0", "3", "3", "13", "77",
      "1", "2", "Customer:  ", "8", "0", "0", "4", "0", "0", "",
      "3", "2", "City:      ", "24", "0", "0", "0", "0", "1", "",
      "5", "2", "Language:  ", "3", "0", "7", "0", "0", "0",
      Cp850("|CAT,CATALÀ|GLG,GALEGO|OCI,ARANÉS|SPA,CASTELLANO"),
      // The towns: 13 rows of 39 columns.
      "1", "0", "0", "6", "30", "20", "70", "0", "TOWNS_(F4)", "0",
  };
}

// Town n's line: its name first, then more than the window shows.
std::string TownLine(int n) {
  const std::string number = std::to_string(1000 + n).substr(1);
  return "Town " + number + "  district " + std::to_string(n % 41) + ", postcode 08" + number +
         ", " + std::to_string(100 + n * 37 % 900) + " m above the sea";
}

std::string TrimRight(std::string text) {
  const std::size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

void InstallHooks() {
  ScreenHooks hooks;
  hooks.field_done = [](std::int16_t form, std::string& text, std::int16_t field,
                        KeyCode) -> std::int16_t {
    const FieldDefinition& definition = Form(form)->fields[static_cast<std::size_t>(field - 1)];
    if (definition.check_number == kDigitsCheck &&
        text.find_first_not_of("0123456789 ") != std::string::npos) {
      return 1;  // refused: beep, and the field is edited again
    }
    SetFieldValue(form, field, text);
    ShowField(form, field);
    return 0;
  };
  hooks.prepare_browse = [](std::int16_t browse, std::string&, std::string&) {
    if (browse == kTownList) AppendBrowseListRows();
    return std::int16_t{0};
  };
  hooks.alternate_chosen = [](std::int16_t& browse, std::int16_t& form, std::int16_t& field) {
    if (browse != kTownList || form == 0) return;
    // The town's name is the start of its line.
    SetFieldValue(form, field, BrowseSelectedText().substr(0, 8));
    ShowField(form, field);
  };
  InstallScreenHooks(hooks);
}

void PaintScreen() {
  SetColour("n");
  ClearScreen();
  SetColour("r");
  MoveCursor(1, 1);
  std::string title = "  Entry demo: customer card";
  title.resize(static_cast<std::size_t>(ScreenColumns()), ' ');
  WriteText(title);
  MoveCursor(ScreenRows(), 1);
  std::string keys = "  F1 help  F4 list  Tab/Enter next  PgUp/PgDn page  Esc leave";
  keys.resize(static_cast<std::size_t>(ScreenColumns()) - 1, ' ');
  WriteText(keys);
  SetColour("n");
}

// Runs the two pages until the card is accepted or left; PgDn and PgUp at the edge fields
// turn to the other page.
KeyCode RunCard() {
  KeyCode key = kKeyNone;
  for (;;) {
    RunForm(kFirstPage, -1, -1, key);
    if (key == kKeyPgDn) {
      SetResumeForm(kSecondPage);
    } else if (key == kKeyPgUp) {
      SetResumeForm(kFirstPage);
    } else {
      return key;
    }
  }
}

void PrintValue(const char* name, int form, int field) {
  const std::string value = TrimRight(Form(form)->fields[static_cast<std::size_t>(field - 1)].value);
  std::printf("%s=[%s]\n", name, ToSystemText(value).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string help_root = argc > 1 ? argv[1] : "";

  ResetSessionEnvironment();
  SessionEnvironment& session = SessionToFill();
  session.ColourTable = ParseColourTable("15010700000701070007");
  session.MenuName = "DEMO";
  const std::string temp_dir = platform::SystemTempDirectory() + "kelcon-entry-" +
                               std::to_string(platform::ProcessId()) + "\\";
  platform::MakeDirectory(temp_dir);
  session.TempDir = temp_dir;
  if (!help_root.empty()) platform::ChangeDirectory(help_root);

  const std::vector<std::string> texts = Definitions();
  const std::vector<std::string_view> list(texts.begin(), texts.end());
  LoadScreenDefinitions(list, nullptr);
  for (int n = 0; n < kTownCount; ++n) BrowseList(n) = TownLine(n + 1);
  SetFieldValue(kSecondPage, 1, "C-000123");
  SetFieldValue(kSecondPage, kLanguageField, "CAT");
  InstallHooks();

  platform::Console().SetCursorVisible(false);
  PaintScreen();
  const KeyCode key = RunCard();

  platform::RemoveFile(WindowStackPath());
  platform::RemoveEmptyDirectory(temp_dir);
  platform::RestoreConsole();
  std::printf("key=%s\n", KeyName(key).c_str());
  PrintValue("name", kFirstPage, 1);
  PrintValue("notes", kFirstPage, 2);
  PrintValue("pin", kFirstPage, 3);
  PrintValue("customer", kSecondPage, 1);
  PrintValue("city", kSecondPage, kCityField);
  PrintValue("language", kSecondPage, kLanguageField);
  return 0;
}
