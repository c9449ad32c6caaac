#include "tvcore/notice.h"
#include "tvcore/win32/windows_text.h"

namespace tv::tvcore {

void ShowNotice(const Notice& notice) {
  const std::wstring text = win32::ToWindows(notice.text);
  const std::wstring caption = win32::ToWindows(notice.caption);
  const UINT style = MB_OK | (notice.icon == NoticeIcon::Stop ? MB_ICONHAND : 0);
  ::MessageBoxW(nullptr, text.c_str(), notice.caption.empty() ? nullptr : caption.c_str(), style);
}

}  // namespace tv::tvcore
