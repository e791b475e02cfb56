// FireDAC and AnyDAC: a connection is rebuilt from its parameter list (which
// may name a connection definition kept in ini files outside the project);
// data sets, commands, scripts, metadata queries, data moves and event
// alerters get their counterparts. The AnyDAC (TAD...) and FireDAC (TFD...)
// class names are handled alike.
#include "formrules/RuleGroups.h"
#include "formrules/ZanFormParser.h"
#include "parsing/PasParser.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

using enum TRuleAction;

// --- The connection's parameter list

/// "DRIVERID" -> provider; any other id gives "ODBC".
constexpr TValuePair kProviders[] = {
    {u"ADS", u"Advantage"}, {u"DB2", u"DB2"},          {u"IB", u"InterBase"},
    {u"MSAcc", u"Access"},  {u"MSSQL", u"SQL Server"}, {u"MySQL", u"MySQL"},
    {u"Ora", u"Oracle"},    {u"PG", u"PostgreSQL"},    {u"SQLite", u"SQLite"},
};
constexpr std::u16string_view kOtherProvider = u"ODBC";

enum class TParamAction {
  DatabaseOrServer,  // "Server" for Oracle, else "Database"; quoted
  Quoted,            // Target = the quoted value
  Bare,              // Target = the value as written
  Option,            // option Target = the value
  OptionIfEqual,     // option Target = Fixed when the lower-case value is Test
  SSL,               // the SSL protocol and the SSL parameters
  EncryptionAlgorithm,
};

struct TParamRow {
  std::u16string_view Param;
  TParamAction Action;
  std::u16string_view Target = {};
  std::u16string_view Test = {};
  std::u16string_view Fixed = {};
};

/// The parameters after the driver id, in the order their entries are added.
constexpr TParamRow kParamRows[] = {
    {u"DATABASE", TParamAction::DatabaseOrServer},
    {u"SERVER", TParamAction::Quoted, u"Server"},
    {u"PORT", TParamAction::Bare, u"Port"},
    {u"USER_NAME", TParamAction::Quoted, u"Username"},
    {u"PASSWORD", TParamAction::Quoted, u"Password"},
    {u"POOLED", TParamAction::Bare, u"Pooling"},
    {u"POOL_EXPIRETIMEOUT", TParamAction::Bare, u"PoolingOptions.ConnectionLifetime"},
    {u"POOL_MAXIMUMITEMS", TParamAction::Bare, u"PoolingOptions.MaxPoolSize"},
    {u"APPLICATIONNAME", TParamAction::Option, u"ApplicationName"},
    {u"METACURSCHEMA", TParamAction::Option, u"Schema"},
    {u"CHARACTERSET", TParamAction::Option, u"Charset"},
    {u"LOGINTIMEOUT", TParamAction::Bare, u"ConnectionTimeout"},
    {u"ENCRYPT", TParamAction::OptionIfEqual, u"Encrypt", u"yes", u"True"},
    {u"OSAUTHENT", TParamAction::OptionIfEqual, u"Authentication", u"yes", u"auWindows"},
    {u"USESSL", TParamAction::SSL},
    {u"FOREIGNKEYS", TParamAction::OptionIfEqual, u"ForeignKeys", u"off", u"False"},
    {u"ENCRYPT", TParamAction::EncryptionAlgorithm, u"EncryptionAlgorithm"},
    {u"VENDORHOME", TParamAction::Option, u"HomeName"},
    {u"THREADED", TParamAction::Option, u"ThreadSafety"},
    {u"VENDORLIB", TParamAction::Option, u"ClientLibrary"},
};

constexpr TValuePair kSSLParams[] = {
    {u"SSL_KEY", u"SSLKey"},
    {u"SSL_CIPHER", u"SSLCipherList"},
    {u"SSL_CERT", u"SSLCert"},
    {u"SSL_CA", u"SSLCACert"},
};

constexpr TValuePair kEncryptionAlgorithms[] = {
    {u"aes-128", u"leAES128"},
    {u"aes-192", u"leAES192"},
    {u"aes-256", u"leAES256"},
};

/// A value written without quotes (a number, True, an identifier) stays so;
/// anything else is quoted, so that the converted form stays readable.
std::u16string BareValue(std::u16string_view v) {
  int64_t number;
  if (TryStrToInt(v, number)) return std::u16string(v);
  bool identifier = !v.empty() && (IsLetter(v[0]) || v[0] == u'_');
  for (char16_t ch : v) identifier = identifier && (IsLetter(ch) || IsDigit(ch) || ch == u'_');
  return identifier ? std::u16string(v) : FormQuoted(v);
}

