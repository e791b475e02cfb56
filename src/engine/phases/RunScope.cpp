#include "engine/phases/RunScope.h"

#include "engine/catalogue/ReplaceOptions.h"
#include "engine/files/FileUtils.h"
#include "engine/phases/ProjectClosure.h"
#include "engine/report/RExpertRes.h"
#include "ide/ProjectFile.h"
#include "ide/ToolsAPI.h"
#include "rtl/Paths.h"
#include "rtl/StringList.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {

void ScanFolder(const TRunState& state, const std::u16string& folder, std::vector<TWorkItem>& units,
                std::vector<std::u16string>& warnings) {
  const std::u16string& root = state.Options.Directory;
  // Listed into the run's cache: the forms the units name are looked up in
  // these listings later, without listing or asking about a file again.
  TFileStatus listed;
  const std::vector<TFolderEntry>* entries =
      state.FolderListings.Entries(state.Fs, folder, &listed);
  if (!entries) listed.Check();  // raises, naming the folder and why
  for (const TFolderEntry& entry : *entries) {
    const std::u16string path = JoinPath(folder, entry.Name);
    if (entry.IsFolder) {
      if (!state.Options.IncludeSubDirs) continue;
      if (HasRawFileNameBytes(entry.Name))
        warnings.push_back(res::Fmt(res::sRawFolderNameSkipped, {EscapedFileName(path)}));
      else if (entry.IsLink)
        warnings.push_back(res::Fmt(res::sFolderLinkSkipped, {path}));
      else
        ScanFolder(state, path, units, warnings);
    } else if (IsSourceUnitFile(entry.Name)) {
      // The listing says already whether the entry is a link.
      if (const std::u16string why = WhyFileIsLeft(path, entry.IsLink, entry.IsSpecial);
          !why.empty())
        warnings.push_back(why);
      else
        units.push_back({path, RelativeToFolder(root, path), true});
    }
  }
}

}  // namespace

std::u16string WhyFileIsLeft(const std::u16string& path, bool isLink, bool isSpecial) {
  // Such a name cannot go into the undo file as the bytes it is on disk.
  if (HasRawFileNameBytes(path)) return res::Fmt(res::sRawNameSkipped, {EscapedFileName(path)});
  if (path.find_first_of(u"\r\n") != std::u16string::npos)
    return res::Fmt(res::sLineBreakSkipped, {path});
  if (isLink) return res::Fmt(res::sFileLinkSkipped, {path});
  // Reading a pipe would wait for a writer; a device is no source file.
  if (isSpecial) return res::Fmt(res::sSpecialFileSkipped, {path});
  return {};
}

std::u16string WhyFileIsLeft(TFileSystem& fs, const std::u16string& path) {
  return WhyFileIsLeft(path, fs.IsLink(path), fs.GetAttributes(path).IsSpecial);
}

std::u16string RelativeToFolder(const std::u16string& root, const std::u16string& fileName) {
  const std::u16string prefix = IncludeTrailingPathDelimiter(root);
  if (fileName.size() > prefix.size() && fileName.compare(0, prefix.size(), prefix) == 0)
    return fileName.substr(prefix.size());
  return ExtractFileName(fileName);
}

TRunScope TRunScope::Check(const TRunState& state,
                           const std::vector<std::u16string>& selectedUnits) {
  const TReplaceOptions& options = state.Options;
  TFileSystem& fs = state.Fs;
  TRunScope scope;
  if (options.Dest == sdDirectory) {
    // A relative folder would depend on the current folder: never taken.
    if (!IsAbsolutePath(options.Directory) || !fs.IsFolder(options.Directory))
      throw EFileError(res::Fmt(res::sFolderMissing, {options.Directory}));
    return scope;
  }
  const std::shared_ptr<IOTAProject>& project = state.Context.Project;
  scope.FProjectFileName = project ? project->GetFileName() : std::u16string();
  if (scope.FProjectFileName.empty()) throw Exception(res::sNoProjectOpen);
  // The selection: bare file names, each replaced by the full path of the
  // project module of that name. A name that matches no module is an error,
  // never a file looked for in the current folder.
  TStringList resolved;
  for (const std::u16string& name : selectedUnits)
    if (!Trim(name).empty()) resolved.Add(name);
  const int moduleCount = project->GetModuleCount();
  int modules = 0, selected = 0;
  for (int m = 0; m < moduleCount; ++m) {
    auto info = project->GetModule(m);
    const std::u16string module = info ? info->GetFileName() : std::u16string();
    if (!IsPascalUnitFile(module)) continue;
    ++modules;
    const int index = resolved.IndexOf(ExtractFileName(module));
    if (index >= 0) resolved.SetString(index, module);
    selected += index >= 0;
  }
  std::vector<std::u16string> listed;
  for (int i = 0; i < resolved.Count(); ++i) {
    const std::u16string& path = resolved[i];
    if (!IsAbsolutePath(path))
      throw Exception(res::Fmt(res::sUnitNotInProject, {path, scope.FProjectFileName}));
    if (!fs.IsFile(path))
      throw EFileError(res::Fmt(res::sUnitFileMissing, {path, scope.FProjectFileName}));
    // The temporary and backup folders of a project run are flat: two files
    // of one name would overwrite each other there.
    for (int j = 0; j < i; ++j)
      if (AnsiSameText(ExtractFileName(resolved[j]), ExtractFileName(path)))
        throw Exception(res::Fmt(res::sSameBareName, {resolved[j], path}));
    listed.push_back(path);
  }
  scope.TakeClosure(state, listed, selected == modules);
  return scope;
}

