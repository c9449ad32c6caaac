#include <dlfcn.h>

#include "platform/errors.h"
#include "platform/library.h"
#include "platform/types.h"

namespace tv::platform {

LibraryHandle LoadLibrary(const std::string& path) {
  LibraryHandle library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) SetLastError(err::kModNotFound);
  return library;
}

void* FindSymbol(LibraryHandle library, const char* name) {
  if (library == nullptr) {
    SetLastError(err::kInvalidHandle);
    return nullptr;
  }
  void* symbol = dlsym(library, name);
  if (symbol == nullptr) SetLastError(err::kProcNotFound);
  return symbol;
}

void FreeLibrary(LibraryHandle library) {
  if (library != nullptr) dlclose(library);
}

}  // namespace tv::platform
