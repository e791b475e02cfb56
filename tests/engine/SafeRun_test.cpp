// A run never loses the user's work: every failure point of a run and of a
// restore swept in memory, and on the disk links, loops, hostile undo files,
// second runs, two runs at once and interrupts.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "ReplacerTestUtil.h"
#include "common/TestUtil.h"
#include "engine/files/TempFolders.h"
#include "engine/phases/PublishPhase.h"
#include "engine/phases/RunScope.h"
#include "engine/report/UserRulesReport.h"
#include "engine/restore/RestoreRun.h"
#include "engine/rewrite/FormRewriter.h"
#include "engine/rules/UserRules.h"
#include "rtl/ClassRegistry.h"
#include "rtl/dfm/FormFile.h"
#include "support/FaultyFileSystem.h"

namespace zan::test {
namespace {

namespace fs = std::filesystem;

constexpr char kUnitA[] =
    "unit A;\r\ninterface\r\nuses DBTables;\r\ntype TF = class Q: TQuery; end;\r\n"
    "implementation\r\n{$R *.dfm}\r\nend.\r\n";
constexpr char kFormA[] =
    "object F: TF\r\n  object Q: TQuery\r\n    SQL.Strings = (\r\n      'select 1')\r\n  end\r\n"
    "end\r\n";
constexpr char kUnitB[] = "unit B;\ninterface\nuses DBTables;\n{$R *.dfm}\nvar T: TTable;\nend.\n";
constexpr char kFormB[] =
    "object G: TG\r\n  object T: TTable\r\n    TableName = 'T'\r\n  end\r\nend\r\n";
constexpr char kUnitC[] = "var D: TDatabase;";

/// Units with a text form and a binary form, and a file the run leaves alone.
void AddSweepTree(TMemoryFileSystem& memory) {
  memory.AddFile(u"/work/A.pas", kUnitA);
  memory.AddFile(u"/work/A.dfm", kFormA);
  memory.AddFile(u"/work/sub/B.pas", kUnitB);
  memory.AddFile(u"/work/sub/B.dfm", WriteBinaryForm(Utf8ToUtf16(kFormB)));
  memory.AddFile(u"/work/sub/C.pas", kUnitC);
  memory.AddFile(u"/work/notes.txt", "TQuery");
}

/// The files of /work outside the backup folder and the log.
std::map<std::u16string, std::string> Originals(const TMemoryFileSystem& memory) {
  auto tree = memory.FilesUnder(u"/work");
  for (auto it = tree.begin(); it != tree.end();)
    it = it->first.starts_with(u"RBackup") || it->first == u"Wiz_Log.txt" ? tree.erase(it)
                                                                          : std::next(it);
  return tree;
}

/// The files under the backup folder `folder` but its ".gitignore".
std::map<std::u16string, std::string> BackupsUnder(const TMemoryFileSystem& memory,
                                                   std::u16string_view folder) {
  auto files = memory.FilesUnder(folder);
  files.erase(u".gitignore");
  return files;
}

constexpr TFileOp kSweptOps[] = {
    TFileOp::Read,       TFileOp::Write, TFileOp::Open,   TFileOp::Append, TFileOp::List,
    TFileOp::MakeFolder, TFileOp::Copy,  TFileOp::Rename, TFileOp::Remove, TFileOp::TempFolder};

class SafeRunTest : public ReplacerTest {
 protected:
  /// A replace run of the form-converting replacer of `library` (BDE) over
  /// `fs`; false when it raised or reported failure. Notes a publish that
  /// could not be put back.
  bool RunOver(TFileSystem& fs, int library = 0) {
    MakeReplacer(library, &fs);
    InstallFormConversion(*Replacer);
    Options->IncludeSubDirs = true;
    try {
      return Run();
    } catch (const EPublishIncomplete&) {
      Incomplete = true;
      return false;
    } catch (const Exception&) {
      return false;
    }
  }
  bool Incomplete = false;
  static std::vector<std::u16string> TempLeftovers(const TMemoryFileSystem& memory) {
    std::vector<std::u16string> left;
    for (const std::u16string& path : memory.AllPaths())
      if (path.starts_with(u"/tmp/") && path != u"/tmp/") left.push_back(path);
    return left;
  }
};

/// Counts the calls of each kind of operation that `act` makes on a tree
/// `fill` builds, then repeats it failing each of those calls in turn and
/// hands the tree, the failed kind and `act`'s outcome to `check`. Last the
/// disk fills up: at each call that needs room, which fails with DiskFull
/// as does every such call after it (handed to `check` as a Write); links,
/// renames and removals still work, as on a tree whose backups are links.
/// Returns the number of failure points swept.
template <typename TFill, typename TAct, typename TCheck>
int SweepFailurePoints(TFill fill, TAct act, TCheck check) {
  int swept = 0;
  for (size_t kind = 0; kind <= std::size(kSweptOps); ++kind) {
    const bool diskFull = kind == std::size(kSweptOps);
    const TFileOp op = diskFull ? TFileOp::Write : kSweptOps[kind];
    int calls = 0;
    {
      TMemoryFileSystem memory;
      fill(memory);
      TFaultyFileSystem counting(memory);
      EXPECT_TRUE(act(counting));
      calls = diskFull ? counting.SpaceCalls() : counting.Calls(op);
    }
    for (int n = 1; n <= calls; ++n, ++swept) {
      SCOPED_TRACE((diskFull ? std::string("disk full")
                             : "operation " + std::to_string(static_cast<int>(op))) +
                   ", call " + std::to_string(n));
      TMemoryFileSystem memory;
      fill(memory);
      TFaultyFileSystem faulty(memory);
      if (diskFull)
        faulty.FillDisk(n);
      else
        faulty.FailNth(op, n);
      bool completed = false;
      try {
        completed = act(faulty);
      } catch (const Exception&) {
      }
      check(memory, op, completed);
    }
  }
  return swept;
}

TEST_F(SafeRunTest, EveryFailurePointOfARunLeavesTheOriginalsOrARestorableRun) {
  // A first run; and a second run with another library, which replaces
  // originals an earlier run converted (their backups hold older files) and
  // extends an undo file and manifest that exist.
  constexpr char kUnitE[] = "unit E;\r\nuses DBTables, IBQuery;\r\nvar Q: TQuery; I: TIBQuery;\r\n";
  TMemoryFileSystem pristine;
  AddSweepTree(pristine);
  pristine.AddFile(u"/work/sub/E.pas", kUnitE);
  TMemoryFileSystem once;
  for (const auto& [path, bytes] : pristine.FilesUnder(u"/")) once.AddFile(u"/" + path, bytes);
  ASSERT_TRUE(RunOver(once, 0));
  struct TRow {
    const char* Name;
    const TMemoryFileSystem& Tree;
    int Library;
  };
  const TRow rows[] = {{"a first run", pristine, 0}, {"a second run", once, 1}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    const auto snapshot = row.Tree.FilesUnder(u"/");
    const auto before = Originals(row.Tree);
    const auto first = Originals(pristine);  // what restore gives back
    const int swept = SweepFailurePoints(
        [&](TMemoryFileSystem& memory) {
          for (const auto& [path, bytes] : snapshot) memory.AddFile(u"/" + path, bytes);
        },
        [&](TFileSystem& fs) { return RunOver(fs, row.Library); },
        [&](TMemoryFileSystem& memory, TFileOp op, bool completed) {
          // One failure, or a disk that fills, never leaves an original replaced.
          EXPECT_FALSE(Incomplete);
          Incomplete = false;
          if (!completed) {
            EXPECT_EQ(Originals(memory), before);
            // Removing the temporary folder is what failed: it may stay.
            if (op != TFileOp::Remove) {
              EXPECT_EQ(TempLeftovers(memory), std::vector<std::u16string>{});
            }
          }
          // No folder of second names is left beside the originals.
          if (op != TFileOp::Remove) {
            for (const std::u16string& path : memory.AllPaths()) {
              EXPECT_EQ(path.find(u"/.zanmig-"), std::u16string::npos) << S(path);
            }
          }
          // Whatever undo file there is gives back every original, as it was
          // before the first run.
          if (memory.Exists(u"/work/RBackup/RExpert.reu")) {
            const bool restored =
                RestoreFromUndoFile(RestoreContext(memory), u"/work/RBackup/RExpert.reu");
            if (completed || row.Library == 1) {
              EXPECT_TRUE(restored);
            }
            EXPECT_EQ(Originals(memory), first);
          }
        });
    EXPECT_GT(swept, 40);
  }
}

TEST_F(SafeRunTest, EveryFailurePointOfARestoreLeavesARestoreThatCompletes) {
  TMemoryFileSystem converted;
  AddSweepTree(converted);
  const auto before = Originals(converted);
  ASSERT_TRUE(RunOver(converted));
  ASSERT_NE(Originals(converted), before);
  const auto snapshot = converted.FilesUnder(u"/");
  const int swept = SweepFailurePoints(
      [&](TMemoryFileSystem& memory) {
        for (const auto& [path, bytes] : snapshot) memory.AddFile(u"/" + path, bytes);
      },
      [](TFileSystem& fs) {
        return RestoreFromUndoFile(RestoreContext(fs), u"/work/RBackup/RExpert.reu");
      },
      [&](TMemoryFileSystem& memory, TFileOp, bool) {
        EXPECT_TRUE(RestoreFromUndoFile(RestoreContext(memory), u"/work/RBackup/RExpert.reu"));
        EXPECT_EQ(Originals(memory), before);
      });
  EXPECT_GT(swept, 10);
}

/// A unit declaring `count` queries, and a data module holding them.
std::string LongUnit(int count) {
  std::string text = "unit Big;\r\ninterface\r\nuses DBTables;\r\n{$R *.dfm}\r\nvar\r\n";
  for (int i = 0; i < count; ++i) text += "  Q" + std::to_string(i) + ": TQuery;\r\n";
  return text + "end.\r\n";
}
std::string LongForm(int count) {
  std::string text = "object DM: TDM\r\n";
  for (int i = 0; i < count; ++i)
    text += "  object Q" + std::to_string(i) + ": TQuery\r\n    SQL.Strings = (\r\n      'select " +
            std::to_string(i) + "')\r\n  end\r\n";
  return text + "end\r\n";
}

/// Sets an interrupt flag when a chosen file is read or backed up, and
/// notes the names of the files written (only into the temporary folder:
/// the run's other files are written otherwise).
struct TInterruptingFileSystem : TFileSystemWrapper {
  TInterruptingFileSystem(TFileSystem& target, std::atomic<bool>& flag, std::u16string trigger)
      : TFileSystemWrapper(target), Flag(flag), Trigger(std::move(trigger)) {}
  TFileStatus Read(std::u16string_view path, std::string& contents) override {
    // A form is read twice: when its unit names it, and to convert it.
    if (path == Trigger && ++Reads == (path.ends_with(u".dfm") ? 2 : 1)) Flag = true;
    return TFileSystemWrapper::Read(path, contents);
  }
  TFileStatus LinkOrCopyFile(std::u16string_view source, std::u16string_view dest) override {
    if (Trigger == u"backup") Flag = true;
    return TFileSystemWrapper::LinkOrCopyFile(source, dest);
  }
  TFileStatus Write(std::u16string_view path, std::string_view contents) override {
    {
      std::lock_guard<std::mutex> guard(Mutex);
      TempWrites.emplace_back(path.substr(path.rfind(u'/') + 1));
    }
    return TFileSystemWrapper::Write(path, contents);
  }
  bool ThreadSafe() const override { return Lanes; }
  std::atomic<bool>& Flag;
  std::u16string Trigger;
  std::atomic<int> Reads{0};
  bool Lanes = false;  // whether forms may be converted on two threads
  std::mutex Mutex;
  std::vector<std::u16string> TempWrites;
};

TEST_F(SafeRunTest, AnInterruptStopsTheRunBeforeAnythingIsPublished) {
  // The interrupt comes before the run, within a long unit, within a long
  // form, or among the backups: the file being worked on is not finished.
  const std::pair<const char*, std::u16string> cases[] = {{"before the run", u""},
                                                          {"a long unit", u"/work/Big.pas"},
                                                          {"a long form", u"/work/Big.dfm"},
                                                          {"the backups", u"backup"}};
  for (const auto& [name, trigger] : cases) {
    SCOPED_TRACE(name);
    TMemoryFileSystem memory;
    AddSweepTree(memory);
    memory.AddFile(u"/work/Big.pas", LongUnit(2000));
    memory.AddFile(u"/work/Big.dfm", LongForm(1000));
    const auto before = Originals(memory);
    std::atomic<bool> interrupted{trigger.empty()};
    TInterruptingFileSystem interrupting(memory, interrupted, trigger);
    MakeReplacer(0, &interrupting);
    InstallFormConversion(*Replacer);
    Options->IncludeSubDirs = true;
    TRunContext context = Context();
    context.Cancelled = &interrupted;
    EXPECT_THROW(Run(context), ERunCancelled);
    EXPECT_EQ(Originals(memory), before);
    EXPECT_EQ(TempLeftovers(memory), std::vector<std::u16string>{});
    EXPECT_TRUE(BackupsUnder(memory, u"/work/RBackup").empty());
    // The file being converted when the interrupt came is not finished.
    for (const std::u16string& written : interrupting.TempWrites)
      EXPECT_FALSE(trigger.ends_with(u"/" + written)) << S(written);
    EXPECT_TRUE(memory.Contents(u"/work/Wiz_Log.txt")
                    .ends_with("The run was interrupted; no original was changed.\r\n\r\n"));
  }
}

TEST_F(SafeRunTest, APublishThatCannotBePutBackNamesWhatTheUndoFileRestores) {
  TMemoryFileSystem memory;
  AddSweepTree(memory);
  const auto before = Originals(memory);
  // A.pas is replaced, then replacing A.dfm fails, and so does putting A.pas
  // back (renaming its second name back, moving it, copying its backup).
  struct TBrokenDisk : TFileSystemWrapper {
    using TFileSystemWrapper::TFileSystemWrapper;
    TFileStatus MoveFile(std::u16string_view source, std::u16string_view dest) override {
      if (dest == u"/work/A.dfm" ||
          (dest == u"/work/A.pas" && source.find(u"/.originals/") != std::u16string_view::npos))
        return TFileStatus::Error(TFileOp::Copy, TFileErrorCode::DiskFull, source, dest);
      return TFileSystemWrapper::MoveFile(source, dest);
    }
    TFileStatus Rename(std::u16string_view from, std::u16string_view to) override {
      if (to == u"/work/A.pas")
        return TFileStatus::Error(TFileOp::Rename, TFileErrorCode::AccessDenied, from, to);
      return TFileSystemWrapper::Rename(from, to);
    }
    TFileStatus CopyFile(std::u16string_view source, std::u16string_view dest,
                         bool overwrite) override {
      if (dest == u"/work/A.pas")
        return TFileStatus::Error(TFileOp::Copy, TFileErrorCode::DiskFull, source, dest);
      return TFileSystemWrapper::CopyFile(source, dest, overwrite);
    }
  } broken(memory);
  MakeReplacer(0, &broken);
  InstallFormConversion(*Replacer);
  Options->IncludeSubDirs = true;
  try {
    Run();
    ADD_FAILURE() << "no error";
  } catch (const EPublishIncomplete& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("Cannot replace \"/work/A.dfm\""), std::string::npos) << message;
    EXPECT_NE(message.find("could not be put back: \"/work/A.pas\""), std::string::npos);
    EXPECT_NE(message.find("/work/RBackup/RExpert.reu"), std::string::npos);
  }
  EXPECT_TRUE(RestoreFromUndoFile(RestoreContext(memory), u"/work/RBackup/RExpert.reu"));
  EXPECT_EQ(Originals(memory), before);
}

TEST_F(SafeRunTest, AFileSystemWithoutRoomIsRefusedBeforeAnythingIsBackedUp) {
  // The temporary folder is on a file system of its own: publishing copies.
  struct TCase {
    const char* Name;
    const char16_t* Folder;  // on a file system of its own, with `Free` bytes
    uint64_t Free;
    const char16_t* BackupDir;
    const char* Refused;  // the start of the message; nullptr: the run goes on
  };
  const TCase cases[] = {
      {"room enough", u"/work", uint64_t{64} << 20, u"/work/RBackup", nullptr},
      {"the tree full", u"/work", uint64_t{1} << 20, u"/work/RBackup",
       "Not enough free space on the file system of \"/work\": the run needs about 4."},
      {"the backup folder full", u"/bak", uint64_t{3} << 20, u"/bak",
       "Not enough free space on the file system of \"/bak\": the run needs about 4."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryFileSystem memory;
    AddSweepTree(memory);
    const auto before = Originals(memory);
    TFaultyFileSystem faulty(memory);
    faulty.SetFreeSpace(c.Folder, c.Free);
    MakeReplacer(0, &faulty);
    InstallFormConversion(*Replacer);
    Options->IncludeSubDirs = true;
    Options->BackupDir = c.BackupDir;
    if (!c.Refused) {
      EXPECT_TRUE(Run());
      continue;
    }
    try {
      Run();
      ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
      const std::string message = e.what();
      EXPECT_TRUE(message.starts_with(c.Refused)) << message;
      const std::string free = (c.Free >> 20 == 1 ? "1.0 MB" : "3.0 MB");
      EXPECT_TRUE(
          message.ends_with(" MB there and " + free + " are free. No original was changed."))
          << message;
    }
    EXPECT_EQ(Originals(memory), before);
    EXPECT_TRUE(BackupsUnder(memory, c.BackupDir).empty());
    EXPECT_EQ(TempLeftovers(memory), std::vector<std::u16string>{});
  }
}

TEST_F(SafeRunTest, ARunRemovesTheTemporaryFoldersOfDeadRunsOnly) {
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  struct TCase {
    const char16_t* Name;
    bool Folder;
    int64_t Age;  // seconds
    bool Foreign;
    bool Locked;  // a living run's
    bool Removed;
  };
  const TCase cases[] = {
      {u"zanmig-dead01", true, 7200, false, false, true},
      {u"zanmig-3x9q0z", true, 3600, false, false, true},
      {u"zanmig-young1", true, 3500, false, false, false},
      {u"zanmig-living", true, 7200, false, true, false},
      {u"zanmig-theirs", true, 7200, true, false, false},
      {u"zanmig-file01", false, 7200, false, false, false},
      {u"zanmig-ABCDEF", true, 7200, false, false, false},
      {u"zanmig-dead0", true, 7200, false, false, false},
      {u"zanmig-dead012", true, 7200, false, false, false},
      {u"Zanmig-dead01", true, 7200, false, false, false},
      {u"zanmig-dead01.bak", true, 7200, false, false, false},
  };
  TMemoryFileSystem memory;
  AddSweepTree(memory);
  std::vector<std::unique_ptr<TFolderLock>> locks;
  for (const TCase& c : cases) {
    const std::u16string path = u"/tmp/" + std::u16string(c.Name);
    if (c.Folder)
      memory.AddFile(path + u"/sub/A.pas", "x");
    else
      memory.AddFile(path, "x");
    memory.SetModifiedTime(path, now - c.Age);
    memory.SetForeignOwner(path, c.Foreign);
    std::u16string holder;
    if (c.Locked) locks.emplace_back(), memory.LockFolder(path, locks.back(), holder).Check();
  }
  ASSERT_TRUE(RunOver(memory));
  for (const TCase& c : cases)
    EXPECT_EQ(memory.Exists(u"/tmp/" + std::u16string(c.Name)), !c.Removed) << S(c.Name);
}

TEST_F(SafeRunTest, AFormThatCannotBeConvertedStopsTheRunOrIsLeftWithItsUnit) {
  const char kBroken[] =
      "object F: TF\r\n  Caption = 'a' 'b'\r\n  object Q: TQuery\r\n  end\r\nend\r\n";
  for (bool keepGoing : {false, true}) {
    SCOPED_TRACE(keepGoing ? "keep going" : "all or nothing");
    TMemoryFileSystem memory;
    AddSweepTree(memory);
    memory.AddFile(u"/work/A.dfm", kBroken);
    const auto before = Originals(memory);
    MakeReplacer(0, &memory);
    InstallFormConversion(*Replacer);
    Options->IncludeSubDirs = true;
    TRunReport report;
    TRunContext context = Context();
    context.KeepGoing = keepGoing;
    context.Report = &report;
    // A unit left with its form does not count towards what a rule changed.
    TUserRules rules;
    rules.LoadFromText("[uses]\nadd = [\"ZanHelpers\"]", u"rules.toml", 0);
    context.UserRules = &rules;
    DescribeUserRules(rules, report);
    if (!keepGoing) {
      EXPECT_THROW(Run(context), EFormFileError);
      EXPECT_EQ(Originals(memory), before);
      continue;
    }
    ASSERT_TRUE(Run(context));
    auto after = Originals(memory);
    EXPECT_EQ(after.at(u"A.pas"), kUnitA);  // the unit and its form agree
    EXPECT_EQ(after.at(u"A.dfm"), kBroken);
    EXPECT_NE(after.at(u"sub/B.pas").find("TZanTable"), std::string::npos);
    ASSERT_EQ(report.LeftFiles.size(), 1u);
    EXPECT_EQ(report.LeftFiles[0].FileName, u"/work/A.dfm");
    EXPECT_EQ(report.ChangedFileCount(), 3);  // B.pas, B.dfm, C.pas
    EXPECT_EQ(Results.UndoList.Count(), 3);
    int unitsWithTheRule = 0;
    for (const auto& [name, bytes] : after)
      unitsWithTheRule += bytes.find("ZanHelpers") != std::string::npos;
    EXPECT_GE(unitsWithTheRule, 1);
    EXPECT_EQ(report.UserRules.at(0).Applied, unitsWithTheRule);
  }
}

TEST_F(SafeRunTest, AScopeWithoutUnitsWritesNothingAndSaysWhy) {
  struct TCase {
    const char* Name;
    std::vector<const char16_t*> Files;
    bool Recursive;
    const char* Message;
  };
  const TCase cases[] = {
      {"an empty folder",
       {},
       false,
       "No unit (.pas or .dpr) was found in folder \"/work\"; nothing was changed."},
      {"units only in sub-folders",
       {u"/work/sub/A.pas"},
       false,
       "No unit (.pas or .dpr) was found in folder \"/work\" (its sub-folders hold units: "
       "include them, with --recursive on the command line); nothing was changed."},
      {"no unit anywhere",
       {u"/work/notes.txt", u"/work/sub/F.dfm"},
       true,
       "No unit (.pas or .dpr) was found in folder \"/work\"; nothing was changed."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryFileSystem memory;
    memory.AddFolder(u"/work");
    for (const char16_t* file : c.Files) memory.AddFile(file, "x");
    MakeReplacer(0, &memory);
    Options->IncludeSubDirs = c.Recursive;
    memory.ClearWritten();
    try {
      Run();
      ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
    EXPECT_TRUE(memory.WrittenFiles().empty());
    EXPECT_FALSE(memory.Exists(u"/work/RBackup"));
  }
}

TEST_F(SafeRunTest, TemporaryFoldersArePrivateAndNamedForAnyShell) {
  TMemoryFileSystem memory;
  AddSweepTree(memory);
  struct TRecordingFolders : TFileSystemWrapper {
    using TFileSystemWrapper::TFileSystemWrapper;
    TFileStatus MakePrivateFolder(std::u16string_view path) override {
      Private.emplace_back(path);
      return TFileSystemWrapper::MakePrivateFolder(path);
    }
    std::vector<std::u16string> Private;
  } recording(memory);
  ASSERT_TRUE(RunOver(recording));
  ASSERT_EQ(recording.Private.size(), 1u);
  const std::u16string name = recording.Private[0].substr(5);
  EXPECT_TRUE(name.starts_with(u"zanmig-")) << S(name);
  EXPECT_EQ(name.find_first_not_of(u"zanmig-abcdefghijklmnopqrstuvwxyz0123456789"),
            std::u16string::npos)
      << S(name);
}

// ----- on the disk

class SafeRunDiskTest : public ::testing::Test {
 protected:
  SafeRunDiskTest() : Root(FTemp.path() / "tree"), Outside(FTemp.path() / "outside") {
    fs::create_directories(Root / "sub");
    fs::create_directories(Outside);
  }
  void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    WriteFileBytes(path, bytes);
  }
  std::u16string U16(const fs::path& path) const { return Utf8ToUtf16(path.string()); }

  /// A run of catalogue entry `library` over `folder` (Root) with backups in
  /// its RBackup.
  bool Run(int library, TRunReport* report = nullptr, const fs::path& folder = {}) {
    const fs::path tree = folder.empty() ? Root : folder;
    TZanCatalogue catalogue;
    TReplaceOptions& options = catalogue.Options();
    options.Dest = sdDirectory;
    options.Directory = U16(tree);
    options.IncludeSubDirs = true;
    options.BackupDir = U16(tree / "RBackup");
    TComponentReplacer& replacer = catalogue.Replacer(library);
    return PlanAndExecute(TestRunContext(replacer, RealFileSystem(), report));
  }
  /// Every file under Root but the run's own, by relative path.
  std::map<std::string, std::string> Tree() const {
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(Root); it != fs::recursive_directory_iterator();
         ++it) {
      const std::string rel = fs::relative(it->path(), Root).string();
      if (rel.starts_with("RBackup") || rel == "Wiz_Log.txt") {
        if (it->is_directory()) it.disable_recursion_pending();
        continue;
      }
      if (it->is_symlink()) {
        it.disable_recursion_pending();
        continue;
      }
      if (it->is_regular_file()) files[rel] = ReadFileBytes(it->path());
    }
    return files;
  }
  std::u16string UndoFile() const { return U16(Root / "RBackup" / "RExpert.reu"); }

  TempDir FTemp;
  fs::path Root;
  fs::path Outside;
};

TEST_F(SafeRunDiskTest, LinksAreNeverFollowedNorWrittenThrough) {
  Write(Root / "A.pas", kUnitA);
  Write(Root / "A.dfm", kFormA);
  Write(Outside / "Far.pas", kUnitC);
  Write(Outside / "Target.txt", "keep me");
  fs::create_symlink(Outside / "Far.pas", Root / "Link.pas");  // a unit that is a link
  fs::create_symlink(Root, Root / "sub" / "loop1");            // loops
  fs::create_symlink(Root / "sub", Root / "sub" / "loop2");
  fs::create_symlink(Outside / "gone.pas", Root / "Dangling.pas");  // dangling
  fs::create_symlink(Outside, Root / "sub" / "away");               // a folder elsewhere
  Write(Root / "sub" / "D.pas", "unit D; {$R *.dfm} var Q: TQuery;");
  fs::create_symlink(Outside / "Target.txt", Root / "sub" / "D.dfm");  // a form that is a link
  TRunReport report;
  ASSERT_TRUE(Run(0, &report));
  const auto tree = Tree();
  EXPECT_NE(tree.at("A.pas").find("TZanQuery"), std::string::npos);
  EXPECT_NE(tree.at("A.dfm").find("TZanQuery"), std::string::npos);
  // The unit whose form is a link stays as it is, and so does the form.
  EXPECT_EQ(tree.at("sub/D.pas"), "unit D; {$R *.dfm} var Q: TQuery;");
  EXPECT_EQ(ReadFileBytes(Outside / "Far.pas"), kUnitC);
  EXPECT_EQ(ReadFileBytes(Outside / "Target.txt"), "keep me");
  EXPECT_TRUE(fs::is_symlink(Root / "Link.pas"));
  std::string warnings;
  for (const std::u16string& warning : report.Warnings) warnings += S(warning) + "\n";
  for (const char* name :
       {"Link.pas", "Dangling.pas", "sub/loop1", "sub/loop2", "sub/away", "sub/D.dfm"})
    EXPECT_NE(warnings.find((Root / name).string()), std::string::npos) << name << "\n" << warnings;
  // The run's own files: a link in their place stops the run before it writes.
  fs::remove(Root / "Wiz_Log.txt");
  fs::create_symlink(Outside / "Target.txt", Root / "Wiz_Log.txt");
  Write(Root / "E.pas", "var T: TTable;");
  EXPECT_THROW(Run(0), EFileError);
  EXPECT_EQ(ReadFileBytes(Outside / "Target.txt"), "keep me");
  EXPECT_EQ(ReadFileBytes(Root / "E.pas"), "var T: TTable;");
  fs::remove(Root / "Wiz_Log.txt");
  fs::remove(Root / "RBackup" / "RExpert.reu");
  fs::create_symlink(Outside / "Target.txt", Root / "RBackup" / "RExpert.reu");
  EXPECT_THROW(Run(0), EFileError);
  EXPECT_EQ(ReadFileBytes(Outside / "Target.txt"), "keep me");
  EXPECT_EQ(ReadFileBytes(Root / "E.pas"), "var T: TTable;");
}

TEST_F(SafeRunDiskTest, PipesAndSocketsAreSkippedInTheTreeAndRefusedInTheRunsPlace) {
  Write(Root / "A.pas", kUnitA);
  Write(Root / "A.dfm", kFormA);
  Write(Root / "sub" / "D.pas", "unit D; {$R *.dfm} var Q: TQuery;");
  {
    // A pipe as a unit, as a unit's form; a socket as a unit.
    test::TFifoWatchdog watchdog({Root / "Pipe.pas", Root / "sub" / "D.dfm"});
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (Root / "sub" / "Sock.pas").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    TRunReport report;
    ASSERT_TRUE(Run(0, &report));
    ::close(sock);
    EXPECT_NE(ReadFileBytes(Root / "A.pas").find("TZanQuery"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(Root / "sub" / "D.pas"), "unit D; {$R *.dfm} var Q: TQuery;");
    std::string warnings;
    for (const std::u16string& warning : report.Warnings) warnings += S(warning) + "\n";
    for (const char* name : {"Pipe.pas", "sub/D.dfm", "sub/Sock.pas"})
      EXPECT_NE(warnings.find("File \"" + (Root / name).string() +
                              "\" is not a regular file (a pipe, device or socket)"),
                std::string::npos)
          << name << "\n"
          << warnings;
    EXPECT_TRUE(fs::is_fifo(Root / "Pipe.pas"));
  }
  // The run's own files and its inputs: a pipe there stops the run, naming it,
  // before any original changes.
  const fs::path rules = Outside / "rules.toml", classes = Outside / "classes.txt";
  const struct {
    fs::path Fifo;
    std::function<void()> Act;
  } roles[] = {
      {Root / "Wiz_Log.txt", [&] { Run(0); }},
      {Root / "RBackup" / "RExpert.reu", [&] { Run(0); }},
      {Root / "RBackup" / "RExpert.manifest", [&] { Run(0); }},
      {rules, [&] { TUserRules().LoadFromFile(RealFileSystem(), U16(rules), 0); }},
      {classes, [&] { TClassRegistry().LoadFromFile(RealFileSystem(), U16(classes)); }},
  };
  for (const auto& role : roles) {
    SCOPED_TRACE(role.Fifo.string());
    Write(Root / "E.pas", "var T: TTable;");
    fs::remove(role.Fifo);
    test::TFifoWatchdog watchdog({role.Fifo});
    try {
      role.Act();
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find(role.Fifo.string()), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("Not a regular file"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(Root / "E.pas"), "var T: TTable;");
    EXPECT_TRUE(fs::is_fifo(role.Fifo));
    fs::remove(role.Fifo);
  }
}

TEST_F(SafeRunDiskTest, NamesThatAreNotUtf8AreLeftWithAWarningAndTheRestRestores) {
  Write(Root / "A.pas", kUnitA);
  Write(Root / "A.dfm", kFormA);
  Write(Root / "Caf\xe9.pas", "var Q: TQuery;");
  Write(Root / "D\xe9p" / "B.pas", "var T: TTable;");
  const auto before = Tree();
  TRunReport report;
  ASSERT_TRUE(Run(0, &report));
  EXPECT_NE(ReadFileBytes(Root / "A.pas").find("TZanQuery"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(Root / "Caf\xe9.pas"), "var Q: TQuery;");
  EXPECT_EQ(ReadFileBytes(Root / "D\xe9p" / "B.pas"), "var T: TTable;");
  std::string warnings;
  for (const std::u16string& warning : report.Warnings) warnings += S(warning) + "\n";
  EXPECT_NE(warnings.find("File \"" + Root.string() +
                          "/Caf\\xE9.pas\" has a name that is not valid UTF-8; it is left as it "
                          "is."),
            std::string::npos)
      << warnings;
  EXPECT_NE(warnings.find("Folder \"" + Root.string() +
                          "/D\\xE9p\" has a name that is not valid "
                          "UTF-8; it is not searched."),
            std::string::npos)
      << warnings;
  EXPECT_TRUE(RestoreFromUndoFile(RestoreContext(RealFileSystem()), UndoFile()));
  EXPECT_EQ(Tree(), before);
}

TEST_F(SafeRunDiskTest, AnInterruptStopsTheFormLanesWithinALargeForm) {
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one processor: no form lanes";
  Write(Root / "Big.pas", LongUnit(3));
  Write(Root / "Big.dfm", LongForm(3000));
  for (int i = 0; i < 6; ++i) {
    Write(Root / ("F" + std::to_string(i) + ".pas"), "unit F; {$R *.dfm} var Q: TQuery;");
    Write(Root / ("F" + std::to_string(i) + ".dfm"), kFormA);
  }
  const auto before = Tree();
  std::atomic<bool> interrupted{false};
  TInterruptingFileSystem interrupting(RealFileSystem(), interrupted, U16(Root / "Big.dfm"));
  interrupting.Lanes = true;
  TZanCatalogue catalogue;
  TReplaceOptions& options = catalogue.Options();
  options.Dest = sdDirectory;
  options.Directory = U16(Root);
  options.BackupDir = U16(Root / "RBackup");
  TComponentReplacer& replacer = catalogue.Replacer(0);
  TRunReport report;
  TRunContext context = TestRunContext(replacer, interrupting, &report);
  context.Cancelled = &interrupted;
  EXPECT_THROW(PlanAndExecute(context), ERunCancelled);
  EXPECT_EQ(report.FormLanes, 2);
  EXPECT_EQ(Tree(), before);
  // The lane converting the large form stopped within it.
  for (const std::u16string& written : interrupting.TempWrites) EXPECT_NE(written, u"Big.dfm");
}

TEST_F(SafeRunDiskTest, DeadTemporaryFoldersAreRemovedWithoutFollowingLinks) {
  const fs::path temp = FTemp.path() / "tmp";
  auto make = [&](const std::string& name) {
    fs::create_directories(temp / name);
    return temp / name;
  };
  Write(Outside / "keep.txt", "keep me");
  const fs::path dead = make("zanmig-dead01");
  Write(dead / "sub" / "A.pas", "x");
  fs::create_symlink(Outside, dead / "away");
  fs::create_symlink(Outside / "keep.txt", dead / "sub" / "keep.txt");
  fs::create_symlink(Outside, temp / "zanmig-link01");  // a link named like a folder of ours
  const fs::path living = make("zanmig-living");
  const fs::path young = make("zanmig-young1");
  const fs::path other = make("zanmig-other");
  std::unique_ptr<TFolderLock> lock;
  std::u16string holder;
  ASSERT_TRUE(RealFileSystem().LockFolder(U16(living), lock, holder));
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
  for (const fs::path& folder : {dead, living, other, Outside}) fs::last_write_time(folder, old);
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  EXPECT_EQ(RemoveDeadTempFolders(RealFileSystem(), U16(temp), now), 1);
  EXPECT_FALSE(fs::exists(dead));
  for (const fs::path& kept : {living, young, other}) EXPECT_TRUE(fs::is_directory(kept)) << kept;
  EXPECT_TRUE(fs::is_symlink(temp / "zanmig-link01"));
  EXPECT_EQ(ReadFileBytes(Outside / "keep.txt"), "keep me");
  // A whole run cleans up in $TMPDIR too, once the living run is gone.
  lock.reset();
  Write(Root / "A.pas", "var Q: TQuery;");
  const char* previous = std::getenv("TMPDIR");
  const std::string saved = previous ? previous : "";
  setenv("TMPDIR", temp.c_str(), 1);
  const bool ran = Run(0);
  previous ? setenv("TMPDIR", saved.c_str(), 1) : unsetenv("TMPDIR");
  EXPECT_TRUE(ran);
  EXPECT_FALSE(fs::exists(living));
  EXPECT_TRUE(fs::is_directory(young));
}

TEST_F(SafeRunDiskTest, RunsWithOneLibraryThenAnotherRestoreToTheFirstTree) {
  Write(Root / "A.pas", "unit A; uses DBTables, IBQuery; var Q: TQuery; I: TIBQuery;");
  Write(Root / "A.dfm", kFormA);
  const auto before = Tree();
  ASSERT_TRUE(Run(0));  // BDE
  ASSERT_TRUE(Run(0));  // again: nothing changes
  ASSERT_TRUE(Run(1));  // IBX
  EXPECT_EQ(ReadFileBytes(Root / "A.pas"),
            "unit A; uses DBTables, Zan, Quillbase, Rowquill, IBQuery; var Q: TZanQuery; I: "
            "TZanQuery;");
  EXPECT_TRUE(RestoreFromUndoFile(RestoreContext(RealFileSystem()), UndoFile()));
  EXPECT_EQ(Tree(), before);
}

TEST_F(SafeRunDiskTest, RestoreRefusesWhatItCannotTrust) {
  Write(Root / "A.pas", "var Q: TQuery;");
  Write(Root / "B.pas", "var T: TTable;");
  const auto before = Tree();
  ASSERT_TRUE(Run(0));
  const std::string undo = ReadFileBytes(Root / "RBackup" / "RExpert.reu");
  const std::string root = Root.string();
  Write(Outside / "secret.~pas", "secret");
  chmod((Outside / "secret.~pas").c_str(), 0600);
  struct TCase {
    const char* Name;
    std::string Undo;
    const char* Problem;  // of the first entry that has one
  };
  const TCase cases[] = {
      {"an original through ..", root + "/sub/../A.pas=" + root + "/RBackup/A.~pas\r\n",
       "original is not a plain absolute path"},
      {"a backup outside the backup folder",
       root + "/A.pas=" + (Outside / "A.~pas").string() + "\r\n",
       "backup is not in the backup folder"},
      {"a backup not named after its original", root + "/A.pas=" + root + "/RBackup/B.~pas\r\n",
       "backup is not named after the original"},
      {"an original that is a folder", root + "/sub=" + root + "/RBackup/sub.~\r\n",
       "original is a folder"},
  };
  Write(Root / "RBackup" / "sub.~", "x");
  Write(Outside / "A.~pas", "x");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Write(Root / "RBackup" / "RExpert.reu", c.Undo + undo);
    const TRestorePlan plan = PlanRestore(RestoreContext(RealFileSystem()), UndoFile(), false);
    ASSERT_FALSE(plan.CanRestore());
    EXPECT_EQ(S(plan.Items[0].Problem), c.Problem);
    EXPECT_FALSE(RestoreFromUndoFile(RestoreContext(RealFileSystem()), UndoFile()));
    EXPECT_NE(ReadFileBytes(Root / "A.pas").find("TZanQuery"), std::string::npos);
  }
  // A backup that is a link to a private file elsewhere.
  fs::remove(Root / "RBackup" / "A.~pas");
  fs::create_symlink(Outside / "secret.~pas", Root / "RBackup" / "A.~pas");
  Write(Root / "RBackup" / "RExpert.reu", undo);
  EXPECT_EQ(S(PlanRestore(RestoreContext(RealFileSystem()), UndoFile(), false).Items[0].Problem),
            "backup is a symbolic link");
  fs::remove(Root / "RBackup" / "A.~pas");
  Write(Root / "RBackup" / "A.~pas", "var Q: TQuery;");
  // A backup in a linked sub-folder of the backup folder, even forced.
  fs::create_directories(Outside / "private");
  Write(Outside / "private" / "A.~pas", "secret");
  fs::create_symlink(Outside / "private", Root / "RBackup" / "sub");
  Write(Root / "RBackup" / "RExpert.reu",
        root + "/sub/A.pas=" + root + "/RBackup/sub/A.~pas\r\n" + undo);
  EXPECT_EQ(S(PlanRestore(RestoreContext(RealFileSystem()), UndoFile(), true).Items[0].Problem),
            "backup is reached through a symbolic link");
  EXPECT_FALSE(fs::exists(Root / "sub" / "A.pas"));
  fs::remove(Root / "RBackup" / "sub");
  Write(Root / "RBackup" / "RExpert.reu", undo);
  // A file edited since the migration is refused, unless forced.
  Write(Root / "B.pas", "var T: TZanTable; // edited");
  TRestorePlan plan = PlanRestore(RestoreContext(RealFileSystem()), UndoFile(), false);
  EXPECT_EQ(plan.ChangedFiles(), 1);
  EXPECT_FALSE(plan.CanRestore());
  EXPECT_FALSE(RestoreFromUndoFile(RestoreContext(RealFileSystem()), UndoFile()));
  EXPECT_EQ(ReadFileBytes(Root / "B.pas"), "var T: TZanTable; // edited");
  plan = PlanRestore(RestoreContext(RealFileSystem()), UndoFile(), true);
  EXPECT_TRUE(ExecuteRestore(RestoreContext(RealFileSystem()), UndoFile(), plan).Ok);
  EXPECT_EQ(Tree(), before);
  // Restored files stay in the manifest, marked restored: a second restore
  // is not refused while they hold their backups.
  EXPECT_TRUE(RestoreFromUndoFile(RestoreContext(RealFileSystem()), UndoFile()));
}

TEST_F(SafeRunDiskTest, OneRunPerTreeAndSubTree) {
  Write(Root / "A.pas", "var Q: TQuery;");
  Write(Root / "sub" / "B.pas", "var T: TTable;");
  fs::create_directories(Root / "RBackup");
  const std::string process = "process " + std::to_string(getpid());
  auto holds = [&](const fs::path& folder) {
    return process + ", which holds \"" + fs::canonical(folder).string() + "\"";
  };
  struct TCase {
    const char* Name;
    fs::path Held;  // by another run
    fs::path Run;
    std::string Holder;  // named in the refusal; empty: the run goes ahead
  };
  const TCase cases[] = {
      {"a tree beside", Outside, Root, ""},
      {"the same tree", Root, Root, process},
      {"a parent, then its child", Root, Root / "sub", holds(Root)},
      {"a child, then its parent", Root / "sub", Root, holds(Root / "sub")},
      {"a run whose backup folder is held", Root / "RBackup", Root, holds(Root / "RBackup")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<TFolderLock> held;
    std::u16string holder;
    ASSERT_TRUE(RealFileSystem().LockFolder(U16(c.Held), held, holder));
    const auto before = Tree();
    if (c.Holder.empty()) {
      EXPECT_TRUE(Run(0, nullptr, c.Run));
      continue;
    }
    fs::remove(c.Run / "Wiz_Log.txt");
    try {
      Run(0, nullptr, c.Run);
      ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
      EXPECT_EQ(e.what(), "Another zanmig run (" + c.Holder + ") is working on \"" +
                              c.Run.string() +
                              "\"; nothing was changed. Try again when it has finished.");
    }
    EXPECT_EQ(Tree(), before);
    EXPECT_FALSE(fs::exists(c.Run / "Wiz_Log.txt"));
    // The same for a restore into the tree.
    if (fs::exists(Root / "RBackup" / "RExpert.reu")) {
      EXPECT_THROW(RestoreFromUndoFile(RestoreContext(RealFileSystem()), UndoFile()), EFileError);
    }
    EXPECT_EQ(Tree(), before);
  }
  // A lock dies with its holder: a run killed while holding one blocks nothing.
  const pid_t child = fork();
  if (child == 0) {
    std::unique_ptr<TFolderLock> held;
    std::u16string holder;
    _exit(RealFileSystem().LockFolder(U16(Root), held, holder) ? 0 : 1);  // never released
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  Write(Root / "C.pas", "var D: TDatabase;");
  EXPECT_TRUE(Run(0));
  EXPECT_NE(ReadFileBytes(Root / "C.pas").find("TZanConnection"), std::string::npos);
  EXPECT_TRUE(RestoreFromUndoFile(RestoreContext(RealFileSystem()), UndoFile()));
}

TEST(RunLocksTest, ALockCoversItsFolderAndEverythingBelow) {
  // The in-memory lock table keeps the rule the disk's registry keeps.
  struct TCase {
    const char16_t* Held;
    const char16_t* Wanted;
    bool Refused;
  };
  const TCase cases[] = {
      {u"/w", u"/w", true},           {u"/w", u"/w/sub", true},    {u"/w/sub", u"/w", true},
      {u"/w/sub", u"/w/sub/", true},  {u"/w/sub", u"/w/s", false}, {u"/w/s", u"/w/sub", false},
      {u"/w/sub", u"/w/sub2", false}, {u"/", u"/w", true},         {u"/w/sub", u"/v", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(S(std::u16string(c.Held) + u" then " + c.Wanted));
    TMemoryFileSystem memory;
    for (const char16_t* folder : {u"/w/sub", u"/w/s", u"/w/sub2", u"/v"}) memory.AddFolder(folder);
    TRunLocks first;
    first.Lock(memory, c.Held);
    {
      TRunLocks second;
      if (c.Refused) {
        EXPECT_THROW(second.Lock(memory, c.Wanted), EFileError);
      } else {
        EXPECT_NO_THROW(second.Lock(memory, c.Wanted));
      }
    }
    // Another file-system object keeps locks of its own: a test's tree
    // never meets the locks of another test's.
    TMemoryFileSystem other;
    for (const char16_t* folder : {u"/w/sub", u"/w/s", u"/w/sub2", u"/v"}) other.AddFolder(folder);
    EXPECT_NO_THROW(TRunLocks().Lock(other, c.Wanted));
    // One run's own locks never refuse each other: a folder below one it
    // holds adds nothing, one above takes the place of those below.
    EXPECT_NO_THROW(first.Lock(memory, c.Wanted));
  }
  // A lock may outlive the file-system object that gave it.
  auto memory = std::make_unique<TMemoryFileSystem>();
  memory->AddFolder(u"/w");
  TRunLocks locks;
  locks.Lock(*memory, u"/w");
  memory.reset();
}

}  // namespace
}  // namespace zan::test
