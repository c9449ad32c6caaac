#include "mft_dump_dlg.h"

#include <commctrl.h>
#include <shlobj.h>

#include <array>

#include "app/mft_dump.h"
#include "app/open_volume.h"
#include "app/recover_selection.h"
#include "parser/file_system_parser.h"
#include "platform/errors.h"
#include "resource.h"
#include "window_text.h"

namespace tv::gui {
namespace {

constexpr const char* kReadyText = "Select NTFS drive and press button to start dump process..";
// A status text of 1,000 characters is plenty for several dumps; older
// lines go first.
constexpr std::size_t kStatusLimit = 1000;

bool IsNtfsVolume(const std::string& volume) {
  std::unique_ptr<CDiskDrive> drive = OpenVolumeArgument(volume);
  if (!drive) return false;
  std::array<std::uint8_t, kBootSectorSize> boot{};
  std::uint32_t read = 0;
  return drive->ReadAt(0, boot.data(), 1, &read) == kReadOk && read == 1 && DetectFileSystem(boot) == kFsNtfs;
}

}  // namespace

CMFTDumpDlg::CMFTDumpDlg(HWND owner) : CDialog(IDD_MFT_DUMP, owner) {}

bool CMFTDumpDlg::OnInitDialog() {
  HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
  ::SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  ::SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  AppendStatus(kReadyText, true);
  FillVolumeList();
  return true;
}

void CMFTDumpDlg::FillVolumeList() {
  wchar_t roots[128] = {};
  const DWORD length = ::GetLogicalDriveStringsW(127, roots);
  if (length == 0 || length > 127) {
    ShowBox(Handle(), "Error Getting Logical DriveStrings!", "", MB_OK | MB_ICONHAND);
    return;
  }
  HWND list = Item(IDC_DUMP_VOLUMES);
  for (const wchar_t* root = roots; *root != L'\0'; root += wcslen(root) + 1) {
    // Opened for reading only: the dump never writes to the volume.
    if (IsNtfsVolume(std::string(1, static_cast<char>(root[0])) + ":")) {
      ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(root));
    }
  }
  ::SendMessageW(list, CB_SETCURSEL, 0, 0);
}

bool CMFTDumpDlg::OnCommand(int id, int /*code*/, HWND /*control*/) {
  switch (id) {
    case IDC_DUMP_START:
    case IDOK:
      Dump();
      return true;
    case IDCANCEL:
      EndDialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}

void CMFTDumpDlg::AppendStatus(const std::string& text, bool replace) {
  m_status = replace ? text : m_status + "\r\n" + text;
  ShowStatus();
}

void CMFTDumpDlg::AppendToLastLine(const std::string& text) {
  m_status += text;
  ShowStatus();
}

void CMFTDumpDlg::ShowStatus() {
  if (m_status.size() > kStatusLimit) {
    const std::size_t cut = m_status.find("\r\n", m_status.size() - kStatusLimit);
    m_status = cut == std::string::npos ? m_status.substr(m_status.size() - kStatusLimit) : m_status.substr(cut + 2);
  }
  SetWindowTextOf(Item(IDC_DUMP_STATUS), m_status);
  const auto end = static_cast<WPARAM>(::GetWindowTextLengthW(Item(IDC_DUMP_STATUS)));
  ::SendMessageW(Item(IDC_DUMP_STATUS), EM_SETSEL, end, static_cast<LPARAM>(end));
  ::SendMessageW(Item(IDC_DUMP_STATUS), EM_SCROLLCARET, 0, 0);
}

std::string CMFTDumpDlg::OutputFolder(char letter) {
  const std::string folder = "C:\\";
  if (!DestinationOnScannedVolume(folder, std::string(1, letter) + ":")) return folder;
  BROWSEINFOW browse{};
  browse.hwndOwner = Handle();
  const std::wstring title = L"The dump files cannot go to the drive being dumped. Choose a folder on another drive:";
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&browse);
  if (chosen == nullptr) return {};
  wchar_t path[MAX_PATH] = {};
  const bool got = ::SHGetPathFromIDListW(chosen, path) != FALSE;
  ::CoTaskMemFree(chosen);
  return got ? Utf8(path) : std::string();
}

void CMFTDumpDlg::Dump() {
  const std::string chosen = WindowTextOf(Item(IDC_DUMP_VOLUMES));
  const char letter = chosen.empty() ? '\0' : chosen[0];
  AppendStatus("\r\n  MFT Dump runned on drive: " + std::string(1, letter));
  if (letter == '\0') {
    AppendStatus("  >> No NTFS drive is selected.");
    return;
  }
  std::unique_ptr<CDiskDrive> drive = OpenVolumeArgument(std::string(1, letter) + ":");
  if (!drive) {
    AppendStatus("  >> Drive " + std::string(1, letter) + ": cannot be opened: " +
                 platform::ErrorText(platform::GetLastError()));
    return;
  }
  const std::string folder = OutputFolder(letter);
  if (folder.empty()) {
    AppendStatus("  >> No folder was chosen for the dump files.");
    return;
  }
  if (DestinationOnScannedVolume(folder, std::string(1, letter) + ":")) {
    AppendStatus("  >> " + folder + " is on the drive being dumped; choose a folder on another drive.");
    return;
  }
  HWND progress = Item(IDC_DUMP_PROGRESS);
  ::SendMessageW(progress, PBM_SETRANGE32, 0, kMftDumpPasses);
  ::SendMessageW(progress, PBM_SETPOS, 0, 0);
  ::EnableWindow(Item(IDC_DUMP_START), FALSE);
  ::EnableWindow(Item(IDC_DUMP_VOLUMES), FALSE);
  ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);

  bool accomplished = false;
  MftDumpReport report;
  report.status = [&](const std::string& line) {
    if (line == "  >> Ok.") {
      AppendToLastLine(line);
    } else if (line == "Dump process successfully acomplished.") {
      accomplished = true;
      AppendToLastLine("______________________________________" + line + "\r\n " + kReadyText);
    } else {
      AppendStatus(line);
    }
    ::UpdateWindow(Item(IDC_DUMP_STATUS));
  };
  report.progress = [&](int pass) {
    ::SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(pass), 0);
    ::UpdateWindow(progress);
  };
  const bool dumped = DumpMft(*drive, folder, report);
  const std::uint32_t error = platform::GetLastError();
  if (!dumped || !accomplished) {
    AppendStatus("  >> The dump failed: " + platform::ErrorText(error) + "\r\n " + kReadyText);
  }
  ::EnableWindow(Item(IDC_DUMP_START), TRUE);
  ::EnableWindow(Item(IDC_DUMP_VOLUMES), TRUE);
  ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace tv::gui
