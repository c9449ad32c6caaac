// gui_driver: drives the windows of another process for the GUI tests.
//
//   gui_driver [--desktop NAME]
//
// Reads one command a line on standard input and writes one answer a line on
// standard output (flushed each time), so that a test script can steer the
// program under test step by step:
//
//   wait-window TIMEOUT_MS TITLE-PREFIX   hwnd of a visible top-level window, or "timeout"
//   wait-main TIMEOUT_MS                  hwnd of a visible dialog window with a menu bar
//                                         (a dialog program's main window), or "timeout"
//   windows                               every visible top-level window: hwnd pid class title; ...
//   window-pid HWND                       the process id of the window
//   process-count EXE-NAME                how many processes run that executable
//   text HWND ID                          the control's text (ID 0: the window's own)
//   set-text HWND ID TEXT                 WM_SETTEXT (the edit tells its parent: EN_CHANGE)
//   post-command HWND ID                  WM_COMMAND as a menu item sends it
//   click HWND ID                         BM_CLICK posted to the button
//   mouse-down HWND ID                    a left click posted to HWND at the centre of its child ID
//   is-enabled HWND ID / is-visible HWND ID   "1" or "0"
//   list-count HWND ID                    rows of a list view
//   list-row HWND ID ROW                  the row's column texts, tab-separated
//   list-select HWND ID ROW[,ROW...]      selects exactly those rows ("-" none)
//   list-selected HWND ID                 the selected rows, comma-separated ("-" none)
//   list-dblclick HWND ID ROW             selects the row and double-clicks it
//   header-click HWND ID COL              clicks the list's column header
//   tree-select HWND ID TEXT              selects the root item with that text
//   find-box PID TIMEOUT_MS TITLE         hwnd of a visible dialog box (class #32770, no menu
//                                         bar) of process PID (0: any), title starting with TITLE
//   box-text HWND                         the texts of the box's static controls, "\n"-joined
//   press HWND BUTTON_ID                  WM_COMMAND of that button, posted to the box
//   menu-items HWND                       the texts of the menu bar's items, tab-separated
//   menu-text HWND CMD / menu-state HWND CMD   text or state ("enabled"/"grayed", "checked")
//   close HWND                            WM_CLOSE posted
//   quit
//
// HWND is hexadecimal as answered. Text in and out is UTF-8; in answers and in
// TEXT arguments a backslash escapes "\\", "\n", "\r" and "\t". A command
// that fails answers "error " and the reason.
//
// Wine marshals WM_GETTEXT and WM_SETTEXT between processes but passes the
// pointers of list-view, tree-view and header messages unchanged, and keeps
// menus inside their process. So those messages get their structures in
// memory allocated inside the target process, and the menu functions run
// there, on a small thread started in it.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr UINT kSendTimeoutMs = 10000;  // a window that answers nothing in 10 s is stuck
constexpr int kMaxText = 4096;          // characters read back from a control
constexpr int kMaxColumns = 32;
constexpr int kMaxTreeRoots = 64;
constexpr int kMaxMenuItems = 64;
constexpr int kPollMs = 100;

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// ---------------------------------------------------------------------------
// Text

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                      nullptr);
  return narrow;
}

std::string Escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
  }
  return out;
}

// A wide string from a buffer that the target filled, cut at its first NUL
// and never read past its end.
std::wstring FromBuffer(const std::vector<wchar_t>& buffer) {
  std::size_t length = 0;
  while (length < buffer.size() && buffer[length] != L'\0') ++length;
  return std::wstring(buffer.data(), length);
}

// ---------------------------------------------------------------------------
// Arguments

// The words of a command line: the first `count` blank-separated words, then
// the rest of the line (unescaped) as one more word when `rest` is set.
std::vector<std::string> SplitWords(const std::string& line, std::size_t count, bool rest) {
  std::vector<std::string> words;
  std::size_t pos = 0;
  while (words.size() < count && pos <= line.size()) {
    const std::size_t blank = line.find(' ', pos);
    if (blank == std::string::npos) {
      if (pos < line.size()) words.push_back(line.substr(pos));
      pos = line.size() + 1;
      break;
    }
    words.push_back(line.substr(pos, blank - pos));
    pos = blank + 1;
  }
  if (words.size() < count) throw Failure("expected " + std::to_string(count - 1) + " arguments");
  if (rest) words.push_back(pos <= line.size() ? Unescape(line.substr(pos)) : std::string());
  return words;
}

