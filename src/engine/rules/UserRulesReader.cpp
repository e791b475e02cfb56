// Reading a rule file (doc/rules.md) with toml++: every key is checked, and
// every mistake raises EUserRulesError naming the file and the line.
#include <toml++/toml.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>

#include "engine/catalogue/ZanReplacer.h"
#include "engine/rules/UserRules.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FormStream.h"
#include "rtl/dfm/FormTextLexer.h"

namespace zan {

namespace {

using TKeys = std::initializer_list<std::string_view>;

bool IsIdentifier(std::u16string_view s) {
  if (s.empty()) return false;
  for (size_t i = 0; i < s.size(); ++i)
    if (!(s[i] == u'_' || IsLetter(s[i]) || (i > 0 && IsDigit(s[i])))) return false;
  return true;
}

/// Identifiers joined by "." (unit and property names).
bool IsDottedName(std::u16string_view s) {
  for (size_t start = 0;;) {
    const size_t dot = s.find(u'.', start);
    if (!IsIdentifier(s.substr(start, dot == std::u16string_view::npos ? dot : dot - start)))
      return false;
    if (dot == std::u16string_view::npos) return true;
    start = dot + 1;
  }
}

/// Whether `a` becomes `b` with at most two edits (ignoring case): what a
/// "did you mean" may offer.
bool IsNear(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1), next(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    next[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                        std::tolower(static_cast<unsigned char>(b[j - 1]));
      next[j] = std::min({row[j] + 1, next[j - 1] + 1, row[j - 1] + (same ? 0 : 1)});
    }
    std::swap(row, next);
  }
  return row[b.size()] <= 2;
}

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  quoted += text;
  quoted += '"';
  return quoted;
}

/// Moves `i` past the TOML string that starts at `text[i]` (a quote),
/// counting the line breaks of a multi-line one in `line`. A single-line
/// string stops before a line break: the parser reports it.
void SkipTomlString(std::string_view text, size_t& i, int& line) {
  const char quote = text[i];
  const bool escapes = quote == '"';
  if (text.substr(i, 3) == std::string(3, quote)) {
    for (i += 3; i < text.size(); ++i) {
      if (text[i] == '\n') ++line;
      if (escapes && text[i] == '\\') {
        if (i + 1 < text.size() && text[i + 1] == '\n') ++line;
        ++i;
      } else if (text.substr(i, 3) == std::string(3, quote)) {
        i += 3;
        // Up to two more quotes belong to the text: """a"""" is `a"`.
        for (int extra = 0; extra < 2 && i < text.size() && text[i] == quote; ++extra) ++i;
        return;
      }
    }
    return;
  }
  for (++i; i < text.size() && text[i] != '\n'; ++i) {
    if (text[i] == quote) {
      ++i;
      return;
    }
    if (escapes && text[i] == '\\' && i + 1 < text.size() && text[i + 1] != '\n') ++i;
  }
}

/// Whether `value` is one value of form text: a number, an identifier, a
/// string (quoted runs, joined by "+"), or a set, list, collection or binary
/// data in its brackets. Written after "Name = ", it cannot end the object
/// and start another.
bool IsOneFormValue(std::u16string_view value) {
  using dfm::TTokenKind;
  static const std::string name;
  try {
    dfm::TFormTextLexer lexer(value, name);
    switch (lexer.Kind()) {
      case TTokenKind::tkEof:
        return false;
      case TTokenKind::tkString:
        for (lexer.Next(); lexer.IsSymbol(u'+'); lexer.Next()) {
          lexer.Next();
          if (lexer.Kind() != TTokenKind::tkString) return false;
        }
        break;
      case TTokenKind::tkSymbol: {
        std::u16string closers;  // of the brackets open
        std::string bytes;
        do {
          if (lexer.IsSymbol(u'{')) {
            lexer.ReadBinary(bytes);
            continue;
          }
          const std::u16string_view open = u"[(<", close = u"])>";
          if (lexer.Kind() == TTokenKind::tkEof) return false;
          if (lexer.Kind() == TTokenKind::tkSymbol) {
            if (const size_t k = open.find(lexer.Text().front()); k != open.npos) {
              closers.push_back(close[k]);
            } else if (close.find(lexer.Text().front()) != close.npos) {
              if (closers.empty() || closers.back() != lexer.Text().front()) return false;
              closers.pop_back();
            } else if (closers.empty()) {
              return false;
            }
          }
          lexer.Next();
        } while (!closers.empty());
        break;
      }
      default:
        lexer.Next();
    }
    return lexer.Kind() == TTokenKind::tkEof;
  } catch (const EFormTextError&) {
    return false;
  }
}

}  // namespace

