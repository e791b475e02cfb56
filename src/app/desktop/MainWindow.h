// TMainWindow: the main window of zanmig-ide, the view of the desktop IDE
// services (DesktopIDE.h). It shows the main menu (File: Open Project...,
// Close Project, Exit; the plug-in adds the product menu), the open
// project's units and forms, an editor for the chosen file, the Changes
// view of the last replace run (ChangesView.h; brought to the front when a
// run that made backups ends, emptied when the project closes) and a pane
// of messages (files opened, saved, reloaded). It loads the wizard plug-in and
// lends it the Qt dialogs, the wait cursor and the shell, which it also
// installs in the host's own copy of those seams (with the services pointer)
// for as long as it lives.
#pragma once

#include <QMainWindow>
#include <memory>

#include "app/desktop/ChangesView.h"
#include "app/desktop/DesktopIDE.h"
#include "app/desktop/QtDialogs.h"
#include "app/desktop/WizardPlugin.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QTabWidget;

namespace zan {

class TMainWindow : public QMainWindow, public IDesktopIDEView {
  Q_OBJECT

 public:
  explicit TMainWindow(std::shared_ptr<TDesktopIDE> ide, QWidget* parent = nullptr);
  ~TMainWindow() override;

  TDesktopIDE& IDE() const { return *FIDE; }
  TWizardPlugin& Plugin() { return FPlugin; }
  TWaitCursor& WaitCursor() { return FWaitCursor; }

  /// Loads the plug-in; a failure is shown in an error box. True when loaded.
  bool LoadPlugin(const std::string& fileName);
  void UnloadPlugin();
  /// Opens a project; a failure is shown in an error box. True when opened.
  bool OpenProject(const std::u16string& fileName);
  /// The file shown in the editor (empty: none).
  const std::u16string& ShownFile() const { return FShownFile; }
  /// Shows `fileName` in the editor and selects it in the list.
  void ShowInEditor(const std::u16string& fileName);

  QListWidget* UnitList() const { return FUnitList; }
  QPlainTextEdit* Editor() const { return FEditor; }
  QPlainTextEdit* Messages() const { return FMessages; }
  /// The tabs of the editor and of the Changes view.
  QTabWidget* Tabs() const { return FTabs; }
  TChangesView* Changes() const { return FChanges; }

  // IDesktopIDEView
  void ProjectChanged() override;
  void FileReloaded(const std::u16string& fileName) override;
  void ShowFile(const std::u16string& fileName) override;
  void MenuChanged() override;
  void Message(const std::u16string& text) override;
  TSaveChangesAnswer AskSaveChanges(const std::vector<std::u16string>& fileNames) override;

 private:
  void BuildHostMenu();
  void RebuildMenuBar();
  void FillUnitList();
  void UpdateListMarks();
  void UpdateTitle();
  void ChooseProject();
  void EditorTextChanged();
  /// A run is over: shows its changes when it wrote an undo file.
  void RunEnded();

  std::shared_ptr<TDesktopIDE> FIDE;
  TQtDialogs FDialogs;
  TWaitCursor FWaitCursor;
  TQtShell FShell;
  IWizardDialogs* FPreviousDialogs = nullptr;
  IBusyIndicator* FPreviousBusy = nullptr;
  IShell* FPreviousShell = nullptr;
  std::shared_ptr<IBorlandIDEServices> FPreviousServices;
  TWizardPlugin FPlugin;

  QListWidget* FUnitList = nullptr;
  QLabel* FEditorTitle = nullptr;
  QPlainTextEdit* FEditor = nullptr;
  QPlainTextEdit* FMessages = nullptr;
  QTabWidget* FTabs = nullptr;
  QWidget* FEditorPane = nullptr;
  TChangesView* FChanges = nullptr;
  std::u16string FShownFile;
  QString FShownLineBreak;
  bool FShowing = false;  // the editor's text is being set by the program
};

}  // namespace zan
