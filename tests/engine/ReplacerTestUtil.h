// Shared set-up of the replace-run tests: an in-memory file system holding a
// small tree, a replacer of the catalogue, a busy indicator and a shell that
// count and record their calls, runs planned and executed over a context of
// those (with a fixed log clock), and helpers to read files back as text.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/RunPlan.h"
#include "engine/catalogue/Replacer.h"
#include "engine/catalogue/ZanReplacer.h"
#include "engine/report/RunReport.h"
#include "engine/restore/RestoreRun.h"
#include "ide/HeadlessIDE.h"
#include "ide/HostServices.h"
#include "ide/IDEUtils.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Encoding.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "support/MemoryFileSystem.h"
#include "support/RecordingSeams.h"

namespace zan::test {

/// Fails every copy onto one path (the disk is full), and nothing else: the
/// original can still be read, only replacing it fails.
class TFailCopyTo : public TFileSystemWrapper {
 public:
  TFailCopyTo(TFileSystem& target, std::u16string dest)
      : TFileSystemWrapper(target), FDest(std::move(dest)) {}
  TFileStatus CopyFile(std::u16string_view source, std::u16string_view dest,
                       bool overwrite) override {
    if (dest == FDest)
      return TFileStatus::Error(TFileOp::Copy, TFileErrorCode::DiskFull, source, dest);
    return TFileSystemWrapper::CopyFile(source, dest, overwrite);
  }
  TFileStatus MoveFile(std::u16string_view source, std::u16string_view dest) override {
    if (dest == FDest)
      return TFileStatus::Error(TFileOp::Copy, TFileErrorCode::DiskFull, source, dest);
    return TFileSystemWrapper::MoveFile(source, dest);
  }

 private:
  std::u16string FDest;
};

inline std::u16string U(const std::string& utf8) {
  return Utf8ToUtf16(utf8);
}
inline std::string S(const std::u16string& text) {
  return Utf16ToUtf8(text);
}

/// The log clock of test runs: logs compare byte for byte.
inline TLocalDateTime FixedClock() {
  return TLocalDateTime{2024, 5, 17, 9, 30, 5, 0};
}

/// The context of a run of `replacer` over `fs` with the fixed clock, the
/// process's class registry and code page, and the connection files of the
/// replacer's options; `report` (may be nullptr) is filled by the run.
inline TRunContext TestRunContext(TComponentReplacer& replacer, TFileSystem& fs,
                                  TRunReport* report = nullptr) {
  TRunContext context;
  context.Replacer = &replacer;
  context.FileSystem = &fs;
  context.Clock = FixedClock;
  context.Report = report;
  context.ClassRegistry = &TClassRegistry::Global();
  context.CodePage = AnsiCodePage();
  const TReplaceOptions& options = replacer.ReplaceOptions();
  context.ConnectionDefFileName = options.ConnectionDefFileName;
  context.DriverConfFileName = options.DriverConfFileName;
  context.AliasFileName = options.AliasFileName;
  return context;
}

/// Plans and executes a run in `context`, the project units selected by the
/// lines of the options' ModuleList. The run's results go to `results` when
/// given, also when the run raises.
inline bool PlanAndExecute(const TRunContext& context, TRunResults* results = nullptr) {
  TRunPlan plan =
      Plan(context, TUnitSelection::FromLines(context.Replacer->ReplaceOptions().ModuleList));
  try {
    const bool result = Execute(plan);
    if (results) *results = std::move(plan.Results);
    return result;
  } catch (...) {
    if (results) *results = std::move(plan.Results);
    throw;
  }
}

/// The context of a restore over `fs` (the undo files of the tests are in
/// code page 1252).
inline TRunContext RestoreContext(TFileSystem& fs) {
  TRunContext context;
  context.FileSystem = &fs;
  context.CodePage = 1252;
  return context;
}

/// A catalogue replacer over an in-memory tree, with the host seams installed.
class ReplacerTest : public ::testing::Test {
 protected:
  /// Catalogue index of the replacer under test (BDE unless a test changes it).
  explicit ReplacerTest(int library = 0) : FLibrary(library) {}

