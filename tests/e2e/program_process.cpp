#include "program_process.h"

#include <string>
#include <vector>

namespace lumari::test {

std::unique_ptr<ProgramProcess> ProgramProcess::start(const std::string& program_file,
                                                      const std::string& current_folder,
                                                      std::string& error,
                                                      const std::string& arguments) {
  std::string command_line = "\"" + program_file + "\"";
  if (!arguments.empty()) command_line += " " + arguments;
  std::vector<char> writable(command_line.begin(), command_line.end());
  writable.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created{};
  if (!CreateProcessA(program_file.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      current_folder.c_str(), &startup, &created)) {
    error = "CreateProcess " + program_file + ": error " + std::to_string(GetLastError());
    return nullptr;
  }
  CloseHandle(created.hThread);
  return std::unique_ptr<ProgramProcess>(
      new ProgramProcess(win32::UniqueKernelHandle(created.hProcess), created.dwProcessId));
}

bool ProgramProcess::running() const {
  return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ProgramProcess::wait_for_exit(Millis limit) const {
  if (WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
  return code;
}

bool ProgramProcess::wait_until_idle(Millis limit) const {
  return WaitForInputIdle(process_.get(), static_cast<DWORD>(limit.count())) == 0;
}

void ProgramProcess::kill() {
  if (!running()) return;
  TerminateProcess(process_.get(), 1);
  WaitForSingleObject(process_.get(), 10'000);
}

}  // namespace lumari::test
