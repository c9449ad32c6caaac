#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/errors.h"
#include "platform/folders.h"
#include "platform/posix/posix_errors.h"

namespace tv::platform {

namespace {

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != kPathSeparator) folder += kPathSeparator;
  return folder;
}

// An environment variable that names an absolute folder; relative values are
// ignored, as the XDG rules ask.
std::string AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return {};
  return value;
}

std::string HomeFolder() {
  std::string home = AbsoluteFromEnvironment("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return "/";
}

std::string XdgFolder(const char* variable, const char* fallbackUnderHome) {
  std::string folder = AbsoluteFromEnvironment(variable);
  if (folder.empty()) folder = JoinPath(HomeFolder(), fallbackUnderHome);
  return WithSeparator(folder);
}

}  // namespace

std::string AppDataFolder() { return XdgFolder("XDG_DATA_HOME", ".local/share"); }

std::string CommonAppDataFolder() { return "/usr/local/share/"; }

std::string TempFolder() {
  std::string folder = AbsoluteFromEnvironment("TMPDIR");
  if (folder.empty()) folder = "/tmp";
  return WithSeparator(folder);
}

std::string ConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", ".config"); }

std::string UniqueTempFileName(const std::string& folder, const std::string& prefix) {
  std::string pattern = JoinPath(folder, prefix + "XXXXXX");
  const int fd = mkstemp(pattern.data());
  if (fd < 0) {
    posix::SetLastErrorForPath(errno, pattern);
    return {};
  }
  close(fd);
  return pattern;
}

std::string ExecutablePath() {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) {
      posix::SetLastErrorFromErrno(errno);
      return {};
    }
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string CurrentDirectory() {
  std::vector<char> buffer(PATH_MAX);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) {
      posix::SetLastErrorFromErrno(errno);
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
  return WithSeparator(buffer.data());
}

std::string ComputerName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) {
    posix::SetLastErrorFromErrno(errno);
    return {};
  }
  return name;
}

std::optional<std::string> SystemDirectory() { return std::nullopt; }
std::optional<std::string> WindowsDirectory() { return std::nullopt; }

}  // namespace tv::platform