/// Reads one file into a TUserRules (a friend of it).
class TUserRulesReader {
 public:
  TUserRulesReader(TUserRules& rules, std::u16string_view fileName, int library)
      : FRules(rules),
        FFile(fileName),
        FFileText(Utf16ToUtf8(fileName)),
        FLibrary(CatalogueLibraries()[static_cast<size_t>(library)]) {
    for (size_t i = 0; i < FLibrary.Pairs.size(); ++i)
      FBuiltInIndex.Add(FLibrary.Pairs[i].OldComp, static_cast<int>(i));
  }

  void Read(std::string_view text) {
    CheckShape(text);
    toml::table root;
    try {
      root = toml::parse(text, std::string_view(FFileText));
    } catch (const toml::parse_error& e) {
      Fail(static_cast<int>(e.source().begin.line),
           "syntax error: " + std::string(e.description()));
    }
    CheckKeys(root, "", {"library", "pair", "property", "set", "uses", "target-class"});
    ReadLibrary(root);
    ForEachTable(root, "pair", [&](const toml::table& t) { ReadPair(t); });
    ForEachTable(root, "property", [&](const toml::table& t) { ReadProperty(t); });
    ForEachTable(root, "set", [&](const toml::table& t) { ReadSet(t); });
    if (const toml::node* uses = root.get("uses")) ReadUses(*uses);
    ForEachTable(root, "target-class", [&](const toml::table& t) { ReadTargetClass(t); });
    AssignRules();
  }

 private:
  /// A rule read but not numbered yet: the rules of a file are numbered in
  /// line order once it is read.
  struct TPending {
    int Line;
    std::u16string Text;
    std::function<void(int)> SetRule;
  };

  [[noreturn]] void Fail(int line, const std::string& message) const {
    throw EUserRulesError(FFileText + ":" + std::to_string(line) + ": " + message);
  }
  [[noreturn]] void Fail(const toml::node& node, const std::string& message) const {
    Fail(static_cast<int>(node.source().begin.line), message);
  }
  static int LineOf(const toml::node& node) { return static_cast<int>(node.source().begin.line); }

