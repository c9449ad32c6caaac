#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/folders.h"
#include "platform/library.h"

namespace tv::platform {
namespace {

TEST(Library, MissingLibraryGivesNullAndAnError) {
  SetLastError(0);
  EXPECT_EQ(LoadLibrary(JoinPath(ExecutableFolder(), SharedLibraryFileName("no_such_library"))), nullptr);
  EXPECT_NE(GetLastError(), 0u);
  EXPECT_EQ(FindSymbol(nullptr, "Initialize"), nullptr);
}

TEST(Library, SystemLibraryExportsAreFound) {
#ifdef _WIN32
  EXPECT_EQ(SharedLibraryFileName("tvcore"), "tvcore.dll");
  const LibraryHandle library = LoadLibrary("kernel32.dll");
  const char* exported = "GetTickCount";
#else
  EXPECT_EQ(SharedLibraryFileName("tvcore"), "libtvcore.so");
  const LibraryHandle library = LoadLibrary("libm.so.6");
  const char* exported = "cos";
#endif
  ASSERT_NE(library, nullptr);
  EXPECT_NE(FindSymbol(library, exported), nullptr);
  EXPECT_EQ(FindSymbol(library, "NoSuchExportAnywhere"), nullptr);
  FreeLibrary(library);
}

}  // namespace
}  // namespace tv::platform
