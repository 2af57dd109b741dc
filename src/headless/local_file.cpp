#include "headless/local_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace lumari::headless {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

constexpr std::size_t kMaxBytes = std::size_t{1} << 20;

}  // namespace

core::Result<std::string> read_local_file(const std::string& path) {
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return core::fail(std::strerror(errno));
  std::string bytes;
  char buffer[4096];
  while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get())) {
    bytes.append(buffer, n);
    if (bytes.size() > kMaxBytes) return core::fail("larger than 1 MiB");
  }
  if (std::ferror(file.get())) return core::fail(std::strerror(errno));
  return bytes;
}

}  // namespace lumari::headless
