// The settings store and the report read the real registry on Windows.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "tvcore/registry.h"
#include "tvcore/win32/windows_text.h"

namespace tv::tvcore {

namespace {

using win32::FromWindows;
using win32::ToWindows;

// The longest value name the registry allows, with its zero.
constexpr DWORD kMaxValueName = 16384;
// The longest key name the registry allows, with its zero.
constexpr DWORD kMaxKeyName = 256;

// Registry data as the report and the store see it: text up to its first
// zero, a DWORD as its signed decimal number, other data as its bytes.
std::string DataText(DWORD type, const std::vector<BYTE>& data, DWORD size) {
  if (type == REG_DWORD && size >= sizeof(DWORD)) {
    DWORD number = 0;
    std::memcpy(&number, data.data(), sizeof number);
    return std::to_string(static_cast<std::int32_t>(number));
  }
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    std::wstring_view text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    text = text.substr(0, text.find(L'\0'));
    return FromWindows(text);
  }
  return std::string(reinterpret_cast<const char*>(data.data()), size);
}

class Win32Key : public RegistryKey {
 public:
  explicit Win32Key(HKEY key) : key_(key) {}
  ~Win32Key() override { ::RegCloseKey(key_); }
  Win32Key(const Win32Key&) = delete;
  Win32Key& operator=(const Win32Key&) = delete;

  std::uint32_t Query(const std::string& name, RegistryValue* value) override {
    const std::wstring wideName = ToWindows(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG result = ::RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, nullptr, &size);
    std::vector<BYTE> data;
    // The value may grow between the two calls; ask again then.
    for (int attempt = 0; attempt < 4 && (result == ERROR_SUCCESS || result == ERROR_MORE_DATA); ++attempt) {
      data.assign(size + sizeof(wchar_t), 0);
      size = static_cast<DWORD>(data.size());
      result = ::RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, data.data(), &size);
      if (result == ERROR_SUCCESS) break;
    }
    if (result != ERROR_SUCCESS) return static_cast<std::uint32_t>(result);
    *value = RegistryValue{name, type, DataText(type, data, size)};
    return ERROR_SUCCESS;
  }

  std::uint32_t SetString(const std::string& name, const std::string& value) override {
    const std::wstring wideName = ToWindows(name);
    const std::wstring wideValue = ToWindows(value);
    const auto bytes = static_cast<DWORD>((wideValue.size() + 1) * sizeof(wchar_t));
    return static_cast<std::uint32_t>(::RegSetValueExW(key_, wideName.c_str(), 0, REG_SZ,
                                                       reinterpret_cast<const BYTE*>(wideValue.c_str()), bytes));
  }

  std::vector<RegistryValue> Values() override {
    std::vector<RegistryValue> values;
    DWORD count = 0;
    DWORD longestData = 0;
    if (::RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, &longestData,
                           nullptr, nullptr) != ERROR_SUCCESS) {
      return values;
    }
    std::vector<wchar_t> name(kMaxValueName);
    std::vector<BYTE> data(longestData + sizeof(wchar_t));
    for (DWORD index = 0;; ++index) {
      DWORD nameLength = kMaxValueName;
      DWORD size = static_cast<DWORD>(data.size());
      DWORD type = 0;
      const LONG result =
          ::RegEnumValueW(key_, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
      if (result == ERROR_MORE_DATA) {
        // A value that grew since the key was asked: take the next one.
        continue;
      }
      if (result != ERROR_SUCCESS) break;
      values.push_back(RegistryValue{FromWindows(std::wstring_view(name.data(), nameLength)), type,
                                     DataText(type, data, size)});
    }
    return values;
  }

  std::vector<std::string> Subkeys() override {
    std::vector<std::string> names;
    wchar_t name[kMaxKeyName];
    for (DWORD index = 0;; ++index) {
      DWORD length = kMaxKeyName;
      const LONG result = ::RegEnumKeyExW(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (result != ERROR_SUCCESS) break;
      names.push_back(FromWindows(std::wstring_view(name, length)));
    }
    return names;
  }

 private:
  HKEY key_;
};

class Win32Registry : public Registry {
 public:
  std::uint32_t Open(RegistryRoot root, const std::string& path, std::unique_ptr<RegistryKey>* key) override {
    const HKEY base = root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    HKEY opened = nullptr;
    const LONG result =
        ::RegOpenKeyExW(base, ToWindows(path).c_str(), 0, KEY_READ | KEY_SET_VALUE, &opened);
    if (result == ERROR_ACCESS_DENIED) {
      // Keys of the machine are readable but seldom writable by a user.
      const LONG readOnly = ::RegOpenKeyExW(base, ToWindows(path).c_str(), 0, KEY_READ, &opened);
      if (readOnly != ERROR_SUCCESS) return static_cast<std::uint32_t>(readOnly);
    } else if (result != ERROR_SUCCESS) {
      return static_cast<std::uint32_t>(result);
    }
    *key = std::make_unique<Win32Key>(opened);
    return ERROR_SUCCESS;
  }
};

}  // namespace

Registry& SystemRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace tv::tvcore
