#include "platform/files.h"
#include "platform/folders.h"
#include "platform/library.h"

namespace tv::platform {

bool IsPathSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

char DriveLetterOf(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return 0;
  const char c = path[0];
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return c >= 'A' && c <= 'Z' ? c : 0;
}

std::size_t FileNameStart(const std::string& path) {
  std::size_t start = path.size();
  while (start > 0 && !IsPathSeparator(path[start - 1])) --start;
  return start;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  std::string joined = folder;
  while (joined.size() > 1 && IsPathSeparator(joined.back())) joined.pop_back();
  if (!IsPathSeparator(joined.back())) joined += kPathSeparator;
  std::size_t start = 0;
  while (start < name.size() && IsPathSeparator(name[start])) ++start;
  joined.append(name, start, std::string::npos);
  return joined;
}

bool CreateDirectoryPath(const std::string& path) {
  // Every level from the top down. A level that cannot be made is passed
  // over (it may exist, or be a drive or server name); the last one decides.
  for (std::size_t i = 1; i < path.size(); ++i) {
    if (IsPathSeparator(path[i]) && !IsPathSeparator(path[i - 1])) CreateDirectory(path.substr(0, i));
  }
  return CreateDirectory(path) || IsDirectory(path);
}

std::string ExecutableFolder() {
  const std::string path = ExecutablePath();
  return path.substr(0, FileNameStart(path));
}

std::string SharedLibraryFileName(const std::string& base) {
#ifdef _WIN32
  return base + ".dll";
#elif defined(__APPLE__)
  return "lib" + base + ".dylib";
#else
  return "lib" + base + ".so";
#endif
}

}  // namespace tv::platform
