#include "startup/screen_hooks.h"

#include "console/browse_rows.h"
#include "console/definitions.h"
#include "console/form.h"
#include "console/form_hooks.h"
#include "startup/session_environment.h"
#include "terminal/translation.h"

namespace kel {
namespace {

constexpr std::size_t kLanguageCodeLength = 3;

}  // namespace

std::int16_t StartupFieldDone(std::int16_t form, std::string& text, std::int16_t field,
                              KeyCode /*key*/) {
  SetFieldValue(form, field, text);
  ShowField(form, field);
  return 0;
}

std::int16_t StartupFormDone(std::int16_t form, KeyCode key) {
  if (key == kKeyEsc || form != kLanguageForm) return 0;
  const FormDefinition* definition = Form(form);
  if (definition == nullptr || definition->fields.empty()) return 0;
  std::string code = definition->fields[0].value.substr(0, kLanguageCodeLength);
  code.resize(kLanguageCodeLength, ' ');
  SessionToFill().LanguageCode = code;
  TranslateBrowseTitles(TranslateText);
  return 0;
}

std::int16_t StartupPrepareBrowse(std::int16_t browse, std::string& /*low*/,
                                  std::string& /*high*/) {
  if (browse == kTerminalList) AppendBrowseListRows();
  return 0;
}

void InstallStartupScreenHooks() {
  ScreenHooks hooks;
  hooks.field_done = StartupFieldDone;
  hooks.form_done = StartupFormDone;
  hooks.prepare_browse = StartupPrepareBrowse;
  hooks.browse_line = [](std::int16_t) { return std::string(); };
  hooks.alternate_chosen = [](std::int16_t&, std::int16_t&, std::int16_t&) {};
  InstallScreenHooks(hooks);
}

}  // namespace kel
