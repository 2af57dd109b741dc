#include "win32/file_dialog.h"

// clang-format off
#include <commdlg.h>
#include <cderr.h>
#include <shlobj.h>
// clang-format on

#include <vector>

namespace lumari::win32 {
namespace {

/// Room for a long path in the system code page.
constexpr std::size_t kPathBuffer = 4096;

/// Pairs of a description and a pattern, ended by an empty one.
constexpr char kFilter[] = "MT4 terminal (terminal.exe)\0terminal.exe\0All files (*.*)\0*.*\0";

constexpr const char* kSeparators = "\\/";

/// The folder of the path (with its separator) when it is an existing folder,
/// else the 32-bit program files folder, where terminals are usually installed.
std::string start_folder(const std::string& path) {
  const std::size_t cut = path.find_last_of(kSeparators);
  if (cut != std::string::npos) {
    std::string folder = path.substr(0, cut + 1);
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return folder;
    }
  }
  char program_files[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT,
                                    program_files))
             ? program_files
             : "";
}

std::optional<std::string> run_dialog(HWND owner, const std::string& start_name,
                                      const std::string& folder, bool& bad_name) {
  std::vector<char> path(kPathBuffer, '\0');
  if (start_name.size() < path.size()) start_name.copy(path.data(), start_name.size());

  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  // The current folder stays where it was: a relative exchange folder must not
  // move with the folders the user browses.
  dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (GetOpenFileNameA(&dialog) != FALSE) return std::string(path.data());
  bad_name = CommDlgExtendedError() == FNERR_INVALIDFILENAME;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> choose_file(HWND owner, const std::string& current,
                                       const std::string& shown_path) {
  // Only the name of the current file: a folder in it would take the place of
  // the start folder.
  const std::size_t cut = current.find_last_of(kSeparators);
  const std::string name = cut == std::string::npos ? current : current.substr(cut + 1);
  const std::string folder = start_folder(shown_path);
  bool bad_name = false;
  auto chosen = run_dialog(owner, name, folder, bad_name);
  // A current name that the dialog refuses must not keep it from opening.
  if (!chosen && bad_name && !name.empty()) chosen = run_dialog(owner, {}, folder, bad_name);
  return chosen;
}

}  // namespace lumari::win32
