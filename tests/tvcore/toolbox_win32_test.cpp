// The toolbox exports of the built tvcore.dll, called as the main window
// calls them: loaded by name from this program's folder, on real menus and
// with the real "Product Not Installed" dialog. The products and the web
// page are copies of toolbox_marker.exe, which notes in its folder's
// "started.txt" that the shell started it.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"
#include "tvcore/tvcore_api.h"
#include "tvcore/win32/product_not_installed_ids.h"

namespace {

using namespace std::chrono_literals;
using tv::testing::TempFolder;

std::filesystem::path ProgramFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(std::wstring(path, length)).parent_path();
}

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Toolbox files as the installers write them: UTF-16 with a byte-order mark,
// which the system's profile functions read on every version.
void WriteToolboxFile(const std::filesystem::path& file, const std::wstring& text) {
  std::ofstream out(file, std::ios::binary);
  const std::u16string units = u"\uFEFF" + std::u16string(text.begin(), text.end());
  out.write(reinterpret_cast<const char*>(units.data()), static_cast<std::streamsize>(units.size() * 2));
  ASSERT_TRUE(out.good()) << file;
}

void SetAge(const std::filesystem::path& file, std::chrono::hours age) {
  std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() - age);
}

// Polls `done` for up to `limit`.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

std::vector<std::string> StartedIn(const std::filesystem::path& folder) {
  std::ifstream in(folder / "started.txt", std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A menu as lines: "2001 Name", "2001 Name [x]", "-", "Group >" and its
// items indented below it.
void Describe(HMENU menu, const std::wstring& indent, std::vector<std::wstring>* out) {
  const int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
    const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    if ((state & MF_SEPARATOR) != 0) {
      out->push_back(indent + L"-");
    } else if (HMENU submenu = ::GetSubMenu(menu, i)) {
      out->push_back(indent + text + L" >");
      Describe(submenu, indent + L"  ", out);
    } else {
      out->push_back(indent + std::to_wstring(::GetMenuItemID(menu, i)) + L" " + text +
                     ((state & MF_CHECKED) != 0 ? L" [x]" : L""));
    }
  }
}

std::vector<std::wstring> Describe(HMENU menu) {
  std::vector<std::wstring> lines;
  Describe(menu, L"", &lines);
  return lines;
}

// The main window's menu bar before the toolbox joins it.
HMENU MenuBar() {
  const HMENU bar = ::CreateMenu();
  ::AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(::CreatePopupMenu()), L"&File");
  ::AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(::CreatePopupMenu()), L"&Help");
  return bar;
}

class ToolboxExports : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The settings store is the INI file named after the product beside the
    // program, chosen when the product announces itself.
    settings_ = ProgramFolder() / "vtl.ini";
    std::ofstream(settings_, std::ios::binary) << "[Toolbox]\r\nPrompt=0\r\n";
    library_ = ::LoadLibraryW((ProgramFolder() / "tvcore.dll").c_str());
    ASSERT_NE(library_, nullptr);
    const auto initialize = Find<tv::tvcore::api::InitializeFn>("Initialize");
    insert_ = Find<tv::tvcore::api::InsertToolboxMenuFn>("InsertToolboxMenu");
    command_ = Find<tv::tvcore::api::OnToolboxProductsFn>("OnToolboxProducts");
    ASSERT_NE(initialize, nullptr);
    ASSERT_NE(insert_, nullptr);
    ASSERT_NE(command_, nullptr);
    initialize(268);
  }

  template <typename Function>
  static Function Find(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library_, name)));
  }

  void SetUp() override {
    ASSERT_NE(insert_, nullptr);
    SetPrompt(L"0");
    toolbox_ = root_.Path() / "Talvenor";
    programs_ = root_.Path() / "programs";
    std::filesystem::create_directories(toolbox_);
    std::filesystem::create_directories(programs_);
  }

  static void SetPrompt(const wchar_t* value) {
    ::WritePrivateProfileStringW(L"Toolbox", L"Prompt", value, settings_.c_str());
  }
  static std::wstring Prompt() {
    wchar_t value[32] = {};
    ::GetPrivateProfileStringW(L"Toolbox", L"Prompt", L"", value, 32, settings_.c_str());
    return value;
  }

  // The newer file defines four products: two installed (the marker in
  // "programs" by this file, Old Keeper by the older one) and two not.
  void WriteToolbox() {
    const std::wstring home = (root_.Path() / "home.exe").wstring();
    WriteToolboxFile(toolbox_ / "tnewer.ini",
                     L"[Product]\r\nProductName=Marker Tool\r\nProgramDir=" + programs_.wstring() +
                         L"\r\n"
                         L"[Toolbox Groups]\r\nG1=Web\r\nG2=Tools\r\n"
                         L"[Toolbox Sequence]\r\nS1=2\r\nS2=1\r\n"
                         L"[Marker Tool]\r\nHomeURL=http://marker.example/\r\nHandle=marker\r\n"
                         L"Desc=Notes that it ran\r\nGroupNum=1\r\n"
                         L"[Web Only]\r\nHomeURL=" + home + L"\r\nHandle=web\r\n"
                         L"Desc=Finds lost mail & more\r\nGroupNum=2\r\n"
                         L"[Z\u00fcrich Mail]\r\nHomeURL=http://mail.example/\r\nHandle=mail\r\nGroupNum=1\r\n"
                         L"[Old Keeper]\r\nHomeURL=http://old.example/\r\nHandle=keeper\r\nDesc=Keeps\r\nGroupNum=2\r\n");
    WriteToolboxFile(toolbox_ / "tolder.ini",
                     L"[Product]\r\nProductName=Old Keeper\r\nProgramDir=C:\\Keeper\r\n"
                     L"[Toolbox Groups]\r\nG1=Archive\r\n"
                     L"[Toolbox Sequence]\r\nS1=1\r\n"
                     L"[Old Keeper]\r\nHomeURL=http://old.example/\r\nHandle=keeper\r\nDesc=Keeps\r\nGroupNum=1\r\n");
    SetAge(toolbox_ / "tolder.ini", std::chrono::hours(48));
    SetAge(toolbox_ / "tnewer.ini", std::chrono::hours(1));
  }

  // InsertToolboxMenu into a fresh menu bar; the bar is left in `bar_`.
  int Insert() {
    char folder[MAX_PATH + 16] = {};
    const std::string root = Utf8(root_.Path());
    std::memcpy(folder, root.c_str(), root.size() + 1);
    bar_ = MenuBar();
    const int result = insert_(bar_, folder);
    if (result == 0) {
      EXPECT_EQ(std::string(folder), root + "\\Talvenor");
    }
    return result;
  }

  void TearDown() override {
    if (bar_ != nullptr) ::DestroyMenu(bar_);
  }

  static inline HMODULE library_ = nullptr;
  static inline tv::tvcore::api::InsertToolboxMenuFn insert_ = nullptr;
  static inline tv::tvcore::api::OnToolboxProductsFn command_ = nullptr;
  static inline std::filesystem::path settings_;

  TempFolder root_;
  std::filesystem::path toolbox_;
  std::filesystem::path programs_;
  HMENU bar_ = nullptr;
};

