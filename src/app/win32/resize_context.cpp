#include "resize_context.h"

#include <utility>

namespace tv::gui {
namespace {

INT_PTR CALLBACK DesignCopyProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct DesignWalk {
  HWND copy;
  std::vector<std::pair<int, RECT>> places;
};

BOOL CALLBACK NoteDesignPlace(HWND control, LPARAM context) {
  auto& walk = *reinterpret_cast<DesignWalk*>(context);
  RECT place{};
  ::GetWindowRect(control, &place);
  ::MapWindowPoints(nullptr, walk.copy, reinterpret_cast<POINT*>(&place), 2);
  walk.places.emplace_back(::GetDlgCtrlID(control), place);
  return TRUE;
}

}  // namespace

bool ResizeContext::Init(HWND dialog, UINT templateId) {
  m_hDialog = dialog;
  HWND copy = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), dialog, DesignCopyProc, 0);
  if (copy == nullptr) return false;
  RECT client{};
  ::GetClientRect(copy, &client);
  m_designClient = SIZE{client.right - client.left, client.bottom - client.top};
  RECT frame{};
  ::GetWindowRect(copy, &frame);
  m_minimumSize = SIZE{frame.right - frame.left, frame.bottom - frame.top};
  DesignWalk walk{copy, {}};
  ::EnumChildWindows(copy, NoteDesignPlace, reinterpret_cast<LPARAM>(&walk));
  for (const auto& [id, place] : walk.places) m_design.push_back(DesignPlace{id, place});
  ::DestroyWindow(copy);
  return true;
}

void ResizeContext::Add(int controlId, unsigned flags) {
  for (const DesignPlace& design : m_design) {
    if (design.id == controlId) {
      m_controls.push_back(Placement{controlId, flags, design.place});
      return;
    }
  }
}

void ResizeContext::Apply(int clientWidth, int clientHeight) const {
  const int extraWidth = clientWidth > m_designClient.cx ? clientWidth - m_designClient.cx : 0;
  const int extraHeight = clientHeight > m_designClient.cy ? clientHeight - m_designClient.cy : 0;
  HDWP batch = ::BeginDeferWindowPos(static_cast<int>(m_controls.size()));
  for (const Placement& placement : m_controls) {
    HWND control = ::GetDlgItem(m_hDialog, placement.id);
    if (control == nullptr) continue;
    RECT place = placement.design;
    if (placement.flags & kMoveLeft) place.left += extraWidth;
    if (placement.flags & kMoveRight) place.right += extraWidth;
    if (placement.flags & kMoveTop) place.top += extraHeight;
    if (placement.flags & kMoveBottom) place.bottom += extraHeight;
    const UINT how = SWP_NOZORDER | SWP_NOACTIVATE;
    if (batch != nullptr) {
      batch = ::DeferWindowPos(batch, control, nullptr, place.left, place.top, place.right - place.left,
                               place.bottom - place.top, how);
    } else {
      ::SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                     how);
    }
  }
  if (batch != nullptr) ::EndDeferWindowPos(batch);
}

}  // namespace tv::gui
