// The dialog seam: every message box, modal showing, file-open and folder
// dialog of the wizard layer goes through the current IWizardDialogs.
//
// The Qt host installs one that shows real dialogs; tests install one that
// records what was shown and answers from a script. Without a host the
// default writes messages to stderr and cancels every dialog, so a form shown
// without a host closes with mrCancel and nothing runs.
#pragma once

#include <string>
#include <string_view>

namespace zan {

class TForm;
class TOpenDialog;

/// The icon of a message box (all of the wizard's boxes have one OK button).
enum class TMsgBoxIcon { None, Information, Warning, Error, Question };
/// The type of a message dialog (the host's MessageDlg).
enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

/// The dialogs of the host toolkit, as the wizard layer uses them.
class IWizardDialogs {
 public:
  virtual ~IWizardDialogs() = default;
  /// A message box with the title `caption` and an OK button.
  virtual void MessageBox(const std::u16string& text, const std::u16string& caption,
                          TMsgBoxIcon icon) = 0;
  /// A message dialog titled with the application's name and a single OK button.
  virtual void MessageDlg(const std::u16string& text, TMsgDlgType type) = 0;
  /// Shows `form` modally: the user works on it through its models until
  /// form.ModalResult() is set (the close box sets mrCancel). OnShow has
  /// already run; OnClose runs after the call.
  virtual void ShowModal(TForm& form) = 0;
  /// The file-open dialog; true with dialog.FileName set when a file was chosen.
  virtual bool ExecuteOpenDialog(TOpenDialog& dialog) = 0;
  /// The system's folder-selection dialog (new style, no root restriction
  /// when `root` is empty); true with `directory` set when one was chosen.
  virtual bool SelectDirectory(const std::u16string& caption, const std::u16string& root,
                               std::u16string& directory) = 0;
  /// The host application's display of an exception that no one handled.
  virtual void ShowException(const std::u16string& message) = 0;
};

/// The current dialogs (the silent default when none is installed).
IWizardDialogs& WizardDialogs();
/// Installs `dialogs` (not owned; nullptr restores the default); returns the previous one.
IWizardDialogs* SetWizardDialogs(IWizardDialogs* dialogs);

/// The title of the wizard's message boxes and of the save warning: the
/// product name (ampersands removed), short enough for any title bar;
/// `caption` (the wizard's long name, the options' Caption) only when there
/// is no product name.
std::u16string MessageBoxTitle(std::u16string_view productName, std::u16string_view caption);

/// The host's SelectDirectory: the folder dialog with `caption`.
bool SelectDirectory(const std::u16string& caption, const std::u16string& root,
                     std::u16string& directory);

}  // namespace zan
