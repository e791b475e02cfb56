// Form files in the replace run: golden pairs under tests/data/forms (text and
// binary), the splice of a converted object, the database-name pass, the
// report, bad input, and whole runs over the corpus forms of four libraries.
//
// ZAN_UPDATE_GOLDEN=1 rewrites the expected files from the current output
// (and the binary input from bde_query.dfm); review the difference before
// committing it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "FormTestUtil.h"
#include "ReplacerTestUtil.h"
#include "common/TestUtil.h"
#include "engine/files/TextFile.h"
#include "engine/report/RunReport.h"
#include "engine/rewrite/FormRewriter.h"
#include "rtl/dfm/FormFile.h"
#include "rtl/dfm/FormStream.h"
#include "support/JsonSchema.h"

namespace zan::test {
namespace {

enum : int { kBDE = 0, kIBX = 1, kADO = 2, kAnyDAC = 9, kFireDAC = 10, kFIBPlus = 11 };

std::filesystem::path FormsDir() {
  return std::filesystem::path(ZAN_SOURCE_DIR) / "tests" / "data" / "forms";
}

bool UpdateGolden() {
  const char* value = std::getenv("ZAN_UPDATE_GOLDEN");
  return value && *value && std::string(value) != "0";
}

/// The source and target class names of catalogue entry `library`, upper case.
void ClassSets(int library, std::set<std::u16string>& sources, std::set<std::u16string>& targets) {
  for (const TReplacePair& pair : CatalogueLibraries()[static_cast<size_t>(library)].Pairs) {
    sources.insert(UpperCase(pair.OldComp));
    targets.insert(UpperCase(pair.NewComp));
  }
}

/// A replacer of the catalogue with the real form step, over an in-memory
/// folder /work holding forms and one unit per form that names it.
class FormRunTest : public ReplacerTest {
 protected:
  void UseLibrary(int library) {
    MakeReplacer(library, &Fs);
    InstallFormConversion(*Replacer);
    FStep.reset();
    RunReport = &Report;
  }
  /// Adds /work/<name>.DFM with `bytes` and a unit /work/<name>.pas naming it.
  void AddForm(const std::u16string& name, const std::string& bytes) {
    Fs.AddFile(u"/work/" + name + u".pas",
               "unit " + S(name) + ";\r\ninterface\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n");
    Fs.AddFile(u"/work/" + name + u".DFM", bytes);
  }
  void UseProject(const std::vector<std::u16string>& units) {
    std::string dpr = "program P;\r\nuses\r\n";
    for (size_t i = 0; i < units.size(); ++i)
      dpr += "  " + S(units[i]) + " in '" + S(units[i]) + ".pas'" +
             (i + 1 < units.size() ? ",\r\n" : ";\r\n");
    Fs.AddFile(u"/work/P.dpr", dpr + "begin end.\r\n");
    OpenProject(u"/work/P.dpr");
    std::u16string modules;
    for (const std::u16string& unit : units) modules += unit + u".pas\r\n";
    Options->ModuleList = modules;
  }
  /// The change count the run logged for `path` (-1 when it was not processed).
  int Changes(const std::u16string& path) const {
    for (const TRunReport::TFileEntry& file : Report.Files)
      if (file.FileName == path) return file.Changes;
    return -1;
  }
  const TRunReport::TFormObjectEntry* Object(const std::u16string& name) const {
    for (const TRunReport::TFormObjectEntry& entry : Report.FormObjects)
      if (entry.ObjectName == name) return &entry;
    return nullptr;
  }
  /// Empties /work and goes back to folder scope, for the next case of a table.
  void ResetWork() {
    for (const auto& [path, contents] : Fs.FilesUnder(u"/work")) Fs.RemoveFile(u"/work/" + path);
    Options->Dest = sdDirectory;
    Options->ModuleList.clear();
    Report.Clear();
  }
  /// A form step of the replacer's kind, for converting forms outside a run.
  TFormRewriter& Step() {
    if (!FStep) FStep = Replacer->MakeFormFileStep();
    return static_cast<TFormRewriter&>(*FStep);
  }

  TRunReport Report;

