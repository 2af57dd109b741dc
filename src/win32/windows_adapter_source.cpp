#include "win32/windows_adapter_source.h"

// <windows.h> first: the IP helper headers rely on its types.
#include <windows.h>
// clang-format off
#include <iphlpapi.h>
// clang-format on

#include <algorithm>
#include <cstddef>
#include <memory>

namespace lumari::win32 {
namespace {

/// Longest hardware address an adapter record holds.
constexpr std::size_t kMaxAddressBytes = 8;

class WindowsAdapterSource final : public core::AdapterSource {
 public:
  core::AdapterList list_adapters() override {
    core::AdapterList list;
    // The size query: one record as buffer and a size of 0, so the call only
    // reports how many bytes the whole list needs. Its result code says no more
    // than the size does.
    IP_ADAPTER_INFO probe{};
    ULONG size = 0;
    const DWORD probed = GetAdaptersInfo(&probe, &size);
    if (size == 0) {
      list.read_ok = probed == ERROR_SUCCESS || probed == ERROR_NO_DATA;
      return list;
    }
    list.count = (size + sizeof(IP_ADAPTER_INFO) / 2) / sizeof(IP_ADAPTER_INFO);

    // operator new aligns for any standard type, so the records inside are
    // properly aligned.
    const auto buffer = std::make_unique<std::byte[]>(size);
    auto* first = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get());
    ULONG filled = size;
    if (GetAdaptersInfo(first, &filled) != ERROR_SUCCESS) return list;
    list.read_ok = true;

    const IP_ADAPTER_INFO* adapter = first;
    for (std::size_t i = 0; i < list.count && adapter != nullptr; ++i) {
      core::AdapterRecord record;
      record.type = adapter->Type;
      const std::size_t length = std::min<std::size_t>(
          {adapter->AddressLength, kMaxAddressBytes, sizeof adapter->Address});
      record.address.assign(adapter->Address, adapter->Address + length);
      list.records.push_back(std::move(record));
      adapter = adapter->Next;
    }
    return list;
  }
};

}  // namespace

std::unique_ptr<core::AdapterSource> make_windows_adapter_source() {
  return std::make_unique<WindowsAdapterSource>();
}

}  // namespace lumari::win32
