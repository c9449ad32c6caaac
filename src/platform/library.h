// Loading shared libraries (tvcore) and looking up their exports.
#pragma once

#include <string>

namespace tv::platform {

using LibraryHandle = void*;

// The file name of a shared library called `base` on this platform
// ("tvcore.dll" / "libtvcore.so").
std::string SharedLibraryFileName(const std::string& base);

LibraryHandle LoadLibrary(const std::string& path);
void* FindSymbol(LibraryHandle library, const char* name);
void FreeLibrary(LibraryHandle library);

}  // namespace tv::platform