long long Number(const std::string& word, int base = 10) {
  if (word.empty()) throw Failure("missing number");
  std::size_t used = 0;
  long long value = 0;
  try {
    value = std::stoll(word, &used, base);
  } catch (const std::exception&) {
    throw Failure("not a number: " + word);
  }
  if (used != word.size()) throw Failure("not a number: " + word);
  return value;
}

HWND Window(const std::string& word) {
  const HWND hwnd = reinterpret_cast<HWND>(static_cast<std::intptr_t>(Number(word, 16)));
  if (!IsWindow(hwnd)) throw Failure("no window " + word);
  return hwnd;
}

std::string Hex(HWND hwnd) {
  char text[32];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(hwnd)));
  return text;
}

std::vector<int> Rows(const std::string& word) {
  std::vector<int> rows;
  if (word == "-") return rows;
  std::stringstream list(word);
  std::string item;
  while (std::getline(list, item, ',')) rows.push_back(static_cast<int>(Number(item)));
  return rows;
}

// ---------------------------------------------------------------------------
// Windows

struct ChildSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchChildId(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  if (GetDlgCtrlID(child) != search->id) return TRUE;
  search->found = child;
  return FALSE;
}

// The control `id` of `parent`: a direct child first, else any descendant
// (the status bar's own children). Id 0 names the window itself.
HWND Control(HWND parent, int id) {
  if (id == 0) return parent;
  if (const HWND child = GetDlgItem(parent, id)) return child;
  ChildSearch search{id, nullptr};
  EnumChildWindows(parent, MatchChildId, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) throw Failure("no control " + std::to_string(id));
  return search.found;
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
    throw Failure("message " + std::to_string(message) + " got no answer");
  }
  return static_cast<LRESULT>(result);
}

void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!PostMessageW(hwnd, message, wParam, lParam)) throw Failure("PostMessage failed");
}

std::wstring WindowText(HWND hwnd) {
  std::vector<wchar_t> buffer(kMaxText + 1, L'\0');
  Send(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  buffer.back() = L'\0';
  return FromBuffer(buffer);
}

std::wstring ClassName(HWND hwnd) {
  wchar_t name[128] = {};
  GetClassNameW(hwnd, name, 128);
  return name;
}

DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

struct TopLevel {
  HWND hwnd;
  DWORD pid;
  std::wstring className;
  std::wstring title;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param) {
  if (!IsWindowVisible(hwnd)) return TRUE;
  wchar_t title[512] = {};
  // GetWindowTextW does not wait on another process: it answers the title
  // that the system keeps for a top-level window.
  GetWindowTextW(hwnd, title, 512);
  reinterpret_cast<std::vector<TopLevel>*>(param)->push_back({hwnd, ProcessOf(hwnd), ClassName(hwnd), title});
  return TRUE;
}

std::vector<TopLevel> TopLevelWindows() {
  std::vector<TopLevel> windows;
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// Polls the top-level windows until one matches or `timeoutMs` has passed.
template <typename Match>
std::optional<HWND> WaitForWindow(long long timeoutMs, Match match) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    for (const TopLevel& window : TopLevelWindows()) {
      if (match(window)) return window.hwnd;
    }
    if (GetTickCount64() >= end) return std::nullopt;
    Sleep(kPollMs);
  }
}

// ---------------------------------------------------------------------------
// Memory and calls inside the target process

class TargetProcess {
 public:
  explicit TargetProcess(HWND window)
      : handle_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_CREATE_THREAD |
                                PROCESS_QUERY_INFORMATION,
                            FALSE, ProcessOf(window))) {
    if (handle_ == nullptr) throw Failure("cannot open the window's process");
  }
  ~TargetProcess() { CloseHandle(handle_); }
  TargetProcess(const TargetProcess&) = delete;
  TargetProcess& operator=(const TargetProcess&) = delete;

  HANDLE Handle() const { return handle_; }

 private:
  HANDLE handle_;
};

