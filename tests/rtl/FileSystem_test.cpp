// The seam's contract, checked on the real and the in-memory file system
// alike (the fake must fail where the disk fails), then what only one of
// them does, and the fault-injecting wrapper.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "common/TestUtil.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"
#include "support/FaultyFileSystem.h"
#include "support/MemoryFileSystem.h"

namespace zan {
namespace {

using Code = TFileErrorCode;

mode_t CurrentUmaskForTest() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

class FileSystemContract : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "real") {
      FTemp = std::make_unique<test::TempDir>();
      FRoot = Utf8ToUtf16(FTemp->path().string());
      FFs = &RealFileSystem();
    } else {
      FRoot = u"/work";
      FMemory.AddFolder(FRoot);
      FFs = &FMemory;
    }
  }
  std::u16string P(std::string_view relative) { return FRoot + u"/" + U16(relative); }
  void Put(std::string_view relative, std::string_view contents) {
    ASSERT_TRUE(FFs->Write(P(relative), contents).Ok());
  }
  std::vector<std::u16string> Names(std::string_view folder) {
    std::vector<std::u16string> names;
    for (const TFolderEntry& e : FFs->ListFolder(P(folder))) names.push_back(e.Name);
    return names;
  }

  std::unique_ptr<test::TempDir> FTemp;
  TMemoryFileSystem FMemory;
  TFileSystem* FFs = nullptr;
  std::u16string FRoot;
};

TEST_P(FileSystemContract, ReadsBackWhatWasWrittenAndAppended) {
  Put("a.pas", std::string("unit a;\0\xFF", 10));
  EXPECT_EQ(FFs->ReadFile(P("a.pas")), std::string("unit a;\0\xFF", 10));
  EXPECT_TRUE(FFs->IsFile(P("a.pas")));
  EXPECT_EQ(FFs->GetAttributes(P("a.pas")).Size, 10u);
  FFs->WriteFileAtomic(P("a.pas"), "new");
  EXPECT_EQ(FFs->ReadFile(P("a.pas")), "new");

  std::unique_ptr<TWritableFile> log;
  ASSERT_TRUE(FFs->OpenForWriting(P("a.pas"), log).Ok());  // truncates
  EXPECT_TRUE(log->Append("one ").Ok());
  EXPECT_TRUE(log->Append("two").Ok());
  EXPECT_TRUE(log->Close().Ok());
  EXPECT_EQ(FFs->ReadFile(P("a.pas")), "one two");
}

TEST_P(FileSystemContract, FailuresCarryTheirCodeAndNameTheFile) {
  Put("f", "x");
  ASSERT_TRUE(FFs->MakeFolder(P("d")).Ok());
  Put("d/inner", "x");
  std::string ignored;
  struct {
    TFileStatus status;
    Code expected;
  } cases[] = {
      {FFs->Read(P("missing"), ignored), Code::NotFound},
      {FFs->Read(P("d"), ignored), Code::IsAFolder},
      {FFs->Write(P("nofolder/x"), "x"), Code::NotFound},
      {FFs->Write(P("d"), "x"), Code::IsAFolder},
      {FFs->MakeFolder(P("d")), Code::AlreadyExists},
      {FFs->MakeFolder(P("f")), Code::AlreadyExists},  // a file of that name counts
      {FFs->MakeFolder(P("a/b")), Code::NotFound},
      {FFs->CopyFile(P("f"), P("d/inner"), false), Code::AlreadyExists},
      {FFs->CopyFile(P("missing"), P("g"), true), Code::NotFound},
      {FFs->RemoveFile(P("d")), Code::IsAFolder},
      {FFs->RemoveFolder(P("d")), Code::NotEmpty},
      {FFs->RemoveFolder(P("missing")), Code::NotFound},
      {FFs->Read(u"relative/x.pas", ignored), Code::NotFound},
      {FFs->MakeFolder(u"relative"), Code::NotFound},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.status.Code(), c.expected) << c.status.Message();
    EXPECT_THROW(c.status.Check(), EFileError);
  }
  try {
    FFs->ReadFile(P("missing"));
    FAIL();
  } catch (const EFileError& e) {
    EXPECT_EQ(e.what(),
              "Cannot open file \"" + Utf16ToUtf8(P("missing")) + "\". No such file or directory");
  }
}

