// The application object: one running copy, the operation log, COM, and the
// main window run modally, with the boxes for what escaped from it.
#pragma once

#include <string>

namespace tv::gui {

inline constexpr const wchar_t* kInstanceMutexName = L"VTL_936DA01F-9ABD-4d9d-80C7-02AF85C822A8";

class CVantrelApp {
 public:
  // False in the normal case, when the program ends with its main window;
  // true at once, without a window, when another copy runs.
  bool InitInstance(const std::wstring& commandTail);
};

// The first word of the command line after the program name: up to its
// first blank, or between quotation marks when it starts with one.
std::wstring FirstCommandWord(const std::wstring& commandTail);
// The command line without the program name.
std::wstring CommandTail(const std::wstring& commandLine);

}  // namespace tv::gui
