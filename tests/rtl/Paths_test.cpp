// The path functions as tables of input and result, with the Windows forms
// (drive, share) that paths written on Windows bring along.
#include <gtest/gtest.h>

#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {
namespace {

struct TSplitCase {
  const char16_t* path;
  const char16_t* drive;
  const char16_t* filePath;
  const char16_t* dir;
  const char16_t* name;
  const char16_t* ext;
};

TEST(Paths, SplitsNamesLikeTheHost) {
  const TSplitCase cases[] = {
      // path                     drive              path                    dir name          ext
      {u"/home/w/Unit1.pas", u"", u"/home/w/", u"/home/w", u"Unit1.pas", u".pas"},
      {u"/Unit1.pas", u"", u"/", u"/", u"Unit1.pas", u".pas"},
      {u"Unit1.pas", u"", u"", u"", u"Unit1.pas", u".pas"},
      {u"/w/dir.v2/Makefile", u"", u"/w/dir.v2/", u"/w/dir.v2", u"Makefile", u""},
      {u"/w/.hidden", u"", u"/w/", u"/w", u".hidden", u".hidden"},
      {u"/w/name.", u"", u"/w/", u"/w", u"name.", u"."},
      {u"/w/sub/", u"", u"/w/sub/", u"/w/sub", u"", u""},
      {u"/w//x", u"", u"/w//", u"/w//", u"x", u""},  // as the host: only a lone separator goes
      {u"C:/Work/Unit1.pas", u"C:", u"C:/Work/", u"C:/Work", u"Unit1.pas", u".pas"},
      {u"C:/Unit1.pas", u"C:", u"C:/", u"C:/", u"Unit1.pas", u".pas"},
      {u"C:Unit1.pas", u"C:", u"C:", u"C:", u"Unit1.pas", u".pas"},
      {u"//server/share/a.dfm", u"//server/share", u"//server/share/", u"//server/share", u"a.dfm",
       u".dfm"},
      {u"/w/a:b.pas", u"", u"/w/", u"/w", u"a:b.pas", u".pas"},  // a colon is no drive here
      {u"/w/back\\slash.pas", u"", u"/w/", u"/w", u"back\\slash.pas", u".pas"},
  };
  for (const TSplitCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.path));
    EXPECT_EQ(ExtractFileDrive(c.path), c.drive);
    EXPECT_EQ(ExtractFilePath(c.path), c.filePath);
    EXPECT_EQ(ExtractFileDir(c.path), c.dir);
    EXPECT_EQ(ExtractFileName(c.path), c.name);
    EXPECT_EQ(ExtractFileExt(c.path), c.ext);
    // The parts always join back into the path.
    EXPECT_EQ(ExtractFilePath(c.path) + ExtractFileName(c.path), c.path);
  }
}

TEST(Paths, TellsUnitAndFormFilesByTheirExtensionInAnyAsciiLetterCase) {
  const struct {
    const char16_t* name;
    bool source, pascal, form;
  } cases[] = {
      // name, then: .pas or .dpr, .pas, .dfm or .nfm
      {u"/w/Unit1.pas", true, true, false},
      {u"/w/UNIT1.PAS", true, true, false},
      {u"C:Unit1.Pas", true, true, false},
      {u"Unit1.pas", true, true, false},
      {u"/w/.pas", true, true, false},  // a name that is all extension, as the host reads it
      {u"/w/Project1.dpr", true, false, false},
      {u"/w/Project1.DPR", true, false, false},
      {u"/w/Unit1.dfm", false, false, true},
      {u"/w/Unit1.NFM", false, false, true},
      {u"/w/Project1.dproj", false, false, false},
      {u"/w/Unit1.pas.bak", false, false, false},
      {u"/w/Unit1.pa", false, false, false},
      {u"/w/Unit1.xpas", false, false, false},
      {u"/w/Unit1pas", false, false, false},
      {u"/w/dir.pas/", false, false, false},
      {u"/w/dir.pas/Readme", false, false, false},
      // A long s upper-cases to "S", but not by ASCII rules.
      {u"/w/Unit1.pa\u017F", false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name));
    EXPECT_EQ(IsSourceUnitFile(c.name), c.source);
    EXPECT_EQ(IsPascalUnitFile(c.name), c.pascal);
    EXPECT_EQ(IsFormFile(c.name), c.form);
  }
}

