#include "window_text.h"

#include <vector>

#include "platform/text.h"

namespace tv::gui {

std::wstring Wide(const std::string& utf8) {
  const WString wide = platform::ToWide(utf8);
  return std::wstring(wide.begin(), wide.end());
}

std::string Utf8(const std::wstring& wide) {
  const WString text(wide.begin(), wide.end());
  return platform::ToNarrow(text);
}

std::wstring LoadResourceString(UINT id) {
  // With a zero length LoadStringW hands out a pointer to the resource itself.
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return std::wstring(text, static_cast<std::size_t>(length));
}

std::wstring FillTemplate(const std::wstring& pattern, wchar_t letter, std::initializer_list<long long> numbers) {
  std::wstring text;
  auto next = numbers.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == L'%' && i + 1 < pattern.size()) {
      const wchar_t kind = pattern[i + 1];
      if (kind == L'C' || kind == L'c') {
        text += letter;
        ++i;
        continue;
      }
      if (kind == L'd') {
        if (next != numbers.end()) text += std::to_wstring(*next++);
        ++i;
        continue;
      }
    }
    text += pattern[i];
  }
  return text;
}

std::string WindowTextOf(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
  const int got = ::GetWindowTextW(window, buffer.data(), length + 1);
  return Utf8(std::wstring(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0)));
}

void SetWindowTextOf(HWND window, const std::string& text) { ::SetWindowTextW(window, Wide(text).c_str()); }

int ShowBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  return ::MessageBoxW(owner, Wide(text).c_str(), caption.empty() ? L"Vantrel" : Wide(caption).c_str(), type);
}

}  // namespace tv::gui
