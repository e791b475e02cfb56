// What lets a converted connection connect: the ADO connection string and
// provider, the ADO command parameters, the IBX transaction's isolation, and
// the rules that run once an object is read (key fields and master
// parameters of detail data sets; connections and data sets stored connected
// although they would connect to nothing). doc/connections.md describes them.
#include "formrules/RuleGroups.h"
#include "formrules/ZanFormParser.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

// --- ADO connection strings

struct TConnectionStringPart {
  std::u16string Key;  // as written, blanks around removed
  std::u16string Value;
};

bool IsBlank(char16_t ch) {
  return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n';
}

std::u16string TrimBlanks(std::u16string_view s) {
  size_t from = 0, to = s.size();
  while (from < to && IsBlank(s[from])) ++from;
  while (to > from && IsBlank(s[to - 1])) --to;
  return std::u16string(s.substr(from, to - from));
}

/// The "key=value" pairs of an OLE DB connection string, in order. A value
/// may be quoted with "..." or '...' (the quote doubled inside); blanks
/// around keys and unquoted values do not count; empty pairs are skipped.
std::vector<TConnectionStringPart> ReadConnectionString(std::u16string_view s) {
  std::vector<TConnectionStringPart> parts;
  size_t pos = 0;
  while (pos < s.size()) {
    const size_t keyEnd = s.find_first_of(u"=;", pos);
    if (keyEnd == std::u16string_view::npos || s[keyEnd] == u';') {
      // A key without a value.
      const size_t end = keyEnd == std::u16string_view::npos ? s.size() : keyEnd;
      if (std::u16string key = TrimBlanks(s.substr(pos, end - pos)); !key.empty())
        parts.push_back({std::move(key), {}});
      pos = end + 1;
      continue;
    }
    TConnectionStringPart part{TrimBlanks(s.substr(pos, keyEnd - pos)), {}};
    pos = keyEnd + 1;
    while (pos < s.size() && IsBlank(s[pos])) ++pos;
    if (pos < s.size() && (s[pos] == u'"' || s[pos] == u'\'')) {
      const char16_t quote = s[pos++];
      while (pos < s.size()) {
        if (s[pos] == quote) {
          if (pos + 1 < s.size() && s[pos + 1] == quote) {
            part.Value += quote;
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        part.Value += s[pos++];
      }
      // Anything between the closing quote and the ";" does not count.
      const size_t next = s.find(u';', pos);
      pos = next == std::u16string_view::npos ? s.size() : next + 1;
    } else {
      const size_t next = s.find(u';', pos);
      const size_t end = next == std::u16string_view::npos ? s.size() : next;
      part.Value = TrimBlanks(s.substr(pos, end - pos));
      pos = end + 1;
    }
    if (!part.Key.empty()) parts.push_back(std::move(part));
  }
  return parts;
}

/// OLE DB provider names (any version suffix) -> the target's providers.
constexpr TValuePair kAdoProviders[] = {
    {u"SQLOLEDB", u"SQL Server"},
    {u"SQLNCLI", u"SQL Server"},
    {u"MSOLEDBSQL", u"SQL Server"},
    {u"Microsoft.Jet.OLEDB", u"Access"},
    {u"Microsoft.ACE.OLEDB", u"Access"},
    {u"OraOLEDB.Oracle", u"Oracle"},
    {u"MSDAORA", u"Oracle"},
    {u"MSDASQL", u"ODBC"},
};

std::u16string_view AdoProvider(std::u16string_view oleDbProvider) {
  const std::u16string upper = UpperCase(TrimBlanks(oleDbProvider));
  for (const TValuePair& pair : kAdoProviders)
    if (upper.starts_with(UpperCase(pair.From))) return pair.To;
  return {};
}

enum class TAdoKey { Provider, Server, Database, User, Password, WindowsLogin, Other };

TAdoKey AdoKeyOf(std::u16string_view key) {
  if (IsOneOf(key, {u"Provider"})) return TAdoKey::Provider;
  if (IsOneOf(key, {u"Data Source", u"Server", u"Address", u"Addr", u"Network Address"}))
    return TAdoKey::Server;
  if (IsOneOf(key, {u"Initial Catalog", u"Database"})) return TAdoKey::Database;
  if (IsOneOf(key, {u"User ID", u"UID", u"User"})) return TAdoKey::User;
  if (IsOneOf(key, {u"Password", u"PWD"})) return TAdoKey::Password;
  if (IsOneOf(key, {u"Integrated Security", u"Trusted_Connection"})) return TAdoKey::WindowsLogin;
  return TAdoKey::Other;
}

/// The form value of a string property as its text ('a' + 'b' -> ab).
std::u16string StringValue(std::u16string_view value) {
  std::u16string text;
  if (DecodeFormString(value, text)) return text;
  return UnwrapValue(value);
}

// --- ADO parameters

constexpr TValuePair kDirections[] = {
    {u"pdInput", u"ptInput"},
    {u"pdOutput", u"ptOutput"},
    {u"pdInputOutput", u"ptInputOutput"},
    {u"pdReturnValue", u"ptResult"},
    {u"pdUnknown", u"ptUnknown"},
};

struct TCollectionItem {
  std::vector<std::pair<std::u16string, std::u16string>> Props;  // name, value as written

  const std::u16string* Find(std::u16string_view name) const {
    for (const auto& [n, v] : Props)
      if (SameText(n, name)) return &v;
    return nullptr;
  }
};

/// The items of a collection value "< item Name = 'x' ... end ... >". A line
/// that is not "Name = value" continues the value above it.
std::vector<TCollectionItem> ReadCollection(std::u16string_view value) {
  std::vector<TCollectionItem> items;
  TCollectionItem* item = nullptr;
  for (std::u16string line : SplitLines(value)) {
    line = TrimBlanks(line);
    if (line.starts_with(u"<")) line = TrimBlanks(line.substr(1));
    if (line.ends_with(u">")) line = TrimBlanks(line.substr(0, line.size() - 1));
    if (line.empty()) continue;
    if (SameText(line, u"item") ||
        (line.size() > 4 && SameText(line.substr(0, 4), u"item") && IsBlank(line[4]))) {
      item = &items.emplace_back();
      continue;
    }
    if (SameText(line, u"end")) {
      item = nullptr;
      continue;
    }
    if (!item) continue;
    const size_t eq = line.find(u" = ");
    if (eq != std::u16string::npos && eq > 0 && line.find(u'\'') > eq) {
      item->Props.emplace_back(line.substr(0, eq), line.substr(eq + 3));
    } else if (!item->Props.empty()) {
      item->Props.back().second += u"\r\n" + line;
    }
  }
  return items;
}

// --- FIBPlus master parameters

/// Where a scan of SQL text stands at the start of a line.
enum class TSqlState { Code, String, QuotedName, BlockComment };

/// `line` with every "?NAME" outside string literals, quoted names and
/// comments written ":NAME"; `state` carries over to the next line (a line
/// comment ends with its line).
std::u16string ColonParams(std::u16string_view line, TSqlState& state) {
  std::u16string out(line);
  for (size_t i = 0; i < out.size(); ++i) {
    const char16_t ch = out[i];
    switch (state) {
      case TSqlState::String:
        if (ch == u'\'') state = TSqlState::Code;  // a doubled quote reopens at once
        continue;
      case TSqlState::QuotedName:
        if (ch == u'"') state = TSqlState::Code;
        continue;
      case TSqlState::BlockComment:
        if (ch == u'*' && i + 1 < out.size() && out[i + 1] == u'/') {
          state = TSqlState::Code;
          ++i;
        }
        continue;
      case TSqlState::Code:
        break;
    }
    if (ch == u'\'') {
      state = TSqlState::String;
    } else if (ch == u'"') {
      state = TSqlState::QuotedName;
    } else if (ch == u'/' && i + 1 < out.size() && out[i + 1] == u'*') {
      state = TSqlState::BlockComment;
      ++i;
    } else if (ch == u'-' && i + 1 < out.size() && out[i + 1] == u'-') {
      break;  // the rest of the line is a comment
    } else if (ch == u'?' && i + 1 < out.size() && (IsLetter(out[i + 1]) || out[i + 1] == u'_')) {
      out[i] = u':';
    }
  }
  return out;
}

/// Rewrites the master parameters of the SQL list in output entry `index`;
/// items that do not change keep their text.
void ColonParamsOfEntry(TZanFormParser& p, int index) {
  const TStringList& lines = p.PropValue(index);
  std::u16string value;
  for (int i = 0; i < lines.Count(); ++i) value += (i > 0 ? u"\r\n" : u"") + lines[i];
  std::vector<std::u16string_view> items;
  if (!SplitFormStringList(value, items) || items.empty()) return;
  TSqlState state = TSqlState::Code;
  bool changed = false;
  std::u16string made = u"(";
  std::u16string text;
  for (std::u16string_view item : items) {
    made += u"\r\n";
    if (!DecodeFormString(item, text)) return;
    const std::u16string colons = ColonParams(text, state);
    if (colons != text) {
      changed = true;
      made += FormQuoted(colons);
    } else {
      made += item;
    }
  }
  if (changed) p.ReplaceOutputValue(index, made + u")");
}

// --- Connecting to nothing

bool StoredTrue(const TZanFormParser& p, int index) {
  const TStringList& lines = p.PropValue(index);
  if (lines.Count() != 1) return false;
  const std::u16string& v = lines[0];
  int64_t number = 0;
  return SameText(v, u"True") || (TryStrToInt(v, number) && number != 0);
}

bool HasOutput(const TZanFormParser& p, std::u16string_view name) {
  return p.IndexOfProp(name) >= 0;
}

/// A converted connection stored connected needs a provider and a target to
/// connect to; a data set (or alerter) stored open needs a connection.
/// Otherwise its form would fail to load: it is written closed.
void CheckConnects(TZanFormParser& p) {
  // An inherited or inline object may have what it lacks from its ancestor.
  if (p.StoresDifferencesOnly()) return;
  const TRegisteredClass* cls = p.ClassRegistry().FindClass(p.NewClassName());
  if (!cls) return;
  if (cls->HasPublishedProperty(u"Connected") && cls->HasPublishedProperty(u"ProviderName")) {
    const int index = p.IndexOfProp(u"Connected");
    if (index < 0 || !StoredTrue(p, index)) return;
    std::vector<std::u16string_view> missing;
    if (!HasOutput(p, u"ProviderName")) missing.push_back(u"ProviderName");
    if (!HasOutput(p, u"Server") && !HasOutput(p, u"Database") && !HasOutput(p, u"ConnectString"))
      missing.push_back(u"Server or Database (or ConnectString)");
    if (missing.empty()) return;
    std::u16string action = u"set ";
    for (size_t i = 0; i < missing.size(); ++i)
      action.append(i > 0 ? u" and " : u"").append(missing[i]);
    action += u" of " + p.NewClassName() + u", then Connected = True";
    p.ReplaceOutputValue(index, u"False");
    p.AddDisconnected(u"Connected", action);
    return;
  }
  // Data sets, metadata queries and alerters: they open through a connection
  // and run in its transactions.
  if (cls->HasPublishedProperty(u"Active") && cls->HasPublishedProperty(u"Connection") &&
      cls->HasPublishedProperty(u"Transaction")) {
    const int index = p.IndexOfProp(u"Active");
    if (index < 0 || !StoredTrue(p, index)) return;
    const int connection = p.IndexOfProp(u"Connection");
    if (connection < 0) {
      p.ReplaceOutputValue(index, u"False");
      p.AddDisconnected(u"Active",
                        u"set Connection of " + p.NewClassName() + u", then Active = True");
      return;
    }
    // Opening it would connect a connection of its form written disconnected.
    const TStringList& value = p.PropValue(connection);
    if (value.Count() != 1) return;
    std::u16string_view name = value[0];
    if (const size_t dot = name.rfind(u'.'); dot != std::u16string_view::npos)
      name.remove_prefix(dot + 1);
    for (const std::u16string& disconnected : p.DisconnectedConnections())
      if (SameText(name, disconnected)) {
        p.ReplaceOutputValue(index, u"False");
        p.AddDisconnected(u"Active",
                          u"set the connection " + disconnected + u" first, then Active = True");
        return;
      }
  }
}

constexpr std::u16string_view kFibPlusDetailDataSets[] = {u"TpFIBDataSet"};

/// A TDatabase's alias (through the alias file) or driver name gives its
/// provider, and the alias its server, database and login. What its own
/// parameter list set wins: it overrides the alias in the BDE too.
void ResolveBdeDatabase(TZanFormParser& p) {
  if (p.StoresDifferencesOnly()) return;
  const std::u16string aliasName = StringValue(p.StoredValue(u"AliasName"));
  const std::u16string driverName = StringValue(p.StoredValue(u"DriverName"));
  const TBdeAlias* alias =
      p.BdeAliases() && !aliasName.empty() ? p.BdeAliases()->Find(aliasName) : nullptr;
  std::u16string_view provider;
  std::u16string_view from;
  if (alias && !alias->Provider.empty()) {
    provider = alias->Provider;
    from = u"AliasName";
  } else if (!driverName.empty()) {
    provider = BdeDriverProvider(driverName);
    from = u"DriverName";
  }
  // An InterBase server name names the database file.
  if (provider == u"InterBase" && !HasOutput(p, u"Database"))
    if (const int index = p.IndexOfProp(u"Server"); index >= 0) p.RenameOutput(index, u"Database");
  if (!provider.empty() && !HasOutput(p, u"ProviderName"))
    p.AddOutputFor(from, u"ProviderName", QuotedStr(provider));
  if (!alias) return;
  const std::pair<std::u16string_view, const std::u16string*> values[] = {
      {u"Server", &alias->Server},
      {u"Database", &alias->Database},
      {u"Username", &alias->Username},
      {u"Password", &alias->Password}};
  for (const auto& [target, value] : values)
    if (!value->empty() && !HasOutput(p, target))
      p.AddOutputFor(u"AliasName", target, FormQuoted(*value));
}

}  // namespace

void ConvertAdoConnectionString(TZanFormParser& p, std::u16string_view name,
                                std::u16string_view value) {
  const std::vector<TConnectionStringPart> parts = ReadConnectionString(StringValue(value));
  std::u16string provider = p.GetAddedPropValue(u"ProviderName");
  const bool providerAdded = !provider.empty();
  for (const TConnectionStringPart& part : parts)
    if (provider.empty() && AdoKeyOf(part.Key) == TAdoKey::Provider)
      provider = AdoProvider(part.Value);
  // The first value of each target; what has no counterpart is reported.
  std::u16string server, database, user, password;
  bool windowsLogin = false;
  auto dropped = [&](const TConnectionStringPart& part) {
    p.AddDroppedPart(std::u16string(name) + u"." + part.Key, part.Value);
  };
  auto take = [&](std::u16string& slot, const TConnectionStringPart& part) {
    if (slot.empty() && !part.Value.empty())
      slot = part.Value;
    else
      dropped(part);
  };
  for (const TConnectionStringPart& part : parts) {
    switch (AdoKeyOf(part.Key)) {
      case TAdoKey::Provider:
        if (AdoProvider(part.Value).empty()) dropped(part);
        break;
      case TAdoKey::Server:
        // An Access "data source" is the database file.
        take(provider == u"Access" ? database : server, part);
        break;
      case TAdoKey::Database:
        take(database, part);
        break;
      case TAdoKey::User:
        take(user, part);
        break;
      case TAdoKey::Password:
        take(password, part);
        break;
      case TAdoKey::WindowsLogin:
        if (provider == u"SQL Server" && IsOneOf(part.Value, {u"SSPI", u"True", u"Yes"}))
          windowsLogin = true;
        else
          dropped(part);
        break;
      case TAdoKey::Other:
        dropped(part);
        break;
    }
  }
  if (!providerAdded && !provider.empty()) p.AddProperty(u"ProviderName", QuotedStr(provider));
  if (!server.empty()) p.AddProperty(u"Server", FormQuoted(server));
  if (!database.empty()) p.AddProperty(u"Database", FormQuoted(database));
  if (!user.empty()) p.AddProperty(u"Username", FormQuoted(user));
  if (!password.empty()) p.AddProperty(u"Password", FormQuoted(password));
  if (windowsLogin) p.AddSpecificOption(provider, u"Authentication", u"auWindows", u"");
}

void ConvertAdoProvider(TZanFormParser& p, std::u16string_view, std::u16string_view value) {
  const std::u16string_view provider = AdoProvider(StringValue(value));
  // The connection string named it already (the property repeats it).
  if (provider.empty() || !p.GetAddedPropValue(u"ProviderName").empty()) return;
  p.AddProperty(u"ProviderName", QuotedStr(provider));
}

void ConvertAdoParameters(TZanFormParser& p, std::u16string_view, std::u16string_view value) {
  const std::vector<TCollectionItem> items = ReadCollection(value);
  if (items.empty()) return;
  std::u16string data = u"<";
  for (const TCollectionItem& item : items) {
    data += u"\r\nitem";
    if (const std::u16string* v = item.Find(u"Name")) data += u"\r\n  Name = " + *v;
    if (const std::u16string* v = item.Find(u"DataType")) data += u"\r\n  DataType = " + *v;
    std::u16string_view paramType = u"ptInput";  // ADO does not store the default direction
    if (const std::u16string* v = item.Find(u"Direction"))
      for (const TValuePair& pair : kDirections)
        if (SameText(*v, pair.From)) paramType = pair.To;
    data.append(u"\r\n  ParamType = ").append(paramType);
    if (const std::u16string* v = item.Find(u"Value"); v && !SameText(*v, u"Null"))
      data += u"\r\n  Value = " + *v;
    data += u"\r\nend";
  }
  p.AddProperty(u"ParamData", data + u">");
}

void ConvertIbxTransactionParams(TZanFormParser& p, std::u16string_view name,
                                 std::u16string_view value) {
  static constexpr TValuePair kIsolation[] = {
      {u"read_committed", u"ilReadCommitted"},
      {u"concurrency", u"ilSnapshot"},
      {u"consistency", u"ilIsolated"},
  };
  const TStringList params = ReadParamList(value);
  std::u16string_view level;
  std::vector<std::u16string> others;
  for (int i = 0; i < params.Count(); ++i) {
    std::u16string line = LowerCase(TrimBlanks(params[i]));
    if (line.starts_with(u"isc_tpb_")) line.erase(0, 8);
    bool isolation = false;
    for (const TValuePair& pair : kIsolation)
      if (level.empty() && line == pair.From) {
        level = pair.To;
        isolation = true;
      }
    if (!isolation) others.push_back(params[i]);
  }
  // Without an isolation line the whole list is dropped, as it was.
  if (level.empty()) return;
  p.AddProperty(u"IsolationLevel", level);
  for (const std::u16string& other : others) p.AddDroppedPart(name, FormQuoted(other));
}

void FinishConvertedObject(TZanFormParser& p) {
  if (p.TypeName() == u"TDatabase") ResolveBdeDatabase(p);
  const bool master = p.IndexOfProp(u"MasterSource") >= 0;
  // X8: the key fields of a data set with a master link are its detail
  // fields; without a master they are its sort order and keep their name.
  if (master && kIndexFieldNamesTable.Rows[0].Types.Matches(p.TypeName()))
    if (const int index = p.IndexOfProp(u"IndexFieldNames"); index >= 0)
      p.RenameOutput(index, u"DetailFields");
  // A FIBPlus detail names its master's fields "?NAME"; the target ":NAME".
  if (master && IsOneOf(p.TypeName(), kFibPlusDetailDataSets))
    for (int i = 0; i < p.PropsCount(); ++i) {
      const std::u16string& entry = p.PropName(i);
      if (entry.starts_with(u"SQL") && entry.ends_with(u".Strings")) ColonParamsOfEntry(p, i);
    }
  // The provider goes first, as the table rows put it: an alias or an ADO
  // connection string gives it after other entries.
  if (const int index = p.IndexOfProp(u"ProviderName"); index > 0) p.MovePropFirst(index);
  CheckConnects(p);
}

}  // namespace zan