  /// Refuses text that nests deeper than kMaxRuleNesting or holds more than
  /// kMaxRuleKeys keys, in one pass that skips strings and comments as TOML
  /// reads them. A table header's dotted parts are its level; a key adds its
  /// parts, an array one level for its elements.
  void CheckShape(std::string_view text) const {
    struct TOpen {
      char Close;  // ']' for an array, '}' for an inline table
      int Level;   // of its elements, or of the table's keys
    };
    std::vector<TOpen> open;
    bool keyNext = true;  // at a key (or a header), not in a value
    int line = 1, tableLevel = 0, valueLevel = 0;
    size_t keys = 0;
    auto check = [&](int level) {
      if (level > kMaxRuleNesting)
        Fail(line, "nested more than " + std::to_string(kMaxRuleNesting) +
                       " levels deep (table headers, dotted keys, inline tables and arrays)");
    };
    // The parts of the dotted key or header from `i` to `end` (or a line break).
    auto parts = [&](size_t& i, char end) {
      int count = 1;
      while (i < text.size() && text[i] != end && text[i] != '\n') {
        if (text[i] == '"' || text[i] == '\'') {
          SkipTomlString(text, i, line);
          continue;
        }
        count += text[i] == '.';
        ++i;
      }
      return count;
    };
    for (size_t i = 0; i < text.size();) {
      const char c = text[i];
      if (c == '\n') {
        ++line;
        ++i;
        if (open.empty()) keyNext = true;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++i;
      } else if (c == '#') {
        i = std::min(text.find('\n', i), text.size());
      } else if (keyNext && open.empty() && c == '[') {
        i += text.substr(i, 2) == "[[" ? 2 : 1;
        tableLevel = parts(i, ']');
        check(tableLevel);
        i = std::min(text.find('\n', i), text.size());
      } else if (keyNext && c == '}') {
        keyNext = false;  // an empty inline table, or a comma before its end
      } else if (keyNext) {
        if (++keys > kMaxRuleKeys)
          Fail(line, "more than " + std::to_string(kMaxRuleKeys) + " keys");
        valueLevel = (open.empty() ? tableLevel : open.back().Level) + parts(i, '=');
        check(valueLevel);
        keyNext = false;
        i += i < text.size() && text[i] == '=';
      } else if (c == '"' || c == '\'') {
        SkipTomlString(text, i, line);
      } else if (c == '[' || c == '{') {
        ++i;
        open.push_back({c == '[' ? ']' : '}', valueLevel + (c == '[')});
        check(open.back().Level);
        valueLevel = open.back().Level;
        keyNext = c == '{';
      } else if (c == ']' || c == '}') {
        ++i;
        if (!open.empty()) open.pop_back();
        if (!open.empty() && open.back().Close == ']') valueLevel = open.back().Level;
      } else {
        ++i;
        if (c == ',' && !open.empty() && open.back().Close == '}') keyNext = true;
      }
    }
  }

  /// Refuses a key of `table` that is not one of `known` (`section` names
  /// the table in the message, "" the top level).
  void CheckKeys(const toml::table& table, std::string_view section, TKeys known) const {
    const toml::key* first = nullptr;
    for (auto&& [key, node] : table)
      if (std::find(known.begin(), known.end(), key.str()) == known.end())
        if (!first || key.source().begin.line < first->source().begin.line) first = &key;
    if (!first) return;
    std::string message = "unknown key " + Quoted(first->str());
    if (!section.empty()) message += " in " + std::string(section);
    for (std::string_view candidate : known)
      if (IsNear(first->str(), candidate)) {
        message += " (did you mean " + Quoted(candidate) + "?)";
        break;
      }
    Fail(static_cast<int>(first->source().begin.line), message);
  }

  void ForEachTable(const toml::table& root, std::string_view name,
                    const std::function<void(const toml::table&)>& read) const {
    const toml::node* node = root.get(name);
    if (!node) return;
    const toml::array* array = node->as_array();
    if (!array || !array->is_array_of_tables())
      Fail(*node, Quoted(name) + " must be tables written [[" + std::string(name) + "]]");
    for (const toml::node& element : *array) read(*element.as_table());
  }

  /// The string `key` of `table`; "" when it is missing and not `required`.
  std::u16string String(const toml::table& table, std::string_view key, std::string_view section,
                        bool required) const {
    const toml::node* node = table.get(key);
    if (!node) {
      if (required) Fail(table, std::string(section) + " needs " + Quoted(key));
      return {};
    }
    const auto* value = node->as_string();
    if (!value) Fail(*node, Quoted(key) + " must be a string");
    return Utf8ToUtf16(value->get());
  }

  /// `name` checked to be a Pascal identifier (`dotted`: or identifiers
  /// joined by "."; `star`: or "*").
  std::u16string Name(const toml::table& table, std::string_view key, std::string_view section,
                      bool required, bool dotted = false, bool star = false) const {
    std::u16string name = String(table, key, section, required);
    if (name.empty() && !required) return name;
    if (star && name == kEveryClass) return name;
    if (dotted ? !IsDottedName(name) : !IsIdentifier(name))
      Fail(*table.get(key), Quoted(Utf16ToUtf8(name)) + " is not a Pascal " +
                                (dotted ? "name (identifiers joined by \".\")" : "identifier"));
    return name;
  }

