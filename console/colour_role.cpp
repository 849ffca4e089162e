// Colour roles and the stack of saved roles.
#include <cstdint>
#include <string>
#include <vector>

#include "console/window.h"
#include "platform/console.h"
#include "startup/session_environment.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

struct ColourState {
  std::vector<std::uint8_t> saved_roles;
  int current_role = kRoleH;
};

ColourState& State() {
  static ColourState state;
  return state;
}

// U wins over R and N; R and N add up to roles 2 and 1.
int RoleOfLetters(std::string_view upper) {
  if (upper.find('U') != std::string_view::npos) return kRoleU;
  int role = 0;
  if (upper.find('R') != std::string_view::npos) role += 2;
  if (upper.find('N') != std::string_view::npos) role += 1;
  return role;
}

}  // namespace

std::uint8_t RoleAttribute(int role) {
  if (role < 0 || role > kRoleU) role = kRoleH;
  const auto& colours = Session().ColourTable[static_cast<std::size_t>(role)];
  return static_cast<std::uint8_t>((colours[0] & 15) + 16 * (colours[1] & 15));
}

void SetColour(std::string_view mode) {
  std::string upper;
  for (char c : mode) {
    upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  if (IsAllChar(upper, ' ')) return;
  ColourState& state = State();
  if (upper.find('+') != std::string::npos) {
    state.saved_roles.push_back(static_cast<std::uint8_t>(state.current_role));
  }
  int role;
  if (upper.find('-') != std::string::npos) {
    if (state.saved_roles.empty()) {
      role = kRoleH;
    } else {
      role = state.saved_roles.back();
      state.saved_roles.pop_back();
    }
  } else {
    role = RoleOfLetters(upper);
  }
  platform::Console().SetTextAttribute(RoleAttribute(role));
  state.current_role = role;
}

int CurrentColourRole() { return State().current_role; }

std::size_t ColourStackDepth() { return State().saved_roles.size(); }

void ResetColourState() { State() = ColourState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetColourState);
}  // namespace


}  // namespace kel