 private:
  std::unique_ptr<TFormFileStep> FStep;
};

// ----- golden pairs

struct TGoldenCase {
  const char* Input;     // tests/data/forms/<Input>.dfm
  const char* Expected;  // tests/data/forms/<Expected>
  int Changes;
  bool ProjectScope;  // with bde_database.dfm as a second form of the project
};

const TGoldenCase kGoldenCases[] = {
    // One TQuery spliced in; the button, the data source and the ends stay.
    {"bde_query", "bde_query.expected.dfm", 1, false},
    {"bde_query_lf", "bde_query_lf.expected.dfm", 1, false},
    {"bde_query_utf8bom", "bde_query_utf8bom.expected.dfm", 1, false},
    // Written back binary, same resource name, a length that fits.
    {"bde_binary", "bde_binary.expected.dfm", 1, false},
    // Inherited objects (the one inside an inline frame too) are converted
    // as the one declared with `object`, their keyword kept.
    {"bde_inherited", "bde_inherited.expected.dfm", 3, false},
    {"bde_database", "bde_database.expected.dfm", 1, false},
    // Database names are looked up in project scope only; nested field
    // objects make the parser backtrack.
    {"bde_dblookup", "bde_dblookup.folder.expected.dfm", 2, false},
    {"bde_dblookup", "bde_dblookup.project.expected.dfm", 2, true},
};

TEST_F(FormRunTest, GoldenPairs) {
  const std::filesystem::path dir = FormsDir();
  if (UpdateGolden()) {
    const std::string text = ReadFileBytes(dir / "bde_query.dfm");
    WriteFileBytes(dir / "bde_binary.dfm", WriteBinaryForm(FormText(text, u"bde_query.dfm")));
  }
  std::set<std::u16string> sources, targets;
  ClassSets(kBDE, sources, targets);
  for (const TGoldenCase& c : kGoldenCases) {
    SCOPED_TRACE(c.Input);
    ResetWork();
    Report.Clear();
    UseLibrary(kBDE);
    Options->MakeBackup = false;
    const std::string input = ReadFileBytes(dir / (std::string(c.Input) + ".dfm"));
    AddForm(u"Form", input);
    if (c.ProjectScope) {
      AddForm(u"Data", ReadFileBytes(dir / "bde_database.dfm"));
      UseProject({u"Data", u"Form"});
    }
    ASSERT_TRUE(Run());
    EXPECT_EQ(Changes(u"/work/Form.DFM"), c.Changes);
    const std::string output = File(u"/work/Form.DFM");
    const std::string log = File(u"/work/Wiz_Log.txt");
    EXPECT_NE(log.find("Processing file: /work/Form.DFM\r\n\r\n" + std::to_string(c.Changes) +
                       " change(s)\r\n"),
              std::string::npos);
    if (UpdateGolden()) WriteFileBytes(dir / c.Expected, output);
    EXPECT_EQ(output, ReadFileBytes(dir / c.Expected));
    ExpectSoundConversion(input, output, sources, targets, u"Form.DFM");
  }
}

TEST_F(FormRunTest, TheReportNamesEveryObjectOfASourceClass) {
  UseLibrary(kBDE);
  Options->WriteLog = false;
  Options->MakeBackup = false;
  AddForm(u"A", ReadFileBytes(FormsDir() / "bde_query.dfm"));
  AddForm(u"B", ReadFileBytes(FormsDir() / "bde_inherited.dfm"));
  ASSERT_TRUE(Run());
  struct TExpect {
    const char16_t* Name;
    bool Converted;
    const char* ReasonPart;
  };
  // In file order: A's query, B's two inherited objects (the one inside the
  // inline frame too) and its own table.
  const TExpect expected[] = {
      {u"Query1", true, ""}, {u"Query1", true, ""}, {u"Table1", true, ""}, {u"Table2", true, ""}};
  ASSERT_EQ(Report.FormObjects.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Report.FormObjects[i].ObjectName, expected[i].Name);
    EXPECT_EQ(Report.FormObjects[i].Converted, expected[i].Converted);
    EXPECT_NE(S(Report.FormObjects[i].Reason).find(expected[i].ReasonPart), std::string::npos);
  }
  EXPECT_EQ(Report.FormObjects[0].NewClassName, u"TZanQuery");
  // The BDE session and live-request settings have no place in a TZanQuery.
  const std::vector<std::u16string>& dropped = Report.FormObjects[0].DroppedProperties;
  EXPECT_NE(std::find(dropped.begin(), dropped.end(), u"SessionName"), dropped.end());
  EXPECT_EQ(std::find(dropped.begin(), dropped.end(), u"SQL.Strings"), dropped.end());
}

// ----- what the report says about properties, and the warnings of form objects

/// One object's property lists as compact lines: "-Name=value" dropped,
/// "Old=value > New=value; New2=value" renamed, "+Name=value" added.
std::vector<std::string> PropertyLines(const TRunReport::TFormObjectEntry& entry) {
  std::vector<std::string> lines;
  for (const auto& prop : entry.DroppedValues)
    lines.push_back(std::string("-").append(S(prop.Name)).append("=").append(S(prop.Value)));
  for (const auto& rename : entry.Renamed) {
    std::string line = S(rename.Old.Name) + "=" + S(rename.Old.Value) + " >";
    for (const auto& made : rename.New)
      line.append(" ").append(S(made.Name)).append("=").append(S(made.Value)).append(";");
    lines.push_back(line);
  }
  for (const auto& prop : entry.Added)
    lines.push_back(std::string("+").append(S(prop.Name)).append("=").append(S(prop.Value)));
  return lines;
}

TEST_F(FormRunTest, TheReportTracesRenamedDroppedAndAddedProperties) {
  const struct {
    int Library;
    const char* Object;  // one object inside the form
    std::vector<std::string> Lines;
    std::string Warning = {};  // the run's only warning ("": none)
  } cases[] = {
      {kBDE,
       "  object Q: TQuery\r\n    DatabaseName = 'Orders'\r\n    DataSource = ds\r\n"
       "    SessionName = 'S'\r\n    SQL.Strings = (\r\n      'select 1')\r\n  end\r\n",
       {"-DatabaseName='Orders'", "-SessionName='S'", "DataSource=ds > MasterSource=ds;",
        "+MasterSource=ds"},
       "1 DatabaseName value(s) were dropped (the first: /work/Form.DFM: Q); a run with --project "
       "links data sets to their database (Connection = Module.Database)."},
      // Key fields with a master, a sort order without one.
      {kBDE,
       "  object T: TTable\r\n    IndexFieldNames = 'ID'\r\n    MasterSource = ds\r\n"
       "    TableName = 'ORDERS'\r\n  end\r\n",
       {"IndexFieldNames='ID' > DetailFields='ID';", "+DetailFields='ID'"}},
      {kBDE,
       "  object T: TTable\r\n    IndexFieldNames = 'ID'\r\n    TableName = 'ORDERS'\r\n  end\r\n",
       {}},
      // A database that would connect to nothing is written disconnected.
      {kBDE,
       "  object D: TDatabase\r\n    AliasName = 'IBLocal'\r\n    Connected = True\r\n  end\r\n",
       {"-AliasName='IBLocal'", "Connected=True > Connected=False;"},
       "/work/Form.DFM: D would connect to nothing when its form loads: it is written Connected "
       "= False; set ProviderName and Server or Database (or ConnectString) of TZanConnection, "
       "then Connected = True."},
      // The keys of a connection string without a counterpart are reported one by one.
      {kADO,
       "  object C: TADOConnection\r\n    ConnectionString = 'Provider=SQLOLEDB.1;Persist "
       "Security Info=False;Data Source=srv'\r\n  end\r\n",
       {"-ConnectionString.Persist Security Info=False",
        "ConnectionString='Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=srv' > "
        "ProviderName='SQL Server'; Server='srv';",
        "+ProviderName='SQL Server'", "+Server='srv'"}},
      // A detail that keeps its master link but not the index naming its key fields.
      {kBDE,
       "  object T: TTable\r\n    IndexName = 'ByCust'\r\n    MasterFields = 'CUST_NO'\r\n"
       "    MasterSource = ds\r\n    TableName = 'ORDERS'\r\n  end\r\n",
       {"-IndexName='ByCust'"},
       "/work/Form.DFM: T loses IndexName = 'ByCust' of its master-detail link: TZanTable has no "
       "such property; set the detail's key fields by hand."},
      {kIBX,
       "  object D: TIBDatabase\r\n    DatabaseName = 'srv:/db/orders.fdb'\r\n"
       "    Params.Strings = (\r\n      'user_name=SYSDBA'\r\n      'password=key')\r\n  end\r\n",
       {"DatabaseName='srv:/db/orders.fdb' > ProviderName='InterBase'; "
        "Database='srv:/db/orders.fdb';",
        "Params.Strings=(\n      'user_name=SYSDBA'\n      'password=key') > Username='SYSDBA'; "
        "Password='key';",
        "+ProviderName='InterBase'", "+Database='srv:/db/orders.fdb'", "+Username='SYSDBA'",
        "+Password='key'"}},
      // A connection definition that no file holds: its settings cannot carry over.
      {kFireDAC,
       "  object C: TFDConnection\r\n    Params.Strings = (\r\n      'ConnectionDef=Main')\r\n"
       "  end\r\n",
       {"-Params.Strings=(\n      'ConnectionDef=Main')"},
       "/work/Form.DFM: C names the connection definition \"Main\", but no connection definition "
       "file was given (--connection-defs); its connection settings were not carried over."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Object);
    ResetWork();
    UseLibrary(c.Library);
    Options->MakeBackup = false;
    Options->WriteLog = false;
    AddForm(u"Form", std::string("object F: TF\r\n") + c.Object + "end\r\n");
    ASSERT_TRUE(Run());
    ASSERT_EQ(Report.FormObjects.size(), 1u);
    const auto lines = PropertyLines(Report.FormObjects[0]);
    EXPECT_EQ(lines, c.Lines);
    std::vector<std::string> warnings;
    for (const std::u16string& warning : Report.Warnings) warnings.push_back(S(warning));
    EXPECT_EQ(warnings,
              c.Warning.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.Warning});
    for (const std::string& violation :
         SchemaViolations(nlohmann::json::parse(Report.ToJson()), ReportSchema(ZAN_SOURCE_DIR)))
      ADD_FAILURE() << violation;
  }
}

