// The exported functions of the shared library tvcore, by undecorated C name
// with the C calling convention. Only narrow strings in buffers the caller
// owns cross this boundary; nothing allocated on one side is freed on the
// other. Programs bind the functions at run time; the pointer types below
// match the exports.
#pragma once

#if defined(_WIN32)
#define TVCORE_CALL __cdecl
#else
#define TVCORE_CALL
#endif

#if defined(TVCORE_BUILDING_LIBRARY)
#if defined(_WIN32)
#define TVCORE_EXPORT __declspec(dllexport)
#else
#define TVCORE_EXPORT __attribute__((visibility("default")))
#endif
#else
#define TVCORE_EXPORT
#endif

extern "C" {

// Settings. Sections may be null: in the registry the value then lives on the
// product's key; in an INI file a null section lists the section names.
// `decode` non-zero turns the stored scrambled form into plain text.
TVCORE_EXPORT int TVCORE_CALL ReadProfileString(const char* section, const char* key, const char* defaultValue,
                                                char* buffer, int size, int decode);
TVCORE_EXPORT int TVCORE_CALL SaveProfileString(const char* section, const char* key, const char* value);
TVCORE_EXPORT unsigned TVCORE_CALL ReadProfileInt(const char* section, const char* key, int defaultValue);
// `buffer` holds at least 255 bytes; null uses a buffer of the library's own.
TVCORE_EXPORT int TVCORE_CALL GetRecentDir(char* buffer);
TVCORE_EXPORT int TVCORE_CALL SetRecentDir(const char* folder);

// Start-up, folders and product information. Buffers hold at least 260 bytes
// unless a size is passed.
TVCORE_EXPORT int TVCORE_CALL Initialize(int code);
TVCORE_EXPORT int TVCORE_CALL GetTempFilesFolder(char* buffer, int size);
TVCORE_EXPORT int TVCORE_CALL GetLogFilesFolder(char* buffer);
TVCORE_EXPORT char* TVCORE_CALL GetFullName(char* buffer);
TVCORE_EXPORT char* TVCORE_CALL GetShortName(char* buffer);
TVCORE_EXPORT void TVCORE_CALL GetRegistryName(char* buffer);
TVCORE_EXPORT char* TVCORE_CALL GetSupportEMAIL(char* buffer);
TVCORE_EXPORT char* TVCORE_CALL GetSupportURL(char* buffer);
TVCORE_EXPORT char* TVCORE_CALL GetHomeURL(char* buffer);
TVCORE_EXPORT int TVCORE_CALL GetCurLang();
TVCORE_EXPORT int TVCORE_CALL GetString(int product, int id, char* buffer, unsigned* length);
#if defined(_WIN32)
// An icon of the library (an HICON), or null for an index it does not have.
TVCORE_EXPORT void* TVCORE_CALL GetIcon(int index);
#endif

// Diagnostics: writes the report archive (the program passes pack 1, no
// caption, kind "GUI" and build 0 for the stored build number).
TVCORE_EXPORT int TVCORE_CALL TVdiag(const char* path, int pack, const char* caption, const char* kind, int build);
TVCORE_EXPORT int TVCORE_CALL toZIP(const char* source, const char* archive);

#if defined(_WIN32)
// The toolbox menu of the maker's products. `mainMenu` is the HMENU of the
// caller's menu bar; "\Talvenor" is appended to `sharedDataFolder`, which is
// taken as a buffer of 260 bytes (MAX_PATH) however large it is. 0 when the
// "&Toolbox" popup was inserted at position 1, -1 when there is no toolbox
// (or the folder would not fit) and the menu is unchanged.
TVCORE_EXPORT int TVCORE_CALL InsertToolboxMenu(void* mainMenu, char* sharedDataFolder);
// Handles a toolbox command (2000 to 2100) of the last menu built: starts the
// product or offers its web site. 1 when handled, 0 for any other command.
TVCORE_EXPORT int TVCORE_CALL OnToolboxProducts(int command);
#endif

}  // extern "C"

namespace tv::tvcore::api {

using InitializeFn = int(TVCORE_CALL*)(int code);
using ReadProfileStringFn = int(TVCORE_CALL*)(const char* section, const char* key, const char* defaultValue,
                                              char* buffer, int size, int decode);
using InsertToolboxMenuFn = int(TVCORE_CALL*)(void* mainMenu, char* sharedDataFolder);
using OnToolboxProductsFn = int(TVCORE_CALL*)(int command);
using TVdiagFn = int(TVCORE_CALL*)(const char* path, int pack, const char* caption, const char* kind, int build);

}  // namespace tv::tvcore::api