TEST_P(FileSystemContract, ListsEntriesByNameWithTheirKind) {
  Put("b.pas", "");
  Put("A.pas", "");
  ASSERT_TRUE(FFs->MakeFolder(P("c.pas")).Ok());
  Put("c.pas/deep", "");
  std::vector<TFolderEntry> entries = FFs->ListFolder(FRoot);
  std::vector<TFolderEntry> expected = {{u"A.pas", false}, {u"b.pas", false}, {u"c.pas", true}};
  EXPECT_EQ(entries, expected);
  EXPECT_TRUE(FFs->ListFolder(P("c.pas/")).size() == 1);  // trailing separator accepted
}

TEST_P(FileSystemContract, ReadOnlyFilesAreNeitherOverwrittenNorDeleted) {
  Put("ro", "original");
  Put("src", "new");
  ASSERT_TRUE(FFs->SetReadOnly(P("ro"), true).Ok());
  EXPECT_TRUE(FFs->GetAttributes(P("ro")).ReadOnly);
  EXPECT_EQ(FFs->Write(P("ro"), "x").Code(), Code::AccessDenied);
  EXPECT_EQ(FFs->WriteAtomic(P("ro"), "x").Code(), Code::AccessDenied);
  EXPECT_EQ(FFs->CopyFile(P("src"), P("ro"), true).Code(), Code::AccessDenied);
  EXPECT_EQ(FFs->RemoveFile(P("ro")).Code(), Code::AccessDenied);
  EXPECT_EQ(FFs->ReadFile(P("ro")), "original");

  // A copy takes the attribute along, like the host's copy.
  ASSERT_TRUE(FFs->CopyFile(P("ro"), P("copy"), false).Ok());
  EXPECT_TRUE(FFs->GetAttributes(P("copy")).ReadOnly);
  ASSERT_TRUE(FFs->SetReadOnly(P("ro"), false).Ok());
  ASSERT_TRUE(FFs->SetReadOnly(P("copy"), false).Ok());
  EXPECT_TRUE(FFs->RemoveFile(P("ro")).Ok());
}

TEST_P(FileSystemContract, CopyRenameAndRemoveLeaveNothingBehind) {
  Put("a", "A");
  Put("b", "B");
  ASSERT_TRUE(FFs->CopyFile(P("a"), P("b"), true).Ok());
  EXPECT_EQ(FFs->ReadFile(P("b")), "A");
  ASSERT_TRUE(FFs->CopyFile(P("a"), P("a"), true).Ok());  // onto itself keeps the contents
  EXPECT_EQ(FFs->ReadFile(P("a")), "A");
  Put("c", "C");
  ASSERT_TRUE(FFs->Rename(P("c"), P("b")).Ok());  // replaces an existing file
  EXPECT_EQ(FFs->ReadFile(P("b")), "C");
  EXPECT_FALSE(FFs->Exists(P("c")));
  FFs->WriteFileAtomic(P("b"), "D");
  EXPECT_EQ(Names(""), (std::vector<std::u16string>{u"a", u"b"}));  // no temporary left

  ASSERT_TRUE(FFs->MakeFolder(P("d")).Ok());
  ASSERT_TRUE(FFs->Rename(P("b"), P("d/b")).Ok());
  ASSERT_TRUE(FFs->Rename(P("d"), P("e")).Ok());
  EXPECT_EQ(FFs->ReadFile(P("e/b")), "D");
  ASSERT_TRUE(FFs->RemoveFile(P("e/b")).Ok());
  ASSERT_TRUE(FFs->RemoveFolder(P("e")).Ok());
  EXPECT_FALSE(FFs->Exists(P("e")));
}

