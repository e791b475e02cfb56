// The log writer and the file utilities, in memory and under fault injection.
#include <gtest/gtest.h>

#include <set>

#include "engine/files/FileUtils.h"
#include "rtl/Encoding.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"
#include "support/FaultyFileSystem.h"
#include "support/MemoryFileSystem.h"

namespace zan {
namespace {

/// Records the folders the code under test asks to create or remove, and
/// calls the paths in `Links` symbolic links.
class TRecordingFileSystem : public TFileSystemWrapper {
 public:
  using TFileSystemWrapper::TFileSystemWrapper;
  TFileStatus MakeFolder(std::u16string_view path) override {
    Made.emplace_back(path);
    return TFileSystemWrapper::MakeFolder(path);
  }
  TFileStatus RemoveFolder(std::u16string_view path) override {
    Removed.emplace_back(path);
    return TFileSystemWrapper::RemoveFolder(path);
  }
  bool IsLink(std::u16string_view path) override { return Links.contains(std::u16string(path)); }
  std::vector<std::u16string> Made, Removed;
  std::set<std::u16string> Links;
};

// ----- names

TEST(FileUtils, JoinPath) {
  const std::tuple<const char16_t*, const char16_t*, const char16_t*> cases[] = {
      {u"C:/Work", u"/Sub/Unit1.pas", u"C:/Work/Sub/Unit1.pas"},
      {u"/w/", u"Unit1.pas", u"/w/Unit1.pas"},
      {u"/w", u"", u"/w/"},
      {u"", u"a", u"a"},
      {u"", u"", u""},
      {u"/w", u"/", u"/w//"},  // a lone separator is kept
      {u"/w/", u"//x", u"/w//x"},
  };
  for (const auto& [folder, name, expected] : cases)
    EXPECT_EQ(JoinPath(folder, name), expected)
        << Utf16ToUtf8(folder) << " + " << Utf16ToUtf8(name);
}

TEST(FileUtils, MakeBackupName) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"Unit1.pas", u"Unit1.~pas"},
      {u"/w/Form1.dfm", u"/w/Form1.~dfm"},
      {u"/w/Project1.DPR", u"/w/Project1.~DPR"},
      {u"/w/Makefile", u"/w/Makefile.~"},
      {u"/w/Unit1.", u"/w/Unit1.~"},
      {u"/w.d/Unit1", u"/w.d/Unit1.~"},
      {u"/w/a.b.pas", u"/w/a.b.~pas"},
      {u"C:Unit1.pas", u"C:Unit1.~pas"},
  };
  for (const auto& [name, expected] : cases) EXPECT_EQ(MakeBackupName(name), expected);
}

// ----- ForceFolder

TEST(FileUtils, ForceFolderCreatesEachMissingStepButNoRoot) {
  struct {
    const char16_t* path;
    bool result;
    std::vector<std::u16string> made;
  } cases[] = {
      {u"C:/Work/Sub", true, {u"C:/Work", u"C:/Work/Sub"}},
      {u"C:/Work/Sub/", true, {u"C:/Work", u"C:/Work/Sub"}},
      {u"C:/", true, {}},
      {u"C:", true, {}},
      {u"/w/a/b", true, {u"/w", u"/w/a", u"/w/a/b"}},
      {u"/", true, {}},
      {u"relative/x", false, {}},  // never under the current folder
      {u"", false, {}},
      {u"/w/file.pas/x", false, {u"/w", u"/w/file.pas", u"/w/file.pas/x"}},
      {u"/w/file.pas", true, {u"/w", u"/w/file.pas"}},  // an existing file counts
  };
  for (const auto& c : cases) {
    TMemoryFileSystem memory;
    memory.AddFolder(u"C:");
    memory.AddFile(u"/w/file.pas", "x");
    TRecordingFileSystem fs(memory);
    EXPECT_EQ(ForceFolder(c.path, fs), c.result) << Utf16ToUtf8(c.path);
    EXPECT_EQ(fs.Made, c.made) << Utf16ToUtf8(c.path);
  }
  TMemoryFileSystem memory;
  ASSERT_TRUE(ForceFolder(u"/a/b/c", memory));
  EXPECT_TRUE(memory.IsFolder(u"/a/b/c"));
}

