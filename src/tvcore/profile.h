// The profile-file calls that the INI settings store and the toolbox reader
// make. On Windows they are the system's own functions; elsewhere the portable
// implementation below, which follows the same rules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tv::tvcore {

// As GetPrivateProfileString: a null section lists the section names and a
// null key the section's key names, each ended by a zero, with one more zero
// at the end. Answers the count of characters copied without the last zero
// (size - 1 for a cut value, size - 2 for a cut list).
int ProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer, int size,
                     const std::string& path);
// As WritePrivateProfileString: a null key removes the section, a null value
// the key; the file is created when missing. False on failure.
bool ProfileWriteString(const char* section, const char* key, const char* value, const std::string& path);
// As GetPrivateProfileInt: the leading decimal number of the value; the
// default when the key is missing or its value empty; negative values give 0.
unsigned ProfileGetInt(const char* section, const char* key, int defaultValue, const std::string& path);

// The same calls on the portable INI reader and writer, on every platform.
int PortableProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                             int size, const std::string& path);
bool PortableProfileWriteString(const char* section, const char* key, const char* value, const std::string& path);
unsigned PortableProfileGetInt(const char* section, const char* key, int defaultValue, const std::string& path);

// Copy a value (cut to size - 1) or a zero-separated list of names (cut to
// size - 2, ended by two zeros) into a caller's buffer of `size` > 0 bytes, as
// the list and value calls do; both answer the count copied.
int CopyProfileValue(std::string_view value, char* buffer, int size);
int CopyProfileList(const std::vector<std::string>& names, char* buffer, int size);

// Convenience reads on top of ProfileGetString, with buffers that grow.
std::vector<std::string> ProfileSectionNames(const std::string& path);
std::vector<std::string> ProfileKeyNames(const std::string& section, const std::string& path);
std::string ProfileReadString(const std::string& section, const std::string& key, const std::string& defaultValue,
                              const std::string& path);

}  // namespace tv::tvcore
