#include "platform/system_info.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/win32_text.h"

#include <iphlpapi.h>

namespace kel::platform {

// The wide call, so that a name with letters outside ASCII reaches the program in its code
// page rather than in the ANSI page.
std::string SystemComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!::GetComputerNameW(name, &length)) return {};
  return win32::FromWide(std::wstring_view(name, length));
}

std::vector<std::string> SystemAdapterAddresses() {
  std::vector<std::string> addresses;
  ULONG size = 16 * sizeof(IP_ADAPTER_INFO);
  std::vector<unsigned char> buffer;
  DWORD result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.assign(size, 0);
    result = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
  }
  if (result != ERROR_SUCCESS) return addresses;
  for (const auto* adapter = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); adapter != nullptr;
       adapter = adapter->Next) {
    const std::size_t length = std::min<std::size_t>(adapter->AddressLength, sizeof adapter->Address);
    std::string address(reinterpret_cast<const char*>(adapter->Address), length);
    if (!address.empty() && std::any_of(address.begin(), address.end(), [](char c) { return c != 0; }))
      addresses.push_back(address);
  }
  return addresses;
}

}  // namespace kel::platform
