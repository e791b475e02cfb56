// The settings store and the ini reader over the in-memory file system.
#include <cstdlib>

#include "common/TestUtil.h"
#include "rtl/Encoding.h"
#include "rtl/RegIniFile.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"
#include "support/FaultyFileSystem.h"
#include "support/MemoryFileSystem.h"

namespace zan {
namespace {

constexpr std::u16string_view kKey = u"Software\\Kestova\\Zanthe";
constexpr std::u16string_view kFile = u"/home/u/.config/Kestova/Zanthe.ini";

/// Sets an environment variable for the scope of the object.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const char* value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old, FHad = true;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~TScopedEnv() {
    if (FHad)
      ::setenv(FName, FOld.c_str(), 1);
    else
      ::unsetenv(FName);
  }

 private:
  const char* FName;
  std::string FOld;
  bool FHad = false;
};

TEST(RegIniFile, StoresEachValueAtOnceAndReadsItBackInAnyLetterCase) {
  TMemoryFileSystem fs;  // the settings folder does not exist yet
  {
    TRegIniFile ini(kKey, kFile, &fs);
    ini.WriteInteger(u"BDE Migration Wizard", u"Dest", 1);
    ini.WriteString(u"BDE Migration Wizard", u"Directory", u"/w/Projekt ä");
    ini.WriteBool(u"BDE Migration Wizard", u"MakeBackup", false);
    ini.WriteInteger(u"BDE Migration Wizard", u"Left", -20);
  }
  EXPECT_EQ(fs.Contents(kFile),
            "[BDE Migration Wizard]\n"
            "Dest=1\n"
            "Directory=/w/Projekt \xC3\xA4\n"
            "MakeBackup=0\n"
            "Left=-20\n");
  TRegIniFile ini(u"software\\kestova\\zanthe\\", kFile, &fs);
  EXPECT_EQ(ini.ReadInteger(u"bde migration wizard", u"DEST", 0), 1);
  EXPECT_EQ(ini.ReadString(u"BDE Migration Wizard", u"directory", u""), u"/w/Projekt ä");
  EXPECT_FALSE(ini.ReadBool(u"BDE Migration Wizard", u"MakeBackup", true));
  EXPECT_EQ(ini.ReadInteger(u"BDE Migration Wizard", u"Left", 0), -20);
  EXPECT_EQ(ini.ReadString(u"BDE Migration Wizard", u"Missing", u"dflt"), u"dflt");
  EXPECT_TRUE(ini.SectionExists(u"BDE MIGRATION WIZARD"));
  EXPECT_FALSE(ini.SectionExists(u"Other"));
}

TEST(RegIniFile, TextsSurviveLineBreaksBlanksQuotesAndBackslashes) {
  TMemoryFileSystem fs;
  const std::u16string values[] = {u"/a\r\n/b c\r\n", u"  padded ", u"\"quoted\"", u"C:\\Work\\",
                                   u"x=y ; # z",      u"",          u"\\\"\\n"};
  auto name = [](size_t i) {
    std::u16string name = u"V";
    name += U16(std::to_string(i));
    return name;
  };
  TRegIniFile ini(kKey, kFile, &fs);
  for (size_t i = 0; i < std::size(values); ++i) ini.WriteString(u"S", name(i), values[i]);
  TRegIniFile again(kKey, kFile, &fs);
  for (size_t i = 0; i < std::size(values); ++i)
    EXPECT_EQ(again.ReadString(u"S", name(i), u"?"), values[i]) << i;
}