TEST(FileUtils, ForceFolderStopsAtTheFirstFailedStep) {
  TMemoryFileSystem memory;
  TFaultyFileSystem fs(memory);
  fs.FailNth(TFileOp::MakeFolder, 2);
  EXPECT_FALSE(ForceFolder(u"/a/b/c", fs));
  EXPECT_EQ(fs.Calls(TFileOp::MakeFolder), 2);
  EXPECT_FALSE(memory.Exists(u"/a/b"));
}

TEST(FileUtils, FolderMakerMakesEachFolderOnceBelowItsRoot) {
  // Each row forces one folder after the rows above it, with the same maker.
  struct {
    const char16_t* folder;
    TFolderMaker::TResult result;
    std::vector<std::u16string> made;
  } rows[] = {
      {u"/t/a/b/", TFolderMaker::TResult::Ready, {u"/t/a", u"/t/a/b"}},
      {u"/t/a/b", TFolderMaker::TResult::Ready, {}},  // made before: nothing asked
      {u"/t/a/c", TFolderMaker::TResult::Ready, {u"/t/a/c"}},
      {u"/t", TFolderMaker::TResult::Ready, {}},  // the root is never made
      {u"/t/old/x", TFolderMaker::TResult::Ready, {u"/t/old", u"/t/old/x"}},  // found existing
      {u"/t/link/x", TFolderMaker::TResult::Link, {u"/t/link"}},  // never written through
      {u"/t/file.pas/x", TFolderMaker::TResult::Failed, {u"/t/file.pas", u"/t/file.pas/x"}},
      {u"/elsewhere/y", TFolderMaker::TResult::Ready, {u"/elsewhere", u"/elsewhere/y"}},
  };
  TMemoryFileSystem memory;
  memory.AddFolder(u"/t/old");
  memory.AddFolder(u"/t/link");
  memory.AddFile(u"/t/file.pas", "x");
  TRecordingFileSystem fs(memory);
  fs.Links = {u"/t/link"};
  TFolderMaker maker;
  for (const auto& row : rows) {
    fs.Made.clear();
    std::u16string link;
    EXPECT_EQ(maker.Force(fs, u"/t/", row.folder, true, &link), row.result)
        << Utf16ToUtf8(row.folder);
    EXPECT_EQ(fs.Made, row.made) << Utf16ToUtf8(row.folder);
    EXPECT_EQ(link, row.result == TFolderMaker::TResult::Link ? u"/t/link" : u"");
  }
  EXPECT_TRUE(memory.IsFolder(u"/t/a/c"));
  // Without `refuseLinks` a link on the way is taken as a folder.
  EXPECT_EQ(TFolderMaker().Force(fs, u"/t", u"/t/link/y", false), TFolderMaker::TResult::Ready);

  // Removing the tree removes what a maker made and the root, without
  // listing a folder; a folder that still holds a file stops it.
  TMemoryFileSystem tree;
  tree.AddFolder(u"/r");
  TFaultyFileSystem counted(tree);
  TFolderMaker made;
  for (const char16_t* folder : {u"/r/a/b", u"/r/a/c", u"/r/d"})
    ASSERT_EQ(made.Force(counted, u"/r", folder, false), TFolderMaker::TResult::Ready);
  tree.AddFile(u"/r/a/c/kept.pas", "");
  EXPECT_FALSE(made.RemoveTree(counted, u"/r"));
  EXPECT_TRUE(tree.Exists(u"/r/a/c/kept.pas"));
  ASSERT_TRUE(tree.RemoveFile(u"/r/a/c/kept.pas"));
  EXPECT_TRUE(made.RemoveTree(counted, u"/r"));
  EXPECT_FALSE(tree.Exists(u"/r"));
  EXPECT_EQ(counted.Calls(TFileOp::List), 0);
  EXPECT_EQ(counted.Calls(TFileOp::MakeFolder), 4);
}

