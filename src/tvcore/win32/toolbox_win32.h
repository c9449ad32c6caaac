// The Windows side of the toolbox exports: the menu built into the main
// window's menu bar and the commands it sends.
#pragma once

#include "tvcore/settings_store.h"

namespace tv::tvcore::win32 {

// Appends the toolbox subfolder to `folder`, reads the toolbox there and
// inserts its "&Toolbox" popup at position 1 of `mainMenu` (an HMENU). 0 when
// inserted, -1 when there is no toolbox or it could not be inserted (the menu
// is then unchanged).
int InsertToolboxMenu(void* mainMenu, char* folder);

// Runs a toolbox command of the last menu built: 1 when handled, 0 for a
// command the menu does not have.
int OnToolboxCommand(int command, const SettingsStore& store);

}  // namespace tv::tvcore::win32
