#include "headless/linux_adapter_source.h"

#include <ifaddrs.h>
#include <net/if_arp.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>

namespace lumari::headless {
namespace {

constexpr std::uint32_t kTypeOther = 1;
constexpr std::uint32_t kTypeLoopback = 24;

std::uint32_t adapter_type(unsigned short hardware_type) {
  switch (hardware_type) {
    case ARPHRD_ETHER: return core::kAdapterTypeEthernet;
    case ARPHRD_LOOPBACK: return kTypeLoopback;
    default: return kTypeOther;
  }
}

struct IfaddrsDeleter {
  void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

class LinuxAdapterSource final : public core::AdapterSource {
 public:
  core::AdapterList list_adapters() override {
    core::AdapterList list;
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) return list;
    const std::unique_ptr<ifaddrs, IfaddrsDeleter> interfaces(raw);
    for (const ifaddrs* entry = raw; entry != nullptr; entry = entry->ifa_next) {
      if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_PACKET) continue;
      const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
      core::AdapterRecord record;
      record.type = adapter_type(link->sll_hatype);
      const std::size_t length = std::min<std::size_t>(link->sll_halen, sizeof link->sll_addr);
      record.address.assign(link->sll_addr, link->sll_addr + length);
      list.records.push_back(std::move(record));
    }
    list.count = list.records.size();
    list.read_ok = true;
    return list;
  }
};

}  // namespace

std::unique_ptr<core::AdapterSource> make_linux_adapter_source() {
  return std::make_unique<LinuxAdapterSource>();
}

}  // namespace lumari::headless