// A block of memory inside the target process, freed with the object.
class RemoteBlock {
 public:
  RemoteBlock(const TargetProcess& process, std::size_t size, DWORD protect = PAGE_READWRITE)
      : process_(process.Handle()),
        size_(size),
        address_(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, protect)) {
    if (address_ == nullptr) throw Failure("cannot allocate memory in the target");
  }
  ~RemoteBlock() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  void* Address(std::size_t offset = 0) const { return static_cast<char*>(address_) + offset; }

  // Leaves the block to the target, for a thread there that may still use it.
  void Abandon() { address_ = nullptr; }

  void Write(std::size_t offset, const void* data, std::size_t size) {
    SIZE_T done = 0;
    if (offset > size_ || size > size_ - offset ||
        !WriteProcessMemory(process_, Address(offset), data, size, &done) || done != size) {
      throw Failure("cannot write the target's memory");
    }
  }

  void Read(std::size_t offset, void* data, std::size_t size) const {
    SIZE_T done = 0;
    if (offset > size_ || size > size_ - offset ||
        !ReadProcessMemory(process_, Address(offset), data, size, &done) || done != size) {
      throw Failure("cannot read the target's memory");
    }
  }

 private:
  HANDLE process_;
  std::size_t size_;
  void* address_;
};

// A structure followed by a text buffer, both inside the target: for the
// messages that take a pointer to an item and the item a pointer to text.
template <typename Item>
class RemoteItem {
 public:
  RemoteItem(const TargetProcess& process, int textChars)
      : chars_(textChars), block_(process, sizeof(Item) + sizeof(wchar_t) * static_cast<std::size_t>(textChars)) {}

  LPARAM Pointer() const { return reinterpret_cast<LPARAM>(block_.Address()); }
  wchar_t* RemoteText() const { return static_cast<wchar_t*>(block_.Address(sizeof(Item))); }
  int TextChars() const { return chars_; }

  void Put(const Item& item) {
    block_.Write(0, &item, sizeof item);
    const wchar_t nul = L'\0';
    block_.Write(sizeof(Item), &nul, sizeof nul);
  }
  Item Get() const {
    Item item{};
    block_.Read(0, &item, sizeof item);
    return item;
  }
  std::wstring Text() const {
    std::vector<wchar_t> buffer(static_cast<std::size_t>(chars_));
    block_.Read(sizeof(Item), buffer.data(), buffer.size() * sizeof(wchar_t));
    return FromBuffer(buffer);
  }

 private:
  int chars_;
  RemoteBlock block_;
};

// Calls a function of user32.dll with up to five arguments on a thread of
// the target process, and answers its result. The function's address there
// is its offset in this process's user32.dll from that module's base there.
class RemoteCaller {
 public:
  explicit RemoteCaller(HWND window) : process_(window), code_(process_, sizeof kStub, PAGE_EXECUTE_READWRITE) {
    code_.Write(0, kStub, sizeof kStub);
    FlushInstructionCache(process_.Handle(), code_.Address(), sizeof kStub);
    remoteUser32_ = RemoteModuleBase(L"user32.dll");
  }

  const TargetProcess& Process() const { return process_; }

  std::uint64_t Call(const char* function, std::uint64_t a1 = 0, std::uint64_t a2 = 0, std::uint64_t a3 = 0,
                     std::uint64_t a4 = 0, std::uint64_t a5 = 0) {
    const HMODULE local = GetModuleHandleW(L"user32.dll");
    const auto address = reinterpret_cast<std::uintptr_t>(GetProcAddress(local, function));
    if (address == 0) throw Failure(std::string("no function ") + function);
    const std::uint64_t block[7] = {address - reinterpret_cast<std::uintptr_t>(local) + remoteUser32_,
                                    a1, a2, a3, a4, a5, 0};
    RemoteBlock arguments(process_, sizeof block);
    arguments.Write(0, block, sizeof block);
    const HANDLE thread = CreateRemoteThread(process_.Handle(), nullptr, 0,
                                             reinterpret_cast<LPTHREAD_START_ROUTINE>(code_.Address()),
                                             arguments.Address(), 0, nullptr);
    if (thread == nullptr) throw Failure("cannot start a thread in the target");
    const DWORD waited = WaitForSingleObject(thread, kSendTimeoutMs);
    CloseHandle(thread);
    if (waited != WAIT_OBJECT_0) {
      // The thread may still run the code and write its result: both stay.
      arguments.Abandon();
      code_.Abandon();
      throw Failure(std::string(function) + " did not return in the target");
    }
    std::uint64_t result = 0;
    arguments.Read(6 * sizeof(std::uint64_t), &result, sizeof result);
    return result;
  }

