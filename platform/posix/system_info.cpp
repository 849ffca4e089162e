#include <ifaddrs.h>
#include <net/if.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/if_packet.h>
#else
#include <net/if_dl.h>
#endif

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/system_info.h"

namespace kel::platform {
namespace {

bool IsAllZero(const std::string& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
}

// The link-layer address of an interface entry, empty when the entry is of another family.
std::string LinkAddress(const ifaddrs& entry) {
  if (entry.ifa_addr == nullptr) return {};
#if defined(__linux__)
  if (entry.ifa_addr->sa_family != AF_PACKET) return {};
  const auto* link = reinterpret_cast<const sockaddr_ll*>(entry.ifa_addr);
  const std::size_t length = std::min<std::size_t>(link->sll_halen, sizeof link->sll_addr);
  return std::string(reinterpret_cast<const char*>(link->sll_addr), length);
#else
  if (entry.ifa_addr->sa_family != AF_LINK) return {};
  const auto* link = reinterpret_cast<const sockaddr_dl*>(entry.ifa_addr);
  return std::string(reinterpret_cast<const char*>(LLADDR(link)), link->sdl_alen);
#endif
}

}  // namespace

std::string SystemComputerName() {
  char host[HOST_NAME_MAX + 1] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return {};
  return ComputerNameOfHost(FromSystemText(host));
}

std::vector<std::string> SystemAdapterAddresses() {
  std::vector<std::string> addresses;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return addresses;
  // The loopback interface reports an all-zero address, which identifies nothing.
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    std::string address = LinkAddress(*entry);
    if (!address.empty() && !IsAllZero(address)) addresses.push_back(address);
  }
  ::freeifaddrs(list);
  return addresses;
}

}  // namespace kel::platform
