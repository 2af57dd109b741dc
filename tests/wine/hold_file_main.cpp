// hold_file.exe <path> <milliseconds>: plays the MT4 side that keeps an exchange
// file open for a while, sharing reads and writes but not deletion, which is
// what stops a rename over the file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "win32/unique_handle.h"

namespace {

struct FileTraits {
  using Handle = HANDLE;
  static Handle invalid() { return INVALID_HANDLE_VALUE; }
  static void close(Handle handle) { CloseHandle(handle); }
};
using UniqueFile = lumari::win32::UniqueHandle<FileTraits>;

/// The performance counter, which the test reads as well: the release time
/// printed here can be set beside the test's own times.
long long counter_now() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

int hold(const char* path, DWORD milliseconds) {
  UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    std::printf("cannot open %s: error %lu\n", path, static_cast<unsigned long>(error));
    std::fflush(stdout);
    return 1;
  }
  std::printf("holding %s\n", path);
  std::fflush(stdout);
  Sleep(milliseconds);
  const long long released = counter_now();
  file.reset();
  std::printf("released %lld\n", released);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: hold_file <path> <milliseconds>\n");
    return 2;
  }
  char* end = nullptr;
  const unsigned long milliseconds = std::strtoul(argv[2], &end, 10);
  if (end == argv[2] || *end != '\0' || milliseconds > 600'000) {
    std::fprintf(stderr, "hold_file: %s is not a number of milliseconds up to 600000\n", argv[2]);
    return 2;
  }
  return hold(argv[1], static_cast<DWORD>(milliseconds));
}
