// The class registry and its agreement with the rule tables: every property
// a rule gives a target class is one the class can hold, and no rule that
// lets the chain go on leaves behind a property the filter would keep too.
#include <gtest/gtest.h>

#include "formrules/ConvertTestUtil.h"
#include "formrules/RuleGroups.h"
#include "rtl/ClassRegistry.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "support/MemoryFileSystem.h"

namespace zan::test {
namespace {

TEST(ClassRegistryTest, TargetLibrary) {
  const TClassRegistry& r = TClassRegistry::Global();
  const std::vector<std::u16string> names = r.ClassNames();
  ASSERT_GE(names.size(), 28u);
  // The six classes of the catalogue come first, in its order.
  const std::u16string six[] = {u"TZanConnection", u"TZanTransaction", u"TZanQuery",
                                u"TZanTable",      u"TZanStoredProc",  u"TZanUpdateSQL"};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(names[i], six[i]);

  const TRegisteredClass* query = r.FindClass(u"tzanquery");
  ASSERT_NE(query, nullptr);
  for (const char16_t* p : {u"Name", u"Tag", u"Connection", u"SQL", u"MasterSource", u"AfterOpen",
                            u"OnCalcFields", u"BeforePost", u"onnewrecord"})
    EXPECT_TRUE(query->HasPublishedProperty(p)) << Utf16ToUtf8(p);
  for (const char16_t* p : {u"Left", u"Top", u"ParamData", u"DatabaseName", u"SQL.Strings"})
    EXPECT_FALSE(query->HasPublishedProperty(p)) << Utf16ToUtf8(p);
  EXPECT_TRUE(query->CanHoldProperty(u"ParamData"));

  const TRegisteredClass* connection = r.FindClass(u"TZanConnection");
  for (const char16_t* p : {u"BeforeConnect", u"AfterConnect", u"OnLogin", u"ConnectDialog",
                            u"PoolingOptions", u"SpecificOptions"})
    EXPECT_TRUE(connection->HasPublishedProperty(p)) << Utf16ToUtf8(p);
  EXPECT_FALSE(connection->HasPublishedProperty(u"Params"));
  EXPECT_EQ(r.FindClass(u"TZanNothing"), nullptr);
}

TEST(ClassRegistryTest, UserClassFile) {
  TMemoryFileSystem fs;
  fs.AddFile(u"/c.txt",
             "\xEF\xBB\xBF# extra classes\r\n"
             "TZanQuery: SmartFetchX\n"
             "\n"
             "  // a class of its own\n"
             "TMyQuery : Connection , OnMyEvent\r"
             "; known without properties\n"
             "TBare:\n");
  TClassRegistry r;
  r.RegisterTargetLibrary();
  r.LoadFromFile(fs, u"/c.txt");
  EXPECT_TRUE(r.FindClass(u"TZanQuery")->HasPublishedProperty(u"smartfetchx"));
  EXPECT_TRUE(r.FindClass(u"TZanQuery")->HasPublishedProperty(u"SQL"));
  EXPECT_TRUE(r.FindClass(u"TMyQuery")->HasPublishedProperty(u"OnMyEvent"));
  ASSERT_NE(r.FindClass(u"TBare"), nullptr);
  EXPECT_TRUE(r.FindClass(u"TBare")->PublishedProperties().empty());

  const struct {
    const char* Text;
    const char* Message;
  } bad[] = {
      {"TA: X\nTB X", "/c.txt:2: expected \"ClassName: Property, ...\""},
      {"1T: X", "/c.txt:1: invalid class name \"1T\""},
      {"TA: X,,Y", "/c.txt:1: invalid property name \"\""},
      {"TA: X.Y", "/c.txt:1: invalid property name \"X.Y\""},
  };
  for (const auto& b : bad) {
    try {
      r.LoadFromText(Utf8ToUtf16(b.Text), u"/c.txt");
      ADD_FAILURE() << "no error for " << b.Text;
    } catch (const EClassFileError& e) {
      EXPECT_STREQ(e.what(), b.Message);
    }
  }
  EXPECT_THROW(r.LoadFromFile(fs, u"/missing.txt"), EFileError);
}

// A registered user class makes the filter apply to it.
TEST(ClassRegistryTest, UserClassFiltersConversion) {
  TClassRegistry r;
  r.RegisterClass(u"TMyQuery", {u"Connection"});
  TConvertSetup setup;
  setup.Registry = &r;
  ExpectConverted("TQuery", "TMyQuery", "SQL.Strings = (\n  'x')\nConnection = C\nTop = 1",
                  "Connection = C\nTop = 1", setup);
}

// Source class -> target class of the catalogue, for the classes the rule
// tables name: by the ending of the class name, first match.
std::u16string TargetOf(std::u16string_view source) {
  static const std::pair<std::u16string_view, std::u16string_view> kEndings[] = {
      {u"ConnectDialog", u"TZanConnectDialog"},
      {u"Connection", u"TZanConnection"},
      {u"Session", u"TZanConnection"},
      {u"Database", u"TZanConnection"},
      {u"Transaction", u"TZanTransaction"},
      {u"SQLMonitor", u"TZanSQLMonitor"},
      {u"MetaData", u"TZanMetaData"},
      {u"MetaInfoQuery", u"TZanMetaData"},
      {u"Loader", u"TZanLoader"},
      {u"Dump", u"TZanDump"},
      {u"Alerter", u"TZanAlerter"},
      {u"DataMove", u"TLxBatchMove"},
      {u"Script", u"TZanScript"},
      {u"Scripter", u"TZanScript"},
      {u"StoredProc", u"TZanStoredProc"},
      {u"Table", u"TZanTable"},
      {u"Command", u"TZanSQL"},
      {u"SQL", u"TZanSQL"},
      {u"Query", u"TZanQuery"},
      {u"DataSet", u"TZanQuery"},
  };
  for (const auto& [ending, target] : kEndings)
    if (source.ends_with(ending)) return std::u16string(target);
  ADD_FAILURE() << "no target for " << Utf16ToUtf8(source);
  return {};
}

std::vector<std::u16string> Names(const TNameMatch& m) {
  if (!m.Single.empty()) return {std::u16string(m.Single)};
  return {m.List.begin(), m.List.end()};
}

// The property a row adds, for rows that add a property of their own name.
std::u16string AddedProperty(const TRuleRow& row, std::u16string_view propName) {
  switch (row.Action) {
    case TRuleAction::Provider:
      return u"ProviderName";
    case TRuleAction::Option:
    case TRuleAction::OptionFlag:
      return u"SpecificOptions";
    case TRuleAction::NumericType:
      return u"Options";
    case TRuleAction::Drop:
    case TRuleAction::Custom:
      return {};
    default:
      const std::u16string_view target = row.Target.empty() ? propName : row.Target;
      return std::u16string(target.substr(0, target.find(u'.')));
  }
}

TEST(ClassRegistryTest, RuleTablesAgreeWithTargetClasses) {
  const TRuleSet* sets[] = {
      &kIbxRenameTable, &kIndexFieldNamesTable, &kAdoTable,   &kFibPlusTable, &kFenmarkTable,
      &kKyrelTable,     &kTrindleTable,         &kSarvoTable, &kElvastTable,  &kFireDacTable};
  const TClassRegistry& r = TClassRegistry::Global();
  int checked = 0;
  for (const TRuleSet* set : sets)
    for (const TRuleRow& row : set->Rows)
      for (const std::u16string& type : Names(row.Types))
        for (const std::u16string& prop : Names(row.Props)) {
          const std::u16string target = TargetOf(type);
          const TRegisteredClass* cls = r.FindClass(target);
          ASSERT_NE(cls, nullptr) << Utf16ToUtf8(target);
          SCOPED_TRACE(std::string(row.Id) + " " + Utf16ToUtf8(type) + "." + Utf16ToUtf8(prop) +
                       " -> " + Utf16ToUtf8(target));
          const std::u16string added = AddedProperty(row, prop);
          if (!added.empty()) {
            EXPECT_TRUE(cls->CanHoldProperty(added)) << Utf16ToUtf8(added);
            ++checked;
          }
          // A rule that lets the chain go on must not leave the property
          // for the filter to keep as well.
          if (row.Outcome == TRuleOutcome::Continue && row.Action != TRuleAction::Provider) {
            const std::u16string first = prop.substr(0, prop.find(u'.'));
            EXPECT_FALSE(cls->HasPublishedProperty(first)) << Utf16ToUtf8(first);
          }
        }
  EXPECT_GT(checked, 100);
}

}  // namespace
}  // namespace zan::test
