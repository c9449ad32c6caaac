// Checks that an entry's name can be used as a Windows file name before it is
// shown or written, and picks the name of a directory entry to use.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "parser/find_data.h"
#include "platform/types.h"

namespace tv {

// False for an empty name, "." and "..", and for any name holding a character
// below 32 or one of \ / | : < > ? * "; true otherwise.
bool IsValidName(std::string_view name);
bool IsValidNameW(WStringView name);

// IsValidName, and the name must also be creatable as a file in `folder`
// (a trial file is created there, reopened and deleted; an existing file of
// that name is left alone and counts as a pass). "RECYCLED", in any case,
// always passes the narrow form.
bool ProbeName(std::string_view name, const std::string& folder);
bool ProbeNameW(WStringView name, const WString& folder);

// The name to use for an entry: its long name when that is not empty (and
// then only if it passes), else its short name when that passes; nullopt
// when the chosen name fails. With `syntaxOnly` the names are only checked
// by IsValidName; otherwise they are probed in `probeFolder`.
std::optional<std::string> PickEntryName(const FindData& entry, bool syntaxOnly,
                                         const std::string& probeFolder);
std::optional<WString> PickEntryNameW(const FindData& entry, bool syntaxOnly,
                                      const WString& probeFolder);

}  // namespace tv
