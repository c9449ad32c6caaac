#include <cstdint>

#include "platform/library.h"
#include "platform/text.h"
#include "platform/win32/windows_api.h"

namespace tv::platform {

LibraryHandle LoadLibrary(const std::string& path) {
  const WString wide = ToWide(path);
  return reinterpret_cast<LibraryHandle>(::LoadLibraryW(win32::Wide(wide)));
}

void* FindSymbol(LibraryHandle library, const char* name) {
  if (library == nullptr) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const FARPROC symbol = ::GetProcAddress(static_cast<HMODULE>(library), name);
  return reinterpret_cast<void*>(reinterpret_cast<std::intptr_t>(symbol));
}

void FreeLibrary(LibraryHandle library) {
  if (library != nullptr) ::FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace tv::platform
