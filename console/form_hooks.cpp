#include "console/form_hooks.h"

#include <utility>

#include "console/form.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

struct HookState {
  ScreenHooks hooks;
};

HookState& State() {
  static HookState state;
  return state;
}

}  // namespace

void InstallScreenHooks(ScreenHooks hooks) { State().hooks = std::move(hooks); }

const ScreenHooks& InstalledScreenHooks() { return State().hooks; }

std::int16_t CallFieldDone(std::int16_t form, std::string& text, std::int16_t field,
                           KeyCode key) {
  if (State().hooks.field_done) return State().hooks.field_done(form, text, field, key);
  SetFieldValue(form, field, text);
  ShowField(form, field);
  return 0;
}

std::int16_t CallFormDone(std::int16_t form, KeyCode key) {
  return State().hooks.form_done ? State().hooks.form_done(form, key) : std::int16_t{0};
}

void CallAlternateChosen(std::int16_t& browse, std::int16_t& form, std::int16_t& field) {
  if (State().hooks.alternate_chosen) State().hooks.alternate_chosen(browse, form, field);
}

std::int16_t CallPrepareBrowse(std::int16_t browse, std::string& low, std::string& high) {
  return State().hooks.prepare_browse ? State().hooks.prepare_browse(browse, low, high)
                                      : std::int16_t{0};
}

std::string CallBrowseLine(std::int16_t browse) {
  return State().hooks.browse_line ? State().hooks.browse_line(browse) : std::string();
}

void ResetScreenHooks() { State() = HookState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetScreenHooks);
}  // namespace

}  // namespace kel
