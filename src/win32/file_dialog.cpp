#include "win32/file_dialog.h"

// clang-format off
#include <commdlg.h>
#include <cderr.h>
// clang-format on

#include <vector>

namespace lumari::win32 {
namespace {

/// Room for a long path in the system code page.
constexpr std::size_t kPathBuffer = 4096;

std::optional<std::string> run_dialog(HWND owner, const std::string& start_name, bool& bad_name) {
  std::vector<char> path(kPathBuffer, '\0');
  if (start_name.size() < path.size()) start_name.copy(path.data(), start_name.size());

  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  // The current folder stays where it was: a relative exchange folder must not
  // move with the folders the user browses.
  dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (GetOpenFileNameA(&dialog) != FALSE) return std::string(path.data());
  bad_name = CommDlgExtendedError() == FNERR_INVALIDFILENAME;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> choose_file(HWND owner, const std::string& current) {
  bool bad_name = false;
  auto chosen = run_dialog(owner, current, bad_name);
  // A current name that the dialog refuses must not keep it from opening.
  if (!chosen && bad_name && !current.empty()) chosen = run_dialog(owner, {}, bad_name);
  return chosen;
}

}  // namespace lumari::win32
