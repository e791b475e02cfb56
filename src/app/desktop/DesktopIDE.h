// TDesktopIDE: the IDE services of the desktop host, the part of zanmig-ide
// that the plug-in talks to. It holds no widget; the main window is its view.
//
// One project at a time in the project model (ProjectModel.h), which the
// headless host shares: every ".pas" unit of the project is an open module
// with a source editor and, when a form file (".dfm"/".nfm") lies beside it,
// a form editor, whose Show asks the view to show the file. What is the
// host's own is the text of each file, kept in a buffer that the user may
// edit: saving the project writes the modified buffers back in the encoding
// they were read in, reloading a file drops its buffer and reads the disk
// again, closing the project with unsaved changes asks the view. The main
// menu is a model (MenuServices.h) that the plug-in extends; the view
// rebuilds its menu bar whenever the model says it changed. The plug-in gets
// the host's file system through a watch (UndoFileWatch.h) that notes the
// undo file a run writes, so that the view can show the run's changes.
//
// Create it with std::make_shared: the services it hands out keep it alive.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/desktop/FileAsText.h"
#include "app/desktop/UndoFileWatch.h"
#include "ide/MenuServices.h"
#include "ide/ProjectModel.h"
#include "rtl/Encoding.h"
#include "wizard/WizardHost.h"

namespace zan {

/// The answer to "save changes before closing?".
enum class TSaveChangesAnswer { Yes, No, Cancel };

/// What the IDE services tell the window, and what they ask the user.
class IDesktopIDEView {
 public:
  virtual ~IDesktopIDEView() = default;
  /// A project was opened or closed.
  virtual void ProjectChanged() {}
  /// The buffer of `fileName` was read again from disk.
  virtual void FileReloaded(const std::u16string& /*fileName*/) {}
  /// An editor asked to be brought to the front.
  virtual void ShowFile(const std::u16string& /*fileName*/) {}
  /// The main-menu model changed.
  virtual void MenuChanged() {}
  /// A line for the host's message pane.
  virtual void Message(const std::u16string& /*text*/) {}
  /// Asked before the project is closed while `fileNames` have unsaved changes.
  virtual TSaveChangesAnswer AskSaveChanges(const std::vector<std::u16string>& /*fileNames*/) {
    return TSaveChangesAnswer::Yes;
  }
};

class TDesktopIDE : public IBorlandIDEServices,
                    public IWizardHost,
                    public std::enable_shared_from_this<TDesktopIDE>,
                    private IProjectModelHost {
 public:
  /// Files are read and written through `fs` (not owned; it must outlive the
  /// host); nullptr: the process's current file system at construction.
  explicit TDesktopIDE(TFileSystem* fs = nullptr);
  ~TDesktopIDE() override;

  /// The view (not owned; nullptr: none). It must outlive its use here.
  void SetView(IDesktopIDEView* view) { FView = view; }

  // ----- the project
  /// Opens `fileName` in a new project group, closing the open one first.
  /// Throws EProjectError naming the file when it cannot be read, and
  /// EProjectError too when the user kept the open project.
  void LoadProject(const std::u16string& fileName);
  /// Closes the project group; false when the user cancelled or a save failed.
  bool CloseAll();
  bool HasProject() const { return FModel.HasProject(); }
  /// The project's file name (empty without one) and its modules in project order.
  std::u16string ProjectFileName() const;
  std::vector<std::u16string> ProjectModules() const;
  /// The form file beside unit `unitName`, or empty.
  std::u16string FormFileOf(const std::u16string& unitName) const;

  // ----- file buffers
  /// The buffer of `fileName`, read from disk on first use.
  const TFileBuffer& Buffer(const std::u16string& fileName);
  /// The user edited the buffer of `fileName` (ignored for a read-only one).
  void EditBuffer(const std::u16string& fileName, std::u16string_view text);
  /// Writes a modified buffer back; true when nothing needed writing or it
  /// was written. A failure is reported as a message and gives false.
  bool SaveBuffer(const std::u16string& fileName);
  /// Saves every modified buffer; true when all were written.
  bool SaveAll() override;
  /// Drops the buffer and reads the disk again; false when the file is missing.
  bool ReloadBuffer(const std::u16string& fileName);
  std::vector<std::u16string> ModifiedFiles() const;

  // ----- what the IDE was asked to do (the window's message pane, tests)
  const std::vector<std::u16string>& ReloadedFiles() const { return FReloaded; }
  int SaveCount() const { return FSaveCount; }
  /// The undo file that a run of the plug-in wrote last since the previous
  /// call (empty: none); the host shows that run's changes.
  std::u16string TakeWrittenUndoFile() { return FWatch.TakeWrittenUndoFile(); }
  /// The file system of the host's files (not the plug-in's watched view of it).
  TFileSystem& Files() { return FFileSystem; }

  // ----- the main menu and the host's product menu
  TMainMenu& MainMenu();
  void SetProductMenu(const TProductMenu& menu) { FProductMenu = menu; }
  /// The seams lent to the plug-in (not owned; nullptr: the plug-in keeps its own).
  void SetDialogs(IWizardDialogs* dialogs) { FDialogs = dialogs; }
  void SetShell(IShell* shell) { FShell = shell; }
  void SetBusyIndicator(IBusyIndicator* busy) { FBusy = busy; }

  // IBorlandIDEServices
  std::shared_ptr<IOTAModuleServices> GetModuleServices() override;
  std::shared_ptr<IOTAActionServices> GetActionServices() override;
  std::shared_ptr<INTAServices> GetNTAServices() override;

  // IWizardHost
  TProductMenu ProductMenu() override { return FProductMenu; }
  IWizardDialogs* Dialogs() override { return FDialogs; }
  IShell* Shell() override { return FShell; }
  IBusyIndicator* BusyIndicator() override { return FBusy; }
  TFileSystem* FileSystem() override { return &FWatch; }
  std::u16string SettingsFileName() override;

 private:
  class TActionServices;

  // IProjectModelHost
  bool CloseProject() override { return CloseAll(); }
  bool SaveProject(bool changeName, bool forceSave) override;
  bool SaveUnit(const std::u16string& unitName, const std::u16string& formName) override;
  void ShowEditor(const std::u16string& fileName) override;

  void Notify(const std::u16string& text);
  /// The buffer key: the project's spelling of a name given in any case.
  std::u16string KnownName(const std::u16string& fileName) const;
  TFileBuffer ReadBuffer(const std::u16string& fileName);

  TFileSystem& FFileSystem;
  /// What the plug-in reads and writes through: FFileSystem, watched.
  TUndoFileWatch FWatch{FFileSystem};
  IDesktopIDEView* FView = nullptr;
  TProjectModel FModel;
  std::map<std::u16string, TFileBuffer> FBuffers;
  std::shared_ptr<TMainMenuServices> FMenuServices;
  TProductMenu FProductMenu = kDefaultProductMenu;
  IWizardDialogs* FDialogs = nullptr;
  IShell* FShell = nullptr;
  IBusyIndicator* FBusy = nullptr;
  std::vector<std::u16string> FReloaded;
  int FSaveCount = 0;
};

}  // namespace zan