// A data set stored open through a connection of its form that is written
// disconnected would connect it when the form loads: it is written closed,
// wherever it stands, however the connection is named.
TEST_F(FormRunTest, ADataSetOfAConnectionWrittenDisconnectedIsWrittenClosed) {
  const struct {
    const char* Connection;  // the data set's Database value
    bool Closed;
  } cases[] = {{"D", true}, {"F.D", true}, {"d", true}, {"Good", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Connection);
    ResetWork();
    UseLibrary(kIBX);
    Options->MakeBackup = false;
    Options->WriteLog = false;
    AddForm(u"Form", std::string("object F: TF\r\n  object Q: TIBQuery\r\n    Database = ") +
                         c.Connection +
                         "\r\n    Active = True\r\n  end\r\n"
                         "  object D: TIBDatabase\r\n    Connected = True\r\n  end\r\n"
                         "  object Good: TIBDatabase\r\n    DatabaseName = 'srv:/db.fdb'\r\n"
                         "    Connected = True\r\n  end\r\nend\r\n");
    ASSERT_TRUE(Run());
    ASSERT_EQ(Report.FormObjects.size(), 3u);  // the second look reports each object once
    const std::string form = File(u"/work/Form.DFM");
    EXPECT_NE(form.find(std::string("Connection = ") + c.Connection +
                        (c.Closed ? "\r\n    Active = False" : "\r\n    Active = True")),
              std::string::npos)
        << form;
    std::vector<std::string> warnings, todo;
    for (const std::u16string& warning : Report.Warnings) warnings.push_back(S(warning));
    for (const auto& item : Report.Todo)
      todo.push_back(S(item.Kind) + " " + S(item.What) + ": " + S(item.Action));
    std::vector<std::string> expected = {
        "/work/Form.DFM: D would connect to nothing when its form loads: it is written Connected "
        "= False; set Server or Database (or ConnectString) of TZanConnection, then Connected = "
        "True."};
    std::vector<std::string> expectedTodo = {
        "connection D: Connected = True was written False: set Server or Database (or "
        "ConnectString) of TZanConnection, then Connected = True"};
    if (c.Closed) {
      expected.insert(expected.begin(),
                      "/work/Form.DFM: Q would connect to nothing when its form loads: it is "
                      "written Active = False; set the connection D first, then Active = True.");
      expectedTodo.insert(expectedTodo.begin(),
                          "connection Q: Active = True was written False: set the connection D "
                          "first, then Active = True");
    }
    EXPECT_EQ(warnings, expected);
    EXPECT_EQ(todo, expectedTodo);
  }
}

