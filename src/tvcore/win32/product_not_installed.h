// The "Product Not Installed" question of the toolbox: the product's
// description, whether to open its web site, and "Don't prompt me again".
#pragma once

#include "tvcore/toolbox.h"
#include "tvcore/toolbox_menu.h"

namespace tv::tvcore::win32 {

// Shows the question modally, owned by the calling thread's active window.
// A dialog that cannot be shown answers Cancel.
ProductAnswer AskProductNotInstalled(const ToolboxEntry& entry);

}  // namespace tv::tvcore::win32
