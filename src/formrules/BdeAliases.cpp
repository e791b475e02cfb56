#include "formrules/BdeAliases.h"

#include <set>

#include "formrules/RuleUtils.h"
#include "rtl/Encoding.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

struct TDriverProvider {
  std::u16string_view Driver;
  std::u16string_view Provider;
};

constexpr TDriverProvider kDrivers[] = {
    {u"INTRBASE", u"InterBase"}, {u"MSSQL", u"SQL Server"},
    {u"ORACLE", u"Oracle"},      {u"DB2", u"DB2"},
    {u"SYBASE", u"ASE"},
};

bool IsBlankChar(char16_t ch) {
  return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n';
}

std::u16string Trimmed(std::u16string_view s) {
  size_t from = 0, to = s.size();
  while (from < to && IsBlankChar(s[from])) ++from;
  while (to > from && IsBlankChar(s[to - 1])) --to;
  return std::u16string(s.substr(from, to - from));
}

std::u16string Decoded(const std::string& bytes, int codePage) {
  std::string_view view(bytes);
  if (view.starts_with(kUtf8Bom)) return Utf8ToUtf16(view.substr(kUtf8Bom.size()));
  return AnsiToUnicode(view, codePage);
}

}  // namespace

std::u16string_view BdeDriverProvider(std::u16string_view driver) {
  const std::u16string upper = UpperCase(Trimmed(driver));
  for (const TDriverProvider& d : kDrivers)
    if (upper == d.Driver) return d.Provider;
  return {};
}

TBdeAliases TBdeAliases::Read(TFileSystem& fs, const std::u16string& fileName, int codePage) {
  std::string bytes;
  try {
    bytes = fs.ReadFile(fileName);
  } catch (const EFileError& e) {
    throw EBdeAliasError(Utf16ToUtf8(fileName) + ": cannot read the alias file: " + e.what());
  }
  return Parse(Decoded(bytes, codePage), fileName);
}

TBdeAliases TBdeAliases::Parse(std::u16string_view text, std::u16string_view fileName) {
  TBdeAliases aliases;
  TBdeAlias* alias = nullptr;
  std::u16string aliasName;
  std::set<std::u16string> seen;  // the parameters of the current alias
  int lineNo = 0;
  auto fail = [&](const std::string& what) {
    throw EBdeAliasError(Utf16ToUtf8(fileName) + ":" + std::to_string(lineNo) + ": " + what);
  };
  for (const std::u16string& raw : SplitLines(text)) {
    ++lineNo;
    const std::u16string line = Trimmed(raw);
    if (line.empty() || line[0] == u';' || line[0] == u'#') continue;
    if (line[0] == u'[') {
      if (line.back() != u']') fail("expected [ALIAS] or NAME=VALUE");
      aliasName = Trimmed(std::u16string_view(line).substr(1, line.size() - 2));
      if (aliasName.empty()) fail("an alias needs a name between [ and ]");
      auto [it, added] = aliases.FAliases.try_emplace(AnsiUpperCase(aliasName));
      if (!added) fail("the alias " + Utf16ToUtf8(aliasName) + " is defined twice");
      alias = &it->second;
      seen.clear();
      continue;
    }
    const size_t eq = line.find(u'=');
    if (eq == std::u16string::npos || eq == 0) fail("expected [ALIAS] or NAME=VALUE");
    if (!alias) fail("NAME=VALUE before the first [ALIAS]");
    const std::u16string name = UpperCase(Trimmed(std::u16string_view(line).substr(0, eq)));
    const std::u16string value = Trimmed(std::u16string_view(line).substr(eq + 1));
    if (!seen.insert(name).second)
      fail(Utf16ToUtf8(name) + " is given twice for the alias " + Utf16ToUtf8(aliasName));
    if (name == u"TYPE") {
      // A driver of its own (PARADOX, DBASE, an ODBC driver name) has no
      // counterpart: the alias gives no provider.
      if (value.empty()) fail("TYPE needs a driver name (INTRBASE, MSSQL, ORACLE, DB2, SYBASE)");
      alias->Provider = BdeDriverProvider(value);
    } else if (name == u"SERVER NAME") {
      alias->Server = value;
    } else if (name == u"DATABASE NAME") {
      alias->Database = value;
    } else if (name == u"USER NAME") {
      alias->Username = value;
    } else if (name == u"PASSWORD") {
      alias->Password = value;
    }
    // Other parameters (OPEN MODE, SCHEMA CACHE SIZE, ...) have no counterpart.
  }
  // An InterBase "server name" names the database (server:path).
  for (auto& [name, a] : aliases.FAliases)
    if (a.Provider == u"InterBase" && a.Database.empty()) {
      a.Database = std::move(a.Server);
      a.Server.clear();
    }
  return aliases;
}

const TBdeAlias* TBdeAliases::Find(std::u16string_view name) const {
  const auto it = FAliases.find(AnsiUpperCase(Trimmed(name)));
  return it == FAliases.end() ? nullptr : &it->second;
}

}  // namespace zan