// ----- encodings: a text form goes back in its encoding, with its mark

struct TEncodingCase {
  const char* Name;
  TTextEncoding Encoding;
  const char16_t* Caption;  // non-ASCII text written literally in the form
};

TEST_F(FormRunTest, TextFormsKeepTheirEncodingAndMark) {
  const std::u16string expected =
      FormText(ReadFileBytes(FormsDir() / "bde_query.expected.dfm"), u"x");
  const std::u16string input = FormText(ReadFileBytes(FormsDir() / "bde_query.dfm"), u"x");
  const TEncodingCase cases[] = {
      {"UTF-16LE with its mark", TTextEncoding::Utf16LE, u"'Bestellungen \u00f6\u20ac'"},
      {"UTF-8 with its mark", TTextEncoding::Utf8, u"'Bestellungen \u00f6\u20ac'"},
      {"the ANSI code page, no mark", TTextEncoding::Ansi, u"'Bestellungen \u00f6'"},
  };
  for (const TEncodingCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ResetWork();
    UseLibrary(kBDE);
    Options->MakeBackup = false;
    auto withCaption = [&](std::u16string text) {
      const size_t at = text.find(u"'Orders'");
      return text.replace(at, 8, c.Caption);
    };
    AddForm(u"Form", EncodeTextFile(withCaption(input), c.Encoding, u"Form.DFM", 1252));
    ASSERT_TRUE(Run());
    EXPECT_EQ(File(u"/work/Form.DFM"),
              EncodeTextFile(withCaption(expected), c.Encoding, u"Form.DFM", 1252));
  }
}

// ----- the splice

struct TSpliceCase {
  const char* Name;
  std::u16string Input;
  std::u16string Expected;
};

TEST_F(FormRunTest, TheSpliceReplacesExactlyTheObject) {
  UseLibrary(kBDE);
  const TSpliceCase cases[] = {
      {"last object at the end of the text, no line break after its end",
       u"object F: TForm\n  object T: TTable\n    TableName = 'A'\n  end\nend",
       u"object F: TForm\n  object T: TZanTable\n    TableName = 'A'\n  end\nend"},
      {"the root object itself, nothing after its end",
       u"object T: TTable\r\n  TableName = 'A'\r\nend",
       u"object T: TZanTable\r\n  TableName = 'A'\r\nend"},
      {"blank lines and a tab-indented sibling after the end stay as they were",
       u"object F: TForm\n  object T: TTable\n  end\n\n\n\tobject B: TButton\n\tend\nend\n",
       u"object F: TForm\n  object T: TZanTable\n  end\n\n\n\tobject B: TButton\n\tend\nend\n"},
      {"odd indentation before the keyword is kept, not doubled",
       u"object F: TForm\n     object T: TTable\n  end\nend\n",
       u"object F: TForm\n     object T: TZanTable\n  end\nend\n"},
      {"a header without a name is converted and keeps no name",
       u"object F: TForm\n  object TTable\n    TableName = 'A'\n  end\n  object TTable [1]\n"
       u"  end\nend\n",
       u"object F: TForm\n  object TZanTable\n    TableName = 'A'\n  end\n  object TZanTable [1]\n"
       u"  end\nend\n"},
      {"inherited and inline objects keep their keyword and child position",
       u"inherited F: TForm\n  inherited T: TTable [2]\n    TableName = 'A'\n  end\n"
       u"  inline Fr: TFrame1\n    inherited Q: TQuery\n    end\n  end\nend\n",
       u"inherited F: TForm\n  inherited T: TZanTable [2]\n    TableName = 'A'\n  end\n"
       u"  inline Fr: TFrame1\n    inherited Q: TZanQuery\n    end\n  end\nend\n"},
      {"properties named like keywords open no level",
       u"object F: TForm\n  object L: TLinks\n    Links = <\n      item\n        Item = A\n"
       u"      end>\n    End.Value = 1\n  end\n  object T: TTable\n    TableName = 'A'\n  "
       u"end\nend\n",
       u"object F: TForm\n  object L: TLinks\n    Links = <\n      item\n        Item = A\n"
       u"      end>\n    End.Value = 1\n  end\n  object T: TZanTable\n    TableName = 'A'\n  "
       u"end\nend\n"},
      {"many siblings: each converted, levels kept",
       u"object F: TForm\n  object A: TQuery\n  end\n  object B: TQuery\n  end\n"
       u"  object P: TPanel\n    object C: TQuery\n    end\n  end\nend\n",
       u"object F: TForm\n  object A: TZanQuery\n  end\n  object B: TZanQuery\n  end\n"
       u"  object P: TPanel\n    object C: TZanQuery\n    end\n  end\nend\n"},
  };
  for (const TSpliceCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::u16string output;
    Step().ProcessFormText(Replacer->FormLookup(), u"F.dfm", c.Input, DetectLineBreak(c.Input),
                           output);
    EXPECT_EQ(S(output), S(c.Expected));
  }
}

