// The block that opens each logging session: the build and the machine.
#include <optional>
#include <string>

#include "log/log.h"
#include "platform/folders.h"

namespace tv {
namespace {

constexpr const char* kRule = "====================================================";

// The system reports the current, system and Windows folders without a
// trailing separator (except a root); the platform layer adds one.
std::optional<std::string> WithoutTrailingSeparator(std::optional<std::string> folder) {
  if (!folder) return folder;
  std::string& path = *folder;
  const bool isRoot = path.size() == 1 || (path.size() == 3 && path[1] == ':');
  if (!isRoot && !path.empty() && path.back() == platform::kPathSeparator) path.pop_back();
  return folder;
}

// A value the system could not give (an empty text or none at all) leaves
// its line out.
void WriteValueLine(TvLog& log, const char* name, const std::optional<std::string>& value) {
  if (value && !value->empty()) log.Printf("%s [%s]", name, value->c_str());
}

}  // namespace

void TvLog::WriteMachineInfo() {
  Write(kRule);
  Write("============== LOGGER MACHINE INFO =================");
  Write(kRule);
  Printf("__DATE__ [%s]", __DATE__);
  Printf("__TIME__ [%s]", __TIME__);
  WriteValueLine(*this, "Logging output for", platform::ExecutablePath());
  WriteValueLine(*this, "GetCurrentDirectory",
                 WithoutTrailingSeparator(platform::CurrentDirectory()));
  WriteValueLine(*this, "GetSystemDirectory",
                 WithoutTrailingSeparator(platform::SystemDirectory()));
  WriteValueLine(*this, "GetWindowsDirectory",
                 WithoutTrailingSeparator(platform::WindowsDirectory()));
  WriteValueLine(*this, "GetTempPath", platform::TempFolder());
  WriteValueLine(*this, "GetComputerName", platform::ComputerName());
  Write(kRule);
}

}  // namespace tv