TEST(RegIniFile, ValuesOfTheWrongTypeReadAsTheDefault) {
  TMemoryFileSystem fs;
  fs.AddFile(kFile, "[S]\nt=True\nf=false\nn=7\nz=0\nword=yes\nbig=99999999999\nhex=$1F\nblank=\n");
  TRegIniFile ini(kKey, kFile, &fs);
  struct {
    const char16_t* name;
    bool asBool;
    int asInteger;
  } cases[] = {{u"t", true, -1},   {u"f", false, -1},    {u"n", true, 7},
               {u"z", false, 0},   {u"word", true, -1},  {u"big", true, -1},
               {u"hex", true, 31}, {u"blank", true, -1}, {u"absent", true, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(ini.ReadBool(u"S", c.name, true), c.asBool) << Utf16ToUtf8(c.name);
    EXPECT_EQ(ini.ReadInteger(u"S", c.name, -1), c.asInteger) << Utf16ToUtf8(c.name);
  }
}

TEST(RegIniFile, DeeperAndForeignKeysGetTheirOwnSections) {
  TMemoryFileSystem fs;
  TRegIniFile(u"Software\\Kestova\\Zanthe\\Wizard", kFile, &fs).WriteInteger(u"S", u"A", 1);
  TRegIniFile(u"Software\\Other", kFile, &fs).WriteInteger(u"S", u"B", 2);
  TRegIniFile(kKey, kFile, &fs).WriteInteger(u"S", u"C", 3);
  EXPECT_EQ(fs.Contents(kFile), "[Wizard\\S]\nA=1\n\n\n[Software\\Other\\S]\nB=2\n\n\n[S]\nC=3\n");
}

TEST(RegIniFile, KeepsWhatOthersWroteMeanwhileAndDeletes) {
  TMemoryFileSystem fs;
  TRegIniFile first(kKey, kFile, &fs);
  TRegIniFile second(kKey, kFile, &fs);
  first.WriteString(u"S", u"A", u"1");
  second.WriteString(u"S", u"B", u"2");
  EXPECT_EQ(second.ReadString(u"S", u"A", u""), u"1");
  second.DeleteKey(u"S", u"A");
  second.WriteString(u"T", u"C", u"3");
  second.EraseSection(u"S");
  EXPECT_EQ(fs.Contents(kFile), "[T]\nC=3\n");
}

TEST(RegIniFile, FailuresToReadOrStoreNameTheFile) {
  TMemoryFileSystem memory;
  memory.AddFile(kFile, "[S]\nA=1\n");
  TFaultyFileSystem fs(memory);
  TRegIniFile ini(kKey, kFile, &fs);
  fs.FailAlways(TFileOp::Write, TFileErrorCode::DiskFull);
  try {
    ini.WriteString(u"S", u"A", u"2");
    FAIL();
  } catch (const EFileError& e) {
    EXPECT_STREQ(e.what(),
                 "Cannot create file \"/home/u/.config/Kestova/Zanthe.ini\". "
                 "No space left on device");
  }
  EXPECT_EQ(memory.Contents(kFile), "[S]\nA=1\n");
  EXPECT_EQ(ini.ReadString(u"S", u"A", u""), u"1");  // the failed value was not taken

  memory.SetUnreadable(kFile);
  EXPECT_THROW(TRegIniFile(kKey, kFile, &memory), EFileError);
  // A missing file is an empty store.
  EXPECT_EQ(TRegIniFile(kKey, u"/nowhere/x.ini", &memory).ReadInteger(u"S", u"A", 5), 5);
}

TEST(RegIniFile, SettingsFileComesFromOverrideEnvironmentOrConfigHome) {
  TScopedEnv home("HOME", "/home/u");
  {
    TScopedEnv settings("ZANMIG_SETTINGS", nullptr);
    TScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(TRegIniFile::SettingsFileName(), kFile);
    TScopedEnv relative("XDG_CONFIG_HOME", "cfg");  // relative: ignored
    EXPECT_EQ(TRegIniFile::SettingsFileName(), kFile);
    TScopedEnv absolute("XDG_CONFIG_HOME", "/cfg/");
    EXPECT_EQ(TRegIniFile::SettingsFileName(), u"/cfg/Kestova/Zanthe.ini");
    TScopedEnv noHome("HOME", nullptr);
    TScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(TRegIniFile::SettingsFileName(), u"");
  }
  TScopedEnv settings("ZANMIG_SETTINGS", "/etc/zan.ini");
  EXPECT_EQ(TRegIniFile::SettingsFileName(), u"/etc/zan.ini");
  TRegIniFile::SetSettingsFileName(u"/opt/given.ini");
  EXPECT_EQ(TRegIniFile::SettingsFileName(), u"/opt/given.ini");
  TMemoryFileSystem fs;
  EXPECT_EQ(TRegIniFile(kKey, {}, &fs).FileName(), u"/opt/given.ini");
  TRegIniFile::SetSettingsFileName(u"");
  EXPECT_EQ(TRegIniFile::SettingsFileName(), u"/etc/zan.ini");
}

// ----- TIniFile

std::u16string Joined(const TStringList& list) {
  std::u16string text;
  for (int i = 0; i < list.Count(); ++i) text += (i ? u"|" : u"") + list[i];
  return text;
}

TEST(IniFile, ReadsSectionsAndKeysInFileOrderFirstDuplicateWinning) {
  TMemoryFileSystem fs;
  fs.AddFile(u"/c/defs.ini",
             "; connection definitions\r\n"
             "[Zeta]\r\n"
             "Server = db1 \r\n"
             "Database=\"C:\\data\\x.fdb\"\r\n"
             "Pooled=True\r\n"
             "server=db2\r\n"
             "\r\n"
             "[Alpha]\r\n"
             "Port=3050\r\n");
  TIniFile ini(u"/c/defs.ini", fs, 1252);
  TStringList list;
  ini.ReadSections(list);
  EXPECT_EQ(Joined(list), u"Zeta|Alpha");
  ini.ReadSection(u"zeta", list);
  EXPECT_EQ(Joined(list), u"Server|Database|Pooled");
  ini.ReadSectionValues(u"ZETA", list);
  EXPECT_EQ(Joined(list), u"Server=db1|Database=C:\\data\\x.fdb|Pooled=True");
  EXPECT_TRUE(ini.ReadBool(u"Zeta", u"pooled", false));
  EXPECT_EQ(ini.ReadInteger(u"alpha", u"PORT", 0), 3050);
  EXPECT_EQ(ini.ReadString(u"Alpha", u"Missing", u"d"), u"d");
  EXPECT_FALSE(ini.SectionExists(u"Beta"));
}

TEST(IniFile, DecodesEveryEncodingMetInTheWild) {
  const std::u16string expected = u"Ω café";
  const std::string texts[] = {
      "[S]\nName=" + Utf16ToUtf8(expected) + "\n",
      std::string(kUtf8Bom) + "[S]\nName=" + Utf16ToUtf8(expected) + "\n",
      std::string(kUtf16LEBom) + UnicodeToUtf16LE(u"[S]\r\nName=" + expected + u"\r\n"),
  };
  for (const std::string& text : texts) {
    TMemoryFileSystem fs;
    fs.AddFile(u"/x.ini", text);
    EXPECT_EQ(TIniFile(u"/x.ini", fs, 1252).ReadString(u"S", u"Name", u""), expected);
  }
  TMemoryFileSystem fs;
  fs.AddFile(u"/ansi.ini", "[S]\nName=caf\xE9\n");  // code page 1252
  EXPECT_EQ(TIniFile(u"/ansi.ini", fs, 1252).ReadString(u"S", u"Name", u""), u"café");
  // In the reader's code page, whatever the process's is.
  EXPECT_EQ(TIniFile(u"/ansi.ini", fs, 1251).ReadString(u"S", u"Name", u""), u"caf\u0439");
}

TEST(IniFile, MissingFileIsEmptyButUnreadableFileIsAnError) {
  TMemoryFileSystem fs;
  TIniFile missing(u"/none.ini", fs, 1252);
  TStringList list;
  missing.ReadSections(list);
  EXPECT_EQ(list.Count(), 0);
  fs.AddFile(u"/locked.ini", "[S]\n");
  fs.SetUnreadable(u"/locked.ini");
  EXPECT_THROW(TIniFile(u"/locked.ini", fs, 1252), EFileError);
}

}  // namespace
}  // namespace zan
