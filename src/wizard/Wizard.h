// TWizardForm: the migration wizard, a modal dialog that leads the user
// through the mode (replace or restore), then the undo file (restore) or the
// scope, the units or folder and the backup and log options (replace), and a
// summary.
//
// Showing copies the shared replace options into the controls; Finish copies
// the controls back into the options and closes the dialog with mrOk, after
// which the expert runs the chosen operation. The form's own state (position,
// histories, mode, last undo file) is loaded and saved by the expert through
// LoadState/SaveState. The options object is not owned and must outlive the
// form; the form lives for one showing.
//
// TZanWizardForm (ZanWizard.h) derives from it to offer the twelve source
// libraries and the FireDAC/AnyDAC configuration files.
#pragma once

#include <memory>
#include <string>

#include "engine/catalogue/ReplaceOptions.h"
#include "rtl/RegIniFile.h"
#include "wizard/Controls.h"

namespace zan {

/// The wizard's model: every control and action as a member, the page flow
/// (GoNext/GoBack), validation, summaries, Finish and the persisted state.
class TWizardForm : public TForm {
 public:
  TWizardForm();
  ~TWizardForm() override;

  /// The wizard mode that says a restore was chosen.
  static constexpr int kRestoreMode = 100;

  // ----- the frame
  TBevel Bevel1{this, this, u"Bevel1"};
  TImage Image1{this, this, u"Image1"};
  TBevel Bevel2{this, this, u"Bevel2"};
  TPageControl StepsPageControl{this, this, u"StepsPageControl"};

  // ----- page 0: the mode
  TTabSheet Step1Sheet{this, &StepsPageControl, u"Step1Sheet"};
  TLabel Label1{this, &Step1Sheet, u"Label1"};
  TLabel Label2{this, &Step1Sheet, u"Label2"};
  TLabel Label11{this, &Step1Sheet, u"Label11"};
  TLabel Label3{this, &Step1Sheet, u"Label3"};
  TRadioButton rbModeReplace{this, &Step1Sheet, u"rbModeReplace"};
  TRadioButton rbModeRestore{this, &Step1Sheet, u"rbModeRestore"};

  // ----- page 1: the undo file
  TTabSheet Step2RestoreSheet{this, &StepsPageControl, u"Step2RestoreSheet"};
  TLabel Label4{this, &Step2RestoreSheet, u"Label4"};
  TLabel lUndo{this, &Step2RestoreSheet, u"lUndo"};
  TEdit edUndoFile{this, &Step2RestoreSheet, u"edUndoFile"};
  TButton btRestoreBrowse{this, &Step2RestoreSheet, u"btRestoreBrowse"};
  TLabel Label5{this, &Step2RestoreSheet, u"Label5"};

  // ----- page 2: the scope
  TTabSheet Step2ReplaceSheet{this, &StepsPageControl, u"Step2ReplaceSheet"};
  TLabel Label6{this, &Step2ReplaceSheet, u"Label6"};
  TRadioButton rbDestProject{this, &Step2ReplaceSheet, u"rbDestProject"};
  TRadioButton rbDestFolder{this, &Step2ReplaceSheet, u"rbDestFolder"};
  TLabel Label7{this, &Step2ReplaceSheet, u"Label7"};

  // ----- page 3: the project's units
  TTabSheet Step3ProjSheet{this, &StepsPageControl, u"Step3ProjSheet"};
  TLabel Label8{this, &Step3ProjSheet, u"Label8"};
  TCheckListBox lbModules{this, &Step3ProjSheet, u"lbModules"};
  TButton btSelect{this, &Step3ProjSheet, u"btSelect"};
  TButton btDeselect{this, &Step3ProjSheet, u"btDeselect"};

  // ----- page 4: the folder
  TTabSheet Step3DirSheet{this, &StepsPageControl, u"Step3DirSheet"};
  TLabel Label9{this, &Step3DirSheet, u"Label9"};
  TLabel lSource{this, &Step3DirSheet, u"lSource"};
  TComboBox cbDirectory{this, &Step3DirSheet, u"cbDirectory"};
  TButton btBrowseFolder{this, &Step3DirSheet, u"btBrowseFolder"};
  TCheckBox chSubDirs{this, &Step3DirSheet, u"chSubDirs"};

  // ----- page 5: backup and log
  TTabSheet Step4Sheet{this, &StepsPageControl, u"Step4Sheet"};
  TLabel Label10{this, &Step4Sheet, u"Label10"};
  TCheckBox chMakeBackup{this, &Step4Sheet, u"chMakeBackup"};
  TLabel lBackupFolder{this, &Step4Sheet, u"lBackupFolder"};
  TComboBox cbBackupDir{this, &Step4Sheet, u"cbBackupDir"};
  TButton btBrowseBackFolder{this, &Step4Sheet, u"btBrowseBackFolder"};
  TCheckBox chWriteLog{this, &Step4Sheet, u"chWriteLog"};
  TLabel lblLogNote{this, &Step4Sheet, u"lblLogNote"};
  TCheckBox chViewLog{this, &Step4Sheet, u"chViewLog"};
  TCheckBox chFixCode{this, &Step4Sheet, u"chFixCode"};

  // ----- page 6: the summary
  TTabSheet FinalStepSheet{this, &StepsPageControl, u"FinalStepSheet"};
  TLabel Label12{this, &FinalStepSheet, u"Label12"};
  TLabel Label15{this, &FinalStepSheet, u"Label15"};
  TLabel Label14{this, &FinalStepSheet, u"Label14"};
  TScrollBox sbSummary{this, &FinalStepSheet, u"sbSummary"};
  TLabel lSummary{this, &sbSummary, u"lSummary"};