TEST_F(ToolboxExports, NewestFileDefinesTheMenuAtPositionOne) {
  WriteToolbox();
  ASSERT_EQ(Insert(), 0);
  ASSERT_EQ(::GetMenuItemCount(bar_), 3);
  wchar_t title[64] = {};
  ::GetMenuStringW(bar_, 1, title, 64, MF_BYPOSITION);
  EXPECT_STREQ(title, L"&Toolbox");
  const std::vector<std::wstring> expected = {
      L"2000 Marker Tool",
      L"2001 Old Keeper",  // installed by the older file
      L"-",
      L"Tools >",
      L"  2000 Marker Tool [x]",
      L"  2003 Z\u00fcrich Mail",
      L"Web >",
      L"  2001 Old Keeper [x]",
      L"  2002 Web Only",
      L"-",
      L"32800 &Toolbox Reference...",
  };

  EXPECT_EQ(Describe(::GetSubMenu(bar_, 1)), expected);

  // Made newer, the other file defines it.
  ::DestroyMenu(bar_);
  SetAge(toolbox_ / "tnewer.ini", std::chrono::hours(72));
  ASSERT_EQ(Insert(), 0);
  const std::vector<std::wstring> older = {
      L"2000 Old Keeper", L"-", L"Archive >", L"  2000 Old Keeper [x]", L"-", L"32800 &Toolbox Reference...",
  };
  EXPECT_EQ(Describe(::GetSubMenu(bar_, 1)), older);
}

TEST_F(ToolboxExports, NoToolboxOrNoRoomLeavesTheMenuAlone) {
  EXPECT_EQ(Insert(), -1);
  EXPECT_EQ(::GetMenuItemCount(bar_), 2);
  EXPECT_EQ(command_(2000), 0);

  // A folder that leaves no room for "\Talvenor" in a path buffer is refused
  // before anything is written.
  char folder[MAX_PATH + 16];
  std::memset(folder, 'a', sizeof folder);
  folder[MAX_PATH - 9] = '\0';
  const std::string before(folder, sizeof folder);
  const HMENU bar = MenuBar();
  EXPECT_EQ(insert_(bar, folder), -1);
  EXPECT_EQ(std::string(folder, sizeof folder), before);
  EXPECT_EQ(::GetMenuItemCount(bar), 2);
  ::DestroyMenu(bar);

  // No menu: nothing happens, though there is a toolbox.
  WriteToolbox();
  char root[MAX_PATH + 16] = {};
  const std::string rootText = Utf8(root_.Path());
  std::memcpy(root, rootText.c_str(), rootText.size() + 1);
  EXPECT_EQ(insert_(nullptr, root), -1);
  EXPECT_EQ(std::string(root), rootText);
  EXPECT_EQ(command_(2000), 0);
}

