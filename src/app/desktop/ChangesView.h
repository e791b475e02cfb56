// TChangesView: the host's Changes view, shown after a replace run. It lists
// the files the run changed (those its undo file names) and shows the chosen
// one side by side: the backup on the left, the file as the run left it on
// the right, line by line, with the lines that differ marked (removed on the
// left, added on the right), the characters that differ inside a changed
// line marked more strongly, and blank rows where one side has nothing. The
// two sides scroll together; their line numbers stand in a margin of their
// own, so they stay in view when the text is scrolled sideways. Next and
// Previous (Alt+Down, Alt+Up) go from one block of changes to the next;
// "Ignore blanks" compares the lines without their blanks and tabs. Binary
// forms are shown as text.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "app/desktop/RunChanges.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace zan {

class TDiffSide;

class TChangesView : public QWidget {
  Q_OBJECT

 public:
  explicit TChangesView(QWidget* parent = nullptr);

  /// Lists the files that `undoFile` names, read through `fs` (not owned; it
  /// must outlive the view) in the ANSI code page `codePage`, with names
  /// relative to `baseFolder` where they lie in it, and shows the first. An
  /// unreadable undo file is said in the summary.
  void ShowRun(TFileSystem& fs, const std::u16string& undoFile, const std::u16string& baseFolder,
               int codePage);
  /// Shows nothing (the project was closed or restored).
  void Clear();
  /// Shows file `index` of the list.
  void SelectFile(int index);

  /// The blocks of changed rows of the file shown, and the one last gone to
  /// (-1: none yet). GoToChange scrolls both sides to block `index`.
  int ChangeCount() const { return static_cast<int>(FChangeStarts.size()); }
  int CurrentChange() const { return FCurrentChange; }
  /// The first row of block `index`.
  int ChangeStart(int index) const { return FChangeStarts[static_cast<size_t>(index)]; }
  void GoToChange(int index);
  void NextChange();
  void PreviousChange();
  /// Compares the lines without their blanks and tabs (the texts shown keep them).
  void SetIgnoreBlanks(bool ignore);

  int FileCount() const { return static_cast<int>(FChanges.size()); }
  const std::u16string& UndoFile() const { return FUndoFile; }
  /// The comparison shown (empty when none); its rows follow "Ignore blanks".
  const TSideBySide& Shown() const { return FShown; }
  QLabel* Summary() const { return FSummary; }
  QListWidget* FileList() const { return FFileList; }
  QPlainTextEdit* BackupText() const;
  QPlainTextEdit* CurrentText() const;
  /// The margin holding the line numbers of the backup's or the current side.
  QWidget* BackupLineNumbers() const;
  QWidget* CurrentLineNumbers() const;
  QPushButton* NextButton() const { return FNextButton; }
  QPushButton* PreviousButton() const { return FPreviousButton; }
  QCheckBox* IgnoreBlanksBox() const { return FIgnoreBlanks; }

 private:
  void Compare();
  void ShowComparison();
  void UpdateButtons();

  TFileSystem* FFileSystem = nullptr;
  std::u16string FUndoFile;
  std::u16string FBaseFolder;
  std::vector<TFileChange> FChanges;
  TSideBySide FShown;
  std::vector<int> FChangeStarts;
  int FCurrentChange = -1;

  QLabel* FSummary = nullptr;
  QListWidget* FFileList = nullptr;
  QLabel* FBackupTitle = nullptr;
  QLabel* FCurrentTitle = nullptr;
  TDiffSide* FBackupSide = nullptr;
  TDiffSide* FCurrentSide = nullptr;
  QPushButton* FPreviousButton = nullptr;
  QPushButton* FNextButton = nullptr;
  QLabel* FChangeLabel = nullptr;
  QCheckBox* FIgnoreBlanks = nullptr;
};

}  // namespace zan
