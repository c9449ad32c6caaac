// The resources built into tvcore.dll.
#pragma once

namespace tv::tvcore {

// An icon of the library by its index in the library's icon table (an
// HICON), or null for an index it does not have.
void* LibraryIcon(int index);

}  // namespace tv::tvcore
