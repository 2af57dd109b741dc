#include "mount_namespace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lumari::test {

namespace {

// The child's exit code when it could not make its namespaces.
constexpr int kUnavailable = 77;

std::string errno_text(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool write_proc_file(const char* path, const std::string& text, std::string& why) {
  const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    why = errno_text(path);
    return false;
  }
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  if (!written) why = errno_text(path);
  ::close(fd);
  return written;
}

// In the child: new namespaces in which this process is root, so that it may mount.
bool enter_namespaces(std::string& why) {
  const uid_t uid = ::getuid();
  const gid_t gid = ::getgid();
  if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
    why = errno_text("unshare(CLONE_NEWUSER | CLONE_NEWNS)");
    return false;
  }
  if (!write_proc_file("/proc/self/setgroups", "deny", why)) return false;
  if (!write_proc_file("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1", why)) return false;
  if (!write_proc_file("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1", why)) return false;
  // Nothing mounted here may reach the machine's own mount table.
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    why = errno_text("making mounts private");
    return false;
  }
  return true;
}

}  // namespace

NamespaceRun run_in_mount_namespace(const std::function<void()>& body) {
  NamespaceRun run;
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
    run.detail = errno_text("pipe");
    return run;
  }
  // Buffered output would otherwise be printed by both processes.
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) {
    run.detail = errno_text("fork");
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    return run;
  }
  if (child == 0) {
    ::close(pipe_fds[0]);
    std::string why;
    if (!enter_namespaces(why)) {
      (void)!::write(pipe_fds[1], why.data(), why.size());
      ::_exit(kUnavailable);
    }
    body();
    std::fflush(nullptr);
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  ::close(pipe_fds[1]);
  std::string why;
  char buffer[512];
  ssize_t n = 0;
  while ((n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0)
    why.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe_fds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == kUnavailable) {
    run.detail = why;
    return run;
  }
  run.available = true;
  if (WIFEXITED(status)) {
    run.passed = WEXITSTATUS(status) == 0;
    run.detail = "the child process ended with code " + std::to_string(WEXITSTATUS(status));
  } else if (WIFSIGNALED(status)) {
    run.detail = "the child process was killed by signal " + std::to_string(WTERMSIG(status));
  }
  return run;
}

bool mount_tmpfs(const std::string& folder, std::size_t bytes, std::string& why) {
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
  if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0) return true;
  why = errno_text("mounting a tmpfs");
  return false;
}

bool bind_read_only(const std::string& folder, std::string& why) {
  if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    why = errno_text("binding the folder");
    return false;
  }
  if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    why = errno_text("remounting read-only");
    return false;
  }
  return true;
}

bool remount_writable(const std::string& folder, std::string& why) {
  if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND, nullptr) == 0) return true;
  why = errno_text("remounting writable");
  return false;
}

bool unmount(const std::string& folder, std::string& why) {
  if (::umount2(folder.c_str(), MNT_DETACH) == 0) return true;
  why = errno_text("unmounting");
  return false;
}

}  // namespace lumari::test
