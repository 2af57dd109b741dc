#include "win32/single_instance.h"

// clang-format off
#include <sddl.h>
// clang-format on

#include <memory>
#include <string>

#include "win32/control_ids.h"

namespace lumari::win32 {
namespace {

struct LocalMemoryTraits {
  using Handle = char*;
  static Handle invalid() { return nullptr; }
  static void close(Handle handle) { LocalFree(handle); }
};

// The user's SID as text, or the user name when the token cannot be read.
std::string user_key() {
  HANDLE raw_token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw_token) != FALSE) {
    const UniqueKernelHandle token(raw_token);
    DWORD size = 0;
    (void)GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size > 0) {
      const auto buffer = std::make_unique<unsigned char[]>(size);
      if (GetTokenInformation(token.get(), TokenUser, buffer.get(), size, &size) != FALSE) {
        char* sid_text = nullptr;
        const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.get());
        if (ConvertSidToStringSidA(user->User.Sid, &sid_text) != FALSE) {
          const UniqueHandle<LocalMemoryTraits> owned(sid_text);
          return owned.get();
        }
      }
    }
  }
  char name[257] = {};
  DWORD length = sizeof name;
  if (GetUserNameA(name, &length) != FALSE) return name;
  return "user";
}

}  // namespace

InstanceClaim claim_instance() {
  InstanceClaim claim;
  const std::string name = "Local\\LumariTerminal." + user_key();
  claim.mutex.reset(CreateMutexA(nullptr, FALSE, name.c_str()));
  // Read at once: the next call may change it.
  const DWORD error = GetLastError();
  claim.first = !claim.mutex || error != ERROR_ALREADY_EXISTS;
  return claim;
}

void remind_running_instance() {
  const HWND running = FindWindowA(kMainWindowClass, kAppTitle);
  if (running != nullptr) PostMessageA(running, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
}

}  // namespace lumari::win32