void ConvertParamRow(TZanFormParser& p, const TStringList& params, const TParamRow& row) {
  const std::u16string v = ParamValue(params, row.Param);
  if (v.empty()) return;
  // The provider as added so far (empty without a driver id).
  const std::u16string prov = p.GetAddedPropValue(u"ProviderName");
  auto option = [&](std::u16string_view name, std::u16string_view value) {
    p.AddSpecificOption(prov, name, FormStringBody(value), u"");
  };
  switch (row.Action) {
    case TParamAction::DatabaseOrServer:
      // An Oracle "database" is the TNS name of a server.
      p.AddProperty(prov == u"Oracle" ? u"Server" : u"Database", FormQuoted(v));
      return;
    case TParamAction::Quoted:
      p.AddProperty(row.Target, FormQuoted(v));
      return;
    case TParamAction::Bare:
      p.AddProperty(row.Target, BareValue(v));
      return;
    case TParamAction::Option:
      option(row.Target, v);
      return;
    case TParamAction::OptionIfEqual:
      if (LowerCase(v) == row.Test) option(row.Target, row.Fixed);
      return;
    case TParamAction::SSL:
      // Whatever the value says: a list that mentions SSL uses it.
      option(u"Protocol", u"mpSSL");
      for (const TValuePair& ssl : kSSLParams)
        if (const std::u16string sv = ParamValue(params, ssl.From); !sv.empty()) option(ssl.To, sv);
      return;
    case TParamAction::EncryptionAlgorithm:
      for (const TValuePair& algorithm : kEncryptionAlgorithms)
        if (LowerCase(v) == algorithm.From) option(row.Target, algorithm.To);
      return;
  }
}

void ConvertConnectionParams(TZanFormParser& p, std::u16string_view, std::u16string_view value) {
  TStringList params = ReadParamList(value);
  if (params.Empty()) return;
  if (!ParamValue(params, u"CONNECTIONDEF").empty()) p.LoadConnectionDef(params);

  if (const std::u16string driver = ParamValue(params, u"DRIVERID"); !driver.empty()) {
    std::u16string_view provider = kOtherProvider;
    for (const TValuePair& pair : kProviders)
      if (driver == pair.From) provider = pair.To;
    p.AddProperty(u"ProviderName", QuotedStr(provider));
  }
  for (const TParamRow& row : kParamRows) ConvertParamRow(p, params, row);
}

// --- Data sets, commands and scripts

/// The macro list without its first data type line (the target's macros have none).
void ConvertMacroData(TZanFormParser& p, std::u16string_view, std::u16string_view value) {
  std::vector<std::u16string> lines = SplitLines(UnwrapValue(value));
  for (auto it = lines.begin(); it != lines.end(); ++it)
    if (LowerCase(*it).find(u"datatype") != std::u16string::npos) {
      lines.erase(it);
      break;
    }
  std::u16string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += u"\r\n";
    text += lines[i];
  }
  p.AddProperty(u"MacroData", text);
}

void ConvertUnidirectional(TZanFormParser& p, std::u16string_view, std::u16string_view value) {
  if (p.TypeName() != u"TADCommand") p.AddProperty(u"Unidirectional", UnwrapValue(value));
}

/// The separator keeps its quotes: a string property is written quoted.
void ConvertCommandSeparator(TZanFormParser& p, std::u16string_view, std::u16string_view value) {
  std::u16string separator;
  if (DecodeFormString(value, separator)) {
    p.AddProperty(u"Delimiter", FormQuoted(separator));
  } else {
    p.AddProperty(u"Delimiter", u"'" + UnwrapValue(value) + u"'");
  }
}

