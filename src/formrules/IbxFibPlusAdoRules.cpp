// IBX, FIBPlus and ADO: the InterBase parameter lists, the renames of the
// IBX and ADO components, the FIBPlus components, and two rules that serve
// every class ("DatabaseName" and "Conditions").
#include "formrules/RuleGroups.h"
#include "formrules/ZanFormParser.h"

namespace zan {

namespace {

using enum TRuleAction;

constexpr std::u16string_view kInterBase = u"InterBase";

// --- IBX (groups 3 and 4)

// IBX and FIBPlus components name their database component in "Database"
// (and a transaction in "DefaultDatabase"), not through an alias: that link
// becomes the target's connection, or the converted objects lose it.
constexpr std::u16string_view kIbxDataSets[] = {u"TIBQuery", u"TIBDataSet", u"TIBTable",
                                                u"TIBStoredProc", u"TIBSQL"};
constexpr std::u16string_view kFibPlusDataSets[] = {u"TpFIBDataSet", u"TpFIBQuery",
                                                    u"TpFIBStoredProc"};

constexpr TRuleRow kIbxRows[] = {
    {"IBX link", IsAnyOf(kIbxDataSets), Is(u"Database"), Rename, u"Connection"},
    {"IBX link", Is(u"TIBTransaction"), Is(u"DefaultDatabase"), Rename, u"DefaultConnection"},
    {"X2", Is(u"TIBTransaction"), Is(u"DefaultAction"), Rename, u"DefaultCloseAction"},
    {"X3", Is(u"TIBDataSet"), Is(u"SelectSQL.Strings"), Rename, u"SQL.Strings"},
    {"X4", Is(u"TIBDataSet"), Is(u"RefreshSQL.Strings"), Rename, u"SQLRefresh.Strings"},
    {"X5", Is(u"TIBDataSet"), Is(u"InsertSQL.Strings"), Rename, u"SQLInsert.Strings"},
    {"X6", Is(u"TIBDataSet"), Is(u"ModifySQL.Strings"), Rename, u"SQLUpdate.Strings"},
    {"X7", Is(u"TIBDataSet"), Is(u"DeleteSQL.Strings"), Rename, u"SQLDelete.Strings"},
};

// TwwTable descends from TTable: its detail fields must not be lost.
constexpr std::u16string_view kIndexFieldOwners[] = {u"TIBDataSet", u"TTable", u"TIBTable",
                                                     u"TIBQuery", u"TwwTable"};
constexpr TRuleRow kIndexFieldRows[] = {
    {"X8", IsAnyOf(kIndexFieldOwners), Is(u"IndexFieldNames"), Rename, u"DetailFields"},
};

// --- ADO (group 5)

constexpr std::u16string_view kAdoCommands[] = {u"TADOCommand", u"TADODataSet"};
constexpr std::u16string_view kAdoDataSets[] = {u"TADOQuery", u"TADODataSet", u"TADOStoredProc"};

constexpr TRuleRow kAdoRows[] = {
    {"A1", Is(u"TADOConnection"), Is(u"DefaultDatabase"), Rename, u"Database"},
    {"A2", IsAnyOf(kAdoCommands), Is(u"CommandText"), RenameAsList, u"SQL.Strings"},
    {"A3", Is(u"TADOStoredProc"), Is(u"ProcedureName"), Rename, u"StoredProcName"},
    {"A4", IsAnyOf(kAdoDataSets), Is(u"DataSource"), Rename, u"MasterSource"},
};

// --- FIBPlus components (group 12)

constexpr TValuePair kIsolationLevels[] = {
    {u"tpbDefault", u"ilSnapshot"},
    {u"tpbReadCommitted", u"ilReadCommitted"},
    {u"tpbRepeatableRead", u"ilRepeatableRead"},
};

constexpr TRuleRow kFibPlusRows[] = {
    {"F1", Is(u"TpFIBDatabase"), Is(u"DBName"), Rename, u"Database"},
    {"F2", Is(u"TpFIBDatabase"), Is(u"UseLoginPrompt"), Rename, u"LoginPrompt"},
    {"F3", Is(u"TpFIBDatabase"), Is(u"LibraryName"), Option, u"ClientLibrary"},
    {"F4", Is(u"TpFIBTransaction"), Is(u"TimeoutAction"), Rename, u"DefaultCloseAction"},
    {"F5",
     Is(u"TpFIBTransaction"),
     Is(u"TPBMode"),
     MapValue,
     u"IsolationLevel",
     {},
     kIsolationLevels,
     TRuleOutcome::Consume,
     /*NonEmptyValue=*/true},
    {"F6", Is(u"TpFIBDataSet"), Is(u"UpdateSQL.Strings"), Rename, u"SQLUpdate.Strings"},
    {"F7", Is(u"TpFIBDataSet"), Is(u"DeleteSQL.Strings"), Rename, u"SQLDelete.Strings"},
    {"F8", Is(u"TpFIBDataSet"), Is(u"InsertSQL.Strings"), Rename, u"SQLInsert.Strings"},
    {"F9", Is(u"TpFIBDataSet"), Is(u"RefreshSQL.Strings"), Rename, u"SQLRefresh.Strings"},
    {"F10", Is(u"TpFIBDataSet"), Is(u"SelectSQL.Strings"), Rename, u"SQL.Strings"},
    {"F11", Is(u"TpFIBDataSet"), Is(u"AutoUpdateOptions.UpdateTableName"), Rename,
     u"UpdatingTable"},
    {"F12", Is(u"TpFIBDataSet"), Is(u"AutoUpdateOptions.KeyFields"), Rename, u"KeyFields"},
    {"F13", Is(u"TpFIBDataSet"), Is(u"AutoUpdateOptions.GeneratorName"), Option, u"KeyGenerator"},
    {"F14", Is(u"TpFIBDataSet"), Is(u"AutoUpdateOptions.GeneratorStep"), Option, u"GeneratorStep"},
    {"F15", Is(u"TpFIBDataSet"), Is(u"poImportDefaultValues"), Rename, u"Options.DefaultValues"},
    {"F16", Is(u"TpFIBDataSet"), Is(u"poSetRequiredFields"), Rename, u"Options.RequiredFields"},
    {"F17", Is(u"TpFIBDataSet"), Is(u"poSetReadOnlyFields"), Rename, u"Options.SetFieldsReadOnly"},
    {"F18", Is(u"TpFIBDataSet"), Is(u"poAskRecordCount"), Rename, u"Options.QueryRecCount"},
    {"F19", Is(u"TpFIBDataSet"), Is(u"poEmptyStrToNull"), Rename, u"Options.SetEmptyStrToNull"},
    {"F20", Is(u"TpFIBDataSet"), Is(u"oTrimCharFields"), Rename, u"Options.TrimFixedChar"},
    {"F21", Is(u"TpFIBDataSet"), Is(u"oFetchAll"), Option, u"FetchAll"},
    {"F22", Is(u"TpFIBDataSet"), Is(u"DataSource"), Rename, u"MasterSource"},
    {"F23", Is(u"TpFIBStoredProc"), Is(u"qoTrimCharFields"), Rename, u"Options.TrimFixedChar"},
    {"F24", Is(u"TpFIBScripter"), Is(u"Script.Strings"), Rename, u"SQL.Strings"},
    {"F25", Is(u"TSIBfibEventAlerter"), Is(u"Events.Strings"), EventNamesUnwrapped, u"Events"},
    {"FIBPlus link", IsAnyOf(kFibPlusDataSets), Is(u"Database"), Rename, u"Connection"},
    {"FIBPlus link", Is(u"TpFIBTransaction"), Is(u"DefaultDatabase"), Rename, u"DefaultConnection"},
};

// --- Search conditions (group 13)

constexpr TRuleRow kConditionsRows[] = {
    {"Conditions", AnyName(), Is(u"Conditions"), Rename, u"Macros"},
};

}  // namespace

const TRuleSet kIbxRenameTable{kInterBase, kIbxRows};
const TRuleSet kIndexFieldNamesTable{kInterBase, kIndexFieldRows};
const TRuleSet kAdoTable{{}, kAdoRows};
const TRuleSet kFibPlusTable{kInterBase, kFibPlusRows};
const TRuleSet kConditionsTable{{}, kConditionsRows};

bool ConvertDatabaseName(TZanFormParser& p, std::u16string_view name, std::u16string_view value) {
  if (name != u"DatabaseName") return false;
  if (p.TypeName() == u"TIBDatabase") {
    p.AddProperty(u"Database", value);  // X1
  } else {
    p.ConvertPropertyBase(name, value);
  }
  return true;
}

bool ConvertInterBaseParams(TZanFormParser& p, std::u16string_view name,
                            std::u16string_view value) {
  const bool ibx = name == u"Params.Strings" && p.TypeName() == u"TIBDatabase";
  const bool fibPlus = name == u"DBParams.Strings" && p.TypeName() == u"TpFIBDatabase";
  if (!ibx && !fibPlus) return false;
  const TStringList params = ReadParamList(value);
  if (const std::u16string v = ParamValue(params, u"USER_NAME"); !v.empty())
    p.AddProperty(u"Username", FormQuoted(v));
  if (const std::u16string v = ParamValue(params, u"PASSWORD"); !v.empty())
    p.AddProperty(u"Password", FormQuoted(v));
  if (const std::u16string v = ParamValue(params, u"LC_CTYPE"); !v.empty())
    p.AddSpecificOption(kInterBase, u"Charset", FormStringBody(v), u"");
  if (const std::u16string v = ParamValue(params, u"SQL_ROLE_NAME"); !v.empty())
    p.AddSpecificOption(kInterBase, u"Role", FormStringBody(v), u"");
  return false;  // the list itself goes on to the property filter
}

bool ConvertIbxRenames(TZanFormParser& p, std::u16string_view name, std::u16string_view value) {
  return ApplyRuleSet(p, kIbxRenameTable, name, value);
}

bool ConvertIndexFieldNames(TZanFormParser& p, std::u16string_view name,
                            std::u16string_view value) {
  return ApplyRuleSet(p, kIndexFieldNamesTable, name, value);
}

bool ConvertAdo(TZanFormParser& p, std::u16string_view name, std::u16string_view value) {
  return ApplyRuleSet(p, kAdoTable, name, value);
}

bool ConvertFibPlus(TZanFormParser& p, std::u16string_view name, std::u16string_view value) {
  return ApplyRuleSet(p, kFibPlusTable, name, value);
}

bool ConvertConditions(TZanFormParser& p, std::u16string_view name, std::u16string_view value) {
  return ApplyRuleSet(p, kConditionsTable, name, value);
}

}  // namespace zan
