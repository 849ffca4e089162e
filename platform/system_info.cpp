#include "platform/environment.h"
#include "platform/system_info.h"

#include <utility>

#include "platform/file_system.h"
#include "platform/hex_text.h"
#include "platform/state_reset.h"

namespace kel::platform {
namespace {

struct SystemInfoState {
  FakeIdentity fake;
};

SystemInfoState& State() {
  static SystemInfoState state;
  return state;
}

}  // namespace

std::string ParseHardwareAddress(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c == ':' || c == '-') continue;
    if (HexDigitValue(c) < 0) return {};
    digits += c;
  }
  if (digits.size() % 2 != 0) return {};
  std::string bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    bytes += static_cast<char>(HexDigitValue(digits[i]) * 16 + HexDigitValue(digits[i + 1]));
  }
  return bytes;
}

std::string ComputerNameOfHost(std::string_view host_name) {
  std::string name(host_name.substr(0, host_name.find('.')));
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name.substr(0, kComputerNameLength);
}

std::string ComputerName() {
  if (State().fake.computer_name) return State().fake.computer_name->substr(0, kComputerNameLength);
  std::string name = EnvironmentValue("KEL_COMPUTER_NAME");
  if (name.empty()) name = SystemComputerName();
  return name.substr(0, kComputerNameLength);
}

std::vector<std::string> AdapterAddresses() {
  if (State().fake.adapter_addresses) return *State().fake.adapter_addresses;
  const std::string stand_in = EnvironmentValue("KEL_ADAPTER_ADDRESS");
  if (stand_in.empty()) return SystemAdapterAddresses();
  std::string bytes = ParseHardwareAddress(stand_in);
  if (bytes.empty()) return {};
  return {bytes};
}

void InstallFakeIdentity(FakeIdentity fake) { State().fake = std::move(fake); }

void ResetSystemInfo() { State() = SystemInfoState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetSystemInfo);
}  // namespace


}  // namespace kel::platform
