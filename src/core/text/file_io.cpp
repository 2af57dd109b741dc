#include "text/file_io.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
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
  // Read in place into a buffer of the file's size (a million-line order log is
  // tens of megabytes), then on in case the file grew meanwhile.
  std::string bytes;
  std::error_code ec;
  const auto size = fs::file_size(to_fs_path(path), ec);
  std::size_t filled = 0;
  bytes.resize(ec ? std::size_t{1} << 16 : static_cast<std::size_t>(size) + 1);
  while (true) {
    filled += std::fread(bytes.data() + filled, 1, bytes.size() - filled, file.get());
    if (filled < bytes.size()) break;
    bytes.resize(bytes.size() * 2);
  }
  if (std::ferror(file.get())) return fail("cannot read " + path);
  bytes.resize(filled);
  return bytes;
}

namespace {

// Compares the text with the bytes of line + CR LF from offset at on.
bool matches_line_end(std::string_view text, std::string_view line, std::size_t at) {
  std::size_t i = 0;
  if (at < line.size()) {
    const std::size_t n = std::min(text.size(), line.size() - at);
    if (std::memcmp(text.data(), line.data() + at, n) != 0) return false;
    i = n;
    at += n;
  }
  for (; i < text.size(); ++i, ++at) {
    if (text[i] != (at == line.size() ? '\r' : '\n')) return false;
  }
  return true;
}

}  // namespace

Result<bool> file_holds_lines(const std::string& path, const std::vector<std::string_view>& lines) {
  if (injected_fault(FileOp::Read, path)) return fail("read refused");
  auto file = open_file(path, "rb");
  if (!file) return fail("cannot open " + path);
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  std::string piece(kPiece, '\0');
  std::size_t line = 0;  // the line the next byte belongs to
  std::size_t at = 0;    // its offset in that line and its CR LF
  bool same = true;
  while (true) {
    const std::size_t got = std::fread(piece.data(), 1, kPiece, file.get());
    for (std::size_t i = 0; same && i < got;) {
      if (line == lines.size()) {
        same = false;  // the file goes on past the last line
        break;
      }
      const std::size_t total = lines[line].size() + 2;
      const std::size_t n = std::min(total - at, got - i);
      same = matches_line_end(std::string_view(piece.data() + i, n), lines[line], at);
      i += n;
      at += n;
      if (at == total) {
        ++line;
        at = 0;
      }
    }
    if (!same || got < kPiece) break;
  }
  if (std::ferror(file.get())) return fail("cannot read " + path);
  return same && line == lines.size() && at == 0;
}

namespace {

template <typename Write>
Status replace_file_with(const std::string& path, Write write) {
  const std::string temp = path + ".tmp";
  {
    if (injected_fault(FileOp::Write, temp)) return fail("write refused");
    auto file = open_file(temp, "wb");
    if (!file) return fail("cannot create " + temp);
    Status written = write(file.get());
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

}  // namespace

Status replace_file(const std::string& path, std::string_view bytes) {
  return replace_file_with(path, [bytes](std::FILE* file) { return write_all(file, bytes); });
}

Status replace_file_lines(const std::string& path, const std::vector<std::string_view>& lines) {
  return replace_file_with(path, [&lines](std::FILE* file) -> Status {
    // Lines go out in pieces of about a megabyte: one library call per line
    // was a good part of writing a million-line order log.
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    std::string piece;
    piece.reserve(kPiece + 2);
    for (const auto line : lines) {
      if (piece.size() + line.size() + 2 > kPiece && !piece.empty()) {
        if (std::fwrite(piece.data(), 1, piece.size(), file) != piece.size()) {
          return fail("write failed");
        }
        piece.clear();
      }
      piece += line;
      piece += "\r\n";
    }
    return write_all(file, piece);
  });
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
