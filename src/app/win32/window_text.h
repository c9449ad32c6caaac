// Text between the program (UTF-8) and the wide Win32 API, and the window's
// string-table texts with their drive letter and counts filled in.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

namespace tv::gui {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

// A string of the program's string table; empty when it has none.
std::wstring LoadResourceString(UINT id);

// `pattern` with each "%C" or "%c" replaced by `letter` (as it stands) and
// each "%d" by the next of `numbers`. Plain substitution: the texts never
// reach a printf-style formatter.
std::wstring FillTemplate(const std::wstring& pattern, wchar_t letter, std::initializer_list<long long> numbers = {});

std::string WindowTextOf(HWND window);
void SetWindowTextOf(HWND window, const std::string& text);

// A message box owned by `owner` with UTF-8 texts; an empty caption shows
// the program name.
int ShowBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

}  // namespace tv::gui
