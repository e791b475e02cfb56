// The user's form rules through the whole chain: their property rules come
// first (the class's, then "*"'s), a user-paired class takes the built-in
// rules of its `RulesOf` class or only the base rules, and the constants are
// set once the object is read, except on objects that store differences only.
#include <gtest/gtest.h>

#include "formrules/ConvertTestUtil.h"

namespace zan::test {
namespace {

TUserFormRules SampleRules() {
  TUserFormRules rules;
  rules.Pairs = {{u"TMyTable", u"TZanTable", u"TTable", 0},
                 {u"TVendorTable", u"TZanTable", u"", 1}};
  rules.Properties = {
      {u"TVendorTable", u"VendorLink", u"Connection", false, {{u"vlNone", u"nil"}}, 2},
      {u"tvendortable", u"CacheSize", u"", true, {}, 3},
      {u"*", u"CacheSize", u"Cache", false, {}, 4},  // the class's rule above wins
      {u"*", u"Options.Live", u"ReadOnly", false, {{u"True", u"False"}, {u"False", u"True"}}, 5},
  };
  rules.Sets = {{u"TVendorTable", u"FetchRows", u"100", 6},
                {u"TVendorTable", u"tablename", u"'T2'", 7}};
  rules.BuildIndex();
  return rules;
}

struct TUserCase {
  const char* Keyword;
  const char* Source;
  const char* Target;
  const char* Props;
  const char* Expected;
  std::vector<int> Applied;
};

TEST(UserFormRules, ComeFirstAndSeeAPairedClassAsItsRulesOf) {
  const TUserFormRules rules = SampleRules();
  const TUserCase cases[] = {
      // A rename writes its name and mapped value as given, unfiltered; the
      // class's drop wins over the rule for "*"; a constant replaces an
      // entry of its name (any case) in place and is appended otherwise.
      {"object",
       "TVendorTable",
       "TZanTable",
       "vendorlink = vlNone\nCacheSize = 5\nTableName = 'T1'\nFoo = 1\nLeft = 8",
       "Connection = nil\nTableName = 'T2'\nLeft = 8\nFetchRows = 100",
       {1, 2, 3, 6, 7}},
      // Other values pass as they are.
      {"object",
       "TVendorTable",
       "TZanTable",
       "VendorLink = dbMain",
       "Connection = dbMain\nFetchRows = 100\ntablename = 'T2'",
       {1, 2, 6, 7}},
      // Without RulesOf the library groups are skipped (IndexFieldNames
      // stays, as the target publishes it); with it they apply (X8, with a
      // master).
      {"object",
       "TVendorTable",
       "TZanTable",
       "IndexFieldNames = 'ID'",
       "IndexFieldNames = 'ID'\nFetchRows = 100\ntablename = 'T2'",
       {1, 6, 7}},
      {"object",
       "TMyTable",
       "TZanTable",
       "IndexFieldNames = 'ID'\nCacheSize = 5\nMasterSource = DS1",
       "DetailFields = 'ID'\nCache = 5\nMasterSource = DS1",
       {0, 4}},
      // Built-in classes take the rules for "*"; a dotted name matches whole.
      {"object",
       "TQuery",
       "TZanQuery",
       "Options.Live = True\nOptions.Other = 1\nCacheSize = 2",
       "ReadOnly = False\nOptions.Other = 1\nCache = 2",
       {5, 4}},
      // An inherited object gets no constants (its pair is still reported).
      {"inherited",
       "TVendorTable",
       "TZanTable",
       "CacheSize = 5\nActive = True",
       "Active = True",
       {1, 3}},
  };
  for (const TUserCase& c : cases) {
    TConvertSetup setup;
    setup.UserRules = &rules;
    setup.Keyword = c.Keyword;
    ExpectConverted(c.Source, c.Target, c.Props, c.Expected, setup);
    EXPECT_EQ(Convert(c.Source, c.Target, c.Props, setup).UserRules, c.Applied)
        << c.Source << " { " << c.Props << " }";
  }
}

TEST(UserFormRules, WithoutThemNothingChanges) {
  TConvertSetup setup;
  const char* props = "CacheSize = 5\nIndexFieldNames = 'ID'\nTableName = 'T1'";
  const TConverted plain = Convert("TTable", "TZanTable", props, setup);
  const TUserFormRules rules = SampleRules();
  setup.UserRules = &rules;
  const TConverted withRules = Convert("TTable", "TZanTable", props, setup);
  EXPECT_EQ(withRules.Dump, "Cache = 5\nIndexFieldNames = 'ID'\nTableName = 'T1'");
  EXPECT_EQ(plain.Dump, "IndexFieldNames = 'ID'\nTableName = 'T1'");
  EXPECT_TRUE(plain.UserRules.empty());
}

}  // namespace
}  // namespace zan::test
