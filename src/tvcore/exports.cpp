// The exported C functions: each one hands its call to the library object of
// the process. No exception crosses the boundary: a call that fails on the
// way answers its failure value.
#include "tvcore/tvcore_api.h"

#include "tvcore/diag_report.h"
#include "tvcore/library.h"
#include "tvcore/zip_writer.h"

#if defined(_WIN32)
#include "tvcore/win32/module_resources.h"
#include "tvcore/win32/toolbox_win32.h"
#endif

namespace {

using tv::tvcore::Library;
using tv::tvcore::ProcessLibrary;

template <typename Result, typename Call>
Result Guarded(Result failure, Call call) {
  try {
    return call(ProcessLibrary());
  } catch (...) {
    return failure;
  }
}

}  // namespace

extern "C" {

int TVCORE_CALL ReadProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                                  int size, int decode) {
  return Guarded(-1, [&](Library& library) {
    return library.ReadProfileString(section, key, defaultValue, buffer, size, decode);
  });
}

int TVCORE_CALL SaveProfileString(const char* section, const char* key, const char* value) {
  return Guarded(-1, [&](Library& library) { return library.SaveProfileString(section, key, value); });
}

unsigned TVCORE_CALL ReadProfileInt(const char* section, const char* key, int defaultValue) {
  return Guarded(static_cast<unsigned>(defaultValue), [&](Library& library) {
    return library.ReadProfileInt(section, key, static_cast<unsigned>(defaultValue));
  });
}

int TVCORE_CALL GetRecentDir(char* buffer) {
  return Guarded(-1, [&](Library& library) { return library.GetRecentDir(buffer); });
}

int TVCORE_CALL SetRecentDir(const char* folder) {
  return Guarded(-1, [&](Library& library) { return library.SetRecentDir(folder); });
}

int TVCORE_CALL Initialize(int code) {
  return Guarded(-1, [&](Library& library) { return library.Initialize(code); });
}

int TVCORE_CALL GetTempFilesFolder(char* buffer, int size) {
  return Guarded(-1, [&](Library& library) { return library.GetTempFilesFolder(buffer, size); });
}

int TVCORE_CALL GetLogFilesFolder(char* buffer) {
  return Guarded(-1, [&](Library& library) { return library.GetLogFilesFolder(buffer); });
}

char* TVCORE_CALL GetFullName(char* buffer) {
  return Guarded(buffer, [&](Library& library) { return library.GetFullName(buffer); });
}

char* TVCORE_CALL GetShortName(char* buffer) {
  return Guarded(buffer, [&](Library& library) { return library.GetShortName(buffer); });
}

void TVCORE_CALL GetRegistryName(char* buffer) {
  Guarded(0, [&](Library& library) {
    library.GetRegistryName(buffer);
    return 0;
  });
}

char* TVCORE_CALL GetSupportEMAIL(char* buffer) {
  return Guarded(buffer, [&](Library& library) { return library.GetSupportEMAIL(buffer); });
}

char* TVCORE_CALL GetSupportURL(char* buffer) {
  return Guarded(buffer, [&](Library& library) { return library.GetSupportURL(buffer); });
}

char* TVCORE_CALL GetHomeURL(char* buffer) {
  return Guarded(buffer, [&](Library& library) { return library.GetHomeURL(buffer); });
}

int TVCORE_CALL GetCurLang() {
  return Guarded(0, [](Library& library) { return library.GetCurLang(); });
}

int TVCORE_CALL GetString(int product, int id, char* buffer, unsigned* length) {
  return Guarded(tv::tvcore::kStringMissing,
                 [&](Library& library) { return library.GetString(product, id, buffer, length); });
}

#if defined(_WIN32)
void* TVCORE_CALL GetIcon(int index) {
  return Guarded(static_cast<void*>(nullptr), [&](Library&) { return tv::tvcore::LibraryIcon(index); });
}

int TVCORE_CALL InsertToolboxMenu(void* mainMenu, char* sharedDataFolder) {
  return Guarded(-1, [&](Library&) { return tv::tvcore::win32::InsertToolboxMenu(mainMenu, sharedDataFolder); });
}

int TVCORE_CALL OnToolboxProducts(int command) {
  return Guarded(0, [&](Library& library) { return tv::tvcore::win32::OnToolboxCommand(command, library.store()); });
}
#endif

int TVCORE_CALL TVdiag(const char* path, int pack, const char* caption, const char* kind, int build) {
  return Guarded(-1, [&](Library& library) {
    return tv::tvcore::RunDiagnostics(library, path, pack, caption, kind, build);
  });
}

int TVCORE_CALL toZIP(const char* source, const char* archive) {
  if (source == nullptr) return tv::tvcore::kZipBadSource;
  if (archive == nullptr) return tv::tvcore::kZipCannotCreate;
  return Guarded(tv::tvcore::kZipFailed, [&](Library&) { return tv::tvcore::PackFile(source, archive); });
}

}  // extern "C"
