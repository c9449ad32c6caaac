#include "parser/entry_names.h"

#include "log/log.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace tv {
namespace {

template <typename Char>
bool IsValidNameOf(std::basic_string_view<Char> name) {
  if (name.empty()) return false;
  if (name.size() == 1 && name[0] == Char('.')) return false;
  if (name.size() == 2 && name[0] == Char('.') && name[1] == Char('.')) return false;
  for (const Char c : name) {
    // Compare as unsigned, so that the bytes of multi-byte UTF-8 pass.
    const auto unit = static_cast<std::make_unsigned_t<Char>>(c);
    if (unit < 32) return false;
    switch (unit) {
      case '\\': case '/': case '|': case ':': case '<': case '>': case '?': case '*': case '"':
        return false;
      default:
        break;
    }
  }
  return true;
}

// Creates a trial file at `path`, reopens it and deletes it. A file that is
// there already is never touched: it proves the name usable as it is.
template <typename Path>
bool TrialCreate(const Path& path) {
  platform::OpenMode create;
  create.access = platform::Access::ReadWrite;
  create.disposition = platform::Disposition::CreateNew;
  create.shareRead = true;
  create.shareWrite = true;
  platform::FileHandle file = platform::OpenFile(path, create);
  if (file == platform::kInvalidFile) {
    const std::uint32_t error = platform::GetLastError();
    Log().Error("ERROR WHILE CREATING TEMP FILE");
    return platform::ClassifyError(error) == platform::FileErrorKind::Exists;
  }
  platform::CloseFile(file);

  platform::OpenMode reopen = create;
  reopen.disposition = platform::Disposition::OpenExisting;
  file = platform::OpenFile(path, reopen);
  if (file == platform::kInvalidFile) {
    Log().Error("ERROR WHILE CREATING TEMP FILE");
    platform::DeleteFile(path);
    return false;
  }
  platform::CloseFile(file);
  platform::DeleteFile(path);
  return true;
}

bool EndsWithSeparator(const WString& folder) {
  if (folder.empty()) return false;
  const WChar last = folder.back();
  return last == WChar(platform::kPathSeparator) || last == u'/';
}

}  // namespace

bool IsValidName(std::string_view name) { return IsValidNameOf(name); }
bool IsValidNameW(WStringView name) { return IsValidNameOf(name); }

bool ProbeName(std::string_view name, const std::string& folder) {
  // The Recycle Bin's folder name passes even where it cannot be created.
  if (platform::ToUpperNarrow(name) == "RECYCLED") return true;
  if (!IsValidName(name)) return false;
  return TrialCreate(platform::JoinPath(folder, std::string(name)));
}

bool ProbeNameW(WStringView name, const WString& folder) {
  if (!IsValidNameW(name)) return false;
  WString path = folder;
  if (!path.empty() && !EndsWithSeparator(path)) path += WChar(platform::kPathSeparator);
  path += name;
  return TrialCreate(path);
}

std::optional<std::string> PickEntryName(const FindData& entry, bool syntaxOnly,
                                         const std::string& probeFolder) {
  // A long name that fails is not replaced by the short name.
  const std::string& name = entry.fileName.empty() ? entry.alternateFileName : entry.fileName;
  const bool usable = syntaxOnly ? IsValidName(name) : ProbeName(name, probeFolder);
  if (!usable) return std::nullopt;
  return name;
}

std::optional<WString> PickEntryNameW(const FindData& entry, bool syntaxOnly,
                                      const WString& probeFolder) {
  const WString& name =
      entry.wideFileName.empty() ? entry.wideAlternateFileName : entry.wideFileName;
  const bool usable = syntaxOnly ? IsValidNameW(name) : ProbeNameW(name, probeFolder);
  if (!usable) return std::nullopt;
  return name;
}

}  // namespace tv