// Publishing a run's result and taking its backup: the backup keeps the old
// bytes once the original is replaced, and a read-only original is refused.
TEST_P(FileSystemContract, MoveReplacesTheDestinationAndBackupsKeepOldBytes) {
  Put("orig", "old");
  Put("tmp", "new");
  ASSERT_TRUE(FFs->LinkOrCopyFile(P("orig"), P("orig.bak")).Ok());
  ASSERT_TRUE(FFs->MoveFile(P("tmp"), P("orig")).Ok());
  EXPECT_EQ(FFs->ReadFile(P("orig")), "new");
  EXPECT_EQ(FFs->ReadFile(P("orig.bak")), "old");
  EXPECT_FALSE(FFs->Exists(P("tmp")));

  // A second backup onto the first replaces it; twice is harmless.
  ASSERT_TRUE(FFs->LinkOrCopyFile(P("orig"), P("orig.bak")).Ok());
  ASSERT_TRUE(FFs->LinkOrCopyFile(P("orig"), P("orig.bak")).Ok());
  EXPECT_EQ(FFs->ReadFile(P("orig.bak")), "new");
  Put("tmp", "newer");
  ASSERT_TRUE(FFs->MoveFile(P("tmp"), P("orig")).Ok());
  EXPECT_EQ(FFs->ReadFile(P("orig.bak")), "new");

  Put("fresh", "F");  // onto a missing destination
  ASSERT_TRUE(FFs->MoveFile(P("fresh"), P("moved")).Ok());
  EXPECT_EQ(FFs->ReadFile(P("moved")), "F");

  Put("tmp", "X");
  ASSERT_TRUE(FFs->SetReadOnly(P("moved"), true).Ok());
  EXPECT_EQ(FFs->MoveFile(P("tmp"), P("moved")).Code(), Code::AccessDenied);
  EXPECT_EQ(FFs->ReadFile(P("moved")), "F");
  EXPECT_EQ(FFs->ReadFile(P("tmp")), "X");
  EXPECT_EQ(FFs->MoveFile(P("missing"), P("orig")).Code(), Code::NotFound);
  ASSERT_TRUE(FFs->SetReadOnly(P("moved"), false).Ok());
  EXPECT_EQ(Names(""), (std::vector<std::u16string>{u"moved", u"orig", u"orig.bak", u"tmp"}));
}

INSTANTIATE_TEST_SUITE_P(Both, FileSystemContract, ::testing::Values("real", "memory"),
                         [](const auto& info) { return info.param; });

// ----- the real file system only

class RealFileSystemTest : public ::testing::Test {
 protected:
  std::u16string P(std::string_view relative) {
    return Utf8ToUtf16(FTemp.path().string()) + u"/" + U16(relative);
  }
  test::TempDir FTemp;
  TRealFileSystem& FFs = RealFileSystem();
};

