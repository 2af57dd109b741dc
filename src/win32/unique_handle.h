// Owns one Win32 handle and releases it once; the traits say what "no handle"
// is (NULL or INVALID_HANDLE_VALUE) and how to release it.
#pragma once

#include <utility>

namespace lumari::win32 {

/// Traits shape: `using Handle = ...; static Handle invalid(); static void close(Handle);`
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  /// The handle, still owned by this object.
  [[nodiscard]] Handle get() const { return handle_; }
  [[nodiscard]] explicit operator bool() const { return handle_ != Traits::invalid(); }

  /// Gives the handle up without releasing it.
  [[nodiscard]] Handle release() { return std::exchange(handle_, Traits::invalid()); }

  /// Releases the owned handle (if any) and takes the new one.
  void reset(Handle handle = Traits::invalid()) {
    const Handle old = std::exchange(handle_, handle);
    if (old != Traits::invalid()) Traits::close(old);
  }

 private:
  Handle handle_ = Traits::invalid();
};

}  // namespace lumari::win32
