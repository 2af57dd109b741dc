// A fresh folder under the system's temporary folder, removed with everything in
// it when the object goes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lumari::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  /// The path of a name inside the folder, as 8-bit text.
  [[nodiscard]] std::string file(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

/// The file's bytes; empty when it cannot be read.
[[nodiscard]] std::string read_bytes(const std::filesystem::path& path);
/// Writes the bytes, creating parent folders.
void write_bytes(const std::filesystem::path& path, std::string_view bytes);
/// Names of the entries of a folder, sorted.
[[nodiscard]] std::string folder_listing(const std::filesystem::path& folder);

}  // namespace lumari::test
