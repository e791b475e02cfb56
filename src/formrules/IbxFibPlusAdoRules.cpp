// IBX, FIBPlus and ADO: the InterBase parameter lists, the renames of the
// IBX and ADO components, the FIBPlus components, and two rules that serve
// every class ("DatabaseName" and "Conditions").
#include "formrules/RuleGroups.h"
#include "formrules/ZanFormParser.h"

namespace zan {

namespace {

using enum TRuleAction;

constexpr std::u16string_view kInterBase = u"InterBase";

// --- The InterBase provider (group 0)

constexpr std::u16string_view kInterBaseConnections[] = {u"TIBDatabase", u"TpFIBDatabase"};

constexpr TRuleRow kInterBaseProviderRows[] = {
    // InterBase provider: the first property of an IBX or FIBPlus database
    // puts "ProviderName" first, as the sibling libraries' connections do;
    // without it the converted connection could not connect. Goes on.
    {"InterBase provider", IsAnyOf(kInterBaseConnections), AnyName(), Provider},
};

// --- IBX (groups 3 and 4)

// IBX and FIBPlus components name their database component in "Database"
// (and a transaction in "DefaultDatabase"), not through an alias: that link
// becomes the target's connection, or the converted objects lose it.
constexpr std::u16string_view kIbxDataSets[] = {u"TIBQuery", u"TIBDataSet", u"TIBTable",
                                                u"TIBStoredProc", u"TIBSQL"};
constexpr std::u16string_view kFibPlusDataSets[] = {u"TpFIBDataSet", u"TpFIBQuery",
                                                    u"TpFIBStoredProc"};
// The IBX data sets whose "DataSource" names their master: its fields fill
// the parameters of the data set's statement.
constexpr std::u16string_view kIbxDetailDataSets[] = {u"TIBQuery", u"TIBDataSet"};

constexpr TRuleRow kIbxRows[] = {
    // IBX link: a data set's database component becomes its connection.
    {"IBX link", IsAnyOf(kIbxDataSets), Is(u"Database"), Rename, u"Connection"},
    // IBX link: so does a transaction's default database.
    {"IBX link", Is(u"TIBTransaction"), Is(u"DefaultDatabase"), Rename, u"DefaultConnection"},
    // X2: what closing does to an open transaction, renamed.
    {"X2", Is(u"TIBTransaction"), Is(u"DefaultAction"), Rename, u"DefaultCloseAction"},
    // X3-X7: the data set's five statements take the target's names.
    {"X3", Is(u"TIBDataSet"), Is(u"SelectSQL.Strings"), Rename, u"SQL.Strings"},
    {"X4", Is(u"TIBDataSet"), Is(u"RefreshSQL.Strings"), Rename, u"SQLRefresh.Strings"},
    {"X5", Is(u"TIBDataSet"), Is(u"InsertSQL.Strings"), Rename, u"SQLInsert.Strings"},
    {"X6", Is(u"TIBDataSet"), Is(u"ModifySQL.Strings"), Rename, u"SQLUpdate.Strings"},
    {"X7", Is(u"TIBDataSet"), Is(u"DeleteSQL.Strings"), Rename, u"SQLDelete.Strings"},
    // X9: a data set's master (master-detail) becomes its master source.
    {"X9", IsAnyOf(kIbxDetailDataSets), Is(u"DataSource"), Rename, u"MasterSource"},
    // IBX isolation: the transaction's parameter lines give its isolation level.
    {"IBX isolation",
     Is(u"TIBTransaction"),
     Is(u"Params.Strings"),
     Custom,
     {},
     {},
     {},
     TRuleOutcome::Consume,
     /*NonEmptyValue=*/true,
     ConvertIbxTransactionParams},
};

// TwwTable descends from TTable: its detail fields must not be lost.
constexpr std::u16string_view kIndexFieldOwners[] = {u"TIBDataSet", u"TTable", u"TIBTable",
                                                     u"TIBQuery", u"TwwTable"};
constexpr TRuleRow kIndexFieldRows[] = {
    // X8: the key fields of tables and IBX data sets. Kept here as a sort
    // order; once the object is read, a data set with a master link has
    // them renamed "DetailFields" (FinishConvertedObject).
    {"X8", IsAnyOf(kIndexFieldOwners), Is(u"IndexFieldNames"), Rename, u"IndexFieldNames"},
};

// --- ADO (group 5)

constexpr std::u16string_view kAdoCommands[] = {u"TADOCommand", u"TADODataSet"};
constexpr std::u16string_view kAdoDataSets[] = {u"TADOQuery", u"TADODataSet", u"TADOStoredProc"};

constexpr std::u16string_view kAdoParameterOwners[] = {u"TADOQuery", u"TADODataSet",
                                                       u"TADOStoredProc", u"TADOCommand"};

constexpr TRuleRow kAdoRows[] = {
    // A1: the connection's default database, renamed.
    {"A1", Is(u"TADOConnection"), Is(u"DefaultDatabase"), Rename, u"Database"},
    // ADO connection string: provider, server, database and login.
    {"ADO connection string",
     Is(u"TADOConnection"),
     Is(u"ConnectionString"),
     Custom,
     {},
     {},
     {},
     TRuleOutcome::Consume,
     /*NonEmptyValue=*/true,
     ConvertAdoConnectionString},
    // ADO provider: the provider property, read as the string's "Provider".
    {"ADO provider",
     Is(u"TADOConnection"),
     Is(u"Provider"),
     Custom,
     {},
     {},
     {},
     TRuleOutcome::Consume,
     /*NonEmptyValue=*/true,
     ConvertAdoProvider},
    // ADO parameters: the parameter collection becomes "ParamData".
    {"ADO parameters",
     IsAnyOf(kAdoParameterOwners),
     Is(u"Parameters"),
     Custom,
     {},
     {},
     {},
     TRuleOutcome::Consume,
     /*NonEmptyValue=*/true,
     ConvertAdoParameters},
    // A2: a one-line command text becomes a one-item SQL list.
    {"A2", IsAnyOf(kAdoCommands), Is(u"CommandText"), RenameAsList, u"SQL.Strings"},
    // A3: the stored procedure's name, renamed.
    {"A3", Is(u"TADOStoredProc"), Is(u"ProcedureName"), Rename, u"StoredProcName"},
    // A4: a data set's master (master-detail) becomes its master source.
    {"A4", IsAnyOf(kAdoDataSets), Is(u"DataSource"), Rename, u"MasterSource"},
};

// --- FIBPlus components (group 12)

constexpr TValuePair kIsolationLevels[] = {
    {u"tpbDefault", u"ilSnapshot"},
    {u"tpbReadCommitted", u"ilReadCommitted"},
    {u"tpbRepeatableRead", u"ilRepeatableRead"},
};

constexpr TRuleRow kFibPlusRows[] = {
    // F1-F2: the database's file and login prompt, renamed.
    {"F1", Is(u"TpFIBDatabase"), Is(u"DBName"), Rename, u"Database"},
    {"F2", Is(u"TpFIBDatabase"), Is(u"UseLoginPrompt"), Rename, u"LoginPrompt"},
    // F3: the client library becomes an "InterBase" option.
    {"F3", Is(u"TpFIBDatabase"), Is(u"LibraryName"), Option, u"ClientLibrary"},
    // F4: what a timeout does to an open transaction, renamed.
    {"F4", Is(u"TpFIBTransaction"), Is(u"TimeoutAction"), Rename, u"DefaultCloseAction"},
    // F5: the transaction mode becomes an isolation level; unknown modes are dropped.
    {"F5",
     Is(u"TpFIBTransaction"),
     Is(u"TPBMode"),
     MapValue,
     u"IsolationLevel",
     {},
     kIsolationLevels,
     TRuleOutcome::Consume,
     /*NonEmptyValue=*/true},
    // F6-F10: the data set's five statements take the target's names.
    {"F6", Is(u"TpFIBDataSet"), Is(u"UpdateSQL.Strings"), Rename, u"SQLUpdate.Strings"},
    {"F7", Is(u"TpFIBDataSet"), Is(u"DeleteSQL.Strings"), Rename, u"SQLDelete.Strings"},
    {"F8", Is(u"TpFIBDataSet"), Is(u"InsertSQL.Strings"), Rename, u"SQLInsert.Strings"},
    {"F9", Is(u"TpFIBDataSet"), Is(u"RefreshSQL.Strings"), Rename, u"SQLRefresh.Strings"},
    {"F10", Is(u"TpFIBDataSet"), Is(u"SelectSQL.Strings"), Rename, u"SQL.Strings"},
    // F11-F12: the table and key fields that updates are generated for, renamed.
    {"F11", Is(u"TpFIBDataSet"), Is(u"AutoUpdateOptions.UpdateTableName"), Rename,
     u"UpdatingTable"},
    {"F12", Is(u"TpFIBDataSet"), Is(u"AutoUpdateOptions.KeyFields"), Rename, u"KeyFields"},
    // F13-F14: the key generator and its step become options.
    {"F13", Is(u"TpFIBDataSet"), Is(u"AutoUpdateOptions.GeneratorName"), Option, u"KeyGenerator"},
    {"F14", Is(u"TpFIBDataSet"), Is(u"AutoUpdateOptions.GeneratorStep"), Option, u"GeneratorStep"},
    // F15-F20: FIBPlus option flags become the target data set's options.
    {"F15", Is(u"TpFIBDataSet"), Is(u"poImportDefaultValues"), Rename, u"Options.DefaultValues"},
    {"F16", Is(u"TpFIBDataSet"), Is(u"poSetRequiredFields"), Rename, u"Options.RequiredFields"},
    {"F17", Is(u"TpFIBDataSet"), Is(u"poSetReadOnlyFields"), Rename, u"Options.SetFieldsReadOnly"},
    {"F18", Is(u"TpFIBDataSet"), Is(u"poAskRecordCount"), Rename, u"Options.QueryRecCount"},
    {"F19", Is(u"TpFIBDataSet"), Is(u"poEmptyStrToNull"), Rename, u"Options.SetEmptyStrToNull"},
    {"F20", Is(u"TpFIBDataSet"), Is(u"oTrimCharFields"), Rename, u"Options.TrimFixedChar"},
    // F21: fetching every record at open becomes an option.
    {"F21", Is(u"TpFIBDataSet"), Is(u"oFetchAll"), Option, u"FetchAll"},
    // F22: a data set's master (master-detail) becomes its master source.
    {"F22", Is(u"TpFIBDataSet"), Is(u"DataSource"), Rename, u"MasterSource"},
    // F23: the stored procedure's trimming of fixed-length strings, renamed.
    {"F23", Is(u"TpFIBStoredProc"), Is(u"qoTrimCharFields"), Rename, u"Options.TrimFixedChar"},
    // F24: the script's text, renamed.
    {"F24", Is(u"TpFIBScripter"), Is(u"Script.Strings"), Rename, u"SQL.Strings"},
    // F25: the event list becomes one text of names joined by ";".
    {"F25", Is(u"TSIBfibEventAlerter"), Is(u"Events.Strings"), EventNamesUnwrapped, u"Events"},
    // FIBPlus alerter: its database and its handler of an event alert.
    {"FIBPlus alerter", Is(u"TSIBfibEventAlerter"), Is(u"Database"), Rename, u"Connection"},
    {"FIBPlus alerter", Is(u"TSIBfibEventAlerter"), Is(u"OnEventAlert"), Rename, u"OnEvent"},
    // FIBPlus link: a data set's database component becomes its connection.
    {"FIBPlus link", IsAnyOf(kFibPlusDataSets), Is(u"Database"), Rename, u"Connection"},
    // FIBPlus link: so does a transaction's default database.
    {"FIBPlus link", Is(u"TpFIBTransaction"), Is(u"DefaultDatabase"), Rename, u"DefaultConnection"},
};

// --- Search conditions (group 13)

constexpr TRuleRow kConditionsRows[] = {
    // Conditions: search conditions of every class become macros.
    {"Conditions", AnyName(), Is(u"Conditions"), Rename, u"Macros"},
};

}  // namespace

const TRuleSet kInterBaseProviderTable{kInterBase, kInterBaseProviderRows};
const TRuleSet kIbxRenameTable{kInterBase, kIbxRows};
const TRuleSet kIndexFieldNamesTable{kInterBase, kIndexFieldRows};
const TRuleSet kAdoTable{{}, kAdoRows};
const TRuleSet kFibPlusTable{kInterBase, kFibPlusRows};
const TRuleSet kConditionsTable{{}, kConditionsRows};

bool ConvertInterBaseProvider(TZanFormParser& p, std::u16string_view name,
                              std::u16string_view value) {
  return ApplyRuleSet(p, kInterBaseProviderTable, name, value);
}

bool ConvertDatabaseName(TZanFormParser& p, std::u16string_view name, std::u16string_view value) {
  if (name != u"DatabaseName") return false;
  if (p.TypeName() == u"TIBDatabase") {
    p.AddProperty(u"Database", value);  // X1: the IBX database's file becomes "Database"
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
