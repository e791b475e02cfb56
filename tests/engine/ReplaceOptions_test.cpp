// The options' persistent part through the settings store.
#include <gtest/gtest.h>

#include "engine/catalogue/ReplaceOptions.h"
#include "rtl/FileSystem.h"
#include "rtl/RegIniFile.h"
#include "support/MemoryFileSystem.h"

namespace zan {
namespace {

constexpr std::u16string_view kKey = u"Software\\Kestova\\Zanthe";
constexpr std::u16string_view kFile = u"/cfg/Kestova/Zanthe.ini";
constexpr std::u16string_view kSource = u"BDE/IBX";

/// The six persisted fields and the four that are not, as one comparable value.
auto State(const TReplaceOptions& o) {
  return std::make_tuple(o.Dest, o.Directory, o.IncludeSubDirs, o.MakeBackup, o.WriteLog, o.ViewLog,
                         o.BackupDir, o.ModuleList, o.ConnectionDefFileName, o.DriverConfFileName);
}

TEST(ReplaceOptions, DefaultsAndCaption) {
  TReplaceOptions options(kSource);
  EXPECT_EQ(options.SourceName(), u"BDE/IBX");
  EXPECT_EQ(options.Caption(), u"BDE/IBX Migration Wizard");
  EXPECT_EQ(State(options), State(TReplaceOptions(u"")));
  EXPECT_EQ(options.Dest, sdProject);
  EXPECT_TRUE(options.MakeBackup && options.WriteLog);
  EXPECT_FALSE(options.IncludeSubDirs || options.ViewLog);
}

TEST(ReplaceOptions, SavesSixValuesAndLoadsThemBackButNotTheRest) {
  TMemoryFileSystem fs;
  TReplaceOptions saved(kSource);
  saved.Dest = sdDirectory;
  saved.Directory = u"/w/My Project";
  saved.IncludeSubDirs = true;
  saved.MakeBackup = false;
  saved.WriteLog = false;
  saved.ViewLog = true;
  saved.BackupDir = u"/w/RBackup";
  saved.ModuleList = u"Unit1.pas\r\nUnit2.pas";
  saved.ConnectionDefFileName = u"/w/defs.ini";
  saved.DriverConfFileName = u"/w/drivers.ini";
  {
    TRegIniFile ini(kKey, kFile, &fs);
    saved.SaveToIniFile(ini, saved.Caption());
  }
  EXPECT_EQ(fs.Contents(kFile),
            "[BDE/IBX Migration Wizard]\n"
            "Dest=1\n"
            "Directory=/w/My Project\n"
            "IncludeSubDirs=1\n"
            "MakeBackup=0\n"
            "WriteLog=0\n"
            "ViewLog=1\n");

  TReplaceOptions loaded(kSource);
  TRegIniFile ini(kKey, kFile, &fs);
  loaded.LoadFromIniFile(ini, loaded.Caption());
  TReplaceOptions expected(kSource);
  expected.Dest = saved.Dest;
  expected.Directory = saved.Directory;
  expected.IncludeSubDirs = saved.IncludeSubDirs;
  expected.MakeBackup = saved.MakeBackup;
  expected.WriteLog = saved.WriteLog;
  expected.ViewLog = saved.ViewLog;
  EXPECT_EQ(State(loaded), State(expected));
}

TEST(ReplaceOptions, MissingOrInvalidValuesLeaveTheFieldsAsTheyAre) {
  TMemoryFileSystem fs;
  fs.AddFile(kFile,
             "[Other Migration Wizard]\nDest=1\nMakeBackup=0\n"
             "[BDE/IBX Migration Wizard]\nDest=7\nWriteLog=maybe\nViewLog=1\n");
  TRegIniFile ini(kKey, kFile, &fs);

  TReplaceOptions untouched(kSource);
  untouched.LoadFromIniFile(ini, u"Missing Section");
  EXPECT_EQ(State(untouched), State(TReplaceOptions(kSource)));

  TReplaceOptions partly(kSource);
  partly.Dest = sdDirectory;
  partly.Directory = u"/kept";
  partly.LoadFromIniFile(ini, partly.Caption());
  EXPECT_EQ(partly.Dest, sdDirectory);  // 7 is no scope
  EXPECT_EQ(partly.Directory, u"/kept");
  EXPECT_TRUE(partly.WriteLog);
  EXPECT_TRUE(partly.ViewLog);
  EXPECT_TRUE(partly.MakeBackup);
}

}  // namespace
}  // namespace zan