/// The statements of every item of the script collection, in order, in one
/// string list. Each item's "SQL" list is read with the source lexer up to
/// its ")"; pieces of one string (joined by "+" or written next to each
/// other, as character codes are) stay one line.
void ConvertSQLScripts(TZanFormParser& p, std::u16string_view, std::u16string_view value) {
  TPasParser lexer;
  lexer.SetTextRef(value);
  std::u16string lines;
  std::u16string line;
  bool joined = false;    // a "+" since the last piece
  bool adjacent = false;  // the last lexeme was a piece
  auto flush = [&] {
    if (!line.empty()) lines.append(line).append(u"\n");
    line.clear();
  };
  auto addPiece = [&](std::u16string_view piece) {
    if (!line.empty() && !joined && !adjacent) flush();
    if (!line.empty() && joined) line += u" + ";
    line += piece;
    joined = false;
    adjacent = true;
  };
  bool done = false;
  while (!done) {
    const TLexeme& lex = lexer.Next();
    if (lex.Code == lexEnd) break;
    if (lex.Code != lexIdent || lex.Text != u"SQL") continue;
    bool hash = false;  // a "#" that may start a character code
    while (true) {
      const TLexeme& item = lexer.Next();
      if (item.Code == lexEnd) {
        done = true;
        break;
      }
      if (item.Code == symCloseParen) break;
      if (hash && item.Code == lexNumber) {
        addPiece(u"#" + std::u16string(item.Text));
        hash = false;
        continue;
      }
      hash = false;
      if (item.Code == lexString) {
        addPiece(item.Text);
      } else if (item.Code == symHash) {
        hash = true;
      } else if (item.Code == symPlus) {
        joined = true;
        adjacent = false;
      } else {
        adjacent = false;
      }
    }
    flush();
    joined = adjacent = false;
  }
  p.AddProperty(u"SQL.Strings", u"(" + lines + u")");
}

// --- Data moves and event alerters

void ConvertDataMoveOptions(TZanFormParser& p, std::u16string_view, std::u16string_view value) {
  if (value.find(u"poAbortOnExc") == std::u16string_view::npos)
    p.AddProperty(u"AbortOnProblem", u"False");
}

/// The alerter's event names. Several names become one text joined by ";"
/// (several strings in a row are no valid property value).
void ConvertAlerterNames(TZanFormParser& p, std::u16string_view, std::u16string_view value) {
  std::vector<std::u16string_view> items;
  if (SplitFormStringList(value, items) && items.size() > 1) {
    std::u16string names;
    std::u16string name;
    for (std::u16string_view item : items) {
      if (!DecodeFormString(item, name)) name = UnwrapValue(item);
      if (!names.empty()) names += u';';
      names += name;
    }
    p.AddProperty(u"Name", FormQuoted(names));
    return;
  }
  p.AddProperty(u"Name", UnwrapValue(value));
}

// --- The table

constexpr std::u16string_view kConnections[] = {u"TADConnection", u"TFDConnection"};
constexpr std::u16string_view kDataSets[] = {u"TADQuery",      u"TADTable",  u"TADStoredProc",
                                             u"TADCommand",    u"TFDQuery",  u"TFDTable",
                                             u"TFDStoredProc", u"TFDCommand"};
// The SQL of a command. AnyDAC and FireDAC store it alike; a TFDCommand
// must not lose it either.
constexpr std::u16string_view kCommands[] = {u"TADCommand", u"TFDCommand"};
constexpr std::u16string_view kScripts[] = {u"TADScript", u"TFDScript"};
constexpr std::u16string_view kMetaInfoQueries[] = {u"TADMetaInfoQuery", u"TFDMetaInfoQuery"};
constexpr std::u16string_view kDataMoves[] = {u"TADDataMove", u"TFDDataMove"};
constexpr std::u16string_view kAlerters[] = {u"TADEventAlerter", u"TFDEventAlerter"};

constexpr TValuePair kMetaDataKinds[] = {
    {u"mkTableFields", u"'Columns'"},          {u"mkIndexes", u"'Indexes'"},
    {u"mkIndexFields", u"'IndexColumns'"},     {u"mkProcs", u"'Procedures'"},
    {u"mkProcArgs", u"'ProcedureParameters'"}, {u"mkTables", u"'Tables'"},
};

constexpr TValuePair kDataMoveModes[] = {
    {u"dmAppend", u"bmAppend"},
    {u"dmAppendUpdate", u"bmAppendUpdate"},
    {u"dmDelete", u"bmDelete"},
    {u"dmUpdate", u"bmUpdate"},
};

constexpr auto kContinue = TRuleOutcome::Continue;

