// Elvast (PostgreSQL): connection, data set, command and loader settings
// become "PostgreSQL" provider options.
#include "formrules/RuleGroups.h"

namespace zan {

namespace {

using enum TRuleAction;

constexpr std::u16string_view kDataSets[] = {u"TElvQuery", u"TElvTable", u"TElvStoredProc"};

constexpr std::u16string_view kP2[] = {u"Schema", u"ProtocolVersion", u"Options.ApplicationName",
                                       u"Options.Charset", u"Options.UseUnicode"};
constexpr std::u16string_view kP3[] = {u"SSLOptions.CACert", u"SSLOptions.Cert",
                                       u"SSLOptions.CipherList", u"SSLOptions.Key",
                                       u"SSLOptions.Mode"};
constexpr std::u16string_view kP4[] = {u"EnableComposites", u"EnableElvTimeStamps"};
constexpr std::u16string_view kP5[] = {u"FetchAll",
                                       u"CommandTimeout",
                                       u"KeySequence",
                                       u"SequenceMode",
                                       u"Options.AutoDeleteBlob",
                                       u"Options.CacheBlobs",
                                       u"Options.CursorWithHold",
                                       u"Options.DeferredBlobRead",
                                       u"Options.ExtendedFieldsInfo",
                                       u"Options.OIDAsInt",
                                       u"Options.UnknownAsString",
                                       u"Options.UnpreparedExecute",
                                       u"Options.UseParamTypes"};
constexpr std::u16string_view kP6[] = {u"AutoCommit", u"LocalConstraints"};
constexpr std::u16string_view kP7[] = {u"CommandTimeout", u"UnpreparedExecute", u"UseParamTypes"};
constexpr std::u16string_view kP8[] = {u"ShowDatabase", u"ShowPort"};
constexpr std::u16string_view kP9[] = {u"BufferSize", u"TextMode"};

constexpr TRuleRow kRows[] = {
    // P1: a connection's first property puts its provider first; goes on.
    {"P1", Is(u"TElvConnection"), AnyName(), Provider},
    // P2: schema, protocol, application name, charset, Unicode: options.
    {"P2", Is(u"TElvConnection"), OneOf(kP2), Option},
    // P3: SSL settings: options prefixed "SSL".
    {"P3", Is(u"TElvConnection"), OneOf(kP3), Option, {}, u"SSL"},
    // P4: composite types and the library's own time stamps: dropped.
    {"P4", Is(u"TElvConnection"), OneOf(kP4), Drop},
    // P5: a data set's fetching, sequence, BLOB and cursor settings: options.
    {"P5", IsAnyOf(kDataSets), OneOf(kP5), Option},
    // P6: a data set's auto-commit and local constraints: dropped.
    {"P6", IsAnyOf(kDataSets), OneOf(kP6), Drop},
    // P7: a SQL component's timeout and execution settings: options.
    {"P7", Is(u"TElvSQL"), OneOf(kP7), Option},
    // P8: the connect dialog's database and port fields: dropped.
    {"P8", Is(u"TElvConnectDialog"), OneOf(kP8), Drop},
    // P9: the loader's buffer size and text mode: options.
    {"P9", Is(u"TElvLoader"), OneOf(kP9), Option},
};

}  // namespace

const TRuleSet kElvastTable{u"PostgreSQL", kRows};

bool ConvertElvast(TZanFormParser& p, std::u16string_view name, std::u16string_view value) {
  return ApplyRuleSet(p, kElvastTable, name, value);
}

}  // namespace zan
