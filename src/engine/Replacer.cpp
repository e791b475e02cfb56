#include "engine/Replacer.h"

#include <utility>

#include "engine/RExpertRes.h"
#include "engine/TextFile.h"
#include "ide/FileCase.h"
#include "ide/HostServices.h"
#include "ide/IDEUtils.h"
#include "parsing/PasParser.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {

/// Runs a clean-up when the scope ends, also by an exception. The clean-ups of
/// a run must not hide the error that ended it, so theirs are dropped.
template <typename F>
class TFinally {
 public:
  explicit TFinally(F action) : FAction(std::move(action)) {}
  ~TFinally() {
    try {
      FAction();
    } catch (...) {
    }
  }
  TFinally(const TFinally&) = delete;
  TFinally& operator=(const TFinally&) = delete;

 private:
  F FAction;
};

/// The index of a source class's target in FNewComps, carried by FOldComps.
class TPairIndex : public TObject {
 public:
  explicit TPairIndex(int index) : Index(index) {}
  int Index;
};

}  // namespace

bool TComponentReplacer::IsUnitFile(std::u16string_view fileName) {
  const std::u16string ext = UpperCase(ExtractFileExt(fileName));
  return ext == u".PAS" || ext == u".DPR";
}

TComponentReplacer::TComponentReplacer(std::u16string_view oldUsesUnit,
                                       std::u16string_view newUsesList,
                                       TReplaceOptions& replaceOptions)
    : FLog(std::make_unique<TLogWriter>()),
      FNewUsesList(newUsesList),
      FReplaceOptions(replaceOptions),
      FFormFileStep(std::make_unique<TFormFileStep>()) {
  FOldComps.SetSorted(true);
  // Paths on Linux differ by letter case: the undo list keeps them apart.
  FUndoList.SetCaseSensitive(true);
  FLog->SetHeader(FReplaceOptions.Caption() + std::u16string(res::sLogHeaderSuffix));
  FLog->SetCreationTimeString(res::sLogCreatedAt);
  FLog->SetEmptyLineAfterString(true);
  const std::u16string units = AnsiUpperCase(oldUsesUnit);
  size_t start = 0;
  while (true) {
    size_t comma = units.find(u',', start);
    FOldUsesList.Add(std::u16string_view(units).substr(
        start, comma == std::u16string::npos ? std::u16string::npos : comma - start));
    if (comma == std::u16string::npos) break;
    start = comma + 1;
  }
  FOldUsesList.SetSorted(true);
}

TComponentReplacer::~TComponentReplacer() = default;

std::u16string TComponentReplacer::ReplaceClassName(const std::u16string&,
                                                    const std::u16string& newName) {
  return newName;
}

std::u16string TComponentReplacer::GetNewClassName(const std::u16string& name) {
  const std::u16string* target = FindNewClassName(name);
  return target ? ReplaceClassName(name, *target) : name;
}

void TComponentReplacer::AddReplacePair(std::u16string_view oldComp, std::u16string_view newComp) {
  const int index = FNewComps.Add(newComp);
  FOldComps.AddObject(oldComp, std::make_unique<TPairIndex>(index));
  // The first pair for a name wins, as in the sorted list above.
  FPairIndex.Add(oldComp, index);
}

void TComponentReplacer::ClearPairs() {
  FNewComps.Clear();
  FOldComps.Clear();
  FPairIndex.Clear();
}

const std::u16string* TComponentReplacer::FindNewClassName(std::u16string_view name) const {
  const int index = FPairIndex.Find(name);
  return index < 0 ? nullptr : &FNewComps[index];
}

std::u16string TComponentReplacer::DoGetPropertyValue(const std::u16string& propName,
                                                      const std::u16string& oldPropValue) {
  Assert(propName == u"DatabaseName", "MigWizard\\Replacer");
  return FDBList.Values(oldPropValue);
}

void TComponentReplacer::SetFormFileStep(std::unique_ptr<TFormFileStep> step) {
  FFormFileStep = step ? std::move(step) : std::make_unique<TFormFileStep>();
}

void TComponentReplacer::SetFileSystem(TFileSystem* fs) {
  // The log writer binds its file system when it is made: make a new one
  // with the same settings.
  auto log = std::make_unique<TLogWriter>(fs);
  log->SetHeader(FLog->Header());
  log->SetCreationTimeString(FLog->CreationTimeString());
  log->SetEmptyLineAfterString(FLog->EmptyLineAfterString());
  FLog = std::move(log);
  FFileSystem = fs;
}

TFileSystem& TComponentReplacer::FileSystem() const {
  return FFileSystem ? *FFileSystem : CurrentFileSystem();
}

// ----- the replace run