 private:
  // x86-64: rbx = the argument block {function, a1..a5, result}; call the
  // function with a1..a4 in rcx, rdx, r8, r9 and a5 on the stack above its
  // 32-byte home area; store rax in the block's result.
  static constexpr unsigned char kStub[] = {
      0x53,                          // push rbx
      0x48, 0x83, 0xEC, 0x30,        // sub rsp, 0x30
      0x48, 0x89, 0xCB,              // mov rbx, rcx
      0x48, 0x8B, 0x4B, 0x08,        // mov rcx, [rbx+8]
      0x48, 0x8B, 0x53, 0x10,        // mov rdx, [rbx+16]
      0x4C, 0x8B, 0x43, 0x18,        // mov r8, [rbx+24]
      0x4C, 0x8B, 0x4B, 0x20,        // mov r9, [rbx+32]
      0x48, 0x8B, 0x43, 0x28,        // mov rax, [rbx+40]
      0x48, 0x89, 0x44, 0x24, 0x20,  // mov [rsp+0x20], rax
      0xFF, 0x13,                    // call [rbx]
      0x48, 0x89, 0x43, 0x30,        // mov [rbx+48], rax
      0x48, 0x83, 0xC4, 0x30,        // add rsp, 0x30
      0x5B,                          // pop rbx
      0xC3,                          // ret
  };

  std::uintptr_t RemoteModuleBase(const wchar_t* name) const {
    HMODULE modules[512];
    DWORD needed = 0;
    if (!EnumProcessModules(process_.Handle(), modules, sizeof modules, &needed)) {
      throw Failure("cannot list the target's modules");
    }
    const DWORD count = std::min<DWORD>(needed, sizeof modules) / sizeof(HMODULE);
    for (DWORD i = 0; i < count; ++i) {
      wchar_t base[MAX_PATH] = {};
      if (GetModuleBaseNameW(process_.Handle(), modules[i], base, MAX_PATH) && lstrcmpiW(base, name) == 0) {
        return reinterpret_cast<std::uintptr_t>(modules[i]);
      }
    }
    throw Failure("the target has no user32.dll");
  }

  TargetProcess process_;
  RemoteBlock code_;
  std::uintptr_t remoteUser32_ = 0;
};

// ---------------------------------------------------------------------------
// List view, header and tree view

int ListCount(HWND list) { return static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0)); }

void CheckRow(HWND list, int row) {
  if (row < 0 || row >= ListCount(list)) throw Failure("no row " + std::to_string(row));
}

int ColumnCount(HWND list) {
  const HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0));
  const int count = header ? static_cast<int>(Send(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  if (count < 0 || count > kMaxColumns) throw Failure("unexpected column count " + std::to_string(count));
  return count;
}

std::string ListRow(HWND list, int row) {
  CheckRow(list, row);
  TargetProcess process(list);
  RemoteItem<LVITEMW> item(process, kMaxText);
  std::string line;
  const int columns = ColumnCount(list);
  for (int column = 0; column < columns; ++column) {
    LVITEMW request{};
    request.iSubItem = column;
    request.pszText = item.RemoteText();
    request.cchTextMax = item.TextChars();
    item.Put(request);
    Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), item.Pointer());
    if (column > 0) line += '\t';
    line += Escape(Utf8(item.Text()));
  }
  return line;
}

void SetRowState(HWND list, int row, UINT state, UINT mask) {
  TargetProcess process(list);
  RemoteItem<LVITEMW> item(process, 1);
  LVITEMW request{};
  request.state = state;
  request.stateMask = mask;
  item.Put(request);
  if (!Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), item.Pointer())) throw Failure("LVM_SETITEMSTATE failed");
}

