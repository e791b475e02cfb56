// Trindle (InterBase): connection and data set settings become "InterBase"
// provider options; an alerter's event list becomes one "Events" text.
#include "formrules/RuleGroups.h"

namespace zan {

namespace {

using enum TRuleAction;

constexpr std::u16string_view kDataSets[] = {u"TTrnQuery", u"TTrnTable", u"TTrnStoredProc"};

constexpr std::u16string_view kI2[] = {u"ClientLibrary",    u"SQLDialect",   u"Options.Charset",
                                       u"Options.Protocol", u"Options.Role", u"Options.UseUnicode"};
constexpr std::u16string_view kI3[] = {u"AutoCommit", u"DefaultTransaction", u"EnableMemos",
                                       u"Params"};
constexpr std::u16string_view kI4[] = {u"FetchAll",
                                       u"GeneratorMode",
                                       u"GeneratorStep",
                                       u"KeyGenerator",
                                       u"Options.AutoClose",
                                       u"Options.BooleanDomainFields",
                                       u"Options.CacheArrays",
                                       u"Options.CacheBlobs",
                                       u"Options.ComplexArrayFields",
                                       u"Options.DeferredArrayRead",
                                       u"Options.DeferredBlobRead",
                                       u"Options.FieldsAsString",
                                       u"Options.StreamedBlobs"};
constexpr std::u16string_view kI9[] = {u"Active", u"Params"};

constexpr TRuleRow kRows[] = {
    // I1: a connection's first property puts its provider first; goes on.
    {"I1", Is(u"TTrnConnection"), AnyName(), Provider},
    // I2: client library, dialect, charset, protocol, role, Unicode: options.
    {"I2", Is(u"TTrnConnection"), OneOf(kI2), Option},
    // I3: commit, default transaction, memo and parameter settings: dropped.
    {"I3", Is(u"TTrnConnection"), OneOf(kI3), Drop},
    // I4: a data set's fetching, generator, BLOB and array settings: options.
    {"I4", IsAnyOf(kDataSets), OneOf(kI4), Option},
    // I5: a data set's auto-commit: dropped.
    {"I5", IsAnyOf(kDataSets), OneOf(u"AutoCommit"), Drop},
    // I6: a SQL component's auto-commit: dropped.
    {"I6", Is(u"TTrnSQL"), OneOf(u"AutoCommit"), Drop},
    // I7: the script's automatic DDL commit: an option.
    {"I7", Is(u"TTrnScript"), OneOf(u"AutoDDL"), Option},
    // I8: the connect dialog's protocol label: an option.
    {"I8", Is(u"TTrnConnectDialog"), OneOf(u"ProtocolLabel"), Option},
    // I9: a transaction's active state and parameters: dropped.
    {"I9", Is(u"TTrnTransaction"), OneOf(kI9), Drop},
    // I10: the event list becomes one quoted text of names joined by ";".
    {"I10", Is(u"TTrnAlerter"), Is(u"Events.Strings"), EventNamesQuoted, u"Events"},
};

}  // namespace

const TRuleSet kTrindleTable{u"InterBase", kRows};

bool ConvertTrindle(TZanFormParser& p, std::u16string_view name, std::u16string_view value) {
  return ApplyRuleSet(p, kTrindleTable, name, value);
}

}  // namespace zan
