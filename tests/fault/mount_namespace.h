// Runs a test body in a child process with its own user and mount namespaces,
// where it may mount small or read-only file systems over its temporary
// folders without privileges and without touching the rest of the machine.
#pragma once

#include <functional>
#include <string>
#include <utility>

namespace lumari::test {

struct NamespaceRun {
  bool available = false;  ///< false when the namespaces could not be made
  bool passed = false;     ///< the body ran and no check in it failed
  std::string detail;      ///< why not available, or how the child ended
};

/// Forks; the child enters new user and mount namespaces (mapped to root inside)
/// and runs the body, whose failed checks print as usual. Returns once the child
/// has ended.
[[nodiscard]] NamespaceRun run_in_mount_namespace(const std::function<void()>& body);

/// Mounts a tmpfs of the given size over the folder; false with the reason on failure.
[[nodiscard]] bool mount_tmpfs(const std::string& folder, std::size_t bytes, std::string& why);
/// Makes the folder a read-only (or again writable) view of itself.
[[nodiscard]] bool bind_read_only(const std::string& folder, std::string& why);
[[nodiscard]] bool remount_writable(const std::string& folder, std::string& why);
/// Takes away whatever is mounted over the folder.
[[nodiscard]] bool unmount(const std::string& folder, std::string& why);

/// Unmounts the folder when it goes, so that the temporary folder under it can
/// be removed even when a check stopped the body early.
class MountedOver {
 public:
  explicit MountedOver(std::string folder) : folder_(std::move(folder)) {}
  ~MountedOver() {
    std::string ignored;
    (void)unmount(folder_, ignored);
  }
  MountedOver(const MountedOver&) = delete;
  MountedOver& operator=(const MountedOver&) = delete;

 private:
  std::string folder_;
};

}  // namespace lumari::test
