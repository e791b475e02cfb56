// The catalogue: twelve replacers in order, their source units, target texts
// and pairs, the shared options, and the look-up by name or index.
#include <gtest/gtest.h>

#include "engine/catalogue/ZanReplacer.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan::test {
namespace {

struct TCatalogueRow {
  const char16_t* Name;
  int PairCount;        // pairs as listed
  int DistinctSources;  // after ignoring repeated source names
  const char16_t* FirstUnit;
  const char16_t* TargetUses;
};

const TCatalogueRow kRows[] = {
    {u"BDE", 10, 10, u"DBTABLES", u", Zan, Quillbase, Rowquill"},
    // IBX and FIBPlus: the components, then the persistent field classes.
    {u"IBX", 13, 13, u"IBCUSTOMDATASET", u", Zan, Quillbase, Rowquill"},
    {u"ADO", 6, 6, u"ADODB", u", Zan, Quillbase, Rowquill"},
    {u"Kyrel", 17, 17, u"KYR", u", OracleZanProvider, Zan, Quillbase, Rowquill"},
    {u"Fenmark", 17, 17, u"FENACCESS", u", SQLServerZanProvider, Zan, Quillbase, Rowquill"},
    {u"Sarvo", 16, 16, u"SARACCESS", u", MySQLZanProvider, Zan, Quillbase, Rowquill"},
    {u"Trindle", 16, 16, u"TRN", u", InterBaseZanProvider, Zan, Quillbase, Rowquill"},
    {u"Elvast", 16, 16, u"ELVACCESS", u", PostgreSQLZanProvider, Zan, Quillbase, Rowquill"},
    {u"Wenrod", 14, 14, u"WENACCESS", u", SQLiteZanProvider, Zan, Quillbase, Rowquill"},
    {u"AnyDAC", 23, 22, u"UADSTANINTF", u", Zan, Quillbase, Rowquill"},
    {u"FireDAC", 23, 22, u"FIREDAC.STAN.INTF", u", Zan, Quillbase, Rowquill"},
    {u"FIBPlus", 23, 23, u"FIBDATABASE",
     u", Quillbase, Rowquill, TslSQLMonitor, TslAlerter, TslScript, InterBaseZanProvider, Zan, "
     u"ZanScript, ZanAlerter, ZanSQLMonitor"},
};

TEST(ZanCatalogueTest, TwelveReplacersInCatalogueOrder) {
  TZanCatalogue catalogue;
  ASSERT_EQ(catalogue.Count(), 12);
  EXPECT_EQ(catalogue.Options().Caption(),
            u"BDE/IBX/ADO/Kyrel/Fenmark/Sarvo/Trindle/Elvast/Wenrod/AnyDAC/FireDAC/FIBPlus "
            u"Migration Wizard");
  for (int i = 0; i < 12; ++i) {
    const TCatalogueRow& row = kRows[i];
    SCOPED_TRACE(Utf16ToUtf8(row.Name));
    TComponentReplacer& replacer = catalogue.Replacer(i);
    EXPECT_EQ(&replacer.ReplaceOptions(), &catalogue.Options());
    EXPECT_EQ(CatalogueLibraries()[i].Name, row.Name);
    EXPECT_EQ(FindCatalogueLibrary(UpperCase(row.Name)), i);
    EXPECT_EQ(FindCatalogueLibrary(IntToStr(i)), i);
    EXPECT_EQ(replacer.NewComps().Count(), row.PairCount);
    EXPECT_EQ(replacer.OldComps().Count(), row.DistinctSources);
    EXPECT_EQ(replacer.OldUsesList()[0], row.FirstUnit);  // sorted, upper case
    EXPECT_EQ(replacer.NewUsesList(), row.TargetUses);
    // Every pair is found in any letter case and gives its target as written.
    for (const TReplacePair& pair : CatalogueLibraries()[i].Pairs) {
      const std::u16string* target = replacer.FindNewClassName(LowerCase(pair.OldComp));
      ASSERT_NE(target, nullptr);
      EXPECT_EQ(*target, pair.NewComp);
    }
  }
  EXPECT_EQ(catalogue.Replacer(1).OldUsesList().Count(), 9);
  EXPECT_THROW(catalogue.Replacer(12), EAssertionFailed);
}

TEST(ZanCatalogueTest, LibraryNamesAndIndexes) {
  EXPECT_EQ(FindCatalogueLibrary(u"firedac"), 10);
  EXPECT_EQ(FindCatalogueLibrary(u"11"), 11);
  for (const char16_t* bad : {u"12", u"-1", u"", u"BDE2", u"1x", u"007"})
    EXPECT_EQ(FindCatalogueLibrary(bad), -1) << Utf16ToUtf8(bad);
}

TEST(ZanCatalogueTest, PairLookUp) {
  TReplaceOptions options(u"X");
  TComponentReplacer replacer(u"A,b", u", Z", options);
  replacer.AddReplacePair(u"TOne", u"TFirst");
  replacer.AddReplacePair(u"tone", u"TSecond");  // a second pair for a name is ignored
  replacer.AddReplacePair(u"TTwo", u"TFirst");   // several sources, one target
  EXPECT_EQ(*replacer.FindNewClassName(u"TONE"), u"TFirst");
  EXPECT_EQ(*replacer.FindNewClassName(u"ttwo"), u"TFirst");
  EXPECT_EQ(replacer.FindNewClassName(u"TOn"), nullptr);
  replacer.AddReplacePair(u"T\u00c4rger", u"TZanNote");  // letters beyond ASCII fold too
  EXPECT_EQ(*replacer.FindNewClassName(u"t\u00e4RGER"), u"TZanNote");
  EXPECT_EQ(replacer.NewComps().Count(), 4);
  EXPECT_EQ(replacer.OldComps().Count(), 3);
  EXPECT_EQ(replacer.OldUsesList().Count(), 2);
  EXPECT_EQ(replacer.OldUsesList()[1], u"B");
  replacer.ClearPairs();
  EXPECT_EQ(replacer.FindNewClassName(u"TOne"), nullptr);
}

}  // namespace
}  // namespace zan::test
