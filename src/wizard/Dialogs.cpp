#include "wizard/Dialogs.h"

#include <cstdio>

#include "ide/MainMenu.h"
#include "rtl/Strings.h"
#include "wizard/Controls.h"

namespace zan {

namespace {

/// No host: messages go to stderr, every dialog is cancelled.
class TNoDialogs : public IWizardDialogs {
 public:
  void MessageBox(const std::u16string& text, const std::u16string& caption, TMsgBoxIcon) override {
    std::fprintf(stderr, "%s: %s\n", Utf16ToUtf8(caption).c_str(), Utf16ToUtf8(text).c_str());
  }
  void MessageDlg(const std::u16string& text, TMsgDlgType) override {
    std::fprintf(stderr, "%s\n", Utf16ToUtf8(text).c_str());
  }
  void ShowModal(TForm& form) override { form.Close(); }
  bool ExecuteOpenDialog(TOpenDialog&) override { return false; }
  bool SelectDirectory(const std::u16string&, const std::u16string&, std::u16string&) override {
    return false;
  }
  void ShowException(const std::u16string& message) override {
    std::fprintf(stderr, "%s\n", Utf16ToUtf8(message).c_str());
  }
};

TNoDialogs& NoDialogs() {
  static TNoDialogs dialogs;
  return dialogs;
}

IWizardDialogs* gDialogs = nullptr;

}  // namespace

IWizardDialogs& WizardDialogs() {
  return gDialogs ? *gDialogs : NoDialogs();
}

IWizardDialogs* SetWizardDialogs(IWizardDialogs* dialogs) {
  IWizardDialogs* previous = gDialogs;
  gDialogs = dialogs;
  return previous;
}

bool SelectDirectory(const std::u16string& caption, const std::u16string& root,
                     std::u16string& directory) {
  return WizardDialogs().SelectDirectory(caption, root, directory);
}

std::u16string MessageBoxTitle(std::u16string_view productName, std::u16string_view caption) {
  std::u16string title = RemoveAmpersands(productName);
  return title.empty() ? std::u16string(caption) : title;
}

}  // namespace zan
