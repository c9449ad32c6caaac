#include <optional>
#include <vector>

#include "tvcore/toolbox.h"
#include "tvcore/toolbox_menu.h"
#include "tvcore/win32/toolbox_win32.h"
#include "tvcore/win32/windows_text.h"

namespace tv::tvcore::win32 {

namespace {

// Fills a new popup menu; null when the system refuses any item (the popup
// and its submenus are destroyed then).
HMENU BuildPopup(const std::vector<ToolboxMenuItem>& items) {
  const HMENU popup = ::CreatePopupMenu();
  if (popup == nullptr) return nullptr;
  for (const ToolboxMenuItem& item : items) {
    BOOL added = FALSE;
    switch (item.kind) {
      case ToolboxMenuItem::Kind::Separator:
        added = ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        break;
      case ToolboxMenuItem::Kind::Command:
        added = ::AppendMenuW(popup, MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED),
                              static_cast<UINT_PTR>(item.command), ToWindows(item.text).c_str());
        break;
      case ToolboxMenuItem::Kind::Submenu: {
        const HMENU submenu = BuildPopup(item.items);
        if (submenu == nullptr) break;
        added = ::AppendMenuW(popup, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu),
                              ToWindows(item.text).c_str());
        if (added == FALSE) ::DestroyMenu(submenu);
        break;
      }
    }
    if (added == FALSE) {
      ::DestroyMenu(popup);
      return nullptr;
    }
  }
  return popup;
}

}  // namespace

int InsertToolboxMenu(void* mainMenu, char* folder) {
  const HMENU menu = static_cast<HMENU>(mainMenu);
  if (menu == nullptr || ::IsMenu(menu) == FALSE) return -1;
  if (!AppendToolboxFolder(folder, kToolboxFolderBuffer)) return -1;
  std::optional<Toolbox> toolbox = ReadToolbox(folder);
  if (!toolbox.has_value()) {
    KeepToolbox(std::nullopt);
    return -1;
  }
  const HMENU popup = BuildPopup(ToolboxMenuLayout(*toolbox));
  if (popup == nullptr ||
      ::InsertMenuW(menu, 1, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                    ToWindows(kToolboxMenuText).c_str()) == FALSE) {
    if (popup != nullptr) ::DestroyMenu(popup);
    KeepToolbox(std::nullopt);
    return -1;
  }
  KeepToolbox(std::move(toolbox));
  return 0;
}

}  // namespace tv::tvcore::win32
