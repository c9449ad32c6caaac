// Conversion between UTF-16 and narrow text, which is UTF-8 on every platform
// (on Windows the program runs with the UTF-8 code page, and the platform
// layer converts with it explicitly whatever the code page is).
#pragma once

#include <string>
#include <string_view>

#include "platform/types.h"

namespace tv::platform {

// Invalid input (unpaired surrogates, malformed UTF-8) becomes U+FFFD.
std::string ToNarrow(WStringView wide);
WString ToWide(std::string_view narrow);

// The same for paths that the system hands over and takes back. A POSIX path
// is any string of bytes: each byte that is not part of valid UTF-8 travels
// through UTF-16 as the unpaired surrogate U+DC80..U+DCFF and comes back as
// that byte, so ToNarrowPath(ToWidePath(path)) == path for every path. On
// Windows, where paths are UTF-16 already, these are ToWide and ToNarrow.
WString ToWidePath(std::string_view narrow);
std::string ToNarrowPath(WStringView wide);

// Upper-cases a name the way file-name comparisons need it: locale-independent,
// with the simple case mappings of ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic; other characters stay as they are.
WString ToUpper(WStringView text);
std::string ToUpperNarrow(std::string_view text);

}  // namespace tv::platform
