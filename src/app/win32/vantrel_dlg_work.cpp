// The main window's Scan and Undelete commands: the status bar during the
// work, the worker run through the workflow, and what the window shows
// afterwards.
#include "vantrel_dlg.h"

#include <commdlg.h>

#include "app/log_location.h"
#include "app/open_volume.h"
#include "app/recover_selection.h"
#include "app/scan_run.h"
#include "parser/break_flag.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "resource.h"
#include "window_host.h"
#include "window_text.h"

namespace tv::gui {
namespace {

constexpr int kStopWidth = 56;
constexpr int kStopGap = 61;

// The width of `text` in the status bar's font, in pixels.
int TextWidth(HWND statusBar, const std::wstring& text) {
  HDC dc = ::GetDC(statusBar);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(statusBar, WM_GETFONT, 0, 0)));
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(statusBar, dc);
  return size.cx;
}

}  // namespace

void CVantrelDlg::EnableTopMenus(bool enable) {
  HMENU menu = ::GetMenu(Handle());
  if (menu == nullptr) return;
  for (UINT position = 0; position < 3; ++position) {
    ::EnableMenuItem(menu, position, MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
  }
  ::DrawMenuBar(Handle());
}

void CVantrelDlg::BeginWork(const std::wstring& statusText) {
  m_bBusy = true;
  const int firstWidth = TextWidth(m_hStatus, statusText) + kStopWidth;
  int parts[2] = {firstWidth, -1};
  ::SendMessageW(m_hStatus, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  ::SendMessageW(m_hStatus, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(statusText.c_str()));
  ::SendMessageW(m_hStatus, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L""));
  RECT part{};
  ::SendMessageW(m_hStatus, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part));
  ::MapWindowPoints(m_hStatus, Handle(), reinterpret_cast<POINT*>(&part), 2);
  ::SendMessageW(m_hProgress, PBM_SETPOS, 0, 0);
  ::SetWindowPos(m_hProgress, HWND_TOP, part.left, part.top, part.right - part.left - kStopWidth - 8,
                 part.bottom - part.top, SWP_SHOWWINDOW);
  ::SetWindowPos(m_hStop, HWND_TOP, part.right - kStopGap, part.top, kStopWidth, part.bottom - part.top,
                 SWP_SHOWWINDOW);
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

void CVantrelDlg::EndWork() {
  m_bBusy = false;
  ::ShowWindow(m_hProgress, SW_HIDE);
  ::ShowWindow(m_hStop, SW_HIDE);
  int parts[1] = {-1};
  ::SendMessageW(m_hStatus, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  // A close asked for while the worker ran ends the window now.
  if (m_bCloseRequested) EndDialog(0);
}

void CVantrelDlg::AskForLoggingMode() {
  if (::GetKeyState(VK_SHIFT) >= 0) return;
  if (ShowBox(Handle(),
              "Log of operations will be created during the recovery process.\n\nDo you want to proceed in logging "
              "mode?\n\n",
              "Logging Mode", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
    return;
  }
  wchar_t file[MAX_PATH] = L"log_vtn.log";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Handle();
  dialog.lpstrFilter = L"Log Files (*.log)\0*.log\0All Files (*.*)\0*.*\0\0";
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrInitialDir = L"c:\\";
  dialog.lpstrDefExt = L"log";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
  if (!::GetSaveFileNameW(&dialog)) return;
  const std::string path = Utf8(file);
  const std::string failure = StartLogFile(path);
  if (!failure.empty()) {
    ShowBox(Handle(), "The log file " + path + " could not be created: " + failure, "Logging Mode",
            MB_OK | MB_ICONWARNING);
  }
}

void CVantrelDlg::ScanCommand() {
  if (m_bBusy) return;
  AskForLoggingMode();
  DriveSlot* drive = SelectedDrive();
  if (drive == nullptr) return;
  m_pCurrent = drive;
  EmptyList();
  if (drive->record.support == 0) {
    drive->record.support = ProbeDrive(drive->record.volume, OpenVolumeArgument) == 1 ? 1 : -1;
  }
  if (drive->record.support != 1) {
    ShowDriveNotScanned(*drive);
    return;
  }
  EnableScanCommand(false);
  EnableUndelete(false);
  ::EnableWindow(Item(IDC_CLEAR_FILTER), FALSE);
  ::EnableWindow(Item(IDC_BROWSE), FALSE);
  EnableTopMenus(false);
  m_readyOverlay.Hide();
  m_unsupportedOverlay.Hide();

  const auto letter = static_cast<wchar_t>(drive->letter);
  BeginWork(FillTemplate(LoadResourceString(IDS_SCANNING_DRIVE), letter));
  WindowHost host(Handle(), m_hProgress);
  drive->view.Scan(OpenVolumeArgument, host);
  EndWork();
  if (Ended()) return;

  // The drive shown may have changed while the scan ran; the scanned one
  // is shown again.
  m_pCurrent = drive;
  RefreshView(*drive);
  SetScanCommandText(L"Rescan %c:", letter);
  EnableScanCommand(true);
  EnableUndelete(true);
  ::EnableWindow(Item(IDC_CLEAR_FILTER), TRUE);
  ::EnableWindow(Item(IDC_BROWSE), TRUE);
  EnableTopMenus(true);
  if (drive->record.parser) {
    ShowListing();
  } else {
    SetStatusText(FillTemplate(LoadResourceString(IDS_DRIVE_READY), letter));
  }
  ReportScanEnd(*drive);
}

void CVantrelDlg::ReportScanEnd(const DriveSlot& drive) {
  const DriveRecord& record = drive.record;
  const std::string name = std::string(1, drive.letter) + ":";
  if (record.parser) {
    const std::string unreadable = record.parser->UnreadableStructures();
    if (!unreadable.empty() && record.lastScanResult != kScanStopped) {
      ShowBox(Handle(), "Drive " + name + " cannot be scanned: " + unreadable + " (see the log).", "",
              MB_OK | MB_ICONERROR);
      return;
    }
  }
  if (record.lastScanResult == kScanStopped) return;
  if (!ScanCompleted(record.lastScanResult) && record.parser) {
    ShowBox(Handle(),
            "The scan of drive " + name + " ended early (" + ScanResultText(record.lastScanResult) +
                "; see the log). The entries found so far are listed.",
            "", MB_OK | MB_ICONWARNING);
  }
}

void CVantrelDlg::UndeleteCommand() {
  if (m_bBusy || m_pCurrent == nullptr || !m_pCurrent->record.parser) return;
  DriveSlot& drive = *m_pCurrent;
  WindowHost host(Handle(), m_hProgress);
  RecoveryRequest request;
  request.selection = SelectedEntries();
  request.upEntry = drive.view.UpEntry();
  request.destination = WindowTextOf(Item(IDC_DESTINATION));
  request.volume = drive.record.volume;
  if (request.selection.empty() || request.selection.front() == request.upEntry) {
    host.ShowMessage(MessageKind::Plain, "", "Please, select file.");
    return;
  }
  if (request.destination.empty()) {
    host.ShowMessage(MessageKind::Plain, "", "Please, choose the folder to undelete the file(s) to.");
    return;
  }
  // Refused before anything is made there: not even a folder may be
  // written to the scanned drive.
  if (DestinationOnScannedVolume(request.destination, request.volume)) {
    ShowDestinationRefused(host, request.volume);
    return;
  }
  if (!platform::CreateDirectoryPath(request.destination)) {
    const std::uint32_t error = platform::GetLastError();
    host.ShowMessage(MessageKind::Error, "",
                     "Can`t create directory " + request.destination + ": " + platform::ErrorText(error));
    return;
  }

  BeginWork(L" Recovering files");
  CFileSystemParser& parser = *drive.record.parser;
  RunOnWorker([&] { RecoverSelection(parser, request, host); }, host);
  EndWork();
  // The folder's counts come back once the recovery is over.
  if (!Ended()) SetFolderStatus();
}

}  // namespace tv::gui
