// Master-detail pairs in every library of the catalogue: a detail data set's
// link to its master (a data source over the master data set) and the key
// fields that go with it come out of the conversion on the target data set;
// the property filter must not drop them, or the converted detail runs with
// empty parameters.
#include <gtest/gtest.h>

#include "engine/catalogue/ZanReplacer.h"
#include "engine/rewrite/FormRewriter.h"
#include "formrules/RuleUtils.h"
#include "rtl/Strings.h"

namespace zan::test {
namespace {

struct TMasterDetailCase {
  const char16_t* Library;
  const char16_t* DataSet;  // the source class of master and detail
  const char16_t* Target;   // the class both become
  const char16_t* Link;     // the detail's master link and key fields, "\n" between lines
  const char16_t* Carried;  // what the converted detail holds of them
};

std::ostream& operator<<(std::ostream& os, const TMasterDetailCase& c) {
  return os << Utf16ToUtf8(c.Library) << ": " << Utf16ToUtf8(c.DataSet) << " { "
            << Utf16ToUtf8(c.Link) << " }";
}

/// A form with a master data set, a data source over it, and a detail data
/// set with the property lines `detailLines`.
std::u16string MasterDetailForm(std::u16string_view dataSet, std::u16string_view detailLines) {
  std::u16string form = u"object Form1: TForm1\r\n";
  form.append(u"  object Query1: ").append(dataSet).append(u"\r\n  end\r\n");
  form += u"  object DataSource1: TDataSource\r\n    DataSet = Query1\r\n  end\r\n";
  form.append(u"  object Query2: ").append(dataSet).append(u"\r\n");
  for (const std::u16string& line : SplitLines(detailLines)) form += u"    " + line + u"\r\n";
  return form + u"  end\r\nend\r\n";
}

class MasterDetail : public testing::TestWithParam<TMasterDetailCase> {};

TEST_P(MasterDetail, TheDetailKeepsItsMasterLink) {
  const TMasterDetailCase& c = GetParam();
  TZanCatalogue catalogue;
  const int library = FindCatalogueLibrary(c.Library);
  ASSERT_GE(library, 0);
  TComponentReplacer& replacer = catalogue.Replacer(library);
  ASSERT_NE(replacer.FindNewClassName(c.DataSet), nullptr) << "not a source class of the library";
  const std::unique_ptr<TFormFileStep> made = replacer.MakeFormFileStep();
  auto& step = static_cast<TFormRewriter&>(*made);
  std::u16string output;
  step.ProcessFormText(replacer.FormLookup(), u"Form1.dfm", MasterDetailForm(c.DataSet, c.Link),
                       u"\r\n", output);
  EXPECT_EQ(Utf16ToUtf8(output), Utf16ToUtf8(MasterDetailForm(c.Target, c.Carried)));
}

// One row per library, in catalogue order: one of its data-set classes
// (queries mostly; a table and a stored procedure among the siblings) with
// the properties through which that class stores its master link.
INSTANTIATE_TEST_SUITE_P(
    EveryLibrary, MasterDetail,
    testing::Values(
        // The master's fields fill the detail's parameters: "DataSource".
        TMasterDetailCase{u"BDE", u"TQuery", u"TZanQuery", u"DataSource = DataSource1",
                          u"MasterSource = DataSource1"},
        TMasterDetailCase{u"IBX", u"TIBQuery", u"TZanQuery", u"DataSource = DataSource1",
                          u"MasterSource = DataSource1"},
        // ADO: "DataSource" with the master's and the detail's key fields.
        TMasterDetailCase{u"ADO", u"TADODataSet", u"TZanQuery",
                          u"DataSource = DataSource1\nIndexFieldNames = 'CUST_NO'\n"
                          u"MasterFields = 'CUST_NO'",
                          u"MasterSource = DataSource1\nIndexFieldNames = 'CUST_NO'\n"
                          u"MasterFields = 'CUST_NO'"},
        // The sibling libraries, AnyDAC and FireDAC store what the target stores,
        // by the same names.
        TMasterDetailCase{
            u"Kyrel", u"TKyrQuery", u"TZanQuery",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'"},
        TMasterDetailCase{
            u"Fenmark", u"TFenQuery", u"TZanQuery",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'"},
        TMasterDetailCase{
            u"Sarvo", u"TSarTable", u"TZanTable",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'"},
        TMasterDetailCase{
            u"Trindle", u"TTrnQuery", u"TZanQuery",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'"},
        TMasterDetailCase{
            u"Elvast", u"TElvStoredProc", u"TZanStoredProc",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'"},
        TMasterDetailCase{
            u"Wenrod", u"TWenQuery", u"TZanQuery",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'"},
        TMasterDetailCase{u"AnyDAC", u"TADQuery", u"TZanQuery",
                          u"MasterSource = DataSource1\nMasterFields = 'ID'",
                          u"MasterSource = DataSource1\nMasterFields = 'ID'"},
        TMasterDetailCase{
            u"FireDAC", u"TFDQuery", u"TZanQuery",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'",
            u"MasterSource = DataSource1\nMasterFields = 'ID'\nDetailFields = 'ORD_ID'"},
        // FIBPlus: "DataSource", as BDE and IBX queries store it.
        TMasterDetailCase{u"FIBPlus", u"TpFIBDataSet", u"TZanQuery", u"DataSource = DataSource1",
                          u"MasterSource = DataSource1"}),
    [](const testing::TestParamInfo<TMasterDetailCase>& info) {
      return Utf16ToUtf8(info.param.Library);
    });

}  // namespace
}  // namespace zan::test