TEST(Paths, ChangesExtensionsAndTrailingDelimiters) {
  const std::pair<std::u16string, std::u16string> changed[] = {
      {ChangeFileExt(u"/w/Unit1.pas", u".dfm"), u"/w/Unit1.dfm"},
      {ChangeFileExt(u"/w.d/Unit1", u".dfm"), u"/w.d/Unit1.dfm"},
      {ChangeFileExt(u"/w/Unit1.pas", u""), u"/w/Unit1"},
      {IncludeTrailingPathDelimiter(u"/w"), u"/w/"},
      {IncludeTrailingPathDelimiter(u"/w/"), u"/w/"},
      {IncludeTrailingPathDelimiter(u""), u"/"},
      {ExcludeTrailingPathDelimiter(u"/w//"), u"/w/"},
      {ExcludeTrailingPathDelimiter(u"/"), u""},
  };
  for (const auto& [actual, expected] : changed) EXPECT_EQ(actual, expected);
}

TEST(Paths, TellsRootedPaths) {
  struct {
    const char16_t* path;
    bool drivePart, absolute;
  } cases[] = {{u"/w", true, true},      {u"C:/w", true, true},  {u"C:w", true, false},
               {u"//srv/s", true, true}, {u"w/x", false, false}, {u"", false, false},
               {u"1:/w", false, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(HasDrivePart(c.path), c.drivePart) << Utf16ToUtf8(c.path);
    EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << Utf16ToUtf8(c.path);
  }
}

TEST(Paths, ExpandsRelativeNamesAgainstABaseAndNeverClimbsAboveTheRoot) {
  const std::tuple<const char16_t*, const char16_t*, const char16_t*> cases[] = {
      {u"Unit1.pas", u"/w/p", u"/w/p/Unit1.pas"},
      {u"../lib/./a.pas", u"/w/p/", u"/w/lib/a.pas"},
      {u"/x/../../y", u"/w", u"/y"},
      {u"/a//b/", u"/w", u"/a/b/"},
      {u"..", u"/", u"/"},
      {u"C:/Work/../Other/u.pas", u"/w", u"C:/Other/u.pas"},
      {u"C:/..", u"/w", u"C:/"},
      {u"C:u.pas", u"/w", u"C:/u.pas"},
      {u"//srv/share/../x", u"/w", u"//srv/share/x"},
      {u"", u"/w", u""},
  };
  for (const auto& [name, base, expected] : cases)
    EXPECT_EQ(ExpandFileName(name, base), expected) << Utf16ToUtf8(name);
  EXPECT_EQ(ExpandFileName(u"x"), IncludeTrailingPathDelimiter(GetCurrentFolder()) + u"x");
}

TEST(Paths, ExtractsRelativePaths) {
  const std::tuple<const char16_t*, const char16_t*, const char16_t*> cases[] = {
      {u"/w/p/", u"/w/p/sub/Unit1.pas", u"sub/Unit1.pas"},
      {u"/w/p/Project1.dpr", u"/w/lib/a.pas", u"../lib/a.pas"},
      {u"/w/p/", u"/w/p/a.pas", u"a.pas"},
      {u"C:/w/", u"D:/w/a.pas", u"D:/w/a.pas"},
  };
  for (const auto& [base, dest, expected] : cases)
    EXPECT_EQ(ExtractRelativePath(base, dest), expected) << Utf16ToUtf8(dest);
}

}  // namespace
}  // namespace zan
