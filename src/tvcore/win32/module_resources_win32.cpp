// Strings and icons come from the resources of the module this code is
// linked into: tvcore.dll itself.
#include <array>

#include "tvcore/strings.h"
#include "tvcore/win32/module_resources.h"
#include "tvcore/win32/resource_ids.h"
#include "tvcore/win32/windows_text.h"

namespace tv::tvcore {

namespace {

// String resources hold at most this many characters.
constexpr int kMaxResourceString = 1024;

constexpr std::array<int, 1> kIcons = {TVCORE_ICON_PRODUCT};

HMODULE ThisModule() { return static_cast<HMODULE>(LibraryModule()); }

class ModuleStrings : public StringSource {
 public:
  std::string Load(int resource) const override {
    wchar_t text[kMaxResourceString + 1] = {};
    const int length = ::LoadStringW(ThisModule(), static_cast<UINT>(resource), text, kMaxResourceString + 1);
    return length > 0 ? win32::FromWindows(std::wstring_view(text, static_cast<std::size_t>(length))) : std::string();
  }
};

}  // namespace

void* LibraryModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LibraryModule), &module);
  return module;
}

const StringSource& LibraryStrings() {
  static const ModuleStrings strings;
  return strings;
}

void* LibraryIcon(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= kIcons.size()) return nullptr;
  return ::LoadIconW(ThisModule(), MAKEINTRESOURCEW(kIcons[static_cast<std::size_t>(index)]));
}

}  // namespace tv::tvcore
