// Without a system profile API the settings files go through the portable
// INI reader and writer.
#include "tvcore/profile.h"

namespace tv::tvcore {

int ProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer, int size,
                     const std::string& path) {
  return PortableProfileGetString(section, key, defaultValue, buffer, size, path);
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const std::string& path) {
  return PortableProfileWriteString(section, key, value, path);
}

unsigned ProfileGetInt(const char* section, const char* key, int defaultValue, const std::string& path) {
  return PortableProfileGetInt(section, key, defaultValue, path);
}

}  // namespace tv::tvcore
