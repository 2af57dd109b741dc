#include "shell/machine_identity.h"

#include <algorithm>

namespace lumari::core {

std::string FormatAdapterAddress(const std::vector<std::uint8_t>& address) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(17);
  for (std::size_t i = 0; i < 6; ++i) {
    const std::uint8_t byte = i < address.size() ? address[i] : 0;
    text += kHex[byte >> 4];
    text += kHex[byte & 0x0F];
    if (i < 5) text += '-';
  }
  return text;
}

std::string GetMachineIdentity(AdapterSource& adapters, std::string& loginid) {
  const AdapterList list = adapters.list_adapters();
  if (list.count == 0) return {};
  loginid = std::to_string(list.count) + " Adapter(s):\r\n";
  if (!list.read_ok) return {};
  const std::size_t walk = std::min(list.count, list.records.size());
  for (std::size_t i = 0; i < walk; ++i) {
    if (list.records[i].type == kAdapterTypeEthernet) {
      loginid = FormatAdapterAddress(list.records[i].address);
    }
  }
  return loginid;
}

}  // namespace lumari::core
