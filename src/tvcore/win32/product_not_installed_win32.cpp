#include "tvcore/win32/dialog.h"
#include "tvcore/win32/product_not_installed.h"
#include "tvcore/win32/product_not_installed_ids.h"

namespace tv::tvcore::win32 {

namespace {

class ProductNotInstalledDialog : public Dialog {
 public:
  explicit ProductNotInstalledDialog(const ToolboxEntry& entry) : entry_(entry) {}

  ProductAnswer Answer() const { return answer_; }

 protected:
  bool OnInit() override {
    ::SendDlgItemMessageW(window(), IDC_PRODUCT_ICON, STM_SETICON,
                          reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_INFORMATION)), 0);
    SetItemText(IDC_PRODUCT_DESCRIPTION, entry_.description);
    SetItemText(IDC_PRODUCT_QUESTION, ProductNotInstalledText(entry_.name));
    CentreOverOwner();
    return true;
  }

  bool OnCommand(int id, int) override {
    if (id == IDOK) {
      const bool stopAsking = ::IsDlgButtonChecked(window(), IDC_PRODUCT_NO_PROMPT) == BST_CHECKED;
      answer_ = stopAsking ? ProductAnswer::OpenAndStopAsking : ProductAnswer::Open;
      End(IDOK);
      return true;
    }
    if (id == IDCANCEL) {
      answer_ = ProductAnswer::Cancel;
      End(IDCANCEL);
      return true;
    }
    return false;
  }

 private:
  const ToolboxEntry& entry_;
  ProductAnswer answer_ = ProductAnswer::Cancel;
};

}  // namespace

ProductAnswer AskProductNotInstalled(const ToolboxEntry& entry) {
  ProductNotInstalledDialog dialog(entry);
  if (dialog.RunModal(IDD_PRODUCT_NOT_INSTALLED, ::GetActiveWindow()) != IDOK) return ProductAnswer::Cancel;
  return dialog.Answer();
}

}  // namespace tv::tvcore::win32
