#include "wizard/Wizard.h"

#include "engine/files/FileUtils.h"
#include "ide/IDEUtils.h"
#include "rtl/FileSystem.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"
#include "wizard/Dialogs.h"
#include "wizard/WizardRes.h"

namespace zan {

TWizardForm* WizardForm = nullptr;

namespace {

constexpr std::string_view kSource = "MigWizard\\Wizard";
constexpr std::u16string_view LF = u"\n";

void Heading(TLabel& label, std::u16string_view caption) {
  label.Caption = caption;
  label.Bold = true;
  label.SetBounds(8, 8, 308, 13);
}

void Note(TLabel& label, std::u16string_view caption, int left, int top, int width, int height) {
  label.Caption = caption;
  label.WordWrap = true;
  label.AutoSize = false;
  label.SetBounds(left, top, width, height);
}

}  // namespace

TWizardForm::TWizardForm() : TForm(u"WizardForm") {
  Caption = res::sWizardDesignCaption;
  ClientWidth = 468;
  ClientHeight = 324;
  Position = poScreenCenter;
  OnShow = Bind(this, &TWizardForm::FormShow);
  OnClose = Bind(this, &TWizardForm::FormClose);
  AddActionList(ActionList1);

  // The frame: picture column, pages, separator, buttons.
  Bevel1.Shape = TBevel::bsFrame;
  Bevel1.SetBounds(8, 8, 124, 264);
  Image1.SetBounds(10, 10, 120, 260);
  StepsPageControl.SetBounds(140, 4, 324, 272);
  Bevel2.Shape = TBevel::bsTopLine;
  Bevel2.SetBounds(8, 280, 452, 2);

  // Page 0.
  Label1.Caption = res::sWelcome;
  Label1.Bold = true;
  Label1.Centered = true;
  Label1.SetBounds(8, 4, 308, 16);
  Note(Label2, u"", 8, 24, 308, 56);
  Note(Label11, res::sBackupAdvice, 8, 88, 308, 52);
  Label3.Caption = res::sStep1;
  Label3.Bold = true;
  Label3.SetBounds(8, 150, 308, 13);
  rbModeReplace.SetBounds(16, 170, 290, 17);
  rbModeReplace.SetChecked(true);
  rbModeReplace.OnClick = Bind(this, &TWizardForm::rbModeReplaceClick);
  rbModeRestore.Caption = res::sModeRestore;
  rbModeRestore.SetBounds(16, 194, 290, 17);
  rbModeRestore.OnClick = Bind(this, &TWizardForm::rbModeReplaceClick);

  // Page 1.
  Heading(Label4, res::sStep2Restore);
  lUndo.Caption = res::sBackupFileLabel;
  lUndo.FocusControl = &edUndoFile;
  lUndo.SetBounds(8, 40, 60, 13);
  edUndoFile.SetBounds(8, 56, 228, 21);
  btRestoreBrowse.Caption = res::sRestoreBrowse;
  btRestoreBrowse.SetBounds(242, 55, 75, 23);
  btRestoreBrowse.OnClick = Bind(this, &TWizardForm::btRestoreBrowseClick);
  Note(Label5, res::sBackupFileNote, 8, 88, 308, 26);

  // Page 2.
  Heading(Label6, res::sStep2Replace);
  rbDestProject.Caption = res::sDestProject;
  rbDestProject.SetBounds(16, 32, 200, 17);
  rbDestProject.SetChecked(true);
  rbDestFolder.Caption = res::sDestFolder;
  rbDestFolder.SetBounds(16, 56, 200, 17);
  Note(Label7, res::sDestNote, 16, 200, 300, 26);

  // Page 3.
  Heading(Label8, res::sStep3Project);
  lbModules.Sorted = true;
  lbModules.SetBounds(8, 32, 220, 224);
  btSelect.Caption = res::sSelectAll;
  btSelect.SetBounds(236, 32, 80, 25);
  btSelect.OnClick = Bind(this, &TWizardForm::btSelectClick);
  btDeselect.Caption = res::sDeselectAll;
  btDeselect.SetBounds(236, 62, 80, 25);
  btDeselect.OnClick = Bind(this, &TWizardForm::btDeselectClick);

  // Page 4.
  Heading(Label9, res::sStep3Folder);
  lSource.Caption = res::sTargetFolder;
  lSource.FocusControl = &cbDirectory;
  lSource.SetBounds(8, 40, 70, 13);
  cbDirectory.SetBounds(8, 56, 228, 21);
  btBrowseFolder.Caption = res::sBrowseFolder;
  btBrowseFolder.SetBounds(242, 55, 75, 23);
  btBrowseFolder.OnClick = Bind(this, &TWizardForm::btBrowseFolderClick);
  chSubDirs.Caption = res::sIncludeSubfolders;
  chSubDirs.SetBounds(8, 88, 200, 17);

  // Page 5.
  Heading(Label10, res::sStep4);
  chMakeBackup.SetBounds(8, 32, 200, 17);
  chMakeBackup.Checked = true;
  lBackupFolder.Caption = res::sBackupFolder;
  lBackupFolder.FocusControl = &cbBackupDir;
  lBackupFolder.SetBounds(24, 56, 80, 13);
  cbBackupDir.SetBounds(24, 72, 212, 21);
  cbBackupDir.OnChange = Bind(this, &TWizardForm::cbBackupDirChange);
  btBrowseBackFolder.Caption = res::sBrowseFolder;
  btBrowseBackFolder.SetBounds(242, 71, 75, 23);
  btBrowseBackFolder.OnClick = Bind(this, &TWizardForm::btBrowseBackFolderClick);
  chWriteLog.SetBounds(8, 108, 200, 17);
  chWriteLog.Checked = true;
  Note(lblLogNote, res::sLogNote, 24, 130, 292, 26);
  chViewLog.Caption = res::sViewLogAfterReplace;
  chViewLog.SetBounds(24, 164, 200, 17);
  chFixCode.Caption = res::sFixCode;
  chFixCode.SetBounds(8, 188, 300, 17);

  // Page 6.
  Heading(Label12, res::sStep5);
  Note(Label15, res::sReviewNote, 8, 32, 308, 26);
  Label14.Caption = res::sSummaryLabel;
  Label14.SetBounds(8, 66, 60, 13);
  sbSummary.SetBounds(8, 82, 308, 178);
  lSummary.WordWrap = true;
  lSummary.SetBounds(4, 4, 280, 13);

  // Actions, in the order of the action list.
  actMakeBackup.SetCaption(res::sMakeBackup);
  actMakeBackup.OnExecute = Bind(this, &TWizardForm::actMakeBackupExecute);
  actMakeBackup.OnUpdate = Bind(this, &TWizardForm::actMakeBackupUpdate);
  actFinish.SetCaption(res::sFinish);
  actFinish.OnExecute = Bind(this, &TWizardForm::actFinishExecute);
  actFinish.OnUpdate = Bind(this, &TWizardForm::actFinishUpdate);
  actNext.SetCaption(res::sNext);
  actNext.OnExecute = Bind(this, &TWizardForm::actNextExecute);
  actNext.OnUpdate = Bind(this, &TWizardForm::actNextUpdate);
  actBack.SetCaption(res::sBack);
  actBack.OnExecute = Bind(this, &TWizardForm::actBackExecute);
  actBack.OnUpdate = Bind(this, &TWizardForm::actBackUpdate);
  actWriteLog.SetCaption(res::sWriteLog);
  actWriteLog.OnExecute = Bind(this, &TWizardForm::actWriteLogExecute);
  actWriteLog.OnUpdate = Bind(this, &TWizardForm::actWriteLogUpdate);
  for (TAction* action : {&actMakeBackup, &actFinish, &actNext, &actBack, &actWriteLog})
    ActionList1.Add(*action);
  chMakeBackup.SetAction(&actMakeBackup);
  chWriteLog.SetAction(&actWriteLog);

  // Buttons.
  btPrev.SetBounds(142, 292, 75, 25);
  btPrev.SetAction(&actBack);
  btNext.SetBounds(217, 292, 75, 25);
  btNext.SetAction(&actNext);
  btNext.Default = true;
  btFinish.SetBounds(302, 292, 75, 25);
  btFinish.SetAction(&actFinish);
  btCancel.Caption = res::sCancel;
  btCancel.SetBounds(386, 292, 75, 25);
  btCancel.Cancel = true;
  btCancel.ModalResult = mrCancel;

  OpenDialog.Filter = res::sUndoFilesFilter;
  OpenDialog.Options = TOpenDialog::ofHideReadOnly | TOpenDialog::ofPathMustExist |
                       TOpenDialog::ofFileMustExist | TOpenDialog::ofEnableSizing;

  StepsPageControl.SetActivePage(&Step1Sheet);
}

TWizardForm::~TWizardForm() = default;

TReplaceOptions& TWizardForm::Options() const {
  Assert(FReplaceOptions != nullptr, kSource);
  return *FReplaceOptions;
}

// ----- steps and caption

int TWizardForm::CurStep() const {
  const TTabSheet* page = StepsPageControl.ActivePage();
  if (page == &Step2RestoreSheet || page == &Step2ReplaceSheet) return 2;
  if (page == &Step3ProjSheet || page == &Step3DirSheet) return 3;
  if (page == &Step4Sheet) return 4;
  if (page == &FinalStepSheet) return rbModeRestore.Checked() ? 3 : 5;
  return 1;
}

int TWizardForm::StepCount() const {
  return rbModeRestore.Checked() ? 3 : StepsPageControl.PageCount() - 2;
}

std::u16string TWizardForm::MessageTitle() const {
  return MessageBoxTitle(FProductName, Options().Caption());
}

void TWizardForm::UpdateCaption() {
  Caption =
      res::Fmt(res::sWizardStepCaption, {FProductName, IntToStr(CurStep()), IntToStr(StepCount())});
}

void TWizardForm::GoNext() {
  TTabSheet* page = StepsPageControl.ActivePage();
  TTabSheet* next = page;
  TFileSystem& fs = CurrentFileSystem();
  if (page == &Step1Sheet) {
    next = rbModeRestore.Checked() ? &Step2RestoreSheet : &Step2ReplaceSheet;
  } else if (page == &Step2RestoreSheet) {
    // A relative name would depend on the current folder: it counts as missing.
    const std::u16string& undoFile = edUndoFile.Text;
    if (IsAbsolutePath(undoFile) && fs.IsFile(undoFile)) {
      BuildRestoreSummary();
      next = &FinalStepSheet;
    } else {
      WizardDialogs().MessageBox(res::Fmt(res::sUndoFileMissing, {undoFile}), MessageTitle(),
                                 TMsgBoxIcon::Information);
      edUndoFile.SetFocus();
    }
  } else if (page == &Step2ReplaceSheet) {
    if (rbDestProject.Checked()) {
      FillUnitList();
      next = &Step3ProjSheet;
    } else {
      next = &Step3DirSheet;
    }
  } else if (page == &Step3ProjSheet) {
    if (CheckUnitSelection()) {
      SetDefaultBackupDir();
      next = &Step4Sheet;
    }
  } else if (page == &Step3DirSheet) {
    const std::u16string& folder = cbDirectory.Text;
    if (IsAbsolutePath(folder) && fs.IsFolder(folder)) {
      SetDefaultBackupDir();
      next = &Step4Sheet;
    } else {
      WizardDialogs().MessageBox(res::Fmt(res::sTargetDirMissing, {folder}), MessageTitle(),
                                 TMsgBoxIcon::Information);
      cbDirectory.SetFocus();
    }
  } else if (page == &Step4Sheet) {
    BuildReplaceSummary();
    next = &FinalStepSheet;
  }
  if (next != page) StepsPageControl.SetActivePage(next);
  UpdateCaption();
}

void TWizardForm::GoBack() {
  TTabSheet* page = StepsPageControl.ActivePage();
  TTabSheet* back = page;
  if (page == &Step2RestoreSheet || page == &Step2ReplaceSheet)
    back = &Step1Sheet;
  else if (page == &Step3ProjSheet || page == &Step3DirSheet)
    back = &Step2ReplaceSheet;
  else if (page == &Step4Sheet)
    back = rbDestProject.Checked() ? &Step3ProjSheet : &Step3DirSheet;
  else if (page == &FinalStepSheet)
    back = rbModeRestore.Checked() ? &Step2RestoreSheet : &Step4Sheet;
  if (back != page) StepsPageControl.SetActivePage(back);
  UpdateCaption();
}

// ----- units

void TWizardForm::FillUnitList() {
  if (lbModules.Count() > 0) return;
  const int count = TIDEUtils::GetUnitCount();
  for (int i = 0; i < count; ++i) {
    const std::u16string name = TIDEUtils::GetUnitName(i);
    if (IsPascalUnitFile(name)) lbModules.Add(ExtractFileName(name));
  }
  btSelectClick(&btSelect);
}

bool TWizardForm::CheckUnitSelection() {
  for (int i = 0; i < lbModules.Count(); ++i)
    if (lbModules.Checked(i)) return true;
  WizardDialogs().MessageBox(std::u16string(res::sSelectOneUnit), MessageTitle(),
                             TMsgBoxIcon::Information);
  lbModules.SetFocus();
  return false;
}

// ----- backup folder

void TWizardForm::SetDefaultBackupDir() {
  if (FBackupDirModified) return;
  const std::u16string base =
      rbDestProject.Checked() ? ExtractFileDir(FProjectName) : cbDirectory.Text;
  cbBackupDir.Text = JoinPath(base, res::sBackupFolderName);
}

std::u16string TWizardForm::GetBackupDir() {
  const std::u16string& text = cbBackupDir.Text;
  if (!text.empty() && HasDrivePart(text)) return text;
  const std::u16string base =
      rbDestProject.Checked() ? ExtractFilePath(FProjectName) : cbDirectory.Text;
  return JoinPath(base, text);
}

void TWizardForm::AddToHistory(TComboBox& comboBox) {
  const std::u16string text = comboBox.Text;
  TStringList& items = comboBox.Items;
  if (text.empty() || items.IndexOf(text) >= 0) return;
  if (items.Count() == 0)
    items.Add(text);
  else
    items.Insert(0, text);
  while (items.Count() > kHistorySize) items.Delete(items.Count() - 1);
}

void TWizardForm::SetItemsText(TComboBox& comboBox, std::u16string_view text) {
  comboBox.Items.SetText(text);
}

// ----- summaries

void TWizardForm::BuildRestoreSummary() {
  ShowFinalStepTexts();
  std::u16string summary = std::u16string(res::sSummaryMode) + std::u16string(res::sSummaryRestore);
  summary += LF;
  summary += LF;
  summary += res::Fmt(res::sSummaryUndoFile, {edUndoFile.Text});
  summary += LF;
  summary += LF;
  lSummary.Caption = summary;
}

void TWizardForm::ShowFinalStepTexts() {
  const bool restore = rbModeRestore.Checked();
  Label12.Caption = restore ? res::sStep3RestoreSummary : res::sStep5;
  Label15.Caption = restore ? res::sRestoreReviewNote : res::sReviewNote;
}

std::u16string TWizardForm::SummarySourceName() {
  return Options().SourceName();
}

void TWizardForm::BuildReplaceSummary() {
  ShowFinalStepTexts();
  std::u16string summary(res::sSummaryMode);
  summary += res::Fmt(res::sSummaryReplace, {SummarySourceName()});
  summary += std::u16string(LF) + std::u16string(LF) + std::u16string(res::sSummaryScan);
  if (rbDestProject.Checked())
    summary += res::sSummaryProject;
  else
    summary += res::Fmt(res::sSummaryFolder, {cbDirectory.Text});
  summary += std::u16string(LF) + std::u16string(LF);
  if (chMakeBackup.Checked) summary += res::Fmt(res::sSummaryBackupDir, {GetBackupDir()}) + u"\n\n";
  if (chWriteLog.Checked) {
    summary += std::u16string(res::sSummaryWriteLog) + u"\n\n";
    if (chViewLog.Checked) summary += std::u16string(res::sSummaryViewLog) + u"\n\n";
  }
  if (chFixCode.Checked) summary += std::u16string(res::sSummaryFixCode) + u"\n\n";
  if (rbDestProject.Checked()) {
    summary += std::u16string(res::sSummaryUnits) + u"\n";
    for (int i = 0; i < lbModules.Count(); ++i)
      if (lbModules.Checked(i)) summary += lbModules.Item(i) + u"\n";
  }
  lSummary.Caption = summary;
}

// ----- state in the settings store

void TWizardForm::LoadState(const TRegIniFile& iniFile, std::u16string_view section) {
  Left = iniFile.ReadInteger(section, res::sValLeft, Left);
  Top = iniFile.ReadInteger(section, res::sValTop, Top);
  SetItemsText(cbDirectory, iniFile.ReadString(section, res::sValDirHistory, u""));
  SetItemsText(cbBackupDir, iniFile.ReadString(section, res::sValBackDirHistory, u""));
  if (iniFile.ReadBool(section, res::sValReplaceMode, rbModeReplace.Checked()))
    rbModeReplace.SetChecked(true);
  else
    rbModeRestore.SetChecked(true);
  edUndoFile.Text = iniFile.ReadString(section, res::sValLastUndo, edUndoFile.Text);
}

void TWizardForm::SaveState(TRegIniFile& iniFile, std::u16string_view section) {
  iniFile.WriteInteger(section, res::sValLeft, Left);
  iniFile.WriteInteger(section, res::sValTop, Top);
  iniFile.WriteString(section, res::sValDirHistory, cbDirectory.Items.Text());
  iniFile.WriteString(section, res::sValBackDirHistory, cbBackupDir.Items.Text());
  iniFile.WriteBool(section, res::sValReplaceMode, rbModeReplace.Checked());
  // After a restore the undo file just used is the one to offer again (the
  // backup folder field is not filled on that path); after a replace it is
  // the one the run wrote into the backup folder.
  std::u16string lastUndo;
  if (rbModeRestore.Checked())
    lastUndo = edUndoFile.Text;
  else if (chMakeBackup.Checked)
    lastUndo = JoinPath(GetBackupDir(), res::sUndoFileName);
  iniFile.WriteString(section, res::sValLastUndo, lastUndo);
}

// ----- the virtual queries

int TWizardForm::GetWizardMode() {
  return rbModeRestore.Checked() ? kRestoreMode : 0;
}

void TWizardForm::SetLabel2Caption(std::u16string_view sourceName,
                                   std::u16string_view productName) {
  Label2.Caption = res::Fmt(res::sWelcomeText, {productName, sourceName, productName});
}

std::u16string TWizardForm::GetConnectionDefFileName() {
  return {};
}

std::u16string TWizardForm::GetDriverConfFileName() {
  return {};
}

std::u16string TWizardForm::GetAliasFileName() {
  return {};
}

std::u16string TWizardForm::GetRuleFileNames() {
  return {};
}

// ----- event handlers

void TWizardForm::FormShow(TComponent*) {
  const TReplaceOptions& options = Options();
  Image1.Stretch = true;
  FProjectName = TIDEUtils::GetProjectName();
  rbDestProject.Enabled = !FProjectName.empty();
  if (!FProjectName.empty() && options.Dest == sdProject)
    rbDestProject.SetChecked(true);
  else
    rbDestFolder.SetChecked(true);
  cbDirectory.Text = options.Directory;
  chSubDirs.Checked = options.IncludeSubDirs;
  cbBackupDir.Text.clear();
  chMakeBackup.Checked = options.MakeBackup;
  chWriteLog.Checked = options.WriteLog;
  chViewLog.Checked = options.ViewLog;
  chFixCode.Checked = options.FixCode;
  StepsPageControl.SetActivePage(&Step1Sheet);
  UpdateCaption();
}

void TWizardForm::FormClose(TComponent*) {
  lbModules.Clear();
}

void TWizardForm::rbModeReplaceClick(TComponent*) {
  UpdateCaption();
}

void TWizardForm::btRestoreBrowseClick(TComponent*) {
  OpenDialog.InitialDir = ExtractFilePath(edUndoFile.Text);
  if (OpenDialog.Execute()) edUndoFile.Text = OpenDialog.FileName;
}

void TWizardForm::btSelectClick(TComponent*) {
  for (int i = 0; i < lbModules.Count(); ++i) lbModules.SetChecked(i, true);
}

void TWizardForm::btDeselectClick(TComponent*) {
  for (int i = 0; i < lbModules.Count(); ++i) lbModules.SetChecked(i, false);
}

void TWizardForm::btBrowseFolderClick(TComponent*) {
  std::u16string folder;
  if (SelectDirectory(std::u16string(res::sSelectDirectory), u"", folder))
    cbDirectory.Text = folder;
}

void TWizardForm::btBrowseBackFolderClick(TComponent*) {
  std::u16string folder;
  if (SelectDirectory(std::u16string(res::sSelectDirectory), u"", folder)) {
    cbBackupDir.Text = folder;
    FBackupDirModified = true;
  }
}

void TWizardForm::cbBackupDirChange(TComponent*) {
  FBackupDirModified = true;
}

void TWizardForm::actNextExecute(TComponent*) {
  GoNext();
}

void TWizardForm::actNextUpdate(TComponent*) {
  const TTabSheet* page = StepsPageControl.ActivePage();
  if (page == &Step2RestoreSheet)
    actNext.SetEnabled(!edUndoFile.Text.empty());
  else if (page == &Step3DirSheet)
    actNext.SetEnabled(!cbDirectory.Text.empty());
  else
    actNext.SetEnabled(page != &FinalStepSheet);
}

void TWizardForm::actBackExecute(TComponent*) {
  GoBack();
}

void TWizardForm::actBackUpdate(TComponent*) {
  actBack.SetEnabled(StepsPageControl.ActivePage() != &Step1Sheet);
}

void TWizardForm::actFinishExecute(TComponent*) {
  TReplaceOptions& options = Options();
  if (rbDestProject.Checked()) {
    options.Dest = sdProject;
    for (int i = 0; i < lbModules.Count();)
      if (lbModules.Checked(i))
        ++i;
      else
        lbModules.Delete(i);
    options.ModuleList = lbModules.Text();
  } else {
    options.Dest = sdDirectory;
  }
  options.Directory = cbDirectory.Text;
  options.IncludeSubDirs = chSubDirs.Checked;
  options.MakeBackup = chMakeBackup.Checked;
  options.ConnectionDefFileName = GetConnectionDefFileName();
  options.DriverConfFileName = GetDriverConfFileName();
  options.AliasFileName = GetAliasFileName();
  options.RuleFileNames = GetRuleFileNames();
  options.BackupDir = GetBackupDir();
  options.WriteLog = chWriteLog.Checked;
  options.ViewLog = chViewLog.Checked;
  options.FixCode = chFixCode.Checked;
  UpdateHistories();
  SetModalResult(mrOk);
}

void TWizardForm::UpdateHistories() {
  AddToHistory(cbDirectory);
  AddToHistory(cbBackupDir);
}

void TWizardForm::actFinishUpdate(TComponent*) {
  const bool last = StepsPageControl.ActivePage() == &FinalStepSheet;
  actFinish.SetEnabled(last);
  // Enter presses the button that goes on: Next, and Finish on the last page.
  btNext.Default = !last;
  btFinish.Default = last;
}

void TWizardForm::actMakeBackupExecute(TComponent*) {}

void TWizardForm::actMakeBackupUpdate(TComponent*) {
  const bool enabled = chMakeBackup.Checked;
  lBackupFolder.Enabled = enabled;
  cbBackupDir.Enabled = enabled;
  btBrowseBackFolder.Enabled = enabled;
}

void TWizardForm::actWriteLogExecute(TComponent*) {}

void TWizardForm::actWriteLogUpdate(TComponent*) {
  const bool enabled = chWriteLog.Checked;
  chViewLog.Enabled = enabled;
  lblLogNote.Enabled = enabled;
}

}  // namespace zan
