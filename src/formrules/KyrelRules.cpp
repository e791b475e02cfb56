// Kyrel (Oracle): session, data set, command, transaction, loader and dialog
// settings become "Oracle" provider options or target properties.
#include "formrules/RuleGroups.h"

namespace zan {

namespace {

using enum TRuleAction;

constexpr std::u16string_view kDataSets[] = {u"TKyrQuery", u"TSmartQuery", u"TKyrTable",
                                             u"TKyrStoredProc"};
constexpr std::u16string_view kSessionOwners[] = {u"TKyrMetaData", u"TKyrSQLMonitor"};

constexpr std::u16string_view kO4[] = {u"ConnectMode",
                                       u"HomeName",
                                       u"Schema",
                                       u"Options.CharLength",
                                       u"Options.Charset",
                                       u"Options.ClientIdentifier",
                                       u"Options.ConnectionTimeout",
                                       u"Options.DateFormat",
                                       u"Options.DateLanguage",
                                       u"Options.DefaultSortType",
                                       u"Options.EnableIntegers",
                                       u"Options.EnableNumbers",
                                       u"Options.NeverConnect",
                                       u"Options.OptimizerMode",
                                       u"Options.StatementCache",
                                       u"Options.StatementCacheSize",
                                       u"Options.UseOCI7",
                                       u"Options.UseUnicode"};
constexpr std::u16string_view kO5[] = {u"AutoCommit",   u"ConnectString",  u"Home",
                                       u"ThreadSafety", u"EnableIntegers", u"EnableNumbers"};
constexpr std::u16string_view kO7[] = {u"FetchAll",
                                       u"KeySequence",
                                       u"SequenceMode",
                                       u"Options.CacheLobs",
                                       u"Options.DeferredLobRead",
                                       u"Options.ExtendedFieldsInfo",
                                       u"Options.FieldsAsString",
                                       u"Options.RawAsString",
                                       u"Options.ScrollableCursor",
                                       u"Options.StatementCache",
                                       u"Options.TemporaryLobUpdate"};
constexpr std::u16string_view kO8[] = {u"AutoCommit",
                                       u"ChangeNotification",
                                       u"LocalConstraints",
                                       u"NonBlocking",
                                       u"OptionsDS",
                                       u"RefreshMode",
                                       u"ReturnParams",
                                       u"Options.KeepPrepared",
                                       u"Options.PrefetchRows",
                                       u"Options.ReflectChangeNotify"};
constexpr std::u16string_view kO9[] = {u"AutoCommit", u"StatementCache", u"TemporaryLobUpdate"};
constexpr std::u16string_view kO15[] = {u"GlobalCoordinator", u"InactiveTimeOut", u"ResumeTimeOut",
                                        u"TransactionName"};

constexpr TRuleRow kRows[] = {
    // O1: a session's first property puts its provider first; goes on.
    {"O1", Is(u"TKyrSession"), AnyName(), Provider},
    // O2: the login prompt, renamed.
    {"O2", Is(u"TKyrSession"), Is(u"ConnectPrompt"), Rename, u"LoginPrompt"},
    // O3: the design-time connection switch, renamed.
    {"O3", Is(u"TKyrSession"), Is(u"NeverConnect"), Rename, u"KeepDesignConnected"},
    // O4: mode, home, schema, character, date and cache settings: options.
    {"O4", Is(u"TKyrSession"), OneOf(kO4), Option},
    // O5: commit, connect string, home, threading and number settings: dropped.
    {"O5", Is(u"TKyrSession"), OneOf(kO5), Drop},
    // O6: a data set's session becomes its connection.
    {"O6", OneOf(kDataSets), Is(u"Session"), RenameUnwrapped, u"Connection"},
    // O7: fetching, sequence, LOB and cursor settings: options.
    {"O7", OneOf(kDataSets), OneOf(kO7), Option},
    // O8: commit, notification, constraint, refresh and prefetch settings: dropped.
    {"O8", OneOf(kDataSets), OneOf(kO8), Drop},
    // O9: a SQL component's commit, cache and LOB settings: options.
    {"O9", Is(u"TKyrSQL"), OneOf(kO9), Option},
    // O10: a SQL component's session becomes its connection.
    {"O10", Is(u"TKyrSQL"), Is(u"Session"), RenameUnwrapped, u"Connection"},
    // O11: non-blocking execution: dropped.
    {"O11", Is(u"TKyrSQL"), OneOf(u"NonBlocking"), Drop},
    // O12: reading aliases becomes the negated server history switch.
    {"O12", Is(u"TConnectDialog"), OneOf(u"ReadAliases"), NegateBoolean, u"UseServerHistory"},
    // O13: a transaction's default session becomes an option.
    {"O13", Is(u"TKyrTransaction"), OneOf(u"DefaultSession"), Option, u"DefaultConnection"},
    // O14: a transaction's session becomes its connection.
    {"O14", Is(u"TKyrTransaction"), Is(u"Session"), RenameUnwrapped, u"Connection"},
    // O15: distributed-transaction settings: dropped.
    {"O15", Is(u"TKyrTransaction"), OneOf(kO15), Drop},
    // O16: the metadata and monitor components' session becomes their connection.
    {"O16", OneOf(kSessionOwners), Is(u"Session"), RenameUnwrapped, u"Connection"},
    // O17: the loader's session becomes its connection.
    {"O17", Is(u"TKyrLoader"), Is(u"Session"), RenameUnwrapped, u"Connection"},
    // O18: the load mode becomes option "DirectPath" (True for lmDirect).
    {"O18", Is(u"TKyrLoader"), Is(u"LoadMode"), OptionFlag, u"DirectPath", u"lmDirect"},
};

}  // namespace

const TRuleSet kKyrelTable{u"Oracle", kRows};

bool ConvertKyrel(TZanFormParser& p, std::u16string_view name, std::u16string_view value) {
  return ApplyRuleSet(p, kKyrelTable, name, value);
}

}  // namespace zan