  void SetUp() override {
    FPreviousIndicator = SetBusyIndicator(&Busy);
    FPreviousShell = SetShell(&Shell);
    Options = std::make_unique<TReplaceOptions>(kCatalogueSourceName);
    MakeReplacer(FLibrary, &Fs);
    Options->Dest = sdDirectory;
    Options->Directory = u"/work";
    Options->BackupDir = u"/work/RBackup";
    Fs.AddFolder(u"/work");
    // What reaches the process-wide file system by mistake stays in memory:
    // the fixture's paths (/work) exist on real machines too.
    FPreviousFs = SetCurrentFileSystem(&Fs);
  }
  void TearDown() override {
    SetCurrentFileSystem(FPreviousFs);
    SetBusyIndicator(FPreviousIndicator);
    SetShell(FPreviousShell);
    SetBorlandIDEServices(nullptr);
  }

  /// Builds the replacer of catalogue entry `library` over `fs`.
  void MakeReplacer(int library, TFileSystem* fs) {
    const TLibraryInfo& info = CatalogueLibraries()[static_cast<size_t>(library)];
    Replacer = std::make_unique<TComponentReplacer>(info.SourceUnits, info.TargetUses, *Options);
    for (const TReplacePair& pair : info.Pairs)
      Replacer->AddReplacePair(pair.OldComp, pair.NewComp);
    UseFileSystem(fs);
  }
  /// The file system the fixture's runs and restores go through.
  void UseFileSystem(TFileSystem* fs) { RunFs = fs; }

  /// The context of a run of the replacer over the fixture's file system,
  /// with its busy indicator and shell, the open project, RunReport and DryRun.
  TRunContext Context() {
    TRunContext context = TestRunContext(*Replacer, *RunFs, RunReport);
    context.Busy = &Busy;
    context.Shell = &Shell;
    context.Project = TIDEUtils::GetActiveProject();
    context.DryRun = DryRun;
    return context;
  }
  /// A run in Context() (or `context`); its results stay in Results.
  bool Run() { return Run(Context()); }
  bool Run(const TRunContext& context) { return PlanAndExecute(context, &Results); }
  /// A restore of `undoFile` through the fixture's file system.
  bool Restore(const std::u16string& undoFile) {
    return RestoreFromUndoFile(RestoreContext(*RunFs), undoFile);
  }

  /// Opens a project in a headless host over the in-memory tree.
  std::shared_ptr<THeadlessIDE> OpenProject(const std::u16string& fileName) {
    auto host = std::make_shared<THeadlessIDE>(&Fs);
    host->LoadProject(fileName);
    SetBorlandIDEServices(host);
    Options->Dest = sdProject;
    return host;
  }

  std::string File(const std::u16string& path) const { return Fs.Contents(path); }
  /// Every file under "/" with its contents (the whole tree).
  std::map<std::u16string, std::string> Tree() const { return Fs.FilesUnder(u"/"); }
  /// Paths under the temporary folder (none must be left after a run).
  std::vector<std::u16string> TempLeftovers() const {
    std::vector<std::u16string> left;
    for (const std::u16string& path : Fs.AllPaths())
      if (path.rfind(u"/tmp/", 0) == 0 && path != u"/tmp/") left.push_back(path);
    return left;
  }

  TMemoryFileSystem Fs;
  TCountingBusyIndicator Busy;
  TRecordingShell Shell;
  std::unique_ptr<TReplaceOptions> Options;
  std::unique_ptr<TComponentReplacer> Replacer;
  /// Filled by the runs when set.
  TRunReport* RunReport = nullptr;
  bool DryRun = false;
  /// The last run's undo list, database names and changed-file count.
  TRunResults Results;

 private:
  TFileSystem* RunFs = nullptr;
  int FLibrary;
  IBusyIndicator* FPreviousIndicator = nullptr;
  IShell* FPreviousShell = nullptr;
  TFileSystem* FPreviousFs = nullptr;
};

}  // namespace zan::test