  // ----- buttons, actions, dialog
  TButton btPrev{this, this, u"btPrev"};
  TButton btNext{this, this, u"btNext"};
  TButton btFinish{this, this, u"btFinish"};
  TButton btCancel{this, this, u"btCancel"};
  TActionList ActionList1{this, u"ActionList1"};
  TAction actMakeBackup{this, u"actMakeBackup"};
  TAction actFinish{this, u"actFinish"};
  TAction actNext{this, u"actNext"};
  TAction actBack{this, u"actBack"};
  TAction actWriteLog{this, u"actWriteLog"};
  TOpenDialog OpenDialog{this, u"OpenDialog"};

  // ----- properties
  /// 1 to 5 on the replace path, 1 to 3 on the restore path.
  int CurStep() const;
  /// 3 on the restore path, else the number of pages minus 2.
  int StepCount() const;
  TReplaceOptions* ReplaceOptions() const { return FReplaceOptions; }
  void SetReplaceOptions(TReplaceOptions* options) { FReplaceOptions = options; }
  const std::u16string& ProductName() const { return FProductName; }
  void SetProductName(std::u16string_view name) { FProductName = name; }
  const std::u16string& ProjectName() const { return FProjectName; }
  /// The user typed into or browsed for the backup folder (never reset).
  bool BackupDirModified() const { return FBackupDirModified; }

  // ----- the virtual operations
  virtual void BuildRestoreSummary();
  virtual void BuildReplaceSummary();
  virtual void LoadState(const TRegIniFile& iniFile, std::u16string_view section);
  virtual void SaveState(TRegIniFile& iniFile, std::u16string_view section);
  /// 100 for a restore, else 0.
  virtual int GetWizardMode();
  virtual void SetLabel2Caption(std::u16string_view sourceName, std::u16string_view productName);
  virtual std::u16string GetConnectionDefFileName();
  virtual std::u16string GetDriverConfFileName();
  /// The BDE alias file (the base: none).
  virtual std::u16string GetAliasFileName();
  /// The user's rule files, separated by ";" (the base: none).
  virtual std::u16string GetRuleFileNames();

  // ----- event handlers
  virtual void FormShow(TComponent* sender);
  void FormClose(TComponent* sender);
  virtual void rbModeReplaceClick(TComponent* sender);
  void btRestoreBrowseClick(TComponent* sender);
  void btSelectClick(TComponent* sender);
  void btDeselectClick(TComponent* sender);
  void btBrowseFolderClick(TComponent* sender);
  void btBrowseBackFolderClick(TComponent* sender);
  void cbBackupDirChange(TComponent* sender);
  void actNextExecute(TComponent* sender);
  void actNextUpdate(TComponent* sender);
  void actBackExecute(TComponent* sender);
  void actBackUpdate(TComponent* sender);
  void actFinishExecute(TComponent* sender);
  void actFinishUpdate(TComponent* sender);
  void actMakeBackupExecute(TComponent* sender);
  void actMakeBackupUpdate(TComponent* sender);
  void actWriteLogExecute(TComponent* sender);
  void actWriteLogUpdate(TComponent* sender);

  // ----- steps of the flow
  void UpdateCaption();
  /// The title of the wizard's message boxes (MessageBoxTitle).
  std::u16string MessageTitle() const;
  void GoNext();
  void GoBack();
  /// Fills the unit list from the project's ".pas" modules, once per showing.
  void FillUnitList();
  /// True when a unit is ticked; otherwise tells the user so.
  bool CheckUnitSelection();
  /// Proposes "RBackup" in the project or target folder until the user chose one.
  void SetDefaultBackupDir();
  /// The backup folder the run will use: the field's text when it has a drive
  /// part (an absolute path), else that text relative to the project folder
  /// or the target folder.
  std::u16string GetBackupDir();
  /// Puts the combo's text first in its list unless it is there already
  /// (letter case ignored); keeps at most kHistorySize entries.
  static void AddToHistory(TComboBox& comboBox);
  static constexpr int kHistorySize = 10;

 protected:
  /// The options; asserted to be set (the expert sets them before showing).
  TReplaceOptions& Options() const;
  /// The library named by the replace summary's "Mode" line: the options'
  /// source name here; the library chosen on the first page in a form that
  /// offers a choice.
  virtual std::u16string SummarySourceName();
  /// The last page's heading and note, for the path that leads to it: the
  /// replace run's step 5, or the restore run's step 3.
  void ShowFinalStepTexts();
  /// Finish's update of the history lists.
  virtual void UpdateHistories();
  /// Replaces the combo's items with the lines of `text`.
  static void SetItemsText(TComboBox& comboBox, std::u16string_view text);

  std::u16string FProjectName;
  std::u16string FProductName;
  TReplaceOptions* FReplaceOptions = nullptr;
  bool FBackupDirModified = false;
};

/// A class reference to the wizard form or a descendant: the expert creates
/// one form per click through it.
using TWizardFormClass = std::unique_ptr<TWizardForm> (*)();

template <class TFormClass>
std::unique_ptr<TWizardForm> CreateWizardForm() {
  return std::make_unique<TFormClass>();
}

/// The form being shown by the expert, or nullptr between showings.
extern TWizardForm* WizardForm;

}  // namespace zan