TStringList TComponentReplacer::CheckRunScope() {
  TFileSystem& fs = FileSystem();
  TStringList selected;
  if (FReplaceOptions.Dest == sdDirectory) {
    // A relative folder would depend on the current folder: never taken.
    if (!IsAbsolutePath(FReplaceOptions.Directory) || !fs.IsFolder(FReplaceOptions.Directory))
      throw EFileError(res::Fmt(res::sFolderMissing, {FReplaceOptions.Directory}));
    return selected;
  }
  const std::u16string project = TIDEUtils::GetProjectName();
  if (project.empty()) throw Exception(res::sNoProjectOpen);
  // The selection: bare file names, each replaced by the full path of the
  // project module of that name. A name that matches no module is an error,
  // never a file looked for in the current folder.
  selected.SetText(FReplaceOptions.ModuleList);
  for (int i = selected.Count() - 1; i >= 0; --i)
    if (Trim(selected[i]).empty()) selected.Delete(i);
  TStringList resolved;
  resolved.Assign(selected);
  const int unitCount = TIDEUtils::GetUnitCount();
  for (int m = 0; m < unitCount; ++m) {
    const std::u16string module = TIDEUtils::GetUnitName(m);
    if (module.size() < 4 || UpperCase(module.substr(module.size() - 4)) != u".PAS") continue;
    const int index = resolved.IndexOf(ExtractFileName(module));
    if (index >= 0) resolved.SetString(index, module);
  }
  for (int i = 0; i < resolved.Count(); ++i) {
    const std::u16string& path = resolved[i];
    if (!IsAbsolutePath(path)) throw Exception(res::Fmt(res::sUnitNotInProject, {path, project}));
    if (!fs.IsFile(path)) throw EFileError(res::Fmt(res::sUnitFileMissing, {path, project}));
    // The temporary and backup folders of a project run are flat: two files
    // of one name would overwrite each other there.
    for (int j = 0; j < i; ++j)
      if (AnsiSameText(ExtractFileName(resolved[j]), ExtractFileName(path)))
        throw Exception(res::Fmt(res::sSameBareName, {resolved[j], path}));
  }
  return resolved;
}

bool TComponentReplacer::PerformReplace() {
  FUndoList.Clear();
  FUndoIndex.clear();
  FChangedFilesCount = 0;
  if (FReport) FReport->Clear();
  const TStringList projectUnits = CheckRunScope();

  std::u16string logFile;
  if (FReplaceOptions.WriteLog && !FDryRun) {
    const std::u16string folder = FReplaceOptions.Dest == sdDirectory
                                      ? FReplaceOptions.Directory
                                      : ExtractFileDir(TIDEUtils::GetProjectName());
    logFile = JoinPath(folder, res::sLogFileName);
    FLog->OpenLogFile(logFile);
    if (FReport) FReport->LogFile = logFile;
  }
  bool result = false;
  {
    TFinally closeLog([this] {
      FLog->CloseLogFile();
      StopWait();
    });
    StartWait();
    InitUnitList(projectUnits);
    {
      TFinally emptyList([this] {
        FUnitList.Clear();
        FFolderListings.Clear();
      });
      if (!FDryRun) CreateBackupFolder();
      FLog->WriteLine(res::sAllocatingTempFolder);
      const std::u16string tempFolder = CreateTempFolder(res::sTempFolderPrefix, 1, &FileSystem());
      if (tempFolder.empty()) {
        std::u16string tempRoot;
        if (!FileSystem().GetTempFolder(tempRoot)) throw EFileError(res::sTempFolderUnavailable);
        throw EFileError(res::Fmt(res::sFailedToCreateTempFolder, {tempRoot}));
      }
      {
        TFinally removeTemp([this, &tempFolder] { DeleteFolderTree(tempFolder, &FileSystem()); });
        FDBList.Clear();
        const int n0 = FUnitList.Count();
        bool twoPass = FReplaceOptions.Dest == sdProject;
        std::u16string relPath;
        int i = 0;
        while (i < FUnitList.Count()) {
          const std::u16string item = FUnitList[i];
          if (FReplaceOptions.Dest == sdDirectory) {
            relPath = RelativeToDirectory(item);
            ForceFolder(JoinPath(tempFolder, ExtractFilePath(relPath)), &FileSystem());
          }
          if (twoPass && i >= n0) {
            const std::string bytes = FileSystem().ReadFile(item);
            FFormFileStep->CollectDatabaseNames(*this, item, bytes);
            if (i == FUnitList.Count() - 1) {
              twoPass = false;
              i = n0;
              continue;
            }
          } else if (ConvertFormsInLanes(i, tempFolder)) {
            break;  // the forms were the rest of the list
          } else {
            const int before = FChangedFilesCount;
            ProcessFile(item, JoinPath(tempFolder, ExtractFilePath(relPath)));
            if (FChangedFilesCount > before && FReplaceOptions.MakeBackup && !FDryRun)
              BackupFile(item, relPath);
          }
          ++i;
        }
        if (FDryRun) {
          result = true;
        } else {
          const std::u16string undoFile = JoinPath(FReplaceOptions.BackupDir, res::sUndoFileName);
          // The undo file is on disk before the first original is overwritten,
          // so that an interrupted run leaves a restorable backup set.
          if (FReplaceOptions.MakeBackup && FChangedFilesCount > 0) SaveUndoFile(undoFile);
          result = ReplaceOriginalFiles(tempFolder);
          if (FReplaceOptions.MakeBackup) {
            SaveUndoFile(undoFile);
            FLog->WriteLine(res::Fmt(res::sBackupFile, {undoFile}));
            if (FReport) FReport->UndoFile = undoFile;
          }
        }
        FLog->WriteLine(res::sRemovingTempFolder);
      }
    }
    FLog->WriteLine(result ? res::sReplaceSucceeded : res::sReplaceFailed);
  }
  if (FReport) {
    FReport->Result = result;
    FReport->Completed = true;
  }
  if (!logFile.empty() && FReplaceOptions.ViewLog) Shell().Open(logFile);
  return result;
}

