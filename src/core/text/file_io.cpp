#include "text/file_io.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

namespace lumari::core {
namespace {

namespace fs = std::filesystem;

FileFaultHook& fault_hook() {
  static FileFaultHook hook;
  return hook;
}

FileSync& file_sync() {
  static FileSync sync = nullptr;
  return sync;
}

bool injected_fault(FileOp op, const std::string& path) {
  const auto& hook = fault_hook();
  return hook && hook(op, path);
}

fs::path to_fs_path(const std::string& path) { return fs::path(path); }

std::string describe(const char* what, const std::error_code& ec) {
  return std::string(what) + ": " + ec.message();
}

// RAII for a C stream: the files are opened in binary mode, so bytes pass unchanged.
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

UniqueFile open_file(const std::string& path, const char* mode) {
#ifdef _WIN32
  // The wide form takes the path exactly as the file system library converts it.
  const std::wstring wide = to_fs_path(path).wstring();
  const std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
  return UniqueFile(_wfopen(wide.c_str(), wmode.c_str()));
#else
  return UniqueFile(std::fopen(path.c_str(), mode));
#endif
}

Status write_all(std::FILE* f, std::string_view bytes) {
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    return fail("write failed");
  }
  if (std::fflush(f) != 0) return fail("write failed");
  return ok();
}

}  // namespace

void set_file_fault_hook(FileFaultHook hook) { fault_hook() = std::move(hook); }

void set_file_sync(FileSync sync) { file_sync() = sync; }

Result<std::string> read_file(const std::string& path) {
  if (injected_fault(FileOp::Read, path)) return fail("read refused");
  auto file = open_file(path, "rb");
  if (!file) return fail("cannot open " + path);
  std::string bytes;
  char buffer[1 << 16];
  while (true) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
    bytes.append(buffer, n);
    if (n < sizeof buffer) break;
  }
  if (std::ferror(file.get())) return fail("cannot read " + path);
  return bytes;
}

Status replace_file(const std::string& path, std::string_view bytes) {
  const std::string temp = path + ".tmp";
  {
    if (injected_fault(FileOp::Write, temp)) return fail("write refused");
    auto file = open_file(temp, "wb");
    if (!file) return fail("cannot create " + temp);
    Status written = write_all(file.get(), bytes);
    // Renamed over the old file before its bytes reach the disk, a power cut
    // could leave the order log empty.
    if (written && file_sync() != nullptr && !file_sync()(file.get())) {
      written = fail("cannot flush to disk");
    }
    if (std::fclose(file.release()) != 0 && written) written = fail("write failed");
    if (!written) {
      std::error_code ignored;
      fs::remove(to_fs_path(temp), ignored);
      return fail(written.error().message + " on " + temp);
    }
  }
  // Another program (the trading terminal's expert, a virus scanner) may hold the
  // target open for a moment; give it about a second before giving up.
  constexpr int kBackoffMs[] = {10, 20, 40, 80, 160, 320, 400};
  std::error_code ec;
  for (std::size_t attempt = 0;; ++attempt) {
    ec.clear();
    if (injected_fault(FileOp::Rename, path)) {
      ec = std::make_error_code(std::errc::permission_denied);
    } else {
      fs::rename(to_fs_path(temp), to_fs_path(path), ec);
    }
    if (!ec) return ok();
    if (attempt == std::size(kBackoffMs)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(kBackoffMs[attempt]));
  }
  std::error_code ignored;
  if (!injected_fault(FileOp::Remove, temp)) fs::remove(to_fs_path(temp), ignored);
  return fail(describe("cannot replace file", ec));
}

Status append_file(const std::string& path, std::string_view bytes) {
  if (injected_fault(FileOp::Append, path)) return fail("append refused");
  auto file = open_file(path, "ab");
  if (!file) return fail("cannot open " + path);
  Status written = write_all(file.get(), bytes);
  if (std::fclose(file.release()) != 0 && written) written = fail("write failed");
  return written;
}

bool file_exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(to_fs_path(path), ec);
}

Status ensure_directory(const std::string& path) {
  if (injected_fault(FileOp::CreateDirectory, path)) return fail("cannot create folder");
  std::error_code ec;
  if (fs::is_directory(to_fs_path(path), ec)) return ok();
  fs::create_directories(to_fs_path(path), ec);
  if (ec) return fail(describe("cannot create folder", ec));
  return ok();
}

}  // namespace lumari::core