TEST_F(RealFileSystemTest, AtomicReplacementKeepsModeAndLinks) {
  FFs.WriteFile(P("script"), "old");
  ::chmod(Utf16ToUtf8(P("script")).c_str(), 0750);
  FFs.WriteFileAtomic(P("script"), "new");
  struct stat st;
  ASSERT_EQ(::stat(Utf16ToUtf8(P("script")).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0750u);

  ASSERT_EQ(::symlink("script", Utf16ToUtf8(P("link")).c_str()), 0);
  FFs.WriteFileAtomic(P("link"), "through the link");
  EXPECT_EQ(FFs.ReadFile(P("script")), "through the link");
  ASSERT_EQ(::lstat(Utf16ToUtf8(P("link")).c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  std::vector<TFolderEntry> entries = FFs.ListFolder(P(""));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_TRUE(entries[0].IsLink);
  EXPECT_FALSE(entries[1].IsLink);
}

TEST_F(RealFileSystemTest, MovedFilesKeepTheReplacedFilesModeAndLinks) {
  const auto mode = [this](std::string_view name) {
    struct stat st;
    return ::stat(Utf16ToUtf8(P(name)).c_str(), &st) == 0 ? st.st_mode & 0777 : 0u;
  };
  FFs.WriteFile(P("unit.pas"), "old");
  ::chmod(Utf16ToUtf8(P("unit.pas")).c_str(), 0600);
  FFs.WriteFile(P("new.pas"), "new");
  ::chmod(Utf16ToUtf8(P("new.pas")).c_str(), 0644);
  ASSERT_TRUE(FFs.MoveFile(P("new.pas"), P("unit.pas")).Ok());
  EXPECT_EQ(mode("unit.pas"), 0600u);

  ASSERT_EQ(::symlink("unit.pas", Utf16ToUtf8(P("link.pas")).c_str()), 0);
  FFs.WriteFile(P("new.pas"), "through the link");
  ASSERT_TRUE(FFs.MoveFile(P("new.pas"), P("link.pas")).Ok());
  EXPECT_EQ(FFs.ReadFile(P("unit.pas")), "through the link");
  struct stat st;
  ASSERT_EQ(::lstat(Utf16ToUtf8(P("link.pas")).c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  // A backup of a link is a copy: replacing the link's target leaves it alone.
  ASSERT_TRUE(FFs.LinkOrCopyFile(P("link.pas"), P("link.bak")).Ok());
  ASSERT_EQ(::lstat(Utf16ToUtf8(P("link.bak")).c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  FFs.WriteFileAtomic(P("unit.pas"), "changed");
  EXPECT_EQ(FFs.ReadFile(P("link.bak")), "through the link");
  EXPECT_EQ(FFs.ListFolder(P("")).size(), 3u);  // no temporary left
}

TEST_F(RealFileSystemTest, PipesAndDevicesAreNeverWaitedOnNorReplaced) {
  test::TFifoWatchdog watchdog({FTemp.path() / "pipe"});
  FFs.WriteFile(P("plain"), "plain");
  std::string bytes;
  std::unique_ptr<TWritableFile> file;
  const struct {
    const char* What;
    std::function<TFileStatus()> Call;
  } refused[] = {
      {"read", [&] { return FFs.Read(P("pipe"), bytes); }},
      {"read a device", [&] { return FFs.Read(u"/dev/zero", bytes); }},
      {"replace", [&] { return FFs.WriteAtomic(P("pipe"), "new"); }},
      {"open for appending", [&] { return FFs.OpenForWriting(P("pipe"), file); }},
      {"copy from", [&] { return FFs.CopyFile(P("pipe"), P("copy"), true); }},
      {"copy over", [&] { return FFs.CopyFile(P("plain"), P("pipe"), true); }},
      {"link or copy from", [&] { return FFs.LinkOrCopyFile(P("pipe"), P("copy")); }},
      {"link or copy over", [&] { return FFs.LinkOrCopyFile(P("plain"), P("pipe")); }},
      {"move from", [&] { return FFs.MoveFile(P("pipe"), P("copy")); }},
      {"move over", [&] { return FFs.MoveFile(P("plain"), P("pipe")); }},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.What);
    const TFileStatus status = c.Call();
    EXPECT_EQ(status.Code(), Code::NotAFile);
    EXPECT_EQ(status.Reason(), "Not a regular file");
  }
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(file);
  EXPECT_TRUE(std::filesystem::is_fifo(FTemp.path() / "pipe"));
  EXPECT_EQ(FFs.ReadFile(P("plain")), "plain");
  EXPECT_EQ(FFs.ListFolder(P("")).size(), 2u);  // no copy, no temporary

  // Write streams into a pipe that has a reader and into a character device;
  // a pipe nobody reads is an error, after a moment for a reader to come.
  std::string received;
  std::thread reader([&] { received = test::ReadFileBytes(FTemp.path() / "pipe"); });
  EXPECT_TRUE(FFs.Write(P("pipe"), "streamed").Ok());
  reader.join();
  EXPECT_EQ(received, "streamed");
  EXPECT_TRUE(FFs.Write(u"/dev/null", "gone").Ok());
  const TFileStatus unread = FFs.Write(P("pipe"), "lost");
  EXPECT_EQ(unread.Message(),
            "Cannot create file \"" + Utf16ToUtf8(P("pipe")) + "\". No process reads the pipe");
  EXPECT_TRUE(std::filesystem::is_fifo(FTemp.path() / "pipe"));
}

TEST_F(RealFileSystemTest, AFileOpenedForWritingIsANewFileNeverOneOfItsOtherNames) {
  FFs.WriteFile(P("elsewhere"), "keep me");
  ASSERT_EQ(::link(Utf16ToUtf8(P("elsewhere")).c_str(), Utf16ToUtf8(P("log")).c_str()), 0);
  std::unique_ptr<TWritableFile> file;
  ASSERT_TRUE(FFs.OpenForWriting(P("log"), file).Ok());
  ASSERT_TRUE(file->Append("line").Ok());
  ASSERT_TRUE(file->Close().Ok());
  EXPECT_EQ(FFs.ReadFile(P("elsewhere")), "keep me");
  EXPECT_EQ(FFs.ReadFile(P("log")), "line");
  struct stat st;
  ASSERT_EQ(::stat(Utf16ToUtf8(P("log")).c_str(), &st), 0);
  EXPECT_EQ(st.st_nlink, 1u);
  EXPECT_EQ(st.st_mode & 0777, 0666u & ~CurrentUmaskForTest());
  // A link is refused; read-only stays read-only.
  ASSERT_EQ(::symlink("elsewhere", Utf16ToUtf8(P("linked")).c_str()), 0);
  EXPECT_FALSE(FFs.OpenForWriting(P("linked"), file).Ok());
  FFs.SetReadOnly(P("elsewhere"), true).Check();
  EXPECT_EQ(FFs.OpenForWriting(P("elsewhere"), file).Code(), Code::AccessDenied);
  EXPECT_EQ(FFs.ReadFile(P("elsewhere")), "keep me");
  EXPECT_EQ(FFs.ListFolder(P("")).size(), 3u);  // no temporary left
}

TEST(FileNames, BytesThatAreNotUtf8SurviveTheWayToTheEngineAndBack) {
  const struct {
    std::string Native;
    std::u16string Engine;
    std::u16string Shown;
  } cases[] = {
      {"Unit1.pas", u"Unit1.pas", u"Unit1.pas"},
      {"Caf\xc3\xa9.pas", u"Caf\u00e9.pas", u"Caf\u00e9.pas"},
      {"\xf0\x9f\x98\x80", u"\U0001F600", u"\U0001F600"},
      {"Caf\xe9.pas", u"Caf\xdce9.pas", u"Caf\\xE9.pas"},
      {"\xff\xfe", u"\xdcff\xdcfe", u"\\xFF\\xFE"},
      {"a\xe2\x82", u"a\xdce2\xdc82", u"a\\xE2\\x82"},              // cut short
      {"\xed\xa0\x80", u"\xdced\xdca0\xdc80", u"\\xED\\xA0\\x80"},  // an encoded surrogate
      {"\xc0\xaf", u"\xdcc0\xdcaf", u"\\xC0\\xAF"},                 // overlong "/"
      {"\xe9\xc3\xa9", u"\xdce9\u00e9", u"\\xE9\u00e9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Native);
    EXPECT_EQ(FileNameFromNative(c.Native), c.Engine);
    EXPECT_EQ(FileNameToNative(c.Engine), c.Native);
    EXPECT_EQ(EscapedFileName(c.Engine), c.Shown);
    EXPECT_EQ(HasRawFileNameBytes(c.Engine), c.Engine != c.Shown);
  }
}

TEST_F(RealFileSystemTest, NamesThatAreNotUtf8AreListedAndOpenedAsTheyAre) {
  test::WriteFileBytes(FTemp.path() / "Caf\xe9.pas", "unit");
  const std::vector<TFolderEntry> entries = FFs.ListFolder(P(""));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Name, u"Caf\xdce9.pas");
  const std::u16string path = P("") + entries[0].Name;
  EXPECT_EQ(FFs.ReadFile(path), "unit");
  FFs.WriteFileAtomic(path, "changed");
  EXPECT_EQ(test::ReadFileBytes(FTemp.path() / "Caf\xe9.pas"), "changed");
  EXPECT_TRUE(FFs.RemoveFile(path).Ok());
  EXPECT_TRUE(FFs.ListFolder(P("")).empty());
}

TEST_F(RealFileSystemTest, TemporaryFolderComesFromAnAbsoluteTmpdirOnly) {
  const char* saved = std::getenv("TMPDIR");
  std::string restore = saved ? saved : "";
  std::u16string folder;
  ::setenv("TMPDIR", FTemp.path().c_str(), 1);
  ASSERT_TRUE(FFs.GetTempFolder(folder).Ok());
  EXPECT_EQ(folder, Utf8ToUtf16(FTemp.path().string()));
  ::setenv("TMPDIR", "relative", 1);
  ASSERT_TRUE(FFs.GetTempFolder(folder).Ok());
  EXPECT_EQ(folder, u"/tmp");
  if (saved)
    ::setenv("TMPDIR", restore.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

// ----- the in-memory file system only

TEST(MemoryFileSystem, RecordsWrittenFilesAndMovesFolderTrees) {
  TMemoryFileSystem fs;
  fs.AddFile(u"/p/a.pas", "a");
  fs.AddFile(u"/p/sub/b.dfm", "b");
  fs.WriteFile(u"/p/c.pas", "c");
  ASSERT_TRUE(fs.CopyFile(u"/p/a.pas", u"/p/sub/a.pas", false).Ok());
  EXPECT_EQ(fs.WrittenFiles(), (std::vector<std::u16string>{u"/p/c.pas", u"/p/sub/a.pas"}));
  ASSERT_TRUE(fs.Rename(u"/p/sub", u"/q").Ok());
  EXPECT_EQ(fs.AllPaths(), (std::vector<std::u16string>{u"/p/", u"/p/a.pas", u"/p/c.pas", u"/q/",
                                                        u"/q/a.pas", u"/q/b.dfm", u"/tmp/"}));
  EXPECT_EQ(fs.FilesUnder(u"/q"),
            (std::map<std::u16string, std::string>{{u"a.pas", "a"}, {u"b.dfm", "b"}}));
  EXPECT_EQ(fs.Rename(u"/p", u"/p/inside").Code(), Code::Other);

  fs.SetUnreadable(u"/p/a.pas");
  std::string bytes;
  EXPECT_EQ(fs.Read(u"/p/a.pas", bytes).Code(), Code::AccessDenied);
  EXPECT_EQ(fs.CopyFile(u"/p/a.pas", u"/p/x", true).Code(), Code::AccessDenied);
  std::u16string temp;
  fs.SetTempFolder(u"");
  EXPECT_EQ(fs.GetTempFolder(temp).Code(), Code::NotFound);
}

TEST(MemoryFileSystem, SiblingsSortingBeforeTheSeparatorDoNotConfuseFolders) {
  TMemoryFileSystem fs;
  fs.AddFolder(u"/a");
  fs.AddFile(u"/a-b", "x");  // '-' sorts before '/'
  fs.AddFile(u"/a.txt", "x");
  EXPECT_TRUE(fs.RemoveFolder(u"/a").Ok());
  EXPECT_TRUE(fs.ListFolder(u"/").size() == 3);  // a-b, a.txt, tmp
}

// ----- fault injection

TEST(FaultyFileSystem, FailsTheChosenCallsOnlyAndLeavesTheTargetAlone) {
  TMemoryFileSystem memory;
  memory.AddFile(u"/s/1", "1");
  memory.AddFile(u"/s/2", "2");
  memory.AddFile(u"/s/3", "3");
  TFaultyFileSystem fs(memory);
  fs.FailNth(TFileOp::Copy, 2, Code::DiskFull);
  EXPECT_TRUE(fs.CopyFile(u"/s/1", u"/s/1c", true).Ok());
  TFileStatus failed = fs.CopyFile(u"/s/2", u"/s/2c", true);
  EXPECT_EQ(failed.Message(), "Cannot copy file \"/s/2\" to \"/s/2c\". No space left on device");
  EXPECT_TRUE(fs.CopyFile(u"/s/3", u"/s/3c", true).Ok());
  EXPECT_FALSE(memory.Exists(u"/s/2c"));
  EXPECT_EQ(fs.Calls(TFileOp::Copy), 3);
  EXPECT_EQ(fs.Failures(), 1);

  fs.FailPath(u"/s/3/");  // as source or destination, any spelling
  std::string bytes;
  EXPECT_EQ(fs.Read(u"/s/3", bytes).Code(), Code::AccessDenied);
  EXPECT_EQ(fs.CopyFile(u"/s/1", u"/s//3", true).Code(), Code::AccessDenied);
  EXPECT_TRUE(fs.Exists(u"/s/3"));  // queries still answer
  EXPECT_EQ(memory.Contents(u"/s/3"), "3");

  fs.FailAlways(TFileOp::TempFolder);
  std::u16string temp;
  EXPECT_FALSE(fs.GetTempFolder(temp).Ok());

  fs.Reset();
  fs.FailNth(TFileOp::Append, 2);
  std::unique_ptr<TWritableFile> file;
  ASSERT_TRUE(fs.OpenForWriting(u"/s/log", file).Ok());
  EXPECT_TRUE(file->Append("a").Ok());
  EXPECT_EQ(file->Append("b").Code(), Code::AccessDenied);
  EXPECT_TRUE(file->Append("c").Ok());
  EXPECT_EQ(memory.Contents(u"/s/log"), "ac");
}

TEST(CurrentFileSystem, IsTheRealOneUnlessReplacedForAScope) {
  EXPECT_EQ(&CurrentFileSystem(), &RealFileSystem());
  TMemoryFileSystem memory;
  {
    TScopedFileSystem scoped(memory);
    EXPECT_EQ(&CurrentFileSystem(), &memory);
  }
  EXPECT_EQ(&CurrentFileSystem(), &RealFileSystem());
}

}  // namespace
}  // namespace zan
