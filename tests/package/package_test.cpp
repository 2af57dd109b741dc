// The per-user installer as a user meets it: a silent installation, an upgrade
// over a running program that has been used, and a silent removal. Each test is
// one step in the same Wine prefix, run in this order; the login scenario of the
// e2e tests runs on the installed program between the first two.
#include <shlobj.h>

#include <filesystem>
#include <set>

#include "driver_options.h"
#include "e2e_fixture.h"
#include "text/file_io.h"
#include "text/line_file.h"

namespace lumari::test {
namespace {

namespace fs = std::filesystem;

using Package = E2eTest;

constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" LUMARI_PACKAGE_REGISTRY_KEY;
constexpr Millis kSetupWait{60'000};

// Runs a program to its end; its exit code, or nothing when it did not end in time.
std::optional<DWORD> run_to_end(const std::string& file, const std::string& arguments) {
  std::string error;
  const auto process =
      ProgramProcess::start(file, fs::path(file).parent_path().string(), error, arguments);
  if (!process) {
    ADD_FAILURE() << error;
    return std::nullopt;
  }
  return process->wait_for_exit(kSetupWait);
}

std::string shortcut(int folder_id) {
  char folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, folder_id, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
  return join(folder, "Lumari Terminal.lnk");
}

bool uninstall_entry_exists() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

std::string entry_text(const char* name) {
  char value[1024] = {};
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS) {
    return "(missing)";
  }
  return value;
}

DWORD entry_number(const char* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  (void)RegGetValueA(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                     &size);
  return value;
}

// The file version of the program's version record, as "major.minor.patch".
std::string file_version(const std::string& file) {
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), nullptr);
  std::string record(size, '\0');
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoA(file.c_str(), 0, size, record.data()) ||
      !VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length)) {
    return "(none)";
  }
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS));
}

std::set<std::string> file_names(const std::string& folder) {
  std::set<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

TEST_F(Package, SilentInstallPutsTheProgramTheDateFileShortcutsAndTheEntryInPlace) {
  const std::string installer = driver_options().installer;
  ASSERT_FALSE(installer.empty()) << "the driver needs --installer";
  ASSERT_FALSE(file_exists(program_file_)) << "the prefix holds an installation already";
  EXPECT_EQ(run_to_end(installer, "/S"), 0u) << installer << " /S";

  const std::string built = file_bytes(driver_options().program);
  ASSERT_FALSE(built.empty());
  EXPECT_TRUE(file_bytes(program_file_) == built) << "the installed program is the one built";
  EXPECT_EQ(file_names(data_dir_), std::set<std::string>{"datefile.dat"});
  EXPECT_EQ(file_bytes(data_file("datefile.dat")), " 0\r\n");
  EXPECT_TRUE(file_exists(shortcut(CSIDL_PROGRAMS))) << shortcut(CSIDL_PROGRAMS);
  EXPECT_TRUE(file_exists(shortcut(CSIDL_STARTUP))) << shortcut(CSIDL_STARTUP);

  EXPECT_EQ(entry_text("DisplayName"), "Lumari Terminal");
  EXPECT_EQ(entry_text("DisplayVersion"), LUMARI_PACKAGE_VERSION);
  EXPECT_EQ(file_version(program_file_), LUMARI_PACKAGE_VERSION);
  EXPECT_EQ(entry_text("Publisher"), "Zelvane");
  EXPECT_EQ(entry_text("DisplayIcon"), program_file_ + ",0");
  EXPECT_EQ(entry_text("InstallLocation"), program_dir_);
  EXPECT_EQ(entry_text("UninstallString"), "\"" + join(program_dir_, "uninstall.exe") + "\"");
  EXPECT_TRUE(file_exists(join(program_dir_, "uninstall.exe")));
  EXPECT_GE(entry_number("EstimatedSize"), built.size() / 1024) << "in KiB";
}

TEST_F(Package, UpgradeEndsTheRunningProgramAsExitDoesReplacesItAndKeepsTheData) {
  const std::string installer = driver_options().installer;
  ASSERT_FALSE(installer.empty()) << "the driver needs --installer";
  // What the login scenario left: the user's settings, saved login and date.
  const std::string settings = file_bytes(data_file("settings.dat"));
  const std::string saved_login = file_bytes(data_file("chklogin.dat"));
  const std::string date = file_bytes(data_file("datefile.dat"));
  ASSERT_FALSE(settings.empty() || saved_login.empty()) << "the installation was never used";
  ASSERT_NE(date, " 0\r\n") << "the login recorded no date";
  const auto run_log_lines = core::split_lines(file_bytes(data_file("lumari.dat"))).size();
  // An older program: the upgrade must replace it.
  ASSERT_TRUE(core::replace_file(program_file_, file_bytes(program_file_) + "older"));

  ASSERT_NO_FATAL_FAILURE(start_program());
  ASSERT_NO_FATAL_FAILURE(expect_quiet_start());
  EXPECT_EQ(run_to_end(installer, "/S"), 0u) << installer << " /S";
  const auto exit_code = program_->wait_for_exit(Millis{2'000});
  ASSERT_TRUE(exit_code.has_value()) << "the program still ran after the installer had ended";
  EXPECT_EQ(*exit_code, 0u);
  EXPECT_EQ(core::split_lines(file_bytes(data_file("lumari.dat"))).size(), run_log_lines + 1)
      << "the program left by Exit, which writes one run log line";

  EXPECT_TRUE(file_bytes(program_file_) == file_bytes(driver_options().program))
      << "the upgrade replaced the program";
  EXPECT_EQ(file_bytes(data_file("settings.dat")), settings);
  EXPECT_EQ(file_bytes(data_file("chklogin.dat")), saved_login);
  EXPECT_EQ(file_bytes(data_file("datefile.dat")), date);
  EXPECT_TRUE(file_exists(shortcut(CSIDL_STARTUP))) << "the choice made at installation stays";
}

TEST_F(Package, SilentUninstallRemovesProgramShortcutsAndEntryAndKeepsTheData) {
  const std::string settings = file_bytes(data_file("settings.dat"));
  const std::string saved_login = file_bytes(data_file("chklogin.dat"));
  ASSERT_FALSE(settings.empty() || saved_login.empty()) << "the installation was never used";
  const std::string uninstaller = join(program_dir_, "uninstall.exe");
  EXPECT_EQ(run_to_end(uninstaller, "/S"), 0u) << uninstaller << " /S";

  // The uninstaller goes on from a copy of itself after the first one has ended.
  const auto removed = [&] {
    return !file_exists(program_file_) && !file_exists(uninstaller) &&
           !file_exists(shortcut(CSIDL_PROGRAMS)) && !file_exists(shortcut(CSIDL_STARTUP)) &&
           !uninstall_entry_exists();
  };
  (void)wait_until(removed, kSetupWait);
  EXPECT_FALSE(file_exists(program_file_));
  EXPECT_FALSE(file_exists(uninstaller));
  EXPECT_FALSE(file_exists(shortcut(CSIDL_PROGRAMS)));
  EXPECT_FALSE(file_exists(shortcut(CSIDL_STARTUP)));
  EXPECT_FALSE(uninstall_entry_exists());
  EXPECT_EQ(file_bytes(data_file("settings.dat")), settings);
  EXPECT_EQ(file_bytes(data_file("chklogin.dat")), saved_login);
  EXPECT_TRUE(file_exists(data_file("datefile.dat")));
}

}  // namespace
}  // namespace lumari::test
