// Sarvo (MySQL): connection (also the embedded one), data set, command,
// loader and dump settings become "MySQL" provider options.
#include "formrules/RuleGroups.h"

namespace zan {

namespace {

using enum TRuleAction;

constexpr std::u16string_view kConnections[] = {u"TSarConnection", u"TSarEmbConnection"};
constexpr std::u16string_view kDataSets[] = {u"TSarQuery", u"TSarTable", u"TSarStoredProc"};

constexpr std::u16string_view kR3[] = {
    u"ConnectionTimeout",       u"Embedded",
    u"Options.Charset",         u"Options.Compress",
    u"Options.Direct",          u"Options.Embedded",
    u"Options.OptimizedBigInt", u"Options.Protocol",
    u"Options.UseUnicode",      u"Options.NullForZeroDelphiDate"};
constexpr std::u16string_view kR4[] = {u"SSLOptions.ChipherList", u"SSLOptions.CACert",
                                       u"SSLOptions.Key", u"SSLOptions.SSLCert"};
constexpr std::u16string_view kR5[] = {u"IOHandler", u"IsolationLevel"};
constexpr std::u16string_view kR6[] = {u"CommandTimeout",           u"FetchAll",
                                       u"Options.BinaryAsString",   u"Options.CheckRowVersion",
                                       u"Options.CreateConnection", u"Options.EnableBoolean",
                                       u"Options.FieldsAsString",   u"Options.NullForZeroDate"};
constexpr std::u16string_view kR7[] = {u"IndexDefs", u"Limit", u"Offset", u"Options.AutoRefresh",
                                       u"Options.AutoRefreshInterval"};
constexpr std::u16string_view kR10[] = {u"ShowDatabase", u"ShowPort"};
constexpr std::u16string_view kR11[] = {u"DuplicateKeys", u"RowsPerQuery"};
constexpr std::u16string_view kR12[] = {u"Options.AddLock",       u"Options.DisableKeys",
                                        u"Options.HexBlob",       u"Options.UseExtSyntax",
                                        u"Options.UseDelayedIns", u"Options.CommitBatchSize",
                                        u"Options.InsertType"};

constexpr TRuleRow kRows[] = {
    // R1: a connection's first property puts its provider first; goes on.
    {"R1", Is(u"TSarConnection"), AnyName(), Provider},
    // R1: the embedded server connection says so with an option right after it.
    {"R1", Is(u"TSarEmbConnection"), AnyName(), Provider, u"Embedded", u"True"},
    // R2: the numeric type becomes the two BCD options.
    {"R2", IsAnyOf(kConnections), Is(u"Options.NumericType"), NumericType},
    // R3: timeout, embedding, charset, compression and protocol settings: options.
    {"R3", IsAnyOf(kConnections), OneOf(kR3), Option},
    // R4: SSL settings: options prefixed "SSL".
    {"R4", IsAnyOf(kConnections), OneOf(kR4), Option, {}, u"SSL"},
    // R5: the I/O handler and isolation level: dropped.
    {"R5", IsAnyOf(kConnections), OneOf(kR5), Drop},
    // R6: a data set's timeout, fetching and field settings: options.
    {"R6", IsAnyOf(kDataSets), OneOf(kR6), Option},
    // R7: index definitions, limit, offset and auto-refresh: dropped.
    {"R7", IsAnyOf(kDataSets), OneOf(kR7), Drop},
    // R8: a command's timeout: an option.
    {"R8", Is(u"TSarCommand"), OneOf(u"CommandTimeout"), Option},
    // R9: the script's optimization switch: dropped.
    {"R9", Is(u"TSarScript"), Is(u"UseOptimization"), Drop},
    // R10: the connect dialog's database and port fields: dropped.
    {"R10", Is(u"TSarConnectDialog"), OneOf(kR10), Drop},
    // R11: the loader's duplicate-key and batch settings: options.
    {"R11", Is(u"TSarLoader"), OneOf(kR11), Option},
    // R12: the dump's locking, key, BLOB and insert settings: options.
    {"R12", Is(u"TSarDump"), OneOf(kR12), Option},
};

}  // namespace

const TRuleSet kSarvoTable{u"MySQL", kRows};

bool ConvertSarvo(TZanFormParser& p, std::u16string_view name, std::u16string_view value) {
  return ApplyRuleSet(p, kSarvoTable, name, value);
}

}  // namespace zan
