#include "holder_process.h"

#include <charconv>
#include <string_view>
#include <system_error>
#include <utility>

namespace lumari::test {

long long performance_counter() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double counter_ms(long long from, long long to) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to - from) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string holder_program() {
  char own[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, own, MAX_PATH);
  std::string path(own, length);
  path.erase(path.find_last_of("\\/") + 1);
  return path + "hold_file.exe";
}

std::unique_ptr<HolderProcess> HolderProcess::start(const std::string& file,
                                                    std::chrono::milliseconds hold,
                                                    std::string& error) {
  const std::string program = holder_program();
  if (GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
    error = program + " is missing: build the hold_file target";
    return nullptr;
  }
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) {
    error = "CreatePipe: error " + std::to_string(GetLastError());
    return nullptr;
  }
  win32::UniqueKernelHandle ours(read_end);
  win32::UniqueKernelHandle theirs(write_end);
  // Only the write end goes to the child: with the read end inherited too, the
  // pipe would never report the end of the child's output.
  SetHandleInformation(ours.get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = theirs.get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::string command = "\"" + program + "\" \"" + file + "\" " + std::to_string(hold.count());
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &started)) {
    error = "CreateProcess " + program + ": error " + std::to_string(GetLastError());
    return nullptr;
  }
  win32::UniqueKernelHandle thread(started.hThread);
  theirs.reset();

  std::unique_ptr<HolderProcess> holder(
      new HolderProcess(win32::UniqueKernelHandle(started.hProcess), std::move(ours)));
  // Starting a Wine process takes a moment, more on a busy machine.
  if (!holder->wait_for_text("holding ", std::chrono::seconds(20))) {
    error = "hold_file.exe did not hold " + file + ": " + holder->output();
    return nullptr;
  }
  return holder;
}

HolderProcess::HolderProcess(win32::UniqueKernelHandle process,
                             win32::UniqueKernelHandle output_pipe)
    : process_(std::move(process)), pipe_(std::move(output_pipe)) {
  reader_ = std::thread([this] { read_output(); });
}

HolderProcess::~HolderProcess() {
  if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 10'000);
  }
  // The child's end of the pipe closed with it, so the reader sees the end.
  if (reader_.joinable()) reader_.join();
}

void HolderProcess::read_output() {
  char buffer[256];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(pipe_.get(), buffer, sizeof buffer, &got, nullptr) || got == 0) break;
    std::lock_guard lock(mutex_);
    output_.append(buffer, got);
    changed_.notify_all();
  }
  std::lock_guard lock(mutex_);
  output_ended_ = true;
  changed_.notify_all();
}

bool HolderProcess::wait_for_text(const std::string& text, std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] {
    return output_.find(text) != std::string::npos || output_ended_;
  }) && output_.find(text) != std::string::npos;
}

std::optional<long long> HolderProcess::wait_released(std::chrono::milliseconds limit) {
  if (WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  constexpr std::string_view kReleased = "released ";
  std::unique_lock lock(mutex_);
  // The pipe ends with the process; its last line may still be on the way.
  changed_.wait_for(lock, std::chrono::seconds(5), [&] { return output_ended_; });
  const auto at = output_.find(kReleased);
  if (at == std::string::npos) return std::nullopt;
  long long released = 0;
  const char* first = output_.data() + at + kReleased.size();
  const char* last = output_.data() + output_.size();
  if (std::from_chars(first, last, released).ec != std::errc()) return std::nullopt;
  return released;
}

std::string HolderProcess::output() const {
  std::lock_guard lock(mutex_);
  return output_;
}

}  // namespace lumari::test