// ----- CreateTempFolder

TEST(FileUtils, CreateTempFolderTakesTheFirstFreeHexNumber) {
  TMemoryFileSystem fs;
  fs.SetTempFolder(u"/tmp/user/");
  EXPECT_EQ(CreateTempFolder(u"$DS", 1, fs), u"/tmp/user/$DS1");
  EXPECT_EQ(CreateTempFolder(u"$DS", 1, fs), u"/tmp/user/$DS2");
  for (int i = 3; i <= 9; ++i) fs.AddFolder(u"/tmp/user/$DS" + IntToStr(i));
  fs.AddFile(u"/tmp/user/$DSA", "");  // a file of that name is taken too
  EXPECT_EQ(CreateTempFolder(u"$DS", 1, fs), u"/tmp/user/$DSB");
  EXPECT_EQ(CreateTempFolder(u"Prefix", 0xFF, fs), u"/tmp/user/PreFF");
  EXPECT_EQ(CreateTempFolder(u"$DS", 0x10000, fs), u"/tmp/user/$DSC");  // low 16 bits, not 0
  EXPECT_TRUE(fs.IsFolder(u"/tmp/user/$DSB"));
}

TEST(FileUtils, CreateTempFolderGivesNothingWhenItCannot) {
  TMemoryFileSystem memory;
  TFaultyFileSystem fs(memory);
  fs.FailAlways(TFileOp::TempFolder);
  EXPECT_EQ(CreateTempFolder(u"$DS", 1, fs), u"");
  fs.Reset();
  fs.FailAlways(TFileOp::MakeFolder);
  EXPECT_EQ(CreateTempFolder(u"$DS", 1, fs), u"");
  memory.SetTempFolder(u"");
  EXPECT_EQ(CreateTempFolder(u"$DS", 1, memory), u"");
  EXPECT_EQ(memory.AllPaths(), std::vector<std::u16string>{u"/tmp/"});  // nothing written
}

// ----- CopyFolderTree and DeleteFolderTree

/// A source tree with files at three levels.
void AddTree(TMemoryFileSystem& fs) {
  fs.AddFile(u"/tmp/$DS1/a.pas", "A");
  fs.AddFile(u"/tmp/$DS1/b.pas", "B");
  fs.AddFile(u"/tmp/$DS1/sub/c.dfm", "C");
  fs.AddFile(u"/tmp/$DS1/sub/deeper/d.pas", "D");
  fs.AddFolder(u"/tmp/$DS1/empty");
}

using TFiles = std::map<std::u16string, std::string>;

TEST(FileUtils, CopyFolderTreeMirrorsFoldersAndOverwritesFiles) {
  TMemoryFileSystem fs;
  AddTree(fs);
  fs.AddFile(u"/p/a.pas", "old A");
  fs.AddFile(u"/p/keep.pas", "K");
  ASSERT_TRUE(CopyFolderTree(u"/tmp/$DS1", u"/p", fs));
  EXPECT_EQ(fs.FilesUnder(u"/p"), (TFiles{{u"a.pas", "A"},
                                          {u"b.pas", "B"},
                                          {u"keep.pas", "K"},
                                          {u"sub/c.dfm", "C"},
                                          {u"sub/deeper/d.pas", "D"}}));
  EXPECT_TRUE(fs.IsFolder(u"/p/empty"));
}