  /// A list of names (`key` = ["A", "B"]), each with its line.
  std::vector<std::pair<std::u16string, int>> Names(const toml::table& table, std::string_view key,
                                                    bool dotted) const {
    std::vector<std::pair<std::u16string, int>> names;
    const toml::node* node = table.get(key);
    if (!node) return names;
    const toml::array* array = node->as_array();
    if (!array) Fail(*node, Quoted(key) + " must be an array of strings");
    for (const toml::node& element : *array) {
      const auto* value = element.as_string();
      if (!value) Fail(element, Quoted(key) + " must be an array of strings");
      const std::u16string name = Utf8ToUtf16(value->get());
      if (dotted ? !IsDottedName(name) : !IsIdentifier(name))
        Fail(element, Quoted(value->get()) + " is not a Pascal " +
                          (dotted ? "name (identifiers joined by \".\")" : "identifier"));
      names.emplace_back(name, LineOf(element));
    }
    return names;
  }

  /// Refuses form text that is not one value on one line (`subject`
  /// names it in the message): written into a form, it would end the object
  /// and add others.
  void CheckFormValue(const toml::node& node, const std::string& subject,
                      std::u16string_view value) const {
    if (value.find_first_of(u"\r\n") != std::u16string_view::npos)
      Fail(node, subject + " holds a line break: form text must be one line");
    if (!IsOneFormValue(value)) Fail(node, subject + " is not one value of form text");
  }

  /// The library's source class `name` (any case), or nullptr.
  const TReplacePair* BuiltInPair(std::u16string_view name) const {
    const int index = FBuiltInIndex.Find(name);
    return index < 0 ? nullptr : &FLibrary.Pairs[static_cast<size_t>(index)];
  }

  void ReadLibrary(const toml::table& root) const {
    const std::u16string name = String(root, "library", "", false);
    if (!root.get("library")) return;
    const int index = FindCatalogueLibrary(name);
    const int line = LineOf(*root.get("library"));
    if (index < 0) Fail(line, "unknown library " + Quoted(Utf16ToUtf8(name)));
    const std::u16string_view wanted = CatalogueLibraries()[static_cast<size_t>(index)].Name;
    if (wanted != FLibrary.Name)
      Fail(line, "the rules are for " + Utf16ToUtf8(wanted) + ", the run converts " +
                     Utf16ToUtf8(FLibrary.Name));
  }

  void ReadPair(const toml::table& t) {
    const std::string_view section = "[[pair]]";
    CheckKeys(t, section, {"source", "target", "rules-of"});
    TUserClassPair pair;
    pair.Source = Name(t, "source", section, true);
    pair.Target = Name(t, "target", section, true);
    pair.RulesOf = Name(t, "rules-of", section, false);
    const int line = LineOf(t);
    if (const TReplacePair* builtIn = BuiltInPair(pair.Source))
      Fail(line, "the pair for " + Utf16ToUtf8(pair.Source) + " clashes with the built-in pair " +
                     Utf16ToUtf8(builtIn->OldComp) + " -> " + Utf16ToUtf8(builtIn->NewComp) +
                     " of " + Utf16ToUtf8(FLibrary.Name));
    if (const TUserClassPair* first = FRules.FindPair(pair.Source))
      Fail(line, "a second pair for " + Utf16ToUtf8(pair.Source) + " (the first is at " +
                     Utf16ToUtf8(FRules.PlaceOf(first->Rule)) + ")");
    if (!FPairIndex.Add(pair.Source, static_cast<int>(FPairs.size())))
      Fail(
          line,
          "a second pair for " + Utf16ToUtf8(pair.Source) + " (the first is at " + FFileText + ":" +
              std::to_string(FPairs[static_cast<size_t>(FPairIndex.Find(pair.Source))].Line) + ")");
    if (!pair.RulesOf.empty() && !BuiltInPair(pair.RulesOf))
      Fail(*t.get("rules-of"), "\"rules-of\" names " + Utf16ToUtf8(pair.RulesOf) +
                                   ", which is no source class of " + Utf16ToUtf8(FLibrary.Name));
    std::u16string text = u"pair " + pair.Source + u" -> " + pair.Target;
    if (!pair.RulesOf.empty()) text += u" (rules of " + pair.RulesOf + u")";
    const size_t index = FPairs.size();
    FPairs.push_back({std::move(pair), line});
    Pending(line, std::move(text), [this, index](int rule) { FPairs[index].Pair.Rule = rule; });
  }

