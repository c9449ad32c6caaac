#include "platform/files.h"
#include "platform/folders.h"
#include "platform/library.h"

namespace tv::platform {

namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  std::string joined = folder;
  while (joined.size() > 1 && IsSeparator(joined.back())) joined.pop_back();
  if (!IsSeparator(joined.back())) joined += kPathSeparator;
  std::size_t start = 0;
  while (start < name.size() && IsSeparator(name[start])) ++start;
  joined.append(name, start, std::string::npos);
  return joined;
}

bool CreateDirectoryPath(const std::string& path) {
  // Every level from the top down. A level that cannot be made is passed
  // over (it may exist, or be a drive or server name); the last one decides.
  for (std::size_t i = 1; i < path.size(); ++i) {
    if (IsSeparator(path[i]) && !IsSeparator(path[i - 1])) CreateDirectory(path.substr(0, i));
  }
  return CreateDirectory(path) || IsDirectory(path);
}

std::string ExecutableFolder() {
  const std::string path = ExecutablePath();
  std::size_t end = path.size();
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
  return path.substr(0, end);
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