TEST(FileUtils, CopyFolderTreeGoesOnPastFailuresAndReportsThem) {
  // A read-only original, a failed copy, a folder that cannot be made: each
  // leaves its own target alone, every other file is still copied.
  struct {
    const char* what;
    std::function<void(TMemoryFileSystem&, TFaultyFileSystem&)> arrange;
    TFiles expected;
  } cases[] = {
      {"read-only file",
       [](TMemoryFileSystem& m, TFaultyFileSystem&) {
         m.AddFile(u"/p/a.pas", "old");
         ASSERT_TRUE(m.SetReadOnly(u"/p/a.pas", true).Ok());
       },
       {{u"a.pas", "old"}, {u"b.pas", "B"}, {u"sub/c.dfm", "C"}, {u"sub/deeper/d.pas", "D"}}},
      {"second copy fails",
       [](TMemoryFileSystem&, TFaultyFileSystem& f) { f.FailNth(TFileOp::Copy, 2); },
       {{u"a.pas", "A"}, {u"sub/c.dfm", "C"}, {u"sub/deeper/d.pas", "D"}}},
      {"sub-folder not creatable",
       [](TMemoryFileSystem&, TFaultyFileSystem& f) { f.FailPath(u"/p/sub"); },
       {{u"a.pas", "A"}, {u"b.pas", "B"}}},
      {"a file where a folder should be",
       [](TMemoryFileSystem& m, TFaultyFileSystem&) { m.AddFile(u"/p/sub", "file"); },
       {{u"a.pas", "A"}, {u"b.pas", "B"}, {u"sub", "file"}}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    TMemoryFileSystem memory;
    AddTree(memory);
    memory.AddFolder(u"/p");
    TFaultyFileSystem fs(memory);
    c.arrange(memory, fs);
    EXPECT_FALSE(CopyFolderTree(u"/tmp/$DS1", u"/p", fs));
    EXPECT_EQ(memory.FilesUnder(u"/p"), c.expected);
  }
  TMemoryFileSystem memory;
  EXPECT_FALSE(CopyFolderTree(u"/missing", u"/p", memory));
  EXPECT_FALSE(CopyFolderTree(u"/tmp", u"relative", memory));
}

TEST(FileUtils, DeleteFolderTreeRemovesEverythingItCan) {
  TMemoryFileSystem memory;
  AddTree(memory);
  EXPECT_TRUE(DeleteFolderTree(u"/tmp/$DS1/", memory));
  EXPECT_EQ(memory.AllPaths(), std::vector<std::u16string>{u"/tmp/"});

  AddTree(memory);
  ASSERT_TRUE(memory.SetReadOnly(u"/tmp/$DS1/sub/c.dfm", true).Ok());
  EXPECT_FALSE(DeleteFolderTree(u"/tmp/$DS1", memory));
  EXPECT_EQ(memory.AllPaths(),
            (std::vector<std::u16string>{u"/tmp/", u"/tmp/$DS1/", u"/tmp/$DS1/sub/",
                                         u"/tmp/$DS1/sub/c.dfm"}));

  TFaultyFileSystem fs(memory);
  fs.FailAlways(TFileOp::List);
  EXPECT_FALSE(DeleteFolderTree(u"/tmp/$DS1", fs));  // cannot see inside: folder stays
  EXPECT_FALSE(DeleteFolderTree(u"relative", memory));
  EXPECT_FALSE(DeleteFolderTree(u"/missing", memory));
}

// ----- TLogWriter

TLocalDateTime At(int hour, int minute, int second, int ms = 0) {
  return {2024, 3, 9, hour, minute, second, ms};
}

TEST(LogWriter, FormatsTheCreationTimeAndLeavesOutMidnight) {
  EXPECT_EQ(FormatLogDateTime(At(14, 5, 9)), u"2024-03-09 14:05:09");
  EXPECT_EQ(FormatLogDateTime(At(0, 0, 0)), u"2024-03-09");
  EXPECT_EQ(FormatLogDateTime(At(0, 0, 0, 1)), u"2024-03-09 00:00:00");
  TLocalDateTime now = LocalNow();
  EXPECT_GE(now.Year, 2024);
  EXPECT_TRUE(now.Month >= 1 && now.Month <= 12);
}

/// Writes a log with the given settings and lines; returns the file's bytes.
std::string WriteLog(std::u16string_view header, std::u16string_view label, bool emptyLines,
                     std::initializer_list<std::u16string_view> lines) {
  TMemoryFileSystem fs;
  fs.AddFolder(u"/p");
  TLogWriter log(&fs);
  log.SetHeader(header);
  log.SetCreationTimeString(label);
  log.SetEmptyLineAfterString(emptyLines);
  log.SetClock([] { return At(9, 30, 0); });
  log.OpenLogFile(u"/p/Wiz_Log.txt");
  for (std::u16string_view line : lines) log.WriteLine(line);
  log.CloseLogFile();
  return fs.Contents(u"/p/Wiz_Log.txt");
}

TEST(LogWriter, WritesTheLayoutOfARunLog) {
  EXPECT_EQ(WriteLog(u"BDE Migration Wizard log", u"Created at:", true,
                     {u"Initializing unit list", u" ", u"Ends with CRLF\r\n", u""}),
            "BDE Migration Wizard log\r\n\r\n"
            "Created at: 2024-03-09 09:30:00\r\n\r\n"
            "Initializing unit list\r\n\r\n"
            "\r\n\r\n"
            "Ends with CRLF\r\n\r\n"
            "\r\n\r\n");
  EXPECT_EQ(WriteLog(u"", u"Log created at:", false, {u" ", u"a\n", u"b\r", u"c"}),
            "Log created at: 2024-03-09 09:30:00\r\n"
            "\r\n"
            "a\n"
            "b\r"
            "c\r\n");
  // The ANSI code page: what it cannot represent becomes "?".
  EXPECT_EQ(WriteLog(u"", u"", false, {u"Überprüfung Ж"}),
            " 2024-03-09 09:30:00\r\n" + UnicodeToAnsi(u"Überprüfung ") + "?\r\n");
}

TEST(LogWriter, DropsWritesWhileClosedAndRaisesFileErrors) {
  TMemoryFileSystem memory;
  TFaultyFileSystem fs(memory);
  TLogWriter log(&fs);
  EXPECT_FALSE(log.IsOpen());
  log.WriteLine(u"dropped");
  log.Write("x", 1);
  log.CloseLogFile();  // harmless

  try {
    log.OpenLogFile(u"/missing/Wiz_Log.txt");
    FAIL();
  } catch (const EFileError& e) {
    EXPECT_STREQ(e.what(),
                 "Cannot create file \"/missing/Wiz_Log.txt\". No such file or directory");
  }
  EXPECT_FALSE(log.IsOpen());

  log.OpenLogFile(u"/Wiz_Log.txt");
  log.Write("raw", 3);
  fs.FailAlways(TFileOp::Append, TFileErrorCode::DiskFull);
  EXPECT_THROW(log.WriteLine(u"lost"), EFileError);
  fs.Reset();
  log.OpenLogFile(u"/Wiz_Log.txt");  // a second open closes the first and starts anew
  log.WriteLine(u"second");
  EXPECT_TRUE(memory.Contents(u"/Wiz_Log.txt").ends_with("second\r\n"));
  EXPECT_EQ(memory.Contents(u"/Wiz_Log.txt").find("raw"), std::string::npos);
}

TEST(LogWriter, WritesThroughTheFileSystemSetLaterAndRefusesWithoutOne) {
  TMemoryFileSystem memory;
  TLogWriter log;  // made before the run's file system is known, as a replacer's is
  EXPECT_THROW(log.OpenLogFile(u"/Wiz_Log.txt"), EAssertionFailed);
  log.SetFileSystem(&memory);
  log.OpenLogFile(u"/Wiz_Log.txt");
  log.CloseLogFile();
  EXPECT_TRUE(memory.IsFile(u"/Wiz_Log.txt"));
}

}  // namespace
}  // namespace zan