  void ReadProperty(const toml::table& t) {
    const std::string_view section = "[[property]]";
    CheckKeys(t, section, {"class", "name", "rename", "drop", "values"});
    TUserPropertyRule rule;
    rule.ClassName = Name(t, "class", section, true, false, true);
    rule.Name = Name(t, "name", section, true, true);
    rule.Rename = Name(t, "rename", section, false, true);
    if (const toml::node* drop = t.get("drop")) {
      if (!drop->is_boolean()) Fail(*drop, "\"drop\" must be true or false");
      rule.Drop = drop->as_boolean()->get();
    }
    if (rule.Drop && !rule.Rename.empty()) Fail(t, "[[property]] has both \"rename\" and \"drop\"");
    if (!rule.Drop && rule.Rename.empty())
      Fail(t, "[[property]] needs \"rename\" or \"drop = true\"");
    if (const toml::node* values = t.get("values")) {
      if (rule.Rename.empty()) Fail(*values, "\"values\" needs \"rename\"");
      const toml::table* map = values->as_table();
      if (!map) Fail(*values, "\"values\" must be a table of strings: { \"old\" = \"new\" }");
      for (auto&& [from, to] : *map) {
        const auto* value = to.as_string();
        if (!value) Fail(to, "\"values\" must be a table of strings: { \"old\" = \"new\" }");
        if (value->get().empty()) Fail(to, "\"values\" maps " + Quoted(from.str()) + " to nothing");
        rule.Values.emplace_back(Utf8ToUtf16(from.str()), Utf8ToUtf16(value->get()));
        CheckFormValue(to, "\"values\" maps " + Quoted(from.str()) + " to text that",
                       rule.Values.back().second);
      }
    }
    std::u16string text = rule.ClassName + u"." + rule.Name + u": ";
    text += rule.Drop ? u"drop" : u"rename to " + rule.Rename;
    if (!rule.Values.empty()) text += u" (" + IntToStr(rule.Values.size()) + u" value(s) mapped)";
    const size_t index = FProperties.size();
    FProperties.push_back(std::move(rule));
    Pending(LineOf(t), std::move(text),
            [this, index](int number) { FProperties[index].Rule = number; });
  }

  void ReadSet(const toml::table& t) {
    const std::string_view section = "[[set]]";
    CheckKeys(t, section, {"class", "name", "value"});
    TUserSetRule rule;
    rule.ClassName = Name(t, "class", section, true, false, true);
    rule.Name = Name(t, "name", section, true, true);
    rule.Value = String(t, "value", section, true);
    if (rule.Value.empty()) Fail(*t.get("value"), "\"value\" is empty");
    CheckFormValue(*t.get("value"), "\"value\"", rule.Value);
    std::u16string text = rule.ClassName + u"." + rule.Name + u" = " + rule.Value;
    const size_t index = FSets.size();
    FSets.push_back(std::move(rule));
    Pending(LineOf(t), std::move(text), [this, index](int number) { FSets[index].Rule = number; });
  }