// ----- persistent fields

// The persistent fields nested in a converted data set become the DB unit's
// fields, at their own level; what the standard class does not publish is
// dropped and reported.
TEST_F(FormRunTest, PersistentFieldsBecomeStandardFields) {
  const struct {
    int Library;
    std::u16string Input, Expected;
    std::vector<std::string> Dropped;  // "Object.Property" of every object
  } cases[] = {
      {kIBX,
       u"object F: TForm\r\n  object Q: TIBQuery\r\n    Database = Db\r\n"
       u"    object QNAME: TIBStringField\r\n      FieldName = 'NAME'\r\n"
       u"      Origin = '\"T\".\"NAME\"'\r\n      Size = 30\r\n      EmptyAsNull = False\r\n"
       u"    end\r\n    object QPRICE: TIBBCDField\r\n      FieldName = 'PRICE'\r\n"
       u"      Precision = 18\r\n      Size = 2\r\n    end\r\n  end\r\nend\r\n",
       u"object F: TForm\r\n  object Q: TZanQuery\r\n    Connection = Db\r\n"
       u"    object QNAME: TStringField\r\n      FieldName = 'NAME'\r\n"
       u"      Origin = '\"T\".\"NAME\"'\r\n      Size = 30\r\n"
       u"    end\r\n    object QPRICE: TBCDField\r\n      FieldName = 'PRICE'\r\n"
       u"      Precision = 18\r\n      Size = 2\r\n    end\r\n  end\r\nend\r\n",
       {"QNAME.EmptyAsNull"}},
      {kFIBPlus,
       u"object F: TForm\n  object DS: TpFIBDataSet\n    object DSID: TFIBIntegerField\n"
       u"      FieldName = 'ID'\n    end\n    object DSD: TFIBDateTimeField\n"
       u"      DisplayFormat = 'dd.mm.yyyy'\n      FieldName = 'D'\n    end\n"
       u"    object DSC: TFloatField\n      FieldName = 'C'\n      Calculated = True\n"
       u"    end\n  end\nend\n",
       u"object F: TForm\n  object DS: TZanQuery\n    object DSID: TIntegerField\n"
       u"      FieldName = 'ID'\n    end\n    object DSD: TDateTimeField\n"
       u"      DisplayFormat = 'dd.mm.yyyy'\n      FieldName = 'D'\n    end\n"
       u"    object DSC: TFloatField\n      FieldName = 'C'\n      Calculated = True\n"
       u"    end\n  end\nend\n",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(S(c.Input));
    UseLibrary(c.Library);
    TRunReport report;
    std::u16string output;
    Step().ProcessFormText(Replacer->FormLookup(), u"F.dfm", c.Input, DetectLineBreak(c.Input),
                           output, &report);
    EXPECT_EQ(S(output), S(c.Expected));
    std::vector<std::string> dropped;
    for (const auto& object : report.FormObjects)
      for (const auto& name : object.DroppedProperties)
        dropped.push_back(S(object.ObjectName) + "." + S(name));
    EXPECT_EQ(dropped, c.Dropped);
  }
}

// ----- the database-name pass

struct TDbNamesCase {
  const char* Name;
  std::vector<std::string> Forms;
  std::vector<std::pair<std::u16string, std::u16string>> Lookups;  // name -> answer
};

TEST_F(FormRunTest, DatabaseNamesOfTheFirstPass) {
  UseLibrary(kBDE);
  const std::string db1 =
      "object DM: TDataModule\r\n  object Database1: TDatabase\r\n"
      "    DatabaseName = 'Sales'\r\n  end\r\nend\r\n";
  const std::string db2 =
      "object Other: TDataModule\r\n  object DbX: TDatabase\r\n    AliasName = 'A'\r\n"
      "    DatabaseName = 'SALES'\r\n  end\r\nend\r\n";
  const TDbNamesCase cases[] = {
      {"one declaration, looked up in any letter case",
       {db1},
       {{u"Sales", u"DM.Database1"}, {u"sALES", u"DM.Database1"}, {u"Other", u""}}},
      {"the form processed last wins", {db1, db2}, {{u"sales", u"Other.DbX"}}},
      {"an inherited form is named by its first object declared with `object`",
       {"inherited Child: TChild\r\n  object Db: TDatabase\r\n    DatabaseName = 'X'\r\n"
        "  end\r\nend\r\n"},
       {{u"X", u"Db.Db"}}},
      {"only TDatabase objects declare names; the name must be a DatabaseName value",
       {"object F: TForm\r\n  object Q: TQuery\r\n    DatabaseName = 'Q1'\r\n  end\r\n"
        "  object D: TDatabase\r\n    AliasName = 'A1'\r\n  end\r\nend\r\n"},
       {{u"Q1", u""}, {u"A1", u""}}},
      {"binary forms are read too",
       {WriteBinaryForm(ReadFormFile(db1, u"x", 1252).Text)},
       {{u"Sales", u"DM.Database1"}}},
  };
  for (const TDbNamesCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TStringList names;
    for (const std::string& form : c.Forms) Step().CollectDatabaseNames(names, u"F.dfm", form);
    for (const auto& [name, answer] : c.Lookups)
      EXPECT_EQ(Replacer->FormLookup(names).GetPropertyValue(u"DatabaseName", name), answer)
          << S(name);
  }
}

TEST_F(FormRunTest, FolderScopeCollectsNoDatabaseNames) {
  UseLibrary(kBDE);
  Options->MakeBackup = false;
  AddForm(u"Data", ReadFileBytes(FormsDir() / "bde_database.dfm"));
  ASSERT_TRUE(Run());
  EXPECT_EQ(Results.DatabaseNames.Count(), 0);
  EXPECT_EQ(Replacer->FormLookup(Results.DatabaseNames).GetPropertyValue(u"DatabaseName", u"Sales"),
            u"");
}

// ----- bad input: an error naming the file, every original untouched

struct TBadInputCase {
  const char* Name;
  std::string Form;
  size_t MaxTextLength;  // 0: the default
};

TEST_F(FormRunTest, BadInputStopsTheRunWithEveryOriginalUntouched) {
  const std::string good = ReadFileBytes(FormsDir() / "bde_query.dfm");
  const std::string binary = WriteBinaryForm(FormText(good, u"x"));
  std::string hugeObject = "object F: TForm\r\n  object Q: TQuery\r\n    SQL.Strings = (\r\n";
  for (int i = 0; i < 2000; ++i)
    hugeObject += "      'select * from t" + std::to_string(i) + "'\r\n";
  hugeObject += "      '')\r\n  end\r\nend\r\n";
  const TBadInputCase cases[] = {
      {"a binary stream cut short", binary.substr(0, binary.size() - 20), 0},
      {"a binary stream whose length field reaches past the end",
       binary.substr(0, 6 + 7) + std::string("\xff\xff\xff\x7f", 4) + binary.substr(6 + 7 + 4), 0},
      {"a binary stream with a hostile string length",
       [&] {
         std::string damaged = binary;
         const size_t at = damaged.find("Orders");
         damaged[at - 1] = '\x7f';
         return damaged;
       }(),
       0},
      // The converted object is fine, but the text around it is no form text.
      {"text that cannot be converted to binary",
       "object F: TForm\r\n  Caption = 'a' 'b'\r\n  object Q: TQuery\r\n  end\r\nend\r\n", 0},
      {"an object larger than the form step accepts", hugeObject, 10000},
  };
  for (const TBadInputCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ResetWork();
    UseLibrary(kBDE);
    if (c.MaxTextLength)
      Replacer->SetFormFileStepFactory([length = c.MaxTextLength] {
        auto step = std::make_unique<TFormRewriter>();
        step->SetMaxFormTextLength(length);
        return step;
      });
    Fs.AddFile(u"/work/Good.pas", "unit Good; uses DBTables; var Q: TQuery; {$R *.dfm} end.");
    Fs.AddFile(u"/work/Good.DFM", good);
    AddForm(u"Zbad", c.Form);
    // A changed form after the bad one: the run has gone on with it by the
    // time the bad form's checking fails.
    AddForm(u"Zgood", good);
    const auto before = Fs.FilesUnder(u"/work");
    try {
      Run();
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find("Zbad.DFM"), std::string::npos) << e.what();
    }
    auto after = Fs.FilesUnder(u"/work");
    for (auto it = after.begin(); it != after.end();)
      it = it->first.find(u"RBackup") != std::u16string::npos ||
                   it->first.find(u"Wiz_Log") != std::u16string::npos
               ? after.erase(it)
               : std::next(it);
    EXPECT_EQ(after, before);
    EXPECT_EQ(TempLeftovers(), std::vector<std::u16string>{});
  }
}