void TComponentReplacer::InitUnitList(const TStringList& projectUnits) {
  FLog->WriteLine(res::sInitializingUnitList);
  FUnitList.Clear();
  FFolderListings.Clear();
  if (FReplaceOptions.Dest == sdDirectory)
    ScanFolder(FReplaceOptions.Directory, FReplaceOptions.IncludeSubDirs);
  else
    FUnitList.Assign(projectUnits);
  FFormFileStep->SetConfigFiles(FReplaceOptions.ConnectionDefFileName,
                                FReplaceOptions.DriverConfFileName);
}

void TComponentReplacer::ScanFolder(const std::u16string& folder, bool recurse) {
  for (const TFolderEntry& entry : FileSystem().ListFolder(folder)) {
    if (entry.IsFolder) {
      if (recurse) ScanFolder(JoinPath(folder, entry.Name), recurse);
    } else if (IsUnitFile(entry.Name)) {
      FUnitList.Add(JoinPath(folder, entry.Name));
    }
  }
}

std::u16string TComponentReplacer::RelativeToDirectory(const std::u16string& fileName) const {
  const std::u16string root = IncludeTrailingPathDelimiter(FReplaceOptions.Directory);
  if (fileName.size() > root.size() && fileName.compare(0, root.size(), root) == 0)
    return fileName.substr(root.size());
  return ExtractFileName(fileName);
}

void TComponentReplacer::ProcessFile(const std::u16string& fileName,
                                     const std::u16string& targetFolder) {
  FLog->WriteLine(res::Fmt(res::sProcessingFile, {fileName}));
  BusyIndicator().Step(fileName);
  TFileSystem& fs = FileSystem();
  const std::string bytes = fs.ReadFile(fileName);
  const std::u16string target = JoinPath(targetFolder, ExtractFileName(fileName));
  if (IsUnitFile(fileName)) {
    TTextEncoding encoding;
    const std::u16string text = ReadTextFile(bytes, encoding, fileName);
    ProcessSourceText(text, fileName, encoding, target);
    return;
  }
  TFormFileStep::TResult form = FFormFileStep->ProcessFormFile(*this, fileName, bytes);
  if (form.Changes > 0 && form.Encode) form.Bytes = form.Encode();
  LogChangeCount(form.Changes);
  if (form.Changes > 0) {
    fs.WriteFile(target, form.Bytes);
    ++FChangedFilesCount;
  }
  RecordFile(fileName, form.Changes, form.Changes > 0);
}

void TComponentReplacer::LogChangeCount(int changeCount) {
  if (changeCount == 0)
    FLog->WriteLine(res::sNoChanges);
  else
    FLog->WriteLine(IntToStr(changeCount) + std::u16string(res::sChanges));
}

void TComponentReplacer::RecordFile(const std::u16string& fileName, int changes, bool changed) {
  if (FReport) FReport->Files.push_back({fileName, changes, changed});
}

void TComponentReplacer::AddDiscoveredFile(const std::u16string& fileName) {
  if (FReplaceOptions.Dest == sdProject) {
    // The flat temporary and backup folders of a project run cannot take two
    // different files of one name.
    const std::u16string name = ExtractFileName(fileName);
    for (int i = 0; i < FUnitList.Count(); ++i)
      if (FUnitList[i] != fileName && AnsiSameText(ExtractFileName(FUnitList[i]), name))
        throw Exception(res::Fmt(res::sSameBareName, {FUnitList[i], fileName}));
  }
  FUnitList.Add(fileName);
}

bool TComponentReplacer::ReplaceOriginalFiles(const std::u16string& tempFolder) {
  if (FChangedFilesCount > 0) FLog->WriteLine(res::sReplacingOriginals);
  TFileSystem& fs = FileSystem();
  if (FReplaceOptions.Dest == sdDirectory)
    return MoveFolderTree(tempFolder, FReplaceOptions.Directory, &fs);
  bool result = true;
  for (int i = 0; i < FUnitList.Count(); ++i) {
    const std::u16string& original = FUnitList[i];
    const std::u16string changed = JoinPath(tempFolder, ExtractFileName(original));
    if (!fs.IsFile(changed)) continue;
    if (TFileStatus status = fs.MoveFile(changed, original); !status) {
      result = false;
      if (FReport) FReport->Errors.push_back(Utf8ToUtf16(status.Message()));
    }
  }
  return result;
}

}  // namespace zan
