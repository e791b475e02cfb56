// Recording fakes for what the wizard layer talks to: the dialogs (scripted
// answers), the IDE (a project with units and form editors, every call
// recorded), the shell and the busy indicator; a host that hands them to the
// plug-in; and an in-memory disk with the settings file on it.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/catalogue/ReplaceOptions.h"
#include "engine/catalogue/ZanReplacer.h"
#include "ide/HeadlessIDE.h"
#include "ide/HostServices.h"
#include "ide/MenuServices.h"
#include "ide/ProjectModel.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "support/MemoryFileSystem.h"
#include "support/RecordingSeams.h"
#include "wizard/Controls.h"
#include "wizard/Dialogs.h"
#include "wizard/WizardHost.h"
#include "wizard/ZanWizard.h"

namespace zan::test {

inline std::string U8(std::u16string_view text) {
  return Utf16ToUtf8(text);
}

/// Dialogs that record what they show ("MessageBox Information|title|text",
/// "MessageDlg|text", "ShowModal|FormName", "OpenDialog|filter|dir",
/// "SelectDirectory|caption", "Exception|message") and answer from scripts.
/// A modal showing without a script is cancelled.
class TScriptedDialogs : public IWizardDialogs {
 public:
  std::vector<std::string> Log;
  std::deque<std::function<void(TForm&)>> ModalScripts;
  std::deque<std::optional<std::u16string>> OpenAnswers;    // nullopt: cancelled
  std::deque<std::optional<std::u16string>> FolderAnswers;  // nullopt: cancelled
  std::function<void(TOpenDialog&)> OnOpenDialog;           // e.g. raise

  void MessageBox(const std::u16string& text, const std::u16string& caption,
                  TMsgBoxIcon icon) override;
  void MessageDlg(const std::u16string& text, TMsgDlgType type) override;
  void ShowModal(TForm& form) override;
  bool ExecuteOpenDialog(TOpenDialog& dialog) override;
  bool SelectDirectory(const std::u16string& caption, const std::u16string& root,
                       std::u16string& directory) override;
  void ShowException(const std::u16string& message) override;

  /// The message texts shown so far (boxes and dialogs), in order.
  std::vector<std::string> Messages() const;
};

/// The user's steps on a form shown by a host, by component name.
void Click(TForm& form, std::u16string_view name);
void Type(TForm& form, std::u16string_view name, std::u16string_view text);
void Select(TForm& form, std::u16string_view name, int index);
template <class T>
T& Get(TForm& form, std::u16string_view name) {
  auto* component = dynamic_cast<T*>(form.FindComponent(name));
  if (!component) throw std::logic_error("no component " + U8(name));
  return *component;
}

/// The settings file of the tests, on the in-memory disk.
inline constexpr std::u16string_view kSettingsFile = u"/home/user/.config/Kestova/Zanthe.ini";

/// A recording IDE over the project model: one project group with an active
/// project whose modules are given; each ".pas" module is open as a unit
/// module with, unless told otherwise, a form editor for the ".dfm" beside it
/// (whether or not it is on disk). No file is read. Menus are the IDE's usual
/// ones. Calls land in `Calls`: "SaveProject", "CloseProject",
/// "OpenProject|name", "ReloadFile|name", "Show|editor file".
class TFakeIDE : public IBorlandIDEServices,
                 public IWizardHost,
                 public std::enable_shared_from_this<TFakeIDE>,
                 private IProjectModelHost {
 public:
  explicit TFakeIDE(TFileSystem* fs = nullptr);
  ~TFakeIDE() override;

  /// Opens a project with these module file names (absolute).
  void OpenProjectWith(const std::u16string& projectName, const std::vector<std::u16string>& units,
                       bool withForms = true);
  void CloseAll();

  std::vector<std::string> Calls;
  bool SaveResult = true;

  // Seams handed to the plug-in.
  TScriptedDialogs ScriptedDialogs;
  TRecordingShell RecordingShell;
  TCountingBusyIndicator Busy;
  TFileSystem* Disk = nullptr;
  TProductMenu Menu = kDefaultProductMenu;

  // IBorlandIDEServices
  std::shared_ptr<IOTAModuleServices> GetModuleServices() override;
  std::shared_ptr<IOTAActionServices> GetActionServices() override;
  std::shared_ptr<INTAServices> GetNTAServices() override;
  TMainMenu& MainMenu() { return GetNTAServices()->GetMainMenu(); }

  // IWizardHost
  TProductMenu ProductMenu() override { return Menu; }
  IWizardDialogs* Dialogs() override { return &ScriptedDialogs; }
  IShell* Shell() override { return &RecordingShell; }
  IBusyIndicator* BusyIndicator() override { return &Busy; }
  TFileSystem* FileSystem() override { return Disk; }
  std::u16string SettingsFileName() override { return std::u16string(kSettingsFile); }

 private:
  class TActions;

  // IProjectModelHost: recorded
  bool CloseProject() override;
  bool SaveProject(bool changeName, bool forceSave) override;
  void ShowEditor(const std::u16string& fileName) override;

  TMemoryFileSystem FNoDisk;  // the model's disk when none is given
  TProjectModel FModel;
  std::shared_ptr<TMainMenuServices> FMenus;
};

/// The headless project host, handing the scripted seams to the plug-in.
class THeadlessHost : public THeadlessIDE, public IWizardHost {
 public:
  explicit THeadlessHost(TFileSystem* fs) : THeadlessIDE(fs), Disk(fs) {}
  TScriptedDialogs ScriptedDialogs;
  TRecordingShell RecordingShell;
  TCountingBusyIndicator Busy;
  TFileSystem* Disk;

  IWizardDialogs* Dialogs() override { return &ScriptedDialogs; }
  IShell* Shell() override { return &RecordingShell; }
  IBusyIndicator* BusyIndicator() override { return &Busy; }
  TFileSystem* FileSystem() override { return Disk; }
  std::u16string SettingsFileName() override { return std::u16string(kSettingsFile); }
};

/// Installs the fakes as the process's seams for the lifetime of the object
/// (tests of the forms and the expert without the plug-in entry).
class TScopedSeams {
 public:
  TScopedSeams(IWizardDialogs& dialogs, TFileSystem& fs, IShell* shell = nullptr);
  ~TScopedSeams();

 private:
  IWizardDialogs* FDialogs;
  TFileSystem* FFileSystem;
  bool FSetShell;
  IShell* FShell;
};

/// The target wizard shown as the expert shows it, over the recording IDE
/// (project /proj/Project1.dpr open unless a test closes it), the in-memory
/// disk and the scripted dialogs.
class WizardTest : public ::testing::Test {
 public:
  WizardTest();
  ~WizardTest() override;
  /// Creates the form, hands it the options and the product name and raises OnShow.
  TZanWizardForm& Open();
  /// "Step 2 of 5" from the caption.
  std::string Step() const;
  std::string Page() const;

  TMemoryFileSystem Fs;
  std::shared_ptr<TFakeIDE> Ide;
  TScriptedDialogs& Dialogs;
  TReplaceOptions Options{kCatalogueSourceName};
  std::unique_ptr<TZanWizardForm> Form;
  TScopedSeams Seams;
};

inline const std::u16string kProject = u"/proj/Project1.dpr";

}  // namespace zan::test
