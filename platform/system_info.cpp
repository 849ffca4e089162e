#include "platform/environment.h"
#include "platform/system_info.h"

#include <utility>

#include "platform/file_system.h"

namespace kel::platform {
namespace {

struct SystemInfoState {
  FakeIdentity fake;
};

SystemInfoState& State() {
  static SystemInfoState state;
  return state;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string ParseHardwareAddress(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c == ':' || c == '-') continue;
    if (HexValue(c) < 0) return {};
    digits += c;
  }
  if (digits.size() % 2 != 0) return {};
  std::string bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    bytes += static_cast<char>(HexValue(digits[i]) * 16 + HexValue(digits[i + 1]));
  }
  return bytes;
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

}  // namespace kel::platform
