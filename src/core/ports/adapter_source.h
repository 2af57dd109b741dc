// Port: the machine's network adapter list, as the machine identity needs it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumari::core {

/// Adapter type of an Ethernet adapter in the platform's adapter list.
inline constexpr std::uint32_t kAdapterTypeEthernet = 6;

struct AdapterRecord {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> address;  ///< hardware address bytes, as many as the adapter has
};

struct AdapterList {
  std::size_t count = 0;  ///< number of records the size query reported; 0 when there are none
  bool read_ok = false;   ///< false when the list could not be read after its size was known
  std::vector<AdapterRecord> records;  ///< in list order
};

class AdapterSource {
 public:
  virtual ~AdapterSource() = default;

  /// The adapters in list order.
  [[nodiscard]] virtual AdapterList list_adapters() = 0;
};

}  // namespace lumari::core
