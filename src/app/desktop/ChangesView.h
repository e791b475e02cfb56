// TChangesView: the host's Changes view, shown after a replace run. It lists
// the files the run changed (those its undo file names) and shows the chosen
// one side by side: the backup on the left, the file as the run left it on
// the right, line by line, with the lines that differ marked (removed on the
// left, added on the right) and blank rows where one side has nothing; the
// two sides scroll together. Binary forms are shown as text.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "app/desktop/RunChanges.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;

namespace zan {

class TChangesView : public QWidget {
  Q_OBJECT

 public:
  explicit TChangesView(QWidget* parent = nullptr);

  /// Lists the files that `undoFile` names, read through `fs` (not owned; it
  /// must outlive the view), with names relative to `baseFolder` where they
  /// lie in it, and shows the first. An unreadable undo file is said in the summary.
  void ShowRun(TFileSystem& fs, const std::u16string& undoFile, const std::u16string& baseFolder);
  /// Shows nothing (the project was closed or restored).
  void Clear();
  /// Shows file `index` of the list.
  void SelectFile(int index);

  int FileCount() const { return static_cast<int>(FChanges.size()); }
  const std::u16string& UndoFile() const { return FUndoFile; }
  /// The comparison shown (empty when none).
  const TSideBySide& Shown() const { return FShown; }
  QLabel* Summary() const { return FSummary; }
  QListWidget* FileList() const { return FFileList; }
  QPlainTextEdit* BackupText() const { return FBackupText; }
  QPlainTextEdit* CurrentText() const { return FCurrentText; }

 private:
  void ShowComparison();

  TFileSystem* FFileSystem = nullptr;
  std::u16string FUndoFile;
  std::u16string FBaseFolder;
  std::vector<TFileChange> FChanges;
  TSideBySide FShown;

  QLabel* FSummary = nullptr;
  QListWidget* FFileList = nullptr;
  QLabel* FBackupTitle = nullptr;
  QLabel* FCurrentTitle = nullptr;
  QPlainTextEdit* FBackupText = nullptr;
  QPlainTextEdit* FCurrentText = nullptr;
};

}  // namespace zan