  void ReadUses(const toml::node& node) {
    const toml::table* t = node.as_table();
    if (!t) Fail(node, "\"uses\" must be a table written [uses]");
    CheckKeys(*t, "[uses]", {"add", "remove"});
    for (const bool add : {true, false}) {
      std::vector<TUserUsesUnit>& units = add ? FAdded : FRemoved;
      for (auto& [name, line] : Names(*t, add ? "add" : "remove", true)) {
        const size_t index = units.size();
        units.push_back({name, -1});
        Pending(line, (add ? u"uses: add " : u"uses: remove ") + name,
                [&units, index](int number) { units[index].Rule = number; });
      }
    }
  }

  void ReadTargetClass(const toml::table& t) {
    const std::string_view section = "[[target-class]]";
    CheckKeys(t, section, {"name", "inherits", "properties", "members"});
    TUserTargetClass target;
    target.Name = Name(t, "name", section, true);
    target.Inherits = Name(t, "inherits", section, false);
    std::u16string text = u"target class " + target.Name;
    if (!target.Inherits.empty()) text += u" (inherits " + target.Inherits + u")";
    for (auto& [name, line] : Names(t, "properties", false)) {
      text += (target.Properties.empty() ? u": " : u", ") + name;
      target.Properties.push_back(name);
    }
    bool firstMember = true;
    for (auto& [name, line] : Names(t, "members", false)) {
      text += (firstMember ? u"; members: " : u", ") + name;
      firstMember = false;
      target.Members.push_back(name);
    }
    const size_t index = FTargets.size();
    FTargets.push_back(std::move(target));
    Pending(LineOf(t), std::move(text),
            [this, index](int number) { FTargets[index].Rule = number; });
  }

  void Pending(int line, std::u16string text, std::function<void(int)> setRule) {
    FPending.push_back({line, std::move(text), std::move(setRule)});
  }

  /// Numbers the rules in line order and adds them to the rules.
  void AssignRules() {
    std::stable_sort(FPending.begin(), FPending.end(),
                     [](const TPending& a, const TPending& b) { return a.Line < b.Line; });
    for (TPending& pending : FPending)
      pending.SetRule(FRules.AddEntry(FFile, pending.Line, std::move(pending.Text)));
    for (TPendingPair& pending : FPairs) {
      FRules.FPairIndex.Add(pending.Pair.Source, static_cast<int>(FRules.FForm.Pairs.size()));
      FRules.FForm.Pairs.push_back(std::move(pending.Pair));
    }
    auto append = [](auto& to, auto& from) {
      for (auto& item : from) to.push_back(std::move(item));
    };
    append(FRules.FForm.Properties, FProperties);
    append(FRules.FForm.Sets, FSets);
    append(FRules.FAddedUnits, FAdded);
    append(FRules.FRemovedUnits, FRemoved);
    append(FRules.FTargetClasses, FTargets);
    FRules.FForm.BuildIndex();
  }

  struct TPendingPair {
    TUserClassPair Pair;
    int Line;
  };

  TUserRules& FRules;
  std::u16string FFile;
  std::string FFileText;
  const TLibraryInfo& FLibrary;
  std::vector<TPending> FPending;
  std::vector<TPendingPair> FPairs;
  TClassNameTable FPairIndex;     // source -> index in FPairs
  TClassNameTable FBuiltInIndex;  // the library's source classes -> index in its pairs
  std::vector<TUserPropertyRule> FProperties;
  std::vector<TUserSetRule> FSets;
  std::vector<TUserUsesUnit> FAdded;
  std::vector<TUserUsesUnit> FRemoved;
  std::vector<TUserTargetClass> FTargets;
};

void TUserRules::LoadFromText(std::string_view text, std::u16string_view fileName, int library) {
  // Everything is checked before anything is added: a file that fails adds nothing.
  TUserRulesReader(*this, fileName, library).Read(text);
}

void TUserRules::LoadFromFile(TFileSystem& fs, std::u16string_view fileName, int library) {
  std::string text;
  if (const TFileStatus status = fs.Read(fileName, text); !status)
    throw EUserRulesError(Utf16ToUtf8(fileName) + ": cannot read the rules: " + status.Reason());
  LoadFromText(text, fileName, library);
}

}  // namespace zan