void ListSelect(HWND list, const std::vector<int>& rows) {
  for (const int row : rows) CheckRow(list, row);
  SetRowState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const UINT state = i == 0 ? LVIS_SELECTED | LVIS_FOCUSED : LVIS_SELECTED;
    SetRowState(list, rows[i], state, state);
  }
}

std::string ListSelected(HWND list) {
  std::string rows;
  const int count = ListCount(list);
  int row = -1;
  for (int i = 0; i < count; ++i) {
    row = static_cast<int>(Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
    if (row < 0) break;
    rows += (rows.empty() ? "" : ",") + std::to_string(row);
  }
  return rows.empty() ? "-" : rows;
}

RECT RemoteRect(HWND target, UINT message, WPARAM wParam, LONG left) {
  TargetProcess process(target);
  RemoteItem<RECT> rect(process, 1);
  RECT request{};
  request.left = left;
  rect.Put(request);
  if (!Send(target, message, wParam, rect.Pointer())) throw Failure("no rectangle for item " + std::to_string(wParam));
  return rect.Get();
}

LPARAM Centre(const RECT& rect) {
  return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

// The list tells its parent NM_DBLCLK when it gets the double click itself;
// it is posted at the row's label after the row was made the selection.
void ListDoubleClick(HWND list, int row) {
  ListSelect(list, {row});
  Send(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  const RECT rect = RemoteRect(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), LVIR_LABEL);
  Post(list, WM_LBUTTONDBLCLK, MK_LBUTTON, Centre(rect));
  Post(list, WM_LBUTTONUP, 0, Centre(rect));
}

// The list reports LVN_COLUMNCLICK only when its header saw a click on the
// column: a button press and release at the centre of the header item.
void HeaderClick(HWND list, int column) {
  if (column < 0 || column >= ColumnCount(list)) throw Failure("no column " + std::to_string(column));
  const HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0));
  const RECT rect = RemoteRect(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), 0);
  Post(header, WM_MOUSEMOVE, 0, Centre(rect));
  Post(header, WM_LBUTTONDOWN, MK_LBUTTON, Centre(rect));
  Post(header, WM_LBUTTONUP, 0, Centre(rect));
}

void TreeSelect(HWND tree, const std::wstring& text) {
  TargetProcess process(tree);
  RemoteItem<TVITEMW> item(process, 260);
  auto node = reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  for (int i = 0; node != nullptr && i < kMaxTreeRoots; ++i) {
    TVITEMW request{};
    request.mask = TVIF_TEXT | TVIF_HANDLE;
    request.hItem = node;
    request.pszText = item.RemoteText();
    request.cchTextMax = item.TextChars();
    item.Put(request);
    if (Send(tree, TVM_GETITEMW, 0, item.Pointer()) && item.Text() == text) {
      if (!Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node))) {
        throw Failure("TVM_SELECTITEM failed");
      }
      return;
    }
    node = reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(node)));
  }
  throw Failure("no root item " + Utf8(text));
}

// ---------------------------------------------------------------------------
// Dialog boxes

BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
  if (lstrcmpiW(ClassName(child).c_str(), L"Static") != 0) return TRUE;
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  const LONG kind = style & SS_TYPEMASK;
  if (kind == SS_ICON || kind == SS_BITMAP || kind == SS_ETCHEDHORZ || kind == SS_ETCHEDVERT) return TRUE;
  const std::wstring text = WindowText(child);
  if (text.empty()) return TRUE;
  auto* texts = reinterpret_cast<std::wstring*>(param);
  if (!texts->empty()) *texts += L'\n';
  *texts += text;
  return TRUE;
}

std::string BoxText(HWND box) {
  std::wstring texts;
  EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&texts));
  return Escape(Utf8(texts));
}