// ----- a unit and its form never disagree

/// The class of each field "Name: TClass;" of the unit's class declarations,
/// by upper-case name.
std::map<std::string, std::string> UnitFields(const std::string& unit) {
  static const std::regex field(R"(^\s*(\w+)\s*:\s*(\w+)\s*;)");
  std::map<std::string, std::string> fields;
  std::istringstream lines(unit);
  for (std::string line, upper; std::getline(lines, line);)
    if (std::smatch m; std::regex_search(line, m, field))
      fields[S(UpperCase(U(m[1].str())))] = S(UpperCase(U(m[2].str())));
  return fields;
}

/// Fails for each field of `unit` whose form object in `form` streams
/// another class; returns how many fields have an object there.
int ExpectUnitAndFormAgree(const std::string& unit, const std::string& form) {
  static const std::regex header(R"(^\s*(object|inherited|inline)\s+(\w+)\s*:\s*(\w+))",
                                 std::regex::icase);
  const std::map<std::string, std::string> fields = UnitFields(unit);
  int found = 0;
  std::istringstream lines(form);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, header)) continue;
    const auto field = fields.find(S(UpperCase(U(m[2].str()))));
    if (field == fields.end()) continue;
    ++found;
    EXPECT_EQ(S(UpperCase(U(m[3].str()))), field->second) << "object " << m[2].str();
  }
  return found;
}

