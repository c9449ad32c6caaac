#include "app/view_filter.h"

#include "platform/text.h"

namespace tv {

std::string NormaliseFileFilter(std::string text) {
  if (text.empty()) return "*";
  if (text.back() != '*' && text.back() != '.') text += '*';
  if (text == "*.*") return "*";
  return text;
}

std::string NormaliseFolderFilter(std::string text) {
  if (text.empty()) return "*";
  if (text.back() != '*') text += '*';
  return text;
}

bool WildcardMatch(std::string_view name, std::string_view pattern) {
  if (pattern == "*") return true;
  const std::string upperName = platform::ToUpperNarrow(name);
  std::string upperPattern = platform::ToUpperNarrow(pattern);
  if (!upperPattern.empty() && upperPattern.back() == '.') {
    if (upperName.find('.') != std::string::npos) return false;
    upperPattern.pop_back();
  }

  constexpr std::size_t kNone = std::string::npos;
  std::size_t n = 0;
  std::size_t p = 0;
  std::size_t restart = kNone;  // pattern position just after the last "*"
  std::size_t resume = 0;       // name position that star's run ends at
  while (n < upperName.size()) {
    if (p < upperPattern.size() && upperPattern[p] == '*') {
      restart = ++p;
      resume = n;
    } else if (p < upperPattern.size() && (upperPattern[p] == '?' || upperPattern[p] == upperName[n])) {
      ++p;
      ++n;
    } else if (restart != kNone) {
      p = restart;
      n = ++resume;
    } else {
      return false;
    }
  }
  // A star that ended the walk still stands in front of what is left.
  const std::size_t left = restart == p ? p - 1 : p;
  return upperPattern.compare(left, kNone, "*") == 0;
}

}  // namespace tv