void Press(HWND box, int id) {
  const HWND button = GetDlgItem(box, id);
  Post(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// ---------------------------------------------------------------------------
// Menus (read inside the target: see RemoteCaller)

std::wstring RemoteMenuString(RemoteCaller& caller, std::uint64_t menu, UINT item, UINT flags) {
  std::vector<wchar_t> text(260, L'\0');
  RemoteBlock block(caller.Process(), text.size() * sizeof(wchar_t));
  block.Write(0, text.data(), text.size() * sizeof(wchar_t));
  caller.Call("GetMenuStringW", menu, item, reinterpret_cast<std::uint64_t>(block.Address()), text.size(), flags);
  block.Read(0, text.data(), text.size() * sizeof(wchar_t));
  return FromBuffer(text);
}

std::uint64_t RemoteMenu(RemoteCaller& caller, HWND window) {
  const std::uint64_t menu = caller.Call("GetMenu", reinterpret_cast<std::uint64_t>(window));
  if (menu == 0) throw Failure("the window has no menu");
  return menu;
}

std::string MenuItems(HWND window) {
  RemoteCaller caller(window);
  const std::uint64_t menu = RemoteMenu(caller, window);
  const int count = static_cast<int>(caller.Call("GetMenuItemCount", menu));
  if (count < 0 || count > kMaxMenuItems) throw Failure("unexpected menu item count " + std::to_string(count));
  std::string items;
  for (int i = 0; i < count; ++i) {
    if (i > 0) items += '\t';
    items += Escape(Utf8(RemoteMenuString(caller, menu, static_cast<UINT>(i), MF_BYPOSITION)));
  }
  return items;
}

UINT RemoteMenuState(RemoteCaller& caller, std::uint64_t menu, UINT command) {
  const auto state = static_cast<UINT>(caller.Call("GetMenuState", menu, command, MF_BYCOMMAND));
  if (state == static_cast<UINT>(-1)) throw Failure("no menu item " + std::to_string(command));
  return state;
}

std::string MenuText(HWND window, UINT command) {
  RemoteCaller caller(window);
  const std::uint64_t menu = RemoteMenu(caller, window);
  RemoteMenuState(caller, menu, command);
  return Escape(Utf8(RemoteMenuString(caller, menu, command, MF_BYCOMMAND)));
}

std::string MenuState(HWND window, UINT command) {
  RemoteCaller caller(window);
  const UINT state = RemoteMenuState(caller, RemoteMenu(caller, window), command);
  std::string text = (state & (MF_GRAYED | MF_DISABLED)) ? "grayed" : "enabled";
  if (state & MF_CHECKED) text += " checked";
  return text;
}

// ---------------------------------------------------------------------------
// Processes

int ProcessCount(const std::wstring& exeName) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) throw Failure("cannot list the processes");
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (lstrcmpiW(entry.szExeFile, exeName.c_str()) == 0) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// ---------------------------------------------------------------------------
// Commands

std::string ListWindows() {
  std::string out;
  for (const TopLevel& window : TopLevelWindows()) {
    if (!out.empty()) out += "; ";
    out += Hex(window.hwnd) + " " + std::to_string(window.pid) + " " + Utf8(window.className) + " " +
           Utf8(window.title);
  }
  return Escape(out);
}

std::string Answer(const std::string& line) {
  const std::string name = line.substr(0, line.find(' '));
  const auto args = [&](std::size_t count, bool rest = false) { return SplitWords(line, count + 1, rest); };
  const auto control = [&](const std::vector<std::string>& w) {
    return Control(Window(w[1]), static_cast<int>(Number(w[2])));
  };

  if (name == "wait-window") {
    const auto w = args(1, true);
    const std::wstring prefix = Wide(w[2]);
    const auto found = WaitForWindow(Number(w[1]), [&](const TopLevel& t) { return StartsWith(t.title, prefix); });
    return found ? Hex(*found) : "timeout";
  }
  if (name == "wait-main") {
    const auto found = WaitForWindow(Number(args(1)[1]), [](const TopLevel& t) {
      return t.className == L"#32770" && GetMenu(t.hwnd) != nullptr;
    });
    return found ? Hex(*found) : "timeout";
  }
  if (name == "windows") return ListWindows();
  if (name == "window-pid") return std::to_string(ProcessOf(Window(args(1)[1])));
  if (name == "process-count") return std::to_string(ProcessCount(Wide(args(0, true)[1])));
  if (name == "text") return Escape(Utf8(WindowText(control(args(2)))));
  if (name == "set-text") {
    const auto w = args(2, true);
    const std::wstring text = Wide(w[3]);
    Send(control(w), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return "ok";
  }
  if (name == "post-command") {
    const auto w = args(2);
    Post(Window(w[1]), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(Number(w[2])), 0), 0);
    return "ok";
  }
  if (name == "click") {
    Post(control(args(2)), BM_CLICK, 0, 0);
    return "ok";
  }
  if (name == "mouse-down") {
    // A left click on the window at the centre of its child: for windows
    // that take clicks on static controls themselves (links).
    const auto w = args(2);
    const HWND window = Window(w[1]);
    RECT place{};
    GetWindowRect(control(w), &place);
    POINT centre{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    ScreenToClient(window, &centre);
    const LPARAM at = MAKELPARAM(static_cast<WORD>(centre.x), static_cast<WORD>(centre.y));
    Post(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Post(window, WM_LBUTTONUP, 0, at);
    return "ok";
  }
  if (name == "is-enabled") return IsWindowEnabled(control(args(2))) ? "1" : "0";
  if (name == "is-visible") return IsWindowVisible(control(args(2))) ? "1" : "0";
  if (name == "list-count") return std::to_string(ListCount(control(args(2))));
  if (name == "list-row") {
    const auto w = args(3);
    return ListRow(control(w), static_cast<int>(Number(w[3])));
  }
  if (name == "list-select") {
    const auto w = args(3);
    ListSelect(control(w), Rows(w[3]));
    return "ok";
  }
  if (name == "list-selected") return ListSelected(control(args(2)));
  if (name == "list-dblclick") {
    const auto w = args(3);
    ListDoubleClick(control(w), static_cast<int>(Number(w[3])));
    return "ok";
  }
  if (name == "header-click") {
    const auto w = args(3);
    HeaderClick(control(w), static_cast<int>(Number(w[3])));
    return "ok";
  }
  if (name == "tree-select") {
    const auto w = args(2, true);
    TreeSelect(control(w), Wide(w[3]));
    return "ok";
  }
  if (name == "find-box") {
    const auto w = args(2, true);
    const auto pid = static_cast<DWORD>(Number(w[1]));
    const std::wstring title = Wide(w[3]);
    const auto found = WaitForWindow(Number(w[2]), [&](const TopLevel& t) {
      // A dialog window with a menu bar is a program's main window, not a box.
      return t.className == L"#32770" && GetMenu(t.hwnd) == nullptr && (pid == 0 || t.pid == pid) &&
             StartsWith(t.title, title);
    });
    return found ? Hex(*found) : "timeout";
  }
  if (name == "box-text") return BoxText(Window(args(1)[1]));
  if (name == "press") {
    const auto w = args(2);
    Press(Window(w[1]), static_cast<int>(Number(w[2])));
    return "ok";
  }
  if (name == "menu-items") return MenuItems(Window(args(1)[1]));
  if (name == "menu-text" || name == "menu-state") {
    const auto w = args(2);
    const auto command = static_cast<UINT>(Number(w[2]));
    return name == "menu-text" ? MenuText(Window(w[1]), command) : MenuState(Window(w[1]), command);
  }
  if (name == "close") {
    Post(Window(args(1)[1]), WM_CLOSE, 0, 0);
    return "ok";
  }
  throw Failure("unknown command " + name);
}

}  // namespace

// Moves this thread onto the named desktop, where the program under test
// shows its windows: windows are found and enumerated per desktop.
// The desktop may still be starting: it is waited for up to 30 s.
bool JoinDesktop(const wchar_t* name) {
  for (int i = 0; i < 30000 / kPollMs; ++i) {
    if (const HDESK desktop = OpenDesktopW(name, 0, FALSE, GENERIC_ALL)) return SetThreadDesktop(desktop) != FALSE;
    Sleep(kPollMs);
  }
  return false;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--desktop") == 0 && !JoinDesktop(Wide(argv[2]).c_str())) {
    std::printf("error cannot join desktop %s\n", argv[2]);
    return 1;
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line == "quit") {
      std::puts("ok");
      break;
    }
    std::string answer;
    try {
      answer = Answer(line);
    } catch (const std::exception& error) {
      answer = std::string("error ") + error.what();
    }
    std::puts(answer.c_str());
    std::fflush(stdout);
  }
  std::fflush(stdout);
  return 0;
}