enum class TOutcome { Converted, Stopped, Left };

struct TAgreeCase {
  const char* Name;
  std::string Form;
  bool KeepGoing;
  TOutcome Outcome;
  int Objects;       // form objects of the unit's fields, each checked
  const char* Part;  // of the converted form, the error, or the reason it was left
};

// Whatever the form holds, a run that reports success leaves the unit's
// fields and the form's objects of one class each, and a second run changes
// nothing: a form the run cannot convert stops it, or with KeepGoing is left
// with its unit.
TEST_F(FormRunTest, AUnitAndItsFormNeverDisagree) {
  const std::string kFields =
      "    Query1: TQuery;\r\n    Table1: TTable;\r\n    Query2: TQuery;\r\n";
  const std::string kUnreadable =
      "object F: TF\r\n  object Table1: TTable\r\n  end\r\n  object Query1: TQuery\r\n"
      "    SQL.Strings = (\r\n      'select 1'\r\n    Left = 40\r\n  end\r\nend\r\n";
  const std::string kSecondRoot =
      "object F: TF\r\n  object Query1: TQuery\r\n  end\r\nend\r\nobject G: TF\r\nend\r\n";
  const std::string kNotFormText =
      "// written by a tool\r\nobject F: TF\r\n  object Query1: TQuery\r\n  end\r\nend\r\n";
  const TAgreeCase cases[] = {
      {"capitals, blanks and tabs around the colon",
       "OBJECT F : TF\r\n  OBJECT Query1 : TQuery\r\n    SQL.Strings = (\r\n      'select 1')\r\n"
       "  END\r\n  Object Table1 :TTable\r\n  End\r\n  object\tQuery2\t:\tTQuery\r\n  "
       "end\r\nEND\r\n",
       false, TOutcome::Converted, 3,
       "OBJECT F : TF\r\n  object Query1: TZanQuery\r\n    SQL.Strings = (\r\n      'select 1')\r\n"
       "  end\r\n  object Table1: TZanTable\r\n  end\r\n  object Query2: TZanQuery\r\n  "
       "end\r\nEND\r\n"},
      {"an object the grammar cannot read", kUnreadable, false, TOutcome::Stopped, 2,
       "Cannot convert object \"Query1\" in form file \"/work/U.DFM\": the form grammar does not "
       "match the object (stuck at line 7)"},
      {"an object the grammar cannot read, keep going", kUnreadable, true, TOutcome::Left, 2,
       "stuck at line 7"},
      {"a second root object", kSecondRoot, false, TOutcome::Stopped, 1,
       "Form file \"/work/U.DFM\" cannot be converted: text follows the end of its root object "
       "(line 5)."},
      {"a second root object, keep going", kSecondRoot, true, TOutcome::Left, 1, "(line 5)"},
      {"no form text, but an object of a source class", kNotFormText, false, TOutcome::Stopped, 1,
       "Form file \"/work/U.DFM\" cannot be converted: it is not form text, yet it declares "
       "\"Query1\" of class TQuery (line 3), which the run replaces."},
      {"no form text, but an object of a source class, keep going", kNotFormText, true,
       TOutcome::Left, 1, "it is not form text"},
      // Left alone with a warning; the unit is converted.
      {"no form at all", "MAINICON ICON \"app.ico\"\r\n", false, TOutcome::Converted, 0,
       "MAINICON ICON \"app.ico\"\r\n"},
  };
  for (const TAgreeCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ResetWork();
    UseLibrary(kBDE);
    Options->MakeBackup = false;
    Options->WriteLog = false;
    const std::string unit =
        "unit U;\r\ninterface\r\nuses DBTables;\r\ntype\r\n  TF = class(TForm)\r\n" + kFields +
        "  end;\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n";
    Fs.AddFile(u"/work/U.pas", unit);
    Fs.AddFile(u"/work/U.DFM", c.Form);
    TRunContext context = Context();
    context.KeepGoing = c.KeepGoing;
    context.Report = &Report;
    for (int run = 1; run <= 2; ++run) {
      SCOPED_TRACE(run);
      const auto before = Fs.FilesUnder(u"/work");
      Report.Clear();
      if (c.Outcome == TOutcome::Stopped) {
        try {
          Run(context);
          ADD_FAILURE() << "no error";
        } catch (const EFormFileError& e) {
          EXPECT_EQ(std::string(e.what()), c.Part);
        }
      } else {
        ASSERT_TRUE(Run(context));
      }
      if (c.Outcome == TOutcome::Left) {
        ASSERT_EQ(Report.LeftFiles.size(), 1u);
        EXPECT_EQ(Report.LeftFiles[0].FileName, u"/work/U.DFM");
        EXPECT_NE(S(Report.LeftFiles[0].Reason).find(c.Part), std::string::npos);
        // Table1 of the unreadable form was converted in vain: not reported.
        EXPECT_TRUE(Report.FormObjects.empty());
      } else {
        EXPECT_TRUE(Report.LeftFiles.empty());
      }
      if (c.Outcome == TOutcome::Converted && run == 1) {
        EXPECT_EQ(File(u"/work/U.DFM"), c.Part);
        EXPECT_NE(File(u"/work/U.pas").find("Query1: TZanQuery"), std::string::npos);
      } else {
        EXPECT_EQ(Fs.FilesUnder(u"/work"), before);  // the second run changes nothing
      }
      EXPECT_EQ(ExpectUnitAndFormAgree(File(u"/work/U.pas"), File(u"/work/U.DFM")), c.Objects);
    }
  }
}

