// The name filters of the folder view: how the typed texts are completed,
// and the wildcard match of a name against one.
#pragma once

#include <string>
#include <string_view>

namespace tv {

// File-name filter: empty becomes "*"; a text ending neither in "*" nor in
// "." gets "*" appended (so "rep" finds every name starting with rep, and
// "*.doc" also finds .docx); "*.*" becomes "*".
std::string NormaliseFileFilter(std::string text);
// Folder-name filter: empty becomes "*"; a text not ending in "*" gets "*".
std::string NormaliseFolderFilter(std::string text);

// "*" matches every name. Otherwise both are compared upper-cased; "?"
// matches one character and "*" any run; a pattern ending in "." matches
// only names without a dot (the dot itself is not matched). The match holds
// only when the name is used up with exactly "*" left of the pattern, so a
// pattern without a final star ("readme.") matches nothing.
bool WildcardMatch(std::string_view name, std::string_view pattern);

}  // namespace tv