// The command runs on a helper thread, where the dialog has a modal loop of
// its own; this thread finds the dialog and answers it.
class ProductDialog {
 public:
  ProductDialog(tv::tvcore::api::OnToolboxProductsFn command, int id)
      : result_(std::async(std::launch::async, command, id)) {}

  // A dialog left open by a failed check is cancelled, so that the helper
  // thread ends.
  ~ProductDialog() {
    while (result_.valid() && result_.wait_for(100ms) != std::future_status::ready) {
      if (const HWND dialog = Open()) ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
  }

  // The dialog once it is ready for input: the window exists from the start
  // of its creation, its controls and texts only when it shows.
  static HWND Open() {
    const HWND dialog = ::FindWindowW(L"#32770", L"Product Not Installed");
    return dialog != nullptr && ::IsWindowVisible(dialog) != FALSE ? dialog : nullptr;
  }

  HWND Find() {
    HWND found = nullptr;
    WaitFor([&] { return (found = Open()) != nullptr; });
    return found;
  }

  // The command's result once it has ended; -1 when it does not end.
  int Result() { return result_.wait_for(10s) == std::future_status::ready ? result_.get() : -1; }

  static std::wstring Text(HWND dialog, int id) {
    wchar_t text[512] = {};
    ::GetDlgItemTextW(dialog, id, text, 512);
    return text;
  }

 private:
  std::future<int> result_;
};

TEST_F(ToolboxExports, NotInstalledProductAsksBeforeOpeningItsSite) {
  WriteToolbox();
  ASSERT_EQ(Insert(), 0);
  std::filesystem::copy_file(ProgramFolder() / "toolbox_marker.exe", root_.Path() / "home.exe");
  const int webOnly = 2002;

  {
    ProductDialog run(command_, webOnly);
    const HWND dialog = run.Find();
    ASSERT_NE(dialog, nullptr) << "no \"Product Not Installed\" dialog";
    EXPECT_EQ(ProductDialog::Text(dialog, IDC_PRODUCT_DESCRIPTION), L"Finds lost mail & more");
    EXPECT_EQ(ProductDialog::Text(dialog, IDC_PRODUCT_QUESTION),
              L"The product is not installed. Would you like to open Web Only web site to learn more about the "
              L"product and get a free demo?");
    EXPECT_EQ(ProductDialog::Text(dialog, IDC_PRODUCT_NO_PROMPT), L"Don't prompt me again");
    ::SendMessageW(::GetDlgItem(dialog, IDC_PRODUCT_NO_PROMPT), BM_CLICK, 0, 0);
    ::SendMessageW(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(run.Result(), 1);
  }
  EXPECT_EQ(Prompt(), L"0") << "Cancel must not remember the tick";

  {
    ProductDialog run(command_, webOnly);
    const HWND dialog = run.Find();
    ASSERT_NE(dialog, nullptr) << "no \"Product Not Installed\" dialog";
    ::SendMessageW(::GetDlgItem(dialog, IDC_PRODUCT_NO_PROMPT), BM_CLICK, 0, 0);
    ::SendMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(run.Result(), 1);
  }
  EXPECT_NE(Prompt(), L"0");
  EXPECT_NE(Prompt(), L"");
  ASSERT_TRUE(WaitFor([&] { return !StartedIn(root_.Path()).empty(); })) << "the home address was not opened";

  // Asked once not to prompt: the site opens at once.
  {
    ProductDialog run(command_, webOnly);
    EXPECT_EQ(run.Result(), 1);
  }
  ASSERT_TRUE(WaitFor([&] { return StartedIn(root_.Path()).size() >= 2; })) << "the home address was not opened";
  // Only OK and the setting opened it, not the cancelled question.
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(StartedIn(root_.Path()), (std::vector<std::string>{"home", "home"}));
}

TEST_F(ToolboxExports, InstalledProductStartsItsMfcVariantFirst) {
  WriteToolbox();
  ASSERT_EQ(Insert(), 0);
  const std::filesystem::path marker = programs_ / "marker.exe";
  std::filesystem::copy_file(ProgramFolder() / "toolbox_marker.exe", marker);
  const int markerTool = 2000;

  // Held open for writing by another program: not started.
  const HANDLE held = ::CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(command_(markerTool), 1);
  ::CloseHandle(held);

  EXPECT_EQ(command_(markerTool), 1);
  ASSERT_TRUE(WaitFor([&] { return StartedIn(programs_).size() >= 1; })) << "the product was not started";

  std::filesystem::copy_file(marker, programs_ / "marker_mfc.exe");
  EXPECT_EQ(command_(markerTool), 1);
  ASSERT_TRUE(WaitFor([&] { return StartedIn(programs_).size() >= 2; })) << "the _mfc variant was not started";
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(StartedIn(programs_), (std::vector<std::string>{"marker", "marker_mfc"}));

  // Commands outside the toolbox's entries do nothing.
  EXPECT_EQ(command_(2004), 0);
  EXPECT_EQ(command_(2101), 0);
  EXPECT_EQ(command_(1999), 0);
}

}  // namespace