TEST_F(FormRunTest, AHugeObjectWithinTheLimitIsConverted) {
  UseLibrary(kBDE);
  std::u16string text = u"object F: TForm\n  object Q: TQuery\n    SQL.Strings = (\n";
  for (int i = 0; i < 50000; ++i) text += u"      'select * from t" + IntToStr(i) + u"'\n";
  text += u"      '')\n  end\nend\n";
  std::u16string output;
  EXPECT_EQ(Step().ProcessFormText(Replacer->FormLookup(), u"F.dfm", text, u"\n", output), 1);
  EXPECT_EQ(output.rfind(u"object F: TForm\n  object Q: TZanQuery\n", 0), 0u);
  EXPECT_EQ(output.substr(output.size() - 14), u"'')\n  end\nend\n");
  CheckFormText(output, u"F.dfm", 1252);
}

// ----- whole runs over the corpus

TEST_F(FormRunTest, CorpusFormsConvertSoundly) {
  ZAN_REQUIRE_CORPUS();
  // The libraries the corpus holds; a form is taken when it names one of
  // the library's source classes.
  const int libraries[] = {kBDE, kIBX, kADO, kAnyDAC, kFireDAC};
  const std::vector<std::filesystem::path> files = CorpusFiles({".dfm", ".nfm"});
  for (const int library : libraries) {
    const TLibraryInfo& info = CatalogueLibraries()[static_cast<size_t>(library)];
    SCOPED_TRACE(Utf16ToUtf8(info.Name));
    std::set<std::u16string> sources, targets;
    ClassSets(library, sources, targets);
    int taken = 0, converted = 0, objects = 0, refused = 0;
    std::vector<std::string> failures;
    for (const std::filesystem::path& path : files) {
      const std::string bytes = ReadFileBytes(path);
      std::string upper = bytes;  // class names in any letter case
      for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      bool wanted = false;
      for (const std::u16string& source : sources)
        wanted = wanted || upper.find(Utf16ToUtf8(source)) != std::string::npos;
      if (!wanted) continue;
      ++taken;
      ResetWork();
      UseLibrary(library);
      Options->MakeBackup = false;
      Options->WriteLog = false;
      AddForm(u"Form", bytes);
      try {
        Run();
      } catch (const Exception& e) {
        failures.push_back(path.string() + ": " + e.what());
        continue;
      }
      for (const TRunReport::TFormObjectEntry& entry : Report.FormObjects) {
        ++objects;
        if (!entry.Converted) {
          ++refused;
          ADD_FAILURE() << "not converted: " << path.string() << " " << S(entry.ObjectName) << " ("
                        << S(entry.Reason) << ")";
        }
      }
      const std::string output = File(u"/work/Form.DFM");
      if (output == bytes) continue;
      ++converted;
      // ZAN_FORM_DUMP=DIR keeps each converted form there for review.
      if (const char* dump = std::getenv("ZAN_FORM_DUMP"))
        WriteFileBytes(std::filesystem::path(dump) /
                           (std::to_string(library) + "_" + path.filename().string()),
                       output);
      ExpectSoundConversion(bytes, output, sources, targets, U(path.string()));
    }
    EXPECT_GT(taken, 0);
    EXPECT_GT(converted, 0);
    EXPECT_EQ(failures, std::vector<std::string>{});
    std::printf(
        "[ corpus ] %s: %d forms, %d changed, %zu refused by the run; %d objects, %d not "
        "converted\n",
        Utf16ToUtf8(info.Name).c_str(), taken, converted, failures.size(), objects, refused);
  }
}

}  // namespace
}  // namespace zan::test
