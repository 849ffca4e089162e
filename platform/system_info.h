// The PC's identity on the network: its computer name and its adapters' hardware addresses.
//
// The environment variables KEL_COMPUTER_NAME and KEL_ADAPTER_ADDRESS stand in for what the
// system reports, so that a test installation can play any PC: KEL_COMPUTER_NAME is taken as
// the computer name; KEL_ADAPTER_ADDRESS is one address in hexadecimal digits (":" and "-"
// between them allowed), and "none" or anything else that is not an address means a PC
// without adapter. Tests inside the process install a fake identity instead.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::platform {

// The Windows computer name's limit, which every platform keeps.
inline constexpr std::size_t kComputerNameLength = 16;

// The PC's computer name, at most kComputerNameLength characters of program text; empty when
// the system gives none. On POSIX: the host name's first label in capitals.
std::string ComputerName();

// The computer name of a host name (program text): its first label, since a fully qualified
// host name carries its domain and Windows names the PC by the first label, with a-z in
// capitals, at most kComputerNameLength characters.
std::string ComputerNameOfHost(std::string_view host_name);

// The hardware addresses (raw bytes) of the network adapters that have a non-zero one, in the
// system's order.
std::vector<std::string> AdapterAddresses();

// What a test makes the PC report; a member left empty keeps the system's answer.
struct FakeIdentity {
  std::optional<std::string> computer_name;
  std::optional<std::vector<std::string>> adapter_addresses;
};

// Puts a fake identity in place of the system's and of the environment's.
void InstallFakeIdentity(FakeIdentity fake);

// Forgets the fake identity (tests).
void ResetSystemInfo();

// Raw bytes of an address written in hexadecimal digits, with ":" or "-" between pairs
// allowed; empty when the text is no address.
std::string ParseHardwareAddress(const std::string& text);

// The system's own answers, implemented per system.
std::string SystemComputerName();
std::vector<std::string> SystemAdapterAddresses();

}  // namespace kel::platform