void TRunScope::TakeClosure(const TRunState& state, const std::vector<std::u16string>& listed,
                            bool wholeProject) {
  TClosureOptions options;
  options.FollowUses = state.Context.FollowUses;
  options.WithProgram = wholeProject;
  options.CodePage = state.Context.CodePage;
  if (state.Options.MakeBackup) options.SkipFolders.push_back(state.Options.BackupDir);
  // A project the host holds but the file system lacks (a host's own
  // model) has no program and no search path: its listed units only.
  TProjectFile file;
  file.FileName = FProjectFileName;
  if (state.Fs.IsFile(FProjectFileName)) file = ReadProjectFile(state.Fs, FProjectFileName);
  TProjectClosure closure = TProjectClosure::Build(state.Fs, file, listed, options);
  FProjectUnits = closure.Units();
  FClosureWarnings = closure.Warnings();
}

std::vector<std::u16string> TRunScope::LockedFolders(const TRunState& state) const {
  std::vector<std::u16string> folders{BaseFolder(state)};
  for (const TProjectClosure::TUnit& unit : FProjectUnits)
    if (!FolderHolds(folders.front(), unit.Path)) folders.push_back(ExtractFileDir(unit.Path));
  return folders;
}

std::u16string TRunScope::BaseFolder(const TRunState& state) const {
  return state.FolderScope() ? state.Options.Directory : ExtractFileDir(FProjectFileName);
}

std::u16string RunRootFolder(const TRunState& state) {
  const std::shared_ptr<IOTAProject>& project = state.Context.Project;
  return NormalizeSeparators(state.FolderScope() || !project
                                 ? state.Options.Directory
                                 : ExtractFileDir(project->GetFileName()));
}

bool FolderHolds(std::u16string_view folder, std::u16string_view path) {
  while (folder.size() > 1 && folder.back() == u'/') folder.remove_suffix(1);
  while (path.size() > 1 && path.back() == u'/') path.remove_suffix(1);
  if (folder.empty() || !path.starts_with(folder)) return false;
  return path.size() == folder.size() || folder.back() == u'/' || path[folder.size()] == u'/';
}

void TRunLocks::Lock(TFileSystem& fs, const std::u16string& folder) {
  const std::u16string path = NormalizeSeparators(folder);
  for (const THeld& held : FHeld)
    if (FolderHolds(held.Folder, path)) return;
  // Locks below `path` would refuse it as another run's: the new one covers them.
  std::erase_if(FHeld, [&](const THeld& held) { return FolderHolds(path, held.Folder); });
  THeld taken{path, nullptr};
  std::u16string holder;
  TFileStatus status = fs.LockFolder(path, taken.Lock, holder);
  if (status.Code() == TFileErrorCode::AlreadyExists)
    throw EFileError(res::Fmt(res::sRunLocked, {holder, path}));
  status.Check();
  FHeld.push_back(std::move(taken));
}

std::vector<TWorkItem> TRunScope::ListUnits(const TRunState& state,
                                            std::vector<std::u16string>& warnings) const {
  std::vector<TWorkItem> units;
  if (state.FolderScope()) {
    ScanFolder(state, state.Options.Directory, units, warnings);
  } else {
    for (const TProjectClosure::TUnit& unit : FProjectUnits) {
      const std::u16string& path = unit.Path;
      // Listed once per folder (the forms are looked up there later); a
      // link is asked about.
      const TFolderEntry* entry = state.FolderListings.Entry(state.Fs, path);
      if (const std::u16string why = entry && !entry->IsLink
                                         ? WhyFileIsLeft(path, false, entry->IsSpecial)
                                         : WhyFileIsLeft(state.Fs, path);
          !why.empty())
        warnings.push_back(why);
      else
        units.emplace_back(unit.Path, ExtractFileName(unit.Path), true).Reason = unit.Reason;
    }
  }
  if (!units.empty() || !warnings.empty()) {
    // What the closure met (search path entries skipped), before the files left.
    warnings.insert(warnings.begin(), FClosureWarnings.begin(), FClosureWarnings.end());
    return units;
  }
  if (!state.FolderScope()) throw Exception(res::Fmt(res::sNoUnitInProject, {FProjectFileName}));
  // Units only in sub-folders: say how to take them.
  std::u16string hint;
  if (!state.Options.IncludeSubDirs) {
    TReplaceOptions deeper = state.Options;
    deeper.IncludeSubDirs = true;
    TRunState probe(state.Replacer, deeper, state.Context, state.Log, state.Results);
    std::vector<TWorkItem> nested;
    std::vector<std::u16string> ignored;
    ScanFolder(probe, deeper.Directory, nested, ignored);
    if (!nested.empty()) hint = std::u16string(res::sUnitsInSubFolders);
  }
  throw EFileError(res::Fmt(res::sNoUnitInFolder, {state.Options.Directory, hint}));
}

}  // namespace zan
