// The run report as the command line shows it (the summary after the result
// line), and the schema checker the tests hold every report to.
#include <gtest/gtest.h>

#include "app/cli/RunSummary.h"
#include "engine/report/RunReport.h"
#include "support/JsonSchema.h"

namespace zan::test {
namespace {

using nlohmann::json;

TRunReport::TFormObjectEntry Object(bool converted, std::vector<std::u16string> dropped) {
  TRunReport::TFormObjectEntry object;
  object.Converted = converted;
  object.DroppedProperties = std::move(dropped);
  return object;
}

TEST(RunSummaryTest, ReportsBecomeSummaries) {
  TRunReport empty;
  TRunReport full;
  // A project run's units carry their reasons; those outside its folder are listed.
  full.RootFolder = u"/a";
  full.Files = {{u"/a/U.pas", 2, true, u"listed"},
                {u"/a/U.dfm", 1, true, u""},
                {u"/a/V.pas", 0, false, u"reached from U.pas"},
                {u"/ab/W.pas", 1, true, u"reached from V.pas"}};
  full.FormObjects = {Object(true, {u"SessionName", u"DatabaseName", u"Active"}),
                      Object(true, {u"SessionName", u"DatabaseName", u"UpdateMode"}),
                      Object(true, {u"SessionName", u"Tag", u"Filtered"}), Object(false, {})};
  full.Warnings = {u"w"};
  full.LogFile = u"/a/Wiz_Log.txt";
  full.UndoFile = u"/a/it's/RExpert.reu";
  const struct {
    const TRunReport* Report;
    std::u16string ReportFile;
    std::string Expected;
  } cases[] = {
      {&empty, u"",
       "Files: 0 processed, 0 changed.\n"
       "Form objects: 0 converted, 0 left as they were.\n"
       "Properties dropped: 0.\n"
       "Warnings: 0.\n"},
      // The five most frequent names, ties in name order; the restore command
      // quoted for the shell.
      {&full, u"/r/run.json",
       "Files: 4 processed, 3 changed.\n"
       "Units outside the project folder: 1\n"
       "  /ab/W.pas (reached from V.pas)\n"
       "Form objects: 3 converted, 1 left as they were.\n"
       "Properties dropped: 9 (SessionName 3, DatabaseName 2, Active 1, Filtered 1, Tag 1).\n"
       "Warnings: 1.\n"
       "Log: /a/Wiz_Log.txt\n"
       "Report: /r/run.json\n"
       "Undo file: /a/it's/RExpert.reu\n"
       "To undo the run: zanmig restore '/a/it'\\''s/RExpert.reu'\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(cli::FormatRunSummary(*c.Report, c.ReportFile), c.Expected);
}

TEST(JsonSchemaTest, FindsEveryKindOfViolation) {
  const json schema = json::parse(R"({
    "type": "object", "required": ["a", "b"],
    "properties": {
      "a": {"type": ["integer", "null"]},
      "b": {"type": "array", "items": {"$ref": "#/$defs/p"}},
      "c": {"type": "string", "enum": ["x", "y"]}
    },
    "$defs": {"p": {"type": "object", "required": ["n"], "properties": {"n": {"type": "string"}}}}
  })");
  const struct {
    const char* Document;
    std::vector<std::string> Violations;
  } cases[] = {
      {R"({"a": 1, "b": []})", {}},
      {R"({"a": null, "b": [{"n": "q"}], "c": "y"})", {}},
      {R"({"a": 1.5, "b": []})", {"/a: expected type [\"integer\",\"null\"], found 1.5"}},
      {R"({"b": [{"n": 1}, {}]})",
       {"/: missing a", "/b/0/n: expected type \"string\", found 1", "/b/1: missing n"}},
      {R"({"a": 1, "b": [], "c": "z"})", {"/c: \"z\" is not one of [\"x\",\"y\"]"}},
      {R"([])", {"/: expected type \"object\", found []"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Document);
    EXPECT_EQ(SchemaViolations(json::parse(c.Document), schema), c.Violations);
  }
}

TEST(JsonSchemaTest, AnEmptyAndAFullReportMatchTheSchema) {
  TRunReport report;
  EXPECT_EQ(SchemaViolations(json::parse(report.ToJson()), ReportSchema(ZAN_SOURCE_DIR)),
            std::vector<std::string>{});
  report.ToolVersion = u"0.1.0";
  report.StartTime = u"2024-05-01T10:00:00";
  report.RootFolder = u"/a";
  report.Options.ProjectScope = true;
  report.Options.Project = u"/a/P.dpr";
  report.Options.Units = {u"U.pas"};
  report.Files = {{u"/a/U.pas", 1, true, u"listed"}};
  TRunReport::TFormObjectEntry object = Object(true, {u"SessionName"});
  object.DroppedValues = {{u"SessionName", u"'S'"}};
  object.Renamed = {{{u"DataSource", u"ds"}, {{u"MasterSource", u"ds"}}}};
  object.Added = {{u"MasterSource", u"ds"}};
  report.FormObjects = {object, Object(false, {})};
  report.FormObjects[1].Reason = u"inherited object";
  report.Backups = {{u"/a/U.pas", u"/a/RBackup/U.~pas"}};
  report.UndoFile = u"/a/RBackup/RExpert.reu";
  report.Errors = {u"e"};
  report.Warnings = {u"w"};
  report.LeftFiles = {{u"/a/V.dfm", u"damaged"}};
  // Every kind of to-do entry the run makes.
  for (const char16_t* kind :
       {u"uses", u"property", u"class", u"object", u"connection", u"external"})
    report.Todo.push_back({kind, u"/a/U.pas", 3, 5, 1, u"w", u"a"});
  EXPECT_EQ(SchemaViolations(json::parse(report.ToJson()), ReportSchema(ZAN_SOURCE_DIR)),
            std::vector<std::string>{});
}

}  // namespace
}  // namespace zan::test
