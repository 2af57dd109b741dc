#include "headless/password_source.h"

#include <sys/stat.h>

#include <cstdlib>
#include <ostream>

#include "headless/local_file.h"

namespace lumari::headless {
namespace {

core::Result<std::string> password_of_file(const std::string& path, std::ostream& warnings) {
  const auto bytes = read_local_file(path);
  if (!bytes)
    return core::fail("cannot read the password file " + path + ": " + bytes.error().message);
  std::string password = bytes->substr(0, bytes->find('\n'));
  if (!password.empty() && password.back() == '\r') password.pop_back();
  if (password.empty()) {
    return core::fail("the first line of the password file " + path + " is empty");
  }
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0 && (status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
    warnings << "lumari-headless: warning: other users may read the password file " << path
             << " (chmod 600 it)" << std::endl;
  }
  return password;
}

}  // namespace

core::Result<std::string> read_password(const Options& options, std::ostream& warnings) {
  if (options.password_file && options.password_env) {
    return core::fail("give the password by --password-file or by --password-env, not both");
  }
  if (options.password_file) return password_of_file(*options.password_file, warnings);
  if (!options.password_env) return std::string();
  const char* value = std::getenv(options.password_env->c_str());
  if (value == nullptr) {
    return core::fail("environment variable " + *options.password_env + " is not set");
  }
  return std::string(value);
}

}  // namespace lumari::headless
