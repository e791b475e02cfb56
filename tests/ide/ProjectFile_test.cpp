// Reading .dpr and .dproj projects, and finding their files on a
// case-sensitive file system.
#include <gtest/gtest.h>

#include "ide/FileCase.h"
#include "ide/ProjectFile.h"
#include "rtl/Strings.h"
#include "support/FaultyFileSystem.h"
#include "support/MemoryFileSystem.h"

namespace zan::test {
namespace {

std::string Join(const std::vector<std::u16string>& items) {
  std::string joined;
  for (const auto& item : items) {
    if (!joined.empty()) joined += "|";
    joined += Utf16ToUtf8(item);
  }
  return joined;
}

TEST(ProjectFileTest, DprUsesEntries) {
  struct TCase {
    const char16_t* Text;
    const char* Paths;
  };
  const TCase cases[] = {
      {u"program P; uses Forms, U1 in 'U1.pas' {Form1}, U2 in 'a\\U2.pas'; begin end.",
       "U1.pas|a\\U2.pas"},
      {u"program P; { uses X in 'no.pas'; } uses (* c *) U in // c\r\n 'u.pas'; begin end.",
       "u.pas"},
      {u"library L; USES Data.Mod in 'd.pas', Q in 'it''s.pas';", "d.pas|it's.pas"},
      {u"program P; uses A; var s := 'B in ''x.pas''';", ""},
      {u"program P; begin end.", ""},
      {u"program P; uses U in 'u.pas'", "u.pas"},  // unterminated clause
  };
  for (const TCase& c : cases)
    EXPECT_EQ(Join(ParseDprUnitPaths(c.Text)), c.Paths) << Utf16ToUtf8(c.Text);
}

TEST(ProjectFileTest, DprojReferences) {
  std::u16string main;
  const auto refs = ParseDprojReferences(
      u"<Project><PropertyGroup><MainSource> App.dpr </MainSource></PropertyGroup>"
      u"<ItemGroup><DCCReference Include=\"Units\\A&amp;B.pas\"><Form>F</Form></DCCReference>"
      u"<DCCReference Include='rtl.dcp'/><DCCReference Condition=\"x\" Include=\"C&#233;.pas\"/>"
      u"</ItemGroup></Project>",
      &main);
  EXPECT_EQ(Join(refs), "Units\\A&B.pas|rtl.dcp|C\xC3\xA9.pas");
  EXPECT_EQ(main, u"App.dpr");
}

/// A .dproj as the IDE writes it: the defaults group `head`, the Base and
/// the two configuration groups, then the property groups `groups`.
std::u16string Dproj(std::u16string_view head, std::u16string_view groups) {
  return u"<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\r\n"
         u"<PropertyGroup><MainSource>P.dpr</MainSource>" +
         std::u16string(head) +
         u"</PropertyGroup>\r\n"
         u"<PropertyGroup Condition=\"'$(Config)'=='Base' or '$(Base)'!=''\"><Base>true</Base>"
         u"</PropertyGroup>\r\n"
         u"<PropertyGroup Condition=\"'$(Config)'=='Debug' or '$(Cfg_1)'!=''\"><Cfg_1>true</Cfg_1>"
         u"<CfgParent>Base</CfgParent><Base>true</Base></PropertyGroup>\r\n"
         u"<PropertyGroup Condition=\"'$(Config)'=='Release' or "
         u"'$(Cfg_2)'!=''\"><Cfg_2>true</Cfg_2>"
         u"<CfgParent>Base</CfgParent><Base>true</Base></PropertyGroup>\r\n" +
         std::u16string(groups) +
         u"<ItemGroup><DCCReference Include=\"A.pas\"/></ItemGroup></Project>";
}

TEST(ProjectFileTest, DprojSearchPathOfTheDefaultConfiguration) {
  const std::u16string_view defaults =
      u"<Config Condition=\"'$(Config)'==''\">Debug</Config>"
      u"<Platform Condition=\"'$(Platform)'==''\">Win32</Platform>";
  const std::u16string_view groups =
      u"<PropertyGroup Condition=\"'$(Base)'!=''\">"
      u"<DCC_UnitSearchPath>..\\shared;$(BDS)\\source;$(DCC_UnitSearchPath)</DCC_UnitSearchPath>"
      u"</PropertyGroup>\r\n"
      u"<PropertyGroup Condition=\"'$(Cfg_1)'!=''\"><DCC_UnitSearchPath>"
      u"lib\\$(Platform)\\$(Config);..\\shared;$(DCC_UnitSearchPath)</DCC_UnitSearchPath>"
      u"</PropertyGroup>\r\n"
      u"<PropertyGroup Condition=\"'$(Cfg_2)'!=''\"><DCC_UnitSearchPath>"
      u"rel;$(DCC_UnitSearchPath)</DCC_UnitSearchPath></PropertyGroup>\r\n";
  struct TCase {
    std::u16string Text;
    const char* Entries;
    const char* Unexpanded;
  };
  const TCase cases[] = {
      // Debug on Win32: its group first, then Base's; each entry once.
      {Dproj(defaults, groups), "lib\\Win32\\Debug|..\\shared", "$(BDS)\\source"},
      {Dproj(u"<Config Condition=\"'$(Config)'==''\">Release</Config>"
             u"<Platform Condition=\"'$(Platform)'==''\">Win64</Platform>",
             groups),
       "rel|..\\shared", "$(BDS)\\source"},
      // Without a default platform, an entry naming it cannot be expanded.
      {Dproj(u"<Config Condition=\"'$(Config)'==''\">Debug</Config>", groups), "..\\shared",
       "lib\\$(Platform)\\Debug|$(BDS)\\source"},
      // A condition the reader does not know is false; comments, entities
      // and blanks around entries; no search path at all.
      {Dproj(defaults,
             u"<PropertyGroup Condition=\"Exists('x.props')\"><DCC_UnitSearchPath>no"
             u"</DCC_UnitSearchPath></PropertyGroup><!-- <PropertyGroup><DCC_UnitSearchPath>no"
             u"</DCC_UnitSearchPath></PropertyGroup> --><PropertyGroup>"
             u"<DCC_UnitSearchPath Condition=\"'$(Platform)'=='Win32' and ('$(Cfg_1)'=='TRUE' or "
             u"false=='x')\"> R&amp;D ; ;lib </DCC_UnitSearchPath></PropertyGroup>"),
       "R&D|lib", ""},
      {Dproj(defaults, u""), "", ""},
  };
  for (const TCase& c : cases) {
    const TDprojSearchPath path = ParseDprojSearchPath(c.Text);
    EXPECT_EQ(Join(path.Entries), c.Entries) << Utf16ToUtf8(c.Text);
    EXPECT_EQ(Join(path.Unexpanded), c.Unexpanded) << Utf16ToUtf8(c.Text);
  }
}

TEST(ProjectFileTest, PathsAreMadeNativeAndFoundWithoutRegardToCase) {
  TMemoryFileSystem fs;
  fs.AddFile(u"/p/Src/Unit1.pas", "");
  fs.AddFile(u"/p/Src/unit1.PAS.bak", "");
  EXPECT_EQ(MakeNativePath(u"/p", u"..\\q\\.\\A.pas"), u"/q/A.pas");
  EXPECT_EQ(MakeNativePath(u"/p/", u"/abs/B.pas"), u"/abs/B.pas");
  EXPECT_EQ(FindFileIgnoringCase(fs, u"/p/Src/Unit1.pas"), u"/p/Src/Unit1.pas");
  EXPECT_EQ(FindFileIgnoringCase(fs, u"/P/SRC/UNIT1.PAS"), u"/p/Src/Unit1.pas");
  EXPECT_EQ(FindFileIgnoringCase(fs, u"/p/src/Unit2.pas"), u"");
  EXPECT_EQ(FindFileIgnoringCase(fs, u"relative.pas"), u"");

  // With a cache each folder is listed once, and the answers stay the same;
  // a folder that cannot be listed is no match.
  TFaultyFileSystem counted(fs);
  TFolderListingCache cache;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(FindFileIgnoringCase(counted, u"/p/Src/UNIT1.PAS", &cache), u"/p/Src/Unit1.pas");
    EXPECT_EQ(FindFileIgnoringCase(counted, u"/P/src/unit1.pas", &cache), u"/p/Src/Unit1.pas");
    EXPECT_EQ(FindFileIgnoringCase(counted, u"/p/Src/Unit2.pas", &cache), u"");
  }
  EXPECT_EQ(counted.Calls(TFileOp::List), 3);  // "/", "/p", "/p/Src"
  counted.FailAlways(TFileOp::List);
  cache.Clear();
  EXPECT_EQ(FindFileIgnoringCase(counted, u"/p/Src/UNIT1.PAS", &cache), u"");
}

TEST(ProjectFileTest, ReadingProjects) {
  TMemoryFileSystem fs;
  fs.AddFile(u"/p/P.dpr",
             "program P;\r\nuses\r\n  U1 in 'SRC\\u1.pas',\r\n  Gone in 'Gone.pas';\r\n");
  fs.AddFile(u"/p/src/U1.pas", "");
  fs.AddFile(u"/p/App.DPROJ",
             "\xEF\xBB\xBF<Project><DCCReference Include=\"src\\u1.pas\"/></Project>");
  fs.AddFile(u"/p/Bad.dproj", "program P;");
  fs.AddFile(u"/p/Locked.dpr", "");
  fs.SetUnreadable(u"/p/Locked.dpr");

  TProjectFile dpr = ReadProjectFile(fs, u"/p/P.dpr");
  EXPECT_EQ(Join(dpr.Modules), "/p/src/U1.pas|/p/Gone.pas");
  EXPECT_EQ(dpr.MainSource, u"/p/P.dpr");
  TProjectFile dproj = ReadProjectFile(fs, u"/p/App.DPROJ");
  EXPECT_EQ(Join(dproj.Modules), "/p/src/U1.pas");
  EXPECT_EQ(dproj.MainSource, u"");

  const std::pair<const char16_t*, const char*> errors[] = {
      {u"/p/Missing.dpr", "Cannot read project file \"/p/Missing.dpr\". No such file or directory"},
      {u"/p/Locked.dpr", "Cannot read project file \"/p/Locked.dpr\". Permission denied"},
      {u"/p/Bad.dproj", "Project file \"/p/Bad.dproj\" is not an MSBuild project."},
      {u"/p/U1.pas", "Project file \"/p/U1.pas\" is neither a .dpr nor a .dproj file."},
  };
  for (const auto& [file, message] : errors) {
    try {
      ReadProjectFile(fs, file);
      ADD_FAILURE() << message;
    } catch (const EProjectError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

}  // namespace
}  // namespace zan::test
