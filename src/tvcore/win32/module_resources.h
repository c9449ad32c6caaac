// The resources built into tvcore.dll.
#pragma once

namespace tv::tvcore {

// The module the library's resources live in (an HMODULE): tvcore.dll, or
// the program that links the library's code.
void* LibraryModule();

// An icon of the library by its index in the library's icon table (an
// HICON), or null for an index it does not have.
void* LibraryIcon(int index);

}  // namespace tv::tvcore