// Every row but the data-move "Mode" and "Mappings" lets the chain go on.
// clang-format off
constexpr TRuleRow kRows[] = {
    // connection: the parameters (or the definition named) give provider, login, options.
    {.Id = "connection", .Types = OneOf(kConnections), .Props = Is(u"Params.Strings"),
     .Action = Custom, .Outcome = kContinue, .Handler = ConvertConnectionParams},

    // connection: the login dialog becomes the connect dialog (the dialog
    // component itself becomes a TZanConnectDialog); consumed.
    {.Id = "connection", .Types = OneOf(kConnections), .Props = Is(u"LoginDialog"),
     .Action = Rename, .Target = u"ConnectDialog"},

    // data set: the parameter values, unwrapped.
    {.Id = "data set", .Types = OneOf(kDataSets), .Props = Is(u"ParamData"),
     .Action = RenameUnwrapped, .Target = u"ParamData", .Outcome = kContinue, .NonEmptyValue = true},
    // data set: the macros without their data type line.
    {.Id = "data set", .Types = OneOf(kDataSets), .Props = Is(u"MacroData"),
     .Action = Custom, .Outcome = kContinue, .NonEmptyValue = true, .Handler = ConvertMacroData},
    // data set: "FetchOptions.Unidirectional" becomes "Unidirectional" (not on TADCommand).
    {.Id = "data set", .Types = OneOf(kDataSets), .Props = Is(u"FetchOptions.Unidirectional"),
     .Action = Custom, .Outcome = kContinue, .Handler = ConvertUnidirectional},
    // data set: a command's text becomes its SQL.
    {.Id = "data set", .Types = IsAnyOf(kCommands), .Props = Is(u"CommandText.Strings"),
     .Action = Rename, .Target = u"SQL.Strings", .Outcome = kContinue},

    // script: the command separator becomes the delimiter, quoted again.
    {.Id = "script", .Types = OneOf(kScripts), .Props = Is(u"ScriptOptions.CommandSeparator"),
     .Action = Custom, .Outcome = kContinue, .NonEmptyValue = true, .Handler = ConvertCommandSeparator},
    // script: the statements of every script item, in one SQL list.
    {.Id = "script", .Types = OneOf(kScripts), .Props = Is(u"SQLScripts"),
     .Action = Custom, .Outcome = kContinue, .NonEmptyValue = true, .Handler = ConvertSQLScripts},
    // script: the macros without their data type line.
    {.Id = "script", .Types = OneOf(kScripts), .Props = Is(u"MacroData"),
     .Action = Custom, .Outcome = kContinue, .NonEmptyValue = true, .Handler = ConvertMacroData},

    // metadata: the kind of metadata becomes the target's kind name.
    {.Id = "metadata", .Types = OneOf(kMetaInfoQueries), .Props = Is(u"MetaInfoKind"),
     .Action = MapValue, .Target = u"MetaDataKind", .Map = kMetaDataKinds, .Outcome = kContinue,
     .NonEmptyValue = true},

    // data move: the mode maps to the target's batch mode; consumed.
    {.Id = "data move", .Types = OneOf(kDataMoves), .Props = Is(u"Mode"),
     .Action = MapValue, .Target = u"Mode", .Map = kDataMoveModes, .NonEmptyValue = true},
    // data move: without "poAbortOnExc", "AbortOnProblem" becomes False.
    {.Id = "data move", .Types = OneOf(kDataMoves), .Props = Is(u"Options"),
     .Action = Custom, .Outcome = kContinue, .NonEmptyValue = true, .Handler = ConvertDataMoveOptions},
    // data move: the field mappings are dropped; consumed.
    {.Id = "data move", .Types = OneOf(kDataMoves), .Props = Is(u"Mappings"), .Action = Drop},

    // alerter: "Options.AutoRegister" becomes "AutoRegister".
    {.Id = "alerter", .Types = OneOf(kAlerters), .Props = Is(u"Options.AutoRegister"),
     .Action = RenameUnwrapped, .Target = u"AutoRegister", .Outcome = kContinue, .NonEmptyValue = true},
    // alerter: the event names become one text, joined by ";".
    {.Id = "alerter", .Types = OneOf(kAlerters), .Props = Is(u"Names.Strings"),
     .Action = Custom, .Outcome = kContinue, .NonEmptyValue = true, .Handler = ConvertAlerterNames},
};
// clang-format on

}  // namespace

const TRuleSet kFireDacTable{{}, kRows};

bool ConvertFireDac(TZanFormParser& p, std::u16string_view name, std::u16string_view value) {
  return ApplyRuleSet(p, kFireDacTable, name, value);
}

}  // namespace zan
