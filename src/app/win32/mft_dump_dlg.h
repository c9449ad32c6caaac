// The support tool that copies an NTFS volume's boot sector and the start
// of its master file table into two files: the volume list, the button, the
// status text and the progress bar. The dump itself is the app layer's.
#pragma once

#include <string>

#include "dialog_base.h"

namespace tv::gui {

class CMFTDumpDlg : public CDialog {
 public:
  explicit CMFTDumpDlg(HWND owner);

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void FillVolumeList();
  void Dump();
  // The folder for the dump files: C:\, or a folder the user picks when
  // the volume dumped is C: itself.
  std::string OutputFolder(char letter);
  // Sets the status text (`replace`) or adds `text` on a line of its own.
  void AppendStatus(const std::string& text, bool replace = false);
  // Adds `text` to the end of the last line.
  void AppendToLastLine(const std::string& text);
  void ShowStatus();

  std::string m_status;
};

}  // namespace tv::gui
