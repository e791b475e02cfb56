// Fenmark (SQL Server): connection, compact connection and data set settings
// become "SQL Server" provider options; settings without a counterpart are dropped.
#include "formrules/RuleGroups.h"

namespace zan {

namespace {

using enum TRuleAction;

constexpr std::u16string_view kConnections[] = {u"TFenConnection", u"TFenCompactConnection"};
constexpr std::u16string_view kDataSets[] = {u"TFenQuery", u"TFenTable", u"TFenStoredProc"};

constexpr std::u16string_view kS2[] = {u"Options.CompactVersion", u"Options.Encrypt",
                                       u"Options.Provider", u"Options.QuotedIdentifier"};
constexpr std::u16string_view kS3[] = {
    u"Authentication",          u"Options.ApplicationName",          u"Options.AutoTranslate",
    u"Options.FailoverPartner", u"Options.InitialFileName",          u"Options.NetworkLibrary",
    u"Options.Language",        u"Options.MultipleActiveResultSets", u"Options.PersistSecurityInfo",
    u"Options.PacketSize",      u"Options.TrustServerCertificate",   u"Options.WorkstationID"};
constexpr std::u16string_view kS5[] = {u"InitMode",
                                       u"LockEscalation",
                                       u"Options.AutoShrinkThreshold",
                                       u"Options.DefaultLockEscalation",
                                       u"Options.DefaultLockTimeout",
                                       u"Options.FlushInterval",
                                       u"Options.MaxBufferSize",
                                       u"Options.MaxDatabaseSize",
                                       u"Options.TempFileDirectory",
                                       u"Options.TempFileMaxSize"};
constexpr std::u16string_view kS7[] = {u"ChangeNotification",        u"CursorType",
                                       u"Options.AutoRefresh",       u"Options.AutoRefreshInterval",
                                       u"Options.AllFieldsEditable", u"Options.ReflectChangeNotify",
                                       u"Options.CheckRowVersion",   u"Options.NonBlocking"};
constexpr std::u16string_view kS9[] = {
    u"CommandTimeout",        u"CursType",           u"FetchAll", u"Options.CursorUpdate",
    u"Options.QueryIdentity", u"Options.UniqueRecds"};
constexpr std::u16string_view kS11[] = {u"NonBlocking", u"PermitPrepare"};
// The list names "StedProcName"; "StoredProcName", the name it misspells, is
// dropped as well.
constexpr std::u16string_view kS13[] = {u"AssemblyID",
                                        u"AssemblyName",
                                        u"ColumnName",
                                        u"ConstraintName",
                                        u"IndexName",
                                        u"LinkedServer",
                                        u"ObjectType",
                                        u"ReferencedAssemblyID",
                                        u"SchemaCollectionName",
                                        u"SchemaName",
                                        u"StatisticsName",
                                        u"StedProcName",
                                        u"StoredProcName",
                                        u"TableName",
                                        u"TargetNamespaceURI",
                                        u"UDTName"};
constexpr std::u16string_view kS14[] = {u"KeepIdentity",         u"KeepNulls",
                                        u"Options.RowsPerBatch", u"Options.KilobytesPerBatch",
                                        u"Options.LockTable",    u"Options.CheckConstraints"};
constexpr std::u16string_view kS15[] = {u"Options.IdentityInsert"};

constexpr TRuleRow kRows[] = {
    // S1: a connection's first property puts its provider first; goes on.
    {"S1", IsAnyOf(kConnections), AnyName(), Provider},
    // S2: version, encryption, provider and quoting of both connections: options.
    {"S2", IsAnyOf(kConnections), OneOf(kS2), Option},
    // S3: login, failover, language and network settings: options.
    {"S3", Is(u"TFenConnection"), OneOf(kS3), Option},
    // S4: the default lock timeout becomes option "LockTimeout".
    {"S4", Is(u"TFenConnection"), Is(u"Options.DefaultLockTimeout"), Option, u"LockTimeout"},
    // S5: compact-edition settings: options prefixed "Compact".
    {"S5", Is(u"TFenCompactConnection"), OneOf(kS5), Option, {}, u"Compact"},
    // S6: the numeric type becomes the two BCD options.
    {"S6", Is(u"TFenCompactConnection"), Is(u"Options.NumericType"), NumericType},
    // S7: change notification, cursor and refresh settings: dropped.
    {"S7", IsAnyOf(kDataSets), OneOf(kS7), Drop},
    // S8: the refresh after DML becomes a property of its own.
    {"S8", IsAnyOf(kDataSets), Is(u"Options.DMLRefresh"), Rename, u"DMLRefresh"},
    // S9: timeout, cursor type, fetching and update settings: options.
    {"S9", IsAnyOf(kDataSets), OneOf(kS9), Option},
    // S10: the command timeout of a SQL component: an option.
    {"S10", Is(u"TFenSQL"), Is(u"CommandTimeout"), Option},
    // S11: non-blocking execution and prepare permission: dropped.
    {"S11", Is(u"TFenSQL"), IsAnyOf(kS11), Drop},
    // S12: the script's optimization switch: dropped.
    {"S12", Is(u"TFenScript"), Is(u"UseOptimization"), Drop},
    // S13: the metadata query's restrictions: dropped.
    {"S13", Is(u"TFenMetaData"), OneOf(kS13), Drop},
    // S14: the loader's identity, null, batch, lock and check settings: options.
    {"S14", Is(u"TFenLoader"), OneOf(kS14), Option},
    // S15: the dump's identity insert: an option.
    {"S15", Is(u"TFenDump"), OneOf(kS15), Option},
};

}  // namespace

const TRuleSet kFenmarkTable{u"SQL Server", kRows};

bool ConvertFenmark(TZanFormParser& p, std::u16string_view name, std::u16string_view value) {
  return ApplyRuleSet(p, kFenmarkTable, name, value);
}

}  // namespace zan
